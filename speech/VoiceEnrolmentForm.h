#pragma once

#include <QDialog>
#include <QStringList>

#include <functional>

class QLabel;
class QProgressBar;
class QPushButton;

namespace rentabo {

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
    QLabel* m_phrase = nullptr;
    QLabel* m_status = nullptr;
    QProgressBar* m_progress = nullptr;
    QPushButton* m_close = nullptr;
};

}  // namespace rentabo
