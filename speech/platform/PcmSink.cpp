#include "speech/platform/PcmSink.h"

#include "speech/platform/PullBuffer.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QIODevice>
#include <QMediaDevices>
#include <QMutexLocker>

#include <algorithm>
#include <cstring>

namespace rentabo {

std::int64_t NullSink::playedSamples() const {
    if (!m_running) return m_base;
    const std::int64_t p = m_base + m_clock.nsecsElapsed() * m_rate / 1000000000;
    if (p < m_written) return p;
    // Ran dry: the clock stops until more arrives, so a later write is not "already played".
    m_base = m_written;
    m_running = false;
    return m_base;
}

void NullSink::write(const std::int16_t*, std::size_t count) {
    playedSamples();  // settles a drained clock before the new samples extend the queue
    m_written += std::int64_t(count);
    if (!m_running && !m_suspended && m_written > m_base) {
        m_clock.start();
        m_running = true;
    }
}

void NullSink::suspend() {
    m_base = playedSamples();
    m_running = false;
    m_suspended = true;
}

void NullSink::resume() {
    m_suspended = false;
    m_base = playedSamples();
    if (m_written > m_base) {
        m_clock.start();
        m_running = true;
    }
}

void NullSink::discard() {
    m_base = playedSamples();
    m_written = m_base;
    m_running = false;
}

void CaptureSink::write(const std::int16_t* samples, std::size_t count) {
    m_captured.insert(m_captured.end(), samples, samples + count);
    NullSink::write(samples, count);
}

std::int64_t CaptureSink::playedSamples() const {
    return m_realTime ? NullSink::playedSamples() : writtenSamples();
}

void CaptureSink::discard() {
    ++m_discards;
    NullSink::discard();
}

void PullBuffer::append(const std::int16_t* s, std::size_t n) {
    QMutexLocker lock(&m_mutex);
    m_data.insert(m_data.end(), s, s + n);
}

void PullBuffer::clear() {
    QMutexLocker lock(&m_mutex);
    m_data.clear();
}

std::int64_t PullBuffer::taken() const {
    QMutexLocker lock(&m_mutex);
    return m_taken;
}

void PullBuffer::skip(std::int64_t n) {
    QMutexLocker lock(&m_mutex);
    m_taken += n;
}

std::int64_t PullBuffer::heard(std::int64_t queued) const {
    QMutexLocker lock(&m_mutex);
    const std::int64_t behind = std::max<std::int64_t>(m_realEnd - (m_handed - queued), 0);
    return m_taken - behind;
}

qint64 PullBuffer::readData(char* out, qint64 max) {
    QMutexLocker lock(&m_mutex);
    const qint64 want = max / 2;
    const qint64 real = std::min<qint64>(want, qint64(m_data.size()));
    auto* dst = reinterpret_cast<std::int16_t*>(out);
    std::copy(m_data.begin(), m_data.begin() + real, dst);
    m_data.erase(m_data.begin(), m_data.begin() + real);
    std::fill(dst + real, dst + want, std::int16_t(0));
    m_taken += real;
    if (real > 0) m_realEnd = m_handed + real;
    m_handed += want;
    return want * 2;
}

namespace {

class SpeakerSink final : public PcmSink {
public:
    SpeakerSink(const QAudioDevice& device, int rate) : m_rate(rate), m_clock(rate) {
        m_format.setSampleRate(rate);
        m_format.setChannelCount(1);
        m_format.setSampleFormat(QAudioFormat::Int16);
        m_sink = open(device);
    }
    ~SpeakerSink() override { m_sink->stop(); }

    bool healthy() const { return m_sink->error() == QAudio::NoError; }

    int sampleRate() const override { return m_rate; }
    void write(const std::int16_t* s, std::size_t n) override {
        m_buffer.append(s, n);
        m_clock.write(s, n);
    }
    std::int64_t writtenSamples() const override { return m_clock.writtenSamples(); }
    std::int64_t playedSamples() const override {
        // A device that failed (the sound server went away) must not stall every wait for
        // speech: the real-time clock then stands in for it.
        if (!healthy()) return m_clock.playedSamples();
        // Samples handed to the device are heard once the device's own buffer has drained.
        const qint64 queuedBytes = std::max<qint64>(m_sink->bufferSize() - m_sink->bytesFree(), 0);
        const std::int64_t p = m_buffer.heard(queuedBytes / 2);
        return std::clamp<std::int64_t>(p, m_floor, writtenSamples());
    }
    // Once the device has failed it is left alone: Qt's connection to a sound server that went
    // away does not come back, and a stream started on it waits for the server forever.
    void suspend() override {
        if (healthy()) m_sink->suspend();
        m_clock.suspend();
    }
    void resume() override {
        if (healthy()) m_sink->resume();
        m_clock.resume();
    }
    void discard() override {
        m_buffer.clear();
        m_clock.discard();
        m_buffer.skip(writtenSamples() - m_buffer.taken());
        m_floor = writtenSamples();
        if (!healthy()) return;
        m_sink->reset();
        play(*m_sink);
    }
    QString kind() const override { return QStringLiteral("speaker"); }

private:
    std::unique_ptr<QAudioSink> open(const QAudioDevice& device) {
        auto sink = std::make_unique<QAudioSink>(device, m_format);
        play(*sink);
        return sink;
    }
    // The buffer size is asked for at every start: Qt (6.4, PulseAudio) otherwise starts again
    // with three quarters of the last one, and after a few discards the effects played from a
    // buffer of a few bytes, broken up and late.
    void play(QAudioSink& sink) {
        sink.setBufferSize(m_rate / 10 * 2);  // about 100 ms: levels stay close to the sound
        sink.start(&m_buffer);
    }
    int m_rate;
    QAudioFormat m_format;
    PullBuffer m_buffer;
    NullSink m_clock;  // counts what was written, and plays in its place if the device fails
    std::unique_ptr<QAudioSink> m_sink;
    std::int64_t m_floor = 0;
};

}  // namespace

bool hasAudioDevice() {
    return !QMediaDevices::defaultAudioOutput().isNull();
}

std::unique_ptr<PcmSink> createSpeakerSink(int sampleRate) {
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull()) return nullptr;
    auto sink = std::make_unique<SpeakerSink>(device, sampleRate);
    if (!sink->healthy()) return nullptr;
    return sink;
}

std::unique_ptr<PcmSink> createOutputSink(int sampleRate) {
    if (auto speaker = createSpeakerSink(sampleRate)) return speaker;
    return std::make_unique<NullSink>(sampleRate);
}

}  // namespace rentabo
