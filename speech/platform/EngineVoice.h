#pragma once

#include "speech/platform/PcmSink.h"
#include "speech/platform/SpVoice.h"
#include "speech/platform/Synthesizer.h"

#include <QThread>
#include <QTimer>

#include <deque>
#include <memory>
#include <optional>

namespace rentabo {

// Event interest bits of the voice; an event is delivered only when its bit is set.
inline constexpr int SVEStartInputStream = 0x2;
inline constexpr int SVEEndInputStream = 0x4;
inline constexpr int SVESentenceBoundary = 0x80;
inline constexpr int SVEViseme = 0x100;
inline constexpr int SVEAudioLevel = 0x200;

class SynthWorker;

// The voice on a real engine. Texts are synthesised, a sentence at a time, on a worker thread
// that runs ahead of playback, so queued utterances follow each other without gaps. The audio
// goes to a sink; as the sink plays, the events come on this object's thread: StartStream, a
// Sentence as each sentence begins to be heard, AudioLevel from the samples being heard, and
// EndStream after the last sample.
class EngineVoice final : public SpVoice {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(EngineVoice)
public:
    EngineVoice(std::unique_ptr<Synthesizer> synthesizer, std::unique_ptr<PcmSink> sink,
                QObject* parent = nullptr);
    ~EngineVoice() override;

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
    QString engineName() const override { return m_engine; }
    MonoAudio lastWords() const override { return m_lastWords; }

    PcmSink& sink() { return *m_sink; }
    int sampleRate() const { return m_sink->sampleRate(); }

Q_SIGNALS:
    // Everything queued has been heard.
    void drained();

private:
    struct Mark {
        std::int64_t offset;  // samples into the utterance
        int position;
        int length;
    };
    struct Utterance {
        int stream = 0;
        QString text;
        int rate = 0;
        bool synthesized = false;  // every sentence has been made
        std::vector<std::int16_t> samples;
        std::int64_t written = 0;  // of the samples, how many went to the sink
        std::vector<Mark> marks;
        std::int64_t sinkStart = -1;  // where its first sample sits in the sink, once written
        std::size_t nextMark = 0;
        bool started = false;
    };

    void accept(int stream, std::vector<std::int16_t> samples, std::optional<Mark> mark, bool complete,
                const QString& error);
    void pump();
    void keepLastWords(const std::vector<std::int16_t>& samples);
    bool wants(int bit) const { return (eventInterests() & bit) != 0; }

    friend class SynthWorker;

    QString m_engine;
    std::unique_ptr<PcmSink> m_sink;
    QThread m_thread;
    std::unique_ptr<SynthWorker> m_worker;
    std::deque<Utterance> m_queue;
    QTimer m_tick;
    MonoAudio m_lastWords;
    int m_rate = 0;
    int m_volume = 100;
    int m_nextStream = 1;
    bool m_paused = false;
};

}  // namespace rentabo
