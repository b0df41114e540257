#pragma once

#include <QDateTime>

namespace rentabo {

// What the voice tests and voice commands need of the main window beyond the question board and
// the lesson host. The main window implements it; tests use a recording twin.
class VoiceHost {
public:
    virtual ~VoiceHost() = default;

    // The settings dialog's presentation and speed choices, locked while a voice test runs.
    virtual void setSettingsChoicesEnabled(bool enabled) = 0;
    // The expression line's font size in points and its top (34/212 normally, 24/218 in a full
    // recitation).
    virtual void setExpressionStyle(int fontPt, int top) = 0;
    // The window background only (the saved colour is the state's orgColor).
    virtual void setWindowColour(int bgr) = 0;
    virtual int windowColour() const = 0;
    // Brings the program back from minimised and gives the main window the focus.
    virtual void restoreWindow() = 0;
    // Closes the main window through its close question.
    virtual void closeMainWindow() = 0;
    // The two listening modes.
    virtual void enterCcMode() = 0;
    virtual void enterDicMode() = 0;
    // Reading on the chart window while it is open: a row 1..9, or the weak facts.
    virtual void chartDanRead(int row) = 0;
    virtual void chartReadWeak() = 0;
    // A spoken answer was judged right: what was heard is what the learner said, and the
    // recogniser may learn the learner's voice from it.
    virtual void answerHeardRight() {}
    // A spoken test is about to start: the window may first offer to learn the learner's voice.
    // Returns once the test may start.
    virtual void beforeVoiceRun() {}
    // What became of the phrase just handled: acted on, or not used now (`why` says why, in
    // Japanese, for the child). The typed-phrase window shows it.
    virtual void phraseHandled(bool acted, const QString& why) {
        Q_UNUSED(acted);
        Q_UNUSED(why);
    }
    // The wall clock, for the time and date the master tells.
    virtual QDateTime currentDateTime() const = 0;
};

}  // namespace rentabo
