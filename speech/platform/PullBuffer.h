#pragma once

#include <QIODevice>
#include <QMutex>

#include <cstdint>
#include <deque>

namespace rentabo {

// What a sound device pulls the program's audio from: the queued samples, then silence, so the
// stream never starves and a new utterance starts without reopening the device. It counts what
// it hands out, so the speaker can tell which of the written samples have been heard.
class PullBuffer final : public QIODevice {
public:
    // Unbuffered: QIODevice's own read-ahead would pull 16 KB at a time (silence included) and
    // hold it between the queue and the device, so new words would wait behind up to a third of
    // a second of silence and the count of what was heard would run ahead of the sound.
    PullBuffer() { open(QIODevice::ReadOnly | QIODevice::Unbuffered); }
    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override { return 1 << 20; }

    void append(const std::int16_t* s, std::size_t n);
    void clear();
    // Written samples handed to the device so far (the silence not counted).
    std::int64_t taken() const;
    // Counts samples as taken without handing them out (those dropped by discarding).
    void skip(std::int64_t n);
    // Samples taken that have been heard, given how many samples the device still holds. The
    // device's buffer also holds the silence handed out after the queue ran dry, which is no
    // part of what was written: once only that silence is left, everything has been heard.
    std::int64_t heard(std::int64_t queued) const;

protected:
    qint64 readData(char* out, qint64 max) override;
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    mutable QMutex m_mutex;
    std::deque<std::int16_t> m_data;
    std::int64_t m_taken = 0;
    std::int64_t m_handed = 0;   // samples handed to the device, the silence included
    std::int64_t m_realEnd = 0;  // m_handed just after the last written sample handed out
};

}  // namespace rentabo
