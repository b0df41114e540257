#pragma once

#include "speech/platform/SpVoice.h"

#include <QElapsedTimer>
#include <QTimer>

#include <deque>

namespace rentabo {

// A voice that speaks in silence: each utterance takes a plausible time, sentence events come
// as its sentences would begin, so every paced run behaves as with a real engine.
class SilentVoice final : public SpVoice {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SilentVoice)
public:
    explicit SilentVoice(QObject* parent = nullptr);
    ~SilentVoice() override;

    bool Speak(const QString& text, int flags) override;
    void WaitUntilDone() override;
    void Pause() override;
    void Resume() override;
    void setRate(int rate) override;
    int rate() const override { return m_rate; }
    void setVolume(int volume) override;
    int volume() const override { return m_volume; }
    bool isSpeaking() const override { return !m_queue.empty(); }
    qint64 remainingMs() const override;
    QString engineName() const override { return QStringLiteral("silent"); }

private:
    struct Utterance {
        int stream;
        QString text;
        qint64 durationMs;
        qint64 elapsedMs = 0;  // played before the last pause
        size_t nextSentence = 0;
        bool started = false;
    };
    void step();

    std::deque<Utterance> m_queue;
    QTimer m_timer;
    QElapsedTimer m_clock;  // runs while the head utterance plays
    int m_rate = 0;
    int m_volume = 100;
    int m_nextStream = 1;
    bool m_paused = false;
};

}  // namespace rentabo
