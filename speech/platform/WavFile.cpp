#include "speech/platform/WavFile.h"

#include <QFile>
#include <QSaveFile>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace rentabo {

namespace {
void put32(QByteArray& b, quint32 v) {
    for (int i = 0; i < 4; ++i) b.append(char((v >> (8 * i)) & 0xFF));
}
void put16(QByteArray& b, quint16 v) {
    b.append(char(v & 0xFF));
    b.append(char(v >> 8));
}
bool fail(QString* error, const QString& why) {
    if (error) *error = why;
    return false;
}
}  // namespace

bool parseWav(const QByteArray& bytes, PcmAudio& out, QString* error) {
    if (bytes.size() < 12 || !bytes.startsWith("RIFF") || bytes.mid(8, 4) != "WAVE")
        return fail(error, QStringLiteral(u"WAVEファイルではありません"));
    int channels = 0;
    int bits = 0;
    int rate = 0;
    qsizetype at = 12;
    while (at + 8 <= bytes.size()) {
        const QByteArray id = bytes.mid(at, 4);
        const qint64 size = readLe32(bytes, at + 4);
        const qsizetype body = at + 8;
        if (id == "fmt ") {
            if (body + 16 > bytes.size()) break;
            if (readLe16(bytes, body) != 1) return fail(error, QStringLiteral(u"PCMではありません"));
            channels = readLe16(bytes, body + 2);
            rate = int(readLe32(bytes, body + 4));
            bits = readLe16(bytes, body + 14);
        } else if (id == "data") {
            if (channels < 1 || channels > 2 || bits != 16 || rate <= 0)
                return fail(error, QStringLiteral(u"16ビットPCMではありません"));
            const qint64 avail = std::min<qint64>(size, bytes.size() - body);
            const qint64 frames = avail / (2 * channels);
            out.sampleRate = rate;
            out.samples.resize(size_t(frames));
            for (qint64 i = 0; i < frames; ++i) {
                int sum = 0;
                for (int c = 0; c < channels; ++c)
                    sum += qint16(readLe16(bytes, body + (i * channels + c) * 2));
                out.samples[size_t(i)] = std::int16_t(sum / channels);
            }
            return true;
        }
        at = body + size + (size & 1);
    }
    return fail(error, QStringLiteral(u"音声データがありません"));
}

QByteArray makeWav(const std::vector<std::int16_t>& samples, int sampleRate) {
    const quint32 dataBytes = quint32(samples.size() * 2);
    QByteArray b;
    b.reserve(44 + qsizetype(dataBytes));
    b.append("RIFF");
    put32(b, 36 + dataBytes);
    b.append("WAVEfmt ");
    put32(b, 16);
    put16(b, 1);  // PCM
    put16(b, 1);  // mono
    put32(b, quint32(sampleRate));
    put32(b, quint32(sampleRate) * 2);
    put16(b, 2);
    put16(b, 16);
    b.append("data");
    put32(b, dataBytes);
    for (std::int16_t s : samples) put16(b, quint16(s));
    return b;
}

bool writeWavFile(const QString& path, const std::vector<std::int16_t>& samples, int sampleRate,
                  QString* error) {
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(makeWav(samples, sampleRate)) < 0 || !f.commit())
        return fail(error, f.errorString());
    return true;
}

int audioLevel(const std::int16_t* samples, std::size_t count) {
    if (count == 0) return 0;
    double sum = 0;
    for (std::size_t i = 0; i < count; ++i) sum += double(samples[i]) * samples[i];
    const double rms = std::sqrt(sum / double(count));
    if (rms < 1.0) return 0;
    const double db = 20.0 * std::log10(rms / 32768.0);
    return std::clamp(int(std::lround((db + 60.0) * 100.0 / 60.0)), 0, 100);
}

}  // namespace rentabo
