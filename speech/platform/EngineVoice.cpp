#include "speech/platform/EngineVoice.h"

#include "speech/platform/SpeechFailure.h"
#include "speech/platform/SpeechText.h"
#include "speech/platform/WavFile.h"

#include <QEventLoop>

#include <algorithm>
#include <atomic>

namespace rentabo {

namespace {
constexpr int kTickMs = 15;
}

// Lives on the voice's worker thread and owns the engine there.
class SynthWorker final : public QObject {
public:
    explicit SynthWorker(std::unique_ptr<Synthesizer> synth) : m_synth(std::move(synth)) {}

    void run(EngineVoice* voice, int stream, const QString& text, int rate, int volume) {
        if (m_stopping) return;
        std::vector<std::int16_t> all;
        std::vector<EngineVoice::Mark> marks;
        QString firstError;
        for (const SentenceSpan& s : splitSentences(text)) {
            if (m_stopping) return;
            marks.push_back({std::int64_t(all.size()), s.position, s.length});
            const QString sentence = text.mid(s.position, s.length);
            std::vector<std::int16_t> pcm;
            QString error;
            if (!m_synth->synthesize(sentence, rate, volume, pcm, error)) {
                if (firstError.isEmpty()) firstError = error;
                // Silence of the time the sentence would take keeps every run's pacing.
                pcm.assign(std::size_t(estimateSpeechMs(sentence, rate) * m_synth->sampleRate() / 1000), 0);
            }
            all.insert(all.end(), pcm.begin(), pcm.end());
        }
        auto samples = std::make_shared<std::vector<std::int16_t>>(std::move(all));
        auto shared = std::make_shared<std::vector<EngineVoice::Mark>>(std::move(marks));
        QMetaObject::invokeMethod(
            voice,
            [voice, stream, samples, shared, firstError] {
                voice->accept(stream, std::move(*samples), std::move(*shared), firstError);
            },
            Qt::QueuedConnection);
    }

    Synthesizer& synth() { return *m_synth; }
    std::atomic<bool> m_stopping{false};

private:
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

void EngineVoice::accept(int stream, std::vector<std::int16_t> samples, std::vector<Mark> marks,
                         QString error) {
    auto it = std::find_if(m_queue.begin(), m_queue.end(),
                           [stream](const Utterance& u) { return u.stream == stream; });
    if (it == m_queue.end()) return;
    it->samples = std::move(samples);
    it->marks = std::move(marks);
    it->synthesized = true;
    pump();
    if (!error.isEmpty()) {
        // Reported after the fact: the call that queued the text has long returned, so the
        // user's choice to abandon has no action left to end.
        try {
            reportSpeechFailure(QStringLiteral("Speak"), error);
        } catch (const SpeechAbandoned&) {
        }
    }
}

void EngineVoice::pump() {
    // Hand finished utterances to the sink in call order, straight after each other.
    for (Utterance& u : m_queue) {
        if (u.sinkStart >= 0) continue;
        if (!u.synthesized) break;
        u.sinkStart = m_sink->writtenSamples();
        m_sink->write(u.samples);
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
        if (heard >= size) {
            const int stream = u.stream;
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
        if (!u.synthesized) {
            total += estimateSpeechMs(u.text, u.rate);
            continue;
        }
        const auto size = std::int64_t(u.samples.size());
        const std::int64_t left = u.sinkStart < 0 ? size : size - std::max<std::int64_t>(played - u.sinkStart, 0);
        total += std::max<std::int64_t>(left, 0) * 1000 / sr;
    }
    return total;
}

}  // namespace rentabo
