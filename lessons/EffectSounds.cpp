#include "lessons/EffectSounds.h"

#include "speech/platform/WavFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace rentabo {

namespace {
constexpr qsizetype kHeader = 44;

// The samples of a canonical 16-bit PCM image, mono or the first channel of stereo; none when
// the header is not of that kind.
std::vector<std::int16_t> samplesOf(const QByteArray& wav, int& rate) {
    if (wav.size() < kHeader || !wav.startsWith("RIFF") || wav.mid(8, 4) != "WAVE" ||
        readLe16(wav, 20) != 1 || readLe16(wav, 34) != 16)
        return {};
    const int channels = std::max<int>(readLe16(wav, 22), 1);
    rate = int(readLe32(wav, 24));
    const qint64 bytes = std::min<qint64>(readLe32(wav, 40), wav.size() - kHeader);
    std::vector<std::int16_t> out;
    for (qint64 at = kHeader; at + 2 * channels <= kHeader + bytes; at += 2 * channels)
        out.push_back(qint16(readLe16(wav, at)));
    return out;
}
}  // namespace

void ScaleWaveSamples(QByteArray& wav, int volume) {
    if (wav.size() < kHeader) return;
    // Files whose header claims more data than they hold are common enough (truncated copies);
    // the samples that are there are scaled and nothing past the end is touched.
    const qint64 bytes = std::min<qint64>(readLe32(wav, 40), wav.size() - kHeader);
    char* d = wav.data();
    for (qint64 i = 0; i < bytes / 2; ++i) {
        const qsizetype at = kHeader + 2 * i;
        const int sample = qint16(readLe16(wav, at));
        const int scaled = std::clamp(sample * volume / 100, -32768, 32767);
        d[at] = char(scaled & 0xFF);
        d[at + 1] = char((scaled >> 8) & 0xFF);
    }
}

EffectSounds::EffectSounds(QString exeDir, SinkFactory makeSink)
    : m_exeDir(std::move(exeDir)), m_makeSink(std::move(makeSink)) {
    if (!m_makeSink) m_makeSink = [](int rate) { return createSpeakerSink(rate); };
}

EffectSounds::~EffectSounds() = default;

QString EffectSounds::pathOf(const QString& file) const {
    if (!m_exeDir.isEmpty()) {
        const QString beside = QDir(m_exeDir).filePath(file);
        if (QFileInfo::exists(beside)) return beside;
    }
    return QDir::current().filePath(file);
}

QStringList EffectSounds::LoadSounds(int volume) {
    QStringList errors;
    for (std::size_t k = 0; k < kEffectFiles.size(); ++k) {
        const QString path = pathOf(kEffectFiles[k]);
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly)) {
            errors << QStringLiteral(u"効果音のファイル「%1」を開けません。(%2)")
                          .arg(kEffectFiles[k], f.errorString());
            continue;
        }
        QByteArray bytes = f.readAll();
        if (f.error() != QFileDevice::NoError) {
            errors << QStringLiteral(u"効果音のファイル「%1」を読めません。(%2)")
                          .arg(kEffectFiles[k], f.errorString());
            continue;
        }
        if (bytes.size() < kHeader || !bytes.startsWith("RIFF") || bytes.mid(8, 4) != "WAVE") {
            errors << QStringLiteral(u"効果音のファイル「%1」は音声ファイルではありません。")
                          .arg(kEffectFiles[k]);
            continue;
        }
        ScaleWaveSamples(bytes, volume);
        m_buffers[k] = std::move(bytes);
    }
    return errors;
}

void EffectSounds::PlayEffect(int kind) {
    if (kind < 0 || kind >= int(m_buffers.size())) return;
    int rate = 0;
    const std::vector<std::int16_t> samples = samplesOf(m_buffers[std::size_t(kind)], rate);
    if (samples.empty() || rate <= 0) return;
    auto it = m_sinks.find(rate);
    if (it == m_sinks.end()) it = m_sinks.emplace(rate, m_makeSink(rate)).first;
    if (!it->second) return;  // no sound device: effects are simply not heard
    for (auto& [r, sink] : m_sinks)
        if (sink) sink->discard();
    it->second->write(samples);
    if (m_played) m_played(MonoAudio{rate, samples});
}

}  // namespace rentabo
