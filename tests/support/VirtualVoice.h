#pragma once

#include "speech/platform/SpVoice.h"
#include "tests/support/VirtualPacer.h"

#include <QStringList>

#include <vector>

namespace rentabo {

// A voice on the virtual clock, for tests and soak runs: each utterance lasts the plausible time
// of its text, utterances follow each other in call order, and a sentence event comes as each
// sentence begins. It tells the pacer how long speech still lasts, so a speak-and-wait moves
// virtual time on by exactly that.
class VirtualVoice final : public SpVoice {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(VirtualVoice)
public:
    struct Utterance {
        QString text;
        std::int64_t start;
        std::int64_t end;
    };

    explicit VirtualVoice(VirtualPacer& pacer, QObject* parent = nullptr);

    bool Speak(const QString& text, int flags) override;
    void WaitUntilDone() override;
    void Pause() override { ++pauses; }
    void Resume() override { ++resumes; }
    void setRate(int rate) override { m_rate = rate; }
    int rate() const override { return m_rate; }
    void setVolume(int volume) override { m_volume = volume; }
    int volume() const override { return m_volume; }
    bool isSpeaking() const override { return remainingMs() > 0; }
    qint64 remainingMs() const override;
    QString engineName() const override { return QStringLiteral("virtual"); }
    MonoAudio lastWords() const override { return playedWords; }

    // Every text spoken, in call order.
    QStringList texts() const;

    std::vector<Utterance> spoken;
    // Fixed length of every utterance in ms when positive; otherwise estimated from the text.
    int fixedDurationMs = 0;
    // What the voice says it has played last (lastWords), as the test sets it.
    MonoAudio playedWords;
    int pauses = 0;
    int resumes = 0;

private:
    VirtualPacer& m_pacer;
    int m_rate = 0;
    int m_volume = 100;
    int m_stream = 0;
};

}  // namespace rentabo
