#pragma once

#include <QAudioFormat>
#include <QObject>
#include <QString>

#include <cstdint>
#include <vector>

class QAudioSource;
class QIODevice;

namespace rentabo {

// The default microphone, delivering 16 kHz mono audio (mixed down and resampled from whatever
// the device gives). Audio arrives through Audio(); Lost() tells once that the sound server went
// away and the microphone is closed.
class MicrophoneInput final : public QObject {
    Q_OBJECT
public:
    explicit MicrophoneInput(QObject* parent = nullptr) : QObject(parent) {}
    ~MicrophoneInput() override { stop(); }

    // Opens the default microphone; false with a reason when there is none.
    bool start(QString* error);
    void stop();
    bool isOpen() const { return m_source != nullptr; }

Q_SIGNALS:
    void Audio(const std::int16_t* samples, std::size_t count);
    void Lost();

private:
    void read();
    void sourceFailed();

    QAudioSource* m_source = nullptr;  // owned through the Qt parent
    QIODevice* m_input = nullptr;
    QAudioFormat m_format;
};

// One level per 100 ms of audio, as a meter would show it: 0 at -60 dBFS, 100 at full scale.
class LevelMeter {
public:
    // The levels the samples complete, in order.
    std::vector<int> push(const std::int16_t* samples, std::size_t count);

private:
    std::vector<std::int16_t> m_window;
};

}  // namespace rentabo
