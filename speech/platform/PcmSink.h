#pragma once

#include <QElapsedTimer>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace rentabo {

// Where the program's audio goes: 16-bit mono samples are queued behind each other and played
// at the sink's rate. Positions count samples since the sink was made, so a caller can tell
// which of the samples it wrote have been heard.
class PcmSink {
public:
    virtual ~PcmSink() = default;

    virtual int sampleRate() const = 0;
    virtual void write(const std::int16_t* samples, std::size_t count) = 0;
    // Samples written so far, and how many of them have been played.
    virtual std::int64_t writtenSamples() const = 0;
    virtual std::int64_t playedSamples() const = 0;
    virtual void suspend() = 0;
    virtual void resume() = 0;
    // Drops whatever has not been played yet.
    virtual void discard() = 0;
    // "speaker" for a sound device, "null" or "capture" otherwise.
    virtual QString kind() const = 0;

    void write(const std::vector<std::int16_t>& samples) { write(samples.data(), samples.size()); }
};

// Consumes samples at real-time speed without a device, so waits, levels and sentence events
// keep their timing on a machine without sound.
class NullSink : public PcmSink {
public:
    explicit NullSink(int sampleRate) : m_rate(sampleRate) {}

    int sampleRate() const override { return m_rate; }
    void write(const std::int16_t* samples, std::size_t count) override;
    std::int64_t writtenSamples() const override { return m_written; }
    std::int64_t playedSamples() const override;
    void suspend() override;
    void resume() override;
    void discard() override;
    QString kind() const override { return QStringLiteral("null"); }

private:
    int m_rate;
    std::int64_t m_written = 0;
    mutable std::int64_t m_base = 0;  // played when the clock last started
    mutable bool m_running = false;
    bool m_suspended = false;
    QElapsedTimer m_clock;
};

// Keeps every sample written, for a file or a test. In real time it plays like the null sink;
// otherwise each sample counts as played as soon as it is written.
class CaptureSink final : public NullSink {
public:
    CaptureSink(int sampleRate, bool realTime) : NullSink(sampleRate), m_realTime(realTime) {}

    void write(const std::int16_t* samples, std::size_t count) override;
    std::int64_t playedSamples() const override;
    void discard() override;
    QString kind() const override { return QStringLiteral("capture"); }

    const std::vector<std::int16_t>& captured() const { return m_captured; }
    int discards() const { return m_discards; }

private:
    bool m_realTime;
    std::vector<std::int16_t> m_captured;
    int m_discards = 0;
};

// Makes a sink for a sample rate; engines and effects take one so tests can capture.
using SinkFactory = std::function<std::unique_ptr<PcmSink>(int sampleRate)>;

// True when the system offers an audio output device.
bool hasAudioDevice();
// The speaker when there is one, else a null sink.
std::unique_ptr<PcmSink> createOutputSink(int sampleRate);
// The speaker, or nothing when there is no device.
std::unique_ptr<PcmSink> createSpeakerSink(int sampleRate);

}  // namespace rentabo
