#include "speech/platform/EngineVoice.h"

#include "speech/platform/SpeechFailure.h"
#include "speech/platform/SpeechText.h"
#include "speech/platform/WavFile.h"

#include <QEventLoop>

#include <algorithm>
#include <atomic>
#include <optional>

namespace rentabo {

namespace {
constexpr int kTickMs = 15;
}

// Lives on the voice's worker thread and owns the engine there.
class SynthWorker final : public QObject {
public:
    explicit SynthWorker(std::unique_ptr<Synthesizer> synth) : m_synth(std::move(synth)) {}

    // Each sentence is handed over as soon as it is made, so a long text starts playing after
    // its first sentence rather than after all of it.
    void run(EngineVoice* voice, int stream, const QString& text, int rate, int volume) {
        if (m_stopping) return;
        std::int64_t made = 0;
        QString firstError;
        for (const SentenceSpan& s : splitSentences(text)) {
            if (m_stopping) return;
            const QString sentence = text.mid(s.position, s.length);
            std::vector<std::int16_t> pcm;
            QString error;
            if (!m_synth->synthesize(sentence, rate, volume, pcm, error)) {
                if (firstError.isEmpty()) firstError = error;
                // Silence of the time the sentence would take keeps every run's pacing.
                pcm.assign(std::size_t(estimateSpeechMs(sentence, rate) * m_synth->sampleRate() / 1000), 0);
            }
            const EngineVoice::Mark mark{made, s.position, s.length};
            made += std::int64_t(pcm.size());
            post(voice, stream, std::move(pcm), mark, false, {});
        }
        post(voice, stream, {}, std::nullopt, true, firstError);
    }

    Synthesizer& synth() { return *m_synth; }
    std::atomic<bool> m_stopping{false};

private:
    static void post(EngineVoice* voice, int stream, std::vector<std::int16_t> pcm,
                     std::optional<EngineVoice::Mark> mark, bool complete, const QString& error) {
        auto samples = std::make_shared<std::vector<std::int16_t>>(std::move(pcm));
        QMetaObject::invokeMethod(
            voice,
            [voice, stream, samples, mark, complete, error] {
                voice->accept(stream, std::move(*samples), mark, complete, error);
            },
            Qt::QueuedConnection);
    }

