#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <vector>

namespace rentabo {

// Little-endian fields of a RIFF file.
inline std::uint32_t readLe32(const char* p) {
    return std::uint32_t(std::uint8_t(p[0])) | std::uint32_t(std::uint8_t(p[1])) << 8 |
           std::uint32_t(std::uint8_t(p[2])) << 16 | std::uint32_t(std::uint8_t(p[3])) << 24;
}
inline std::uint16_t readLe16(const char* p) {
    return std::uint16_t(std::uint8_t(p[0]) | std::uint8_t(p[1]) << 8);
}
inline std::uint32_t readLe32(const QByteArray& b, qsizetype at) {
    return readLe32(b.constData() + at);
}
inline std::uint16_t readLe16(const QByteArray& b, qsizetype at) {
    return readLe16(b.constData() + at);
}

// 16-bit PCM audio, one channel.
struct PcmAudio {
    int sampleRate = 0;
    std::vector<std::int16_t> samples;
};

// Reads a RIFF/WAVE file of 16-bit PCM, walking its chunks (stereo is mixed down to one
// channel). A data chunk that claims more bytes than the file holds is cut at the file's end.
// False with a reason in `error` for anything else.
bool parseWav(const QByteArray& bytes, PcmAudio& out, QString* error = nullptr);

// A canonical WAV file: the 44-byte header, then the samples.
QByteArray makeWav(const std::vector<std::int16_t>& samples, int sampleRate);
bool writeWavFile(const QString& path, const std::vector<std::int16_t>& samples, int sampleRate,
                  QString* error = nullptr);

// The loudness of a stretch of samples as a level meter shows it: 0 for silence, 100 at full
// scale, over a 60 dB range so that ordinary speech moves the bar well.
int audioLevel(const std::int16_t* samples, std::size_t count);

}  // namespace rentabo
