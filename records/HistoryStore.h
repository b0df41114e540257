#pragma once

#include "core/AnswerLog.h"
#include "records/ReviewSchedule.h"

#include <QDateTime>
#include <QString>

#include <array>
#include <memory>
#include <optional>
#include <vector>

namespace rentabo {

inline constexpr char kHistoryFileName[] = "RentaboHistory.sqlite";

// A learner as the history tells learners apart: siblings sharing the computer each have a name,
// and the learner number made from it.
struct LearnerId {
    QString name;
    int number = 0;
};

// One row of the history: a judged answer with who, when and how.
struct HistoryRow {
    QDateTime when;
    LearnerId learner;
    // What kind of test asked it, as stored: "key-ordered", "oral-shuffled", "review-voice", ...
    QString mode;
    JudgedAnswer answer;
    bool review = false;
};

// The mode stored for a test of lesson mode menu_n (3..9) or for the daily review.
QString historyModeOf(int menu_n, bool review, AnswerChannel channel);

// How a fact has gone lately: over its last kRecentAnswers answers.
inline constexpr int kRecentAnswers = 10;
struct FactProgress {
    int answers = 0;
    int right = 0;
    std::int64_t meanRightMs = 0;  // 0 when none of them was right
    int misses() const { return answers - right; }
};

struct DayProgress {
    QDate day;
    int answers = 0;
    int right = 0;
};

// The learner's history: every judged answer, in the SQLite database RentaboHistory.sqlite,
// written ahead (WAL) so that a program killed in the middle of a test loses at most the answer
// being written. A parent can read it with any SQLite tool: the table `answers`, and the view
// `answer_list` with Japanese column names.
class HistoryStore final {
public:
    // Schema versions (PRAGMA user_version): 1 the answers, 2 the review's Leitner cards.
    static constexpr int kSchemaVersion = 2;

    struct Opened {
        std::unique_ptr<HistoryStore> store;  // null only when not even a new file could be made
        QString notice;                       // a Japanese notice for the learner, once; or empty
        QString setAsidePath;                 // where a broken file was moved
    };
    // Opens (or makes) the database at `path`. A file that is not a database, or a damaged one, is
    // renamed beside itself, never deleted, and a new one is started.
    static Opened open(const QString& path);

    ~HistoryStore();
    HistoryStore(const HistoryStore&) = delete;
    HistoryStore& operator=(const HistoryStore&) = delete;

    // Writes the answer and the fact's review card in one transaction. False when it could not
    // be written (`lastError` says why).
    bool add(const HistoryRow& row);

    std::array<FactProgress, 81> recentProgress(const LearnerId& learner) const;
    // Each day from `from` to `to`, days without answers included.
    std::vector<DayProgress> days(const LearnerId& learner, const QDate& from, const QDate& to) const;
    // The facts of today's review (ReviewSchedule.h).
    std::vector<int> dueToday(const LearnerId& learner, const QDate& today, int limit = kReviewLimit) const;
    LeitnerCard card(const LearnerId& learner, int kuku_n) const;
    int answerCount(const LearnerId& learner) const;

    // The learner's answers as CSV, UTF-8 with a byte-order mark so that a spreadsheet reads the
    // Japanese right.
    bool exportCsv(const LearnerId& learner, const QString& path, QString* error) const;

    int schemaVersion() const;
    QString path() const { return m_path; }
    QString lastError() const { return m_lastError; }
    QString connectionName() const { return m_connection; }

private:
    HistoryStore(QString path, QString connection);
    bool prepare(QString* error);
    bool migrate(int from, QString* error);

    QString m_path;
    QString m_connection;
    mutable QString m_lastError;
};

}  // namespace rentabo
