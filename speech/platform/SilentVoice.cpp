#include "speech/platform/SilentVoice.h"

#include "speech/platform/SpeechText.h"

#include <QEventLoop>

#include <algorithm>

namespace rentabo {

namespace {
constexpr int kTickMs = 20;
}

SilentVoice::SilentVoice(QObject* parent) : SpVoice(parent) {
    m_timer.setInterval(kTickMs);
    connect(&m_timer, &QTimer::timeout, this, &SilentVoice::step);
}

SilentVoice::~SilentVoice() = default;

bool SilentVoice::Speak(const QString& text, int flags) {
    m_queue.push_back({m_nextStream++, text, estimateSpeechMs(text, m_rate)});
    if (!m_paused && !m_timer.isActive()) {
        m_clock.start();
        m_timer.start();
        step();
    }
    if (!(flags & SVSFlagsAsync)) WaitUntilDone();
    return true;
}

void SilentVoice::WaitUntilDone() {
    if (m_queue.empty()) return;
    QEventLoop loop;
    QTimer poll;
    connect(&poll, &QTimer::timeout, &loop, [this, &loop] {
        if (m_queue.empty()) loop.quit();
    });
    poll.start(kTickMs);
    loop.exec();
}

void SilentVoice::step() {
    if (m_paused || m_queue.empty()) return;
    Utterance& u = m_queue.front();
    if (!u.started) {
        u.started = true;
        Q_EMIT StartStream(u.stream);
    }
    const qint64 played = u.elapsedMs + m_clock.elapsed();
    const auto spans = splitSentences(u.text);
    // Sentences begin in proportion to their share of the text.
    while (u.nextSentence < spans.size()) {
        const auto& s = spans[u.nextSentence];
        const qint64 startsAt = u.text.isEmpty() ? 0 : u.durationMs * s.position / u.text.size();
        if (startsAt > played) break;
        Q_EMIT Sentence(u.stream, s.position, s.length);
        ++u.nextSentence;
    }
    Q_EMIT AudioLevel(u.stream, 0);
    if (played >= u.durationMs) {
        const int stream = u.stream;
        m_queue.pop_front();
        Q_EMIT EndStream(stream);
        m_clock.start();
        if (m_queue.empty())
            m_timer.stop();
        else
            step();
    }
}

void SilentVoice::Pause() {
    if (m_paused) return;
    m_paused = true;
    if (!m_queue.empty()) m_queue.front().elapsedMs += m_clock.elapsed();
    m_timer.stop();
}

void SilentVoice::Resume() {
    if (!m_paused) return;
    m_paused = false;
    if (!m_queue.empty()) {
        m_clock.start();
        m_timer.start();
    }
}

void SilentVoice::setRate(int rate) {
    m_rate = std::clamp(rate, 0, 10);
}

void SilentVoice::setVolume(int volume) {
    m_volume = std::clamp(volume, 0, 100);
}

qint64 SilentVoice::remainingMs() const {
    qint64 total = 0;
    for (const auto& u : m_queue) total += u.durationMs - u.elapsedMs;
    if (!m_queue.empty() && !m_paused) total -= m_clock.elapsed();
    return std::max<qint64>(total, 0);
}

}  // namespace rentabo
