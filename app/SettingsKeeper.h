#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <utility>

namespace rentabo {

class Pacer;
struct KukuState;

// Keeps the settings file in step with the state: written whenever what it would hold has
// changed (every lesson tick and after records change), so switching the computer off loses
// nothing. Its messages (a failed save, a save to the fallback folder, the answer history's
// notices) wait for a quiet moment: not in the middle of a run or over another box.
class SettingsKeeper final {
public:
    using Show = std::function<void(const QString& text, const QString& caption)>;
    SettingsKeeper(const KukuState& state, Pacer& pacer, Show show)
        : m_state(state), m_pacer(pacer), m_show(std::move(show)) {}

    // Start-up has finished: from now on the file may be written; what it holds now is taken
    // as written. Before this nothing is written over the learner's file.
    void started();
    // Writes the file now and shows the result at once (the menu's save and close).
    void saveNow();
    // Writes the file when what it would hold has changed since the last write; true when it
    // was written. A failure is told once, not at every try.
    bool saveIfChanged();
    // The save when the program is being ended from outside: no box, the error output only.
    void saveBeforeTermination();
    // A notice to show at the next quiet moment.
    void noticeLater(const QString& text, const QString& caption) { m_message = {text, caption}; }

private:
    void showPending();

    const KukuState& m_state;
    Pacer& m_pacer;
    Show m_show;
    bool m_started = false;
    QByteArray m_savedContent;  // the keys as last written (or read)
    bool m_failureShown = false;
    std::pair<QString, QString> m_message;  // text and caption waiting to be shown
};

}  // namespace rentabo
