#pragma once

#include "core/KukuState.h"
#include "records/GanbariForm.h"
#include "records/HistoryLog.h"
#include "records/HistoryStore.h"

#include <QDateTime>

#include <functional>
#include <memory>
#include <vector>

class QTimer;
class QWidget;

namespace rentabo {

class RecordWindowsHost;

// The learner's history as the main window uses it: the database beside the settings file (or in
// the settings' fallback folder), the answer log the runs report to, and the progress window with
// the review it may start. Without a database everything else goes on as before.
class HistoryKeeper final {
    Q_DISABLE_COPY_MOVE(HistoryKeeper)
public:
    HistoryKeeper(const KukuState& state, RecordWindowsHost& host);
    ~HistoryKeeper();

    // Where the database goes for a program in `exeDir`.
    static QString pathFor(const QString& exeDir);
    // Opens it; the notice (a file set aside, in use, read-only, newer, no database at all) is for
    // the learner, once. Answers kept while another program holds the file are written by a timer
    // once it lets go.
    QString open(const QString& path);
    // Null when no history is kept.
    AnswerLog* answerLog() { return m_log.get(); }
    HistoryStore* store() { return m_store.get(); }
    // How often what is kept is tried again.
    static constexpr int kRetryMs = 1000;

    struct Review {
        TGanbariForm::Review how = TGanbariForm::Review::None;
        std::vector<int> facts;
    };
    // The progress window, modal; returns the review chosen in it.
    Review showProgress(QWidget* parent, bool canListen);

    std::function<QDateTime()> clock = [] { return QDateTime::currentDateTime(); };
    // Where a failure to write an answer is told, mid-test: a notice for a quiet moment.
    std::function<void(const QString&)> laterNotice;

private:
    const KukuState& m_state;
    RecordWindowsHost& m_host;
    std::unique_ptr<HistoryStore> m_store;
    std::unique_ptr<HistoryLog> m_log;
    std::unique_ptr<QTimer> m_retry;
};

}  // namespace rentabo
