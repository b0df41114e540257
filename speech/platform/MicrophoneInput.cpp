#include "speech/platform/MicrophoneInput.h"

#include "speech/platform/WavAudio.h"

#include <QAudioDevice>
#include <QAudioSource>
#include <QMediaDevices>

#include <algorithm>
#include <cmath>

namespace rentabo {

std::vector<MicrophoneChoice> microphoneChoices() {
    std::vector<MicrophoneChoice> choices;
    for (const QAudioDevice& device : QMediaDevices::audioInputs())
        choices.push_back({device.id(), device.description()});
    return choices;
}

QString chosenMicrophoneMissingNote(const QByteArray& id) {
    return QStringLiteral("設定で選んだマイク (%1) が見つかりません。いつものマイクを使います。")
        .arg(QString::fromUtf8(id));
}

namespace {

// The wanted input, or the default one when it is not there (`missing` then set).
QAudioDevice inputFor(const QByteArray& wanted, bool* missing) {
    *missing = false;
    if (!wanted.isEmpty()) {
        for (const QAudioDevice& device : QMediaDevices::audioInputs())
            if (device.id() == wanted) return device;
        *missing = true;
    }
    return QMediaDevices::defaultAudioInput();
}

}  // namespace

bool MicrophoneInput::start(QString* error, QString* note) {
    stop();
    bool missing = false;
    const QAudioDevice device = inputFor(m_wanted, &missing);
    if (missing && note) *note = chosenMicrophoneMissingNote(m_wanted);
    if (device.isNull()) {
        if (error) *error = QStringLiteral("マイクが見つかりません");
        return false;
    }
    QAudioFormat format;
    format.setSampleRate(16000);
    format.setChannelCount(1);
    format.setSampleFormat(QAudioFormat::Int16);
    if (!device.isFormatSupported(format)) format = device.preferredFormat();
    m_format = format;
    m_source = new QAudioSource(device, format, this);
    m_input = m_source->start();
    if (!m_input || m_source->error() != QAudio::NoError) {
        if (error) *error = QStringLiteral("マイク (%1) を開けません").arg(device.description());
        stop();
        return false;
    }
    m_open = device.id();
    // The audio is taken from the device after its readyRead() has returned, never inside it: a
    // phrase heard may open a window that waits for the next phrase (the offer to learn the voice
    // waits for the spoken skip), and the device does not tell of new audio again while its own
    // readyRead() is still under way, so everything said to that window went unheard.
    connect(m_input, &QIODevice::readyRead, this, [this] {
        if (m_readPending) return;
        m_readPending = true;
        QMetaObject::invokeMethod(this, &MicrophoneInput::read, Qt::QueuedConnection);
    });
    // The sound server going away (restarted, or the user's session changing) stops the source
    // with an error; nothing else would ever open it again.
    connect(m_source, &QAudioSource::stateChanged, this, [this](QAudio::State state) {
        if (state == QAudio::StoppedState && m_source && m_source->error() != QAudio::NoError)
            QMetaObject::invokeMethod(this, &MicrophoneInput::sourceFailed, Qt::QueuedConnection);
    });
    return true;
}

// The microphone is not opened again once the sound server has gone. Qt's (6.4) connection to the
// server tries to come back only once, three seconds after the loss; a source opened on the dead
// connection waits for the server inside start() and froze the whole window (a server restarted
// during a spoken test).
void MicrophoneInput::sourceFailed() {
    if (!m_source || m_source->error() == QAudio::NoError) return;
    stop();
    Q_EMIT Lost();
}

void MicrophoneInput::stop() {
    if (!m_source) return;
    m_source->stop();
    delete m_source;
    m_source = nullptr;
    m_input = nullptr;
    m_open.clear();
}

void MicrophoneInput::read() {
    m_readPending = false;
    if (!m_input) return;
    const QByteArray data = m_input->readAll();
    const int channels = std::max(1, m_format.channelCount());
    const int bytes = m_format.bytesPerSample();
    if (bytes <= 0 || data.isEmpty()) return;
    const qsizetype frames = data.size() / (bytes * channels);
    MonoAudio chunk{m_format.sampleRate(), std::vector<std::int16_t>(std::size_t(frames))};
    for (qsizetype i = 0; i < frames; ++i) {
        double sum = 0;
        for (int c = 0; c < channels; ++c)
            sum += m_format.normalizedSampleValue(data.constData() + (i * channels + c) * bytes);
        chunk.samples[std::size_t(i)] =
            std::int16_t(std::clamp(std::lround(sum / channels * 32767.0), -32768L, 32767L));
    }
    if (chunk.rate != 16000) chunk = resample(chunk, 16000);
    Q_EMIT Audio(chunk.samples.data(), chunk.samples.size());
}

std::vector<int> LevelMeter::push(const std::int16_t* samples, std::size_t count) {
    std::vector<int> levels;
    for (std::size_t i = 0; i < count; ++i) {
        m_window.push_back(samples[i]);
        if (m_window.size() < 1600) continue;
        double sum = 0;
        for (std::int16_t s : m_window) sum += double(s) * s;
        const double rms = std::sqrt(sum / m_window.size()) / 32768.0;
        const double db = rms > 0 ? 20 * std::log10(rms) : -100;
        levels.push_back(std::clamp(int(std::lround((db + 60) * 100 / 60)), 0, 100));
        m_window.clear();
    }
    return levels;
}

}  // namespace rentabo
