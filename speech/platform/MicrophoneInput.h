#pragma once

#include <QAudioFormat>
#include <QByteArray>
#include <QObject>
#include <QString>

#include <cstdint>
#include <vector>

class QAudioSource;
class QIODevice;

namespace rentabo {

// A sound input the family can choose: the system's id of the device and its description.
struct MicrophoneChoice {
    QByteArray id;
    QString description;
    bool operator==(const MicrophoneChoice&) const = default;
};

// The inputs the system offers now, in its order.
std::vector<MicrophoneChoice> microphoneChoices();

// The memo line said when the microphone chosen in the settings (`id`) is not there.
QString chosenMicrophoneMissingNote(const QByteArray& id);

// The microphone chosen in the settings (the system's default when none is), delivering 16 kHz
// mono audio (mixed down and resampled from whatever the device gives). Audio arrives through
// Audio(); Lost() tells once that the sound server went away and the microphone is closed.
class MicrophoneInput final : public QObject {
    Q_OBJECT
public:
    explicit MicrophoneInput(QObject* parent = nullptr) : QObject(parent) {}
    ~MicrophoneInput() override { stop(); }

    // The device to open by its id; empty: the system's default.
    void setWantedDevice(const QByteArray& id) { m_wanted = id; }
    const QByteArray& wantedDevice() const { return m_wanted; }

    // Opens the wanted microphone, or the default one when the wanted one is not there (then
    // `note` says so); false with a reason when there is none at all.
    bool start(QString* error, QString* note = nullptr);
    void stop();
    bool isOpen() const { return m_source != nullptr; }
    // The id of the device open now (empty when closed).
    const QByteArray& openDevice() const { return m_open; }

Q_SIGNALS:
    void Audio(const std::int16_t* samples, std::size_t count);
    void Lost();

private:
    void read();
    void sourceFailed();

    QAudioSource* m_source = nullptr;  // owned through the Qt parent
    QIODevice* m_input = nullptr;
    QAudioFormat m_format;
    QByteArray m_wanted;
    QByteArray m_open;
    bool m_readPending = false;  // a read() is queued for the audio the device told of
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
