#pragma once

#include <QDialog>
#include <QSet>
#include <QStringList>

#include <functional>

class QLabel;
class QProgressBar;
class QPushButton;

namespace rentabo {

class Speaker;
class SpSharedRecoContext;
struct RecoResult;

// "声をおぼえてもらう": the learner says a few phrases shown one after another, the master
// listens for each (and for nothing else meanwhile), and at the end the recogniser makes the
// learner's own model from them in the background. Optional and short; closing it at any
// moment leaves the program listening as before.
class TVoiceEnrolmentForm final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TVoiceEnrolmentForm)
public:
    explicit TVoiceEnrolmentForm(SpSharedRecoContext& context, QWidget* parent = nullptr);
    ~TVoiceEnrolmentForm() override;

    // The enrolment as the menu offers it: without a microphone, or while a lesson or test runs
    // (phrases said for the voice are no answers and no commands), `tell` says why not; else the
    // window runs modally.
    static void offer(SpSharedRecoContext& context, bool runGoing,
                      const std::function<void(const QString&)>& tell, QWidget* parent);

    // The phrases asked for, in order: numbers, readings and a command, which between them hold
    // the sounds of every answer.
    static QStringList enrolmentPhrases();

    // Closes the window by itself a moment after the last phrase (when a test waits for it).
    void setClosesWhenDone(bool closes) { m_closesWhenDone = closes; }

    int phrasesTaken() const { return m_taken; }
    // The phrase asked for now; empty once all were said.
    QString currentPhrase() const;

protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;

private:
    void heard(const RecoResult& result, bool understood);
    void ask();
    void finish();
    void learnerNote(const QString& text);

    SpSharedRecoContext& m_context;
    QStringList m_phrases;
    int m_taken = 0;
    bool m_learning = false;
    bool m_closesWhenDone = false;
    QLabel* m_phrase = nullptr;
    QLabel* m_status = nullptr;
    QProgressBar* m_progress = nullptr;
    QPushButton* m_close = nullptr;
};

// Before a learner's first spoken test or voice mode: the master offers, spoken and shown, to
// learn the learner's voice first (the enrolment window), since until he has he hears a new
// voice, above all in a real room, far less well. The learner may accept or skip it (the
// button, or the start command said again); either way the test then starts as it would have.
//
// Offered once per learner and session: who was offered is remembered here, in memory only, so
// a skipped offer comes back in the next session while the voice is still unknown, and nothing
// is written to the settings file. Not offered without a microphone, when the recogniser learns
// no voice, or when it already knows (or is learning) this learner's voice.
class VoiceEnrolmentOffer final {
public:
    enum class Outcome { NotOffered, Skipped, Enrolled };

    Outcome beforeVoiceRun(SpSharedRecoContext& context, Speaker& speaker, const QString& learner,
                           QWidget* parent);
    bool offered(const QString& learner) const { return m_offered.contains(learner); }

    // What the master says, the buttons and the phrase that skips.
    static QString spokenOffer();
    static QString acceptButtonText();
    static QString skipButtonText();
    static QString skipPhrase();

private:
    QSet<QString> m_offered;
};

}  // namespace rentabo
