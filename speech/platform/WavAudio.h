#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace rentabo {

// Mono 16-bit samples at a given rate.
struct MonoAudio {
    int rate = 16000;
    std::vector<std::int16_t> samples;
    double seconds() const { return rate > 0 ? double(samples.size()) / rate : 0.0; }
};

// Reads a RIFF WAV file: PCM 8, 16, 24 or 32 bit or 32-bit float, any rate and channel count;
// channels are mixed to mono. Nullopt with a Japanese reason in `error` otherwise.
std::optional<MonoAudio> readWav(const QString& path, QString* error);
// The same for a file's bytes already read; `path` only names it in the reason.
std::optional<MonoAudio> parseWavAudio(const QByteArray& data, const QString& path, QString* error);

// The same audio at `rate` (windowed-sinc interpolation with the cut-off below both Nyquist rates).
MonoAudio resample(const MonoAudio& in, int rate);

// Adds a faint noise floor (white, about -55 dBFS): the acoustic model was trained on recordings
// with a noise floor and does badly on exact digital silence, which synthesised speech and some
// sound cards deliver. A one-bit dither is not enough; a floor as a quiet microphone hears is.
class Dither {
public:
    void apply(std::int16_t* samples, std::size_t count);

private:
    std::uint32_t m_state = 0x12345678u;
    int next();
};

}  // namespace rentabo