    std::unique_ptr<Synthesizer> m_synth;
};

EngineVoice::EngineVoice(std::unique_ptr<Synthesizer> synthesizer, std::unique_ptr<PcmSink> sink,
                         QObject* parent)
    : SpVoice(parent),
      m_engine(synthesizer->engineName()),
      m_sink(std::move(sink)),
      m_worker(std::make_unique<SynthWorker>(std::move(synthesizer))) {
    m_worker->moveToThread(&m_thread);
    m_thread.setObjectName(QStringLiteral("voice-synthesis"));
    m_thread.start();
    m_tick.setInterval(kTickMs);
    connect(&m_tick, &QTimer::timeout, this, &EngineVoice::pump);
}

EngineVoice::~EngineVoice() {
    m_worker->m_stopping = true;
    m_thread.quit();
    m_thread.wait();
}

bool EngineVoice::Speak(const QString& text, int flags) {
    Utterance u;
    u.stream = m_nextStream++;
    u.text = text;
    u.rate = m_rate;
    m_queue.push_back(std::move(u));
    SynthWorker* worker = m_worker.get();
    const int stream = m_queue.back().stream;
    const int rate = m_rate;
    const int volume = m_volume;
    QMetaObject::invokeMethod(
        worker, [worker, this, stream, text, rate, volume] { worker->run(this, stream, text, rate, volume); },
        Qt::QueuedConnection);
    if (!m_tick.isActive()) m_tick.start();
    if (!(flags & SVSFlagsAsync)) WaitUntilDone();
    return true;
}

void EngineVoice::accept(int stream, std::vector<std::int16_t> samples, std::optional<Mark> mark,
                         bool complete, const QString& error) {
    auto it = std::find_if(m_queue.begin(), m_queue.end(),
                           [stream](const Utterance& u) { return u.stream == stream; });
    if (it == m_queue.end()) return;
    it->samples.insert(it->samples.end(), samples.begin(), samples.end());
    if (mark) it->marks.push_back(*mark);
    it->synthesized = complete;
    pump();
    if (!error.isEmpty()) {
        // Reported after the fact: the call that queued the text has long returned, so the
        // user's choice to abandon has no action left to end.
        (void)reportSpeechFailure(QStringLiteral("Speak"), error);
    }
}

void EngineVoice::pump() {
    // Hand finished utterances to the sink in call order, straight after each other.
    for (Utterance& u : m_queue) {
        const auto size = std::int64_t(u.samples.size());
        if (u.written < size || (u.sinkStart < 0 && u.synthesized)) {
            if (u.sinkStart < 0) u.sinkStart = m_sink->writtenSamples();
            m_sink->write(u.samples.data() + u.written, std::size_t(size - u.written));
            u.written = size;
        }
        if (!u.synthesized) break;
    }
    const std::int64_t played = m_sink->playedSamples();
    while (!m_queue.empty()) {
        Utterance& u = m_queue.front();
        if (u.sinkStart < 0 || played < u.sinkStart) break;
        if (!u.started) {
            u.started = true;
            if (wants(SVEStartInputStream)) Q_EMIT StartStream(u.stream);
        }
        const std::int64_t heard = played - u.sinkStart;
        while (u.nextMark < u.marks.size() && u.marks[u.nextMark].offset <= heard) {
            const Mark& m = u.marks[u.nextMark++];
            if (wants(SVESentenceBoundary)) Q_EMIT Sentence(u.stream, m.position, m.length);
        }
        const auto size = std::int64_t(u.samples.size());
        if (heard >= size && !u.synthesized) break;  // the next sentence is still being made
        if (heard >= size) {
            const int stream = u.stream;
            keepLastWords(u.samples);
            m_queue.pop_front();
            if (wants(SVEEndInputStream)) Q_EMIT EndStream(stream);
            if (m_queue.empty() && wants(SVEAudioLevel)) Q_EMIT AudioLevel(stream, 0);
            continue;
        }
        if (wants(SVEAudioLevel)) {
            const std::int64_t window = m_sink->sampleRate() / 50;
            const std::int64_t from = std::max<std::int64_t>(heard - window, 0);
            const std::int64_t to = std::max(heard, std::min(from + window, size));
            Q_EMIT AudioLevel(u.stream, audioLevel(u.samples.data() + from, std::size_t(to - from)));
        }
        break;
    }
    if (m_queue.empty()) {
        m_tick.stop();
        Q_EMIT drained();
    }
}

void EngineVoice::keepLastWords(const std::vector<std::int16_t>& samples) {
    constexpr int kSeconds = 5;
    std::vector<std::int16_t>& kept = m_lastWords.samples;
    m_lastWords.rate = m_sink->sampleRate();
    kept.insert(kept.end(), samples.begin(), samples.end());
    const std::size_t most = std::size_t(kSeconds * m_lastWords.rate);
    if (kept.size() > most) kept.erase(kept.begin(), kept.end() - std::ptrdiff_t(most));
}

void EngineVoice::WaitUntilDone() {
    if (m_queue.empty()) return;
    QEventLoop loop;
    connect(this, &EngineVoice::drained, &loop, &QEventLoop::quit);
    loop.exec();
}

void EngineVoice::Pause() {
    if (m_paused) return;
    m_paused = true;
    m_sink->suspend();
}

void EngineVoice::Resume() {
    if (!m_paused) return;
    m_paused = false;
    m_sink->resume();
}

void EngineVoice::setRate(int rate) {
    m_rate = std::clamp(rate, 0, 10);
}

void EngineVoice::setVolume(int volume) {
    m_volume = std::clamp(volume, 0, 100);
}

qint64 EngineVoice::remainingMs() const {
    const std::int64_t played = m_sink->playedSamples();
    const int sr = m_sink->sampleRate();
    qint64 total = 0;
    for (const Utterance& u : m_queue) {
        auto size = std::int64_t(u.samples.size());
        if (!u.synthesized) size = std::max<std::int64_t>(size, estimateSpeechMs(u.text, u.rate) * sr / 1000);
        const std::int64_t left =
            u.sinkStart < 0 ? size : size - std::max<std::int64_t>(played - u.sinkStart, 0);
        total += std::max<std::int64_t>(left, 0) * 1000 / sr;
    }
    return total;
}

}  // namespace rentabo
