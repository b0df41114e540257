#include "speech/platform/WavAudio.h"
#include "speech/platform/WavFile.h"

#include <QFile>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

namespace rentabo {

namespace {

std::optional<MonoAudio> fail(QString* error, const QString& why) {
    if (error) *error = why;
    return std::nullopt;
}

}  // namespace

std::optional<MonoAudio> readWav(const QString& path, QString* error) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return fail(error, QStringLiteral("%1 を開けません: %2").arg(path, f.errorString()));
    if (f.size() > 512 * 1024 * 1024) return fail(error, QStringLiteral("%1 が大きすぎます").arg(path));
    return parseWavAudio(f.readAll(), path, error);
}

std::optional<MonoAudio> parseWavAudio(const QByteArray& data, const QString& path, QString* error) {
    if (data.size() < 12 || std::memcmp(data.constData(), "RIFF", 4) != 0 ||
        std::memcmp(data.constData() + 8, "WAVE", 4) != 0)
        return fail(error, QStringLiteral("%1 は WAV ファイルではありません").arg(path));

    int format = 0, channels = 0, rate = 0, bits = 0;
    const char* pcm = nullptr;
    qsizetype pcmBytes = 0;
    qsizetype pos = 12;
    while (pos + 8 <= data.size()) {
        const char* h = data.constData() + pos;
        const qsizetype size = readLe32(h + 4);
        const qsizetype body = pos + 8;
        const qsizetype avail = std::min<qsizetype>(size, data.size() - body);
        if (std::memcmp(h, "fmt ", 4) == 0 && avail >= 16) {
            format = readLe16(h + 8);
            channels = readLe16(h + 10);
            rate = int(readLe32(h + 12));
            bits = readLe16(h + 22);
            if (format == 0xFFFE && avail >= 40) format = readLe16(h + 32);  // extensible
        } else if (std::memcmp(h, "data", 4) == 0) {
            pcm = data.constData() + body;
            pcmBytes = avail;
        }
        pos = body + size + (size & 1);
    }
    const bool pcmOk = format == 1 && (bits == 8 || bits == 16 || bits == 24 || bits == 32);
    const bool floatOk = format == 3 && bits == 32;
    if (!pcm || channels <= 0 || channels > 32 || rate < 1000 || rate > 384000 || !(pcmOk || floatOk))
        return fail(error, QStringLiteral("%1 は読めない形式の WAV です").arg(path));

    const int bytes = bits / 8;
    const qsizetype frames = pcmBytes / (bytes * channels);
    MonoAudio out;
    out.rate = rate;
    out.samples.resize(std::size_t(frames));
    for (qsizetype i = 0; i < frames; ++i) {
        double sum = 0;
        for (int c = 0; c < channels; ++c) {
            const char* s = pcm + (i * channels + c) * bytes;
            double v = 0;
            if (floatOk) {
                float x;
                std::memcpy(&x, s, 4);
                v = double(x) * 32768.0;
            } else if (bits == 8) {
                v = (int(std::uint8_t(s[0])) - 128) * 256.0;
            } else if (bits == 16) {
                v = std::int16_t(readLe16(s));
            } else if (bits == 24) {
                const std::int32_t x =
                    std::int32_t((std::uint32_t(std::uint8_t(s[0])) | std::uint32_t(std::uint8_t(s[1])) << 8 |
                                  std::uint32_t(std::uint8_t(s[2])) << 16)
                                 << 8) >>
                    8;
                v = x / 256.0;
            } else {
                v = std::int32_t(readLe32(s)) / 65536.0;
            }
            sum += v;
        }
        out.samples[std::size_t(i)] = std::int16_t(std::clamp(std::lround(sum / channels), -32768L, 32767L));
    }
    return out;
}

MonoAudio resample(const MonoAudio& in, int rate) {
    if (in.rate == rate || in.samples.empty()) return MonoAudio{rate, in.samples};
    const double ratio = double(rate) / in.rate;
    const double cutoff = std::min(1.0, ratio);  // relative to the input's Nyquist rate
    constexpr int kHalf = 16;
    const double width = kHalf / cutoff;
    const std::size_t n = std::size_t(std::floor(in.samples.size() * ratio));
    MonoAudio out{rate, std::vector<std::int16_t>(n)};
    for (std::size_t j = 0; j < n; ++j) {
        const double centre = j / ratio;
        const long first = long(std::ceil(centre - width));
        const long last = long(std::floor(centre + width));
        double acc = 0, norm = 0;
        for (long i = std::max(0L, first); i <= std::min(long(in.samples.size()) - 1, last); ++i) {
            const double x = i - centre;
            const double arg = std::numbers::pi * x * cutoff;
            const double sinc = x == 0 ? 1.0 : std::sin(arg) / arg;
            const double window = 0.5 + 0.5 * std::cos(std::numbers::pi * x / width);  // Hann
            const double w = sinc * window;
            acc += w * in.samples[std::size_t(i)];
            norm += w;
        }
        out.samples[j] = std::int16_t(std::clamp(std::lround(norm != 0 ? acc / norm : 0), -32768L, 32767L));
    }
    return out;
}

int Dither::next() {
    m_state = m_state * 1664525u + 1013904223u;
    return int(m_state >> 24) - 128;  // -128..127
}

void Dither::apply(std::int16_t* samples, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        const int v = samples[i] + next() * 3 / 4;
        samples[i] = std::int16_t(std::clamp(v, -32768, 32767));
    }
}

}  // namespace rentabo
