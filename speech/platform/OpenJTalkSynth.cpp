#include "speech/platform/OpenJTalkSynth.h"

#include "speech/platform/WavFile.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryFile>

#include <algorithm>
#include <cctype>
#include <cmath>

namespace rentabo {

namespace {

constexpr int kRunLimitMs = 60000;

QString firstVoiceUnder(const QString& dir) {
    if (!QFileInfo(dir).isDir()) return {};
    QStringList found;
    QDirIterator it(dir, {QStringLiteral("*.htsvoice")}, QDir::Files,
                    QDirIterator::Subdirectories | QDirIterator::FollowSymlinks);
    while (it.hasNext()) found << it.next();
    found.sort();
    return found.value(0);
}

// The voice's sampling rate, from its plain-text header ("SAMPLING_FREQUENCY:48000").
int voiceSampleRate(const QString& voice) {
    QFile f(voice);
    if (!f.open(QIODevice::ReadOnly)) return 48000;
    const QByteArray head = f.read(4096);
    const qsizetype at = head.indexOf("SAMPLING_FREQUENCY:");
    if (at < 0) return 48000;
    qsizetype end = at + 19;
    while (end < head.size() && std::isdigit(static_cast<unsigned char>(head[end]))) ++end;
    const int rate = head.mid(at + 19, end - at - 19).toInt();
    return rate > 0 ? rate : 48000;
}

}  // namespace

std::optional<OpenJTalkSetup> findOpenJTalk(const QString& exeDir, QString* why) {
    OpenJTalkSetup s;
    s.program = QStandardPaths::findExecutable(QStringLiteral("open_jtalk"));
    if (s.program.isEmpty()) {
        if (why) *why = QStringLiteral("open_jtalk not found");
        return std::nullopt;
    }
    QStringList dictionaries{QStringLiteral("/var/lib/mecab/dic/open-jtalk/naist-jdic"),
                             QStringLiteral("/usr/share/open_jtalk/dic")};
    if (!exeDir.isEmpty()) dictionaries.prepend(exeDir + QStringLiteral("/dic"));
    for (const QString& d : dictionaries) {
        if (QFileInfo::exists(d + QStringLiteral("/sys.dic"))) {
            s.dictionary = d;
            break;
        }
    }
    if (s.dictionary.isEmpty()) {
        if (why) *why = QStringLiteral("naist-jdic dictionary not found");
        return std::nullopt;
    }
    if (!exeDir.isEmpty()) s.voice = firstVoiceUnder(exeDir + QStringLiteral("/voices"));
    if (s.voice.isEmpty()) {
        // Debian's own voice first, then any other installed one.
        const QString debian =
            QStringLiteral("/usr/share/hts-voice/nitech-jp-atr503-m001/nitech_jp_atr503_m001.htsvoice");
        s.voice =
            QFileInfo::exists(debian) ? debian : firstVoiceUnder(QStringLiteral("/usr/share/hts-voice"));
    }
    if (s.voice.isEmpty()) {
        if (why) *why = QStringLiteral("no .htsvoice voice found");
        return std::nullopt;
    }
    s.sampleRate = voiceSampleRate(s.voice);
    return s;
}

double openJTalkSpeed(int rate) {
    return 1.0 + 0.07 * std::clamp(rate, 0, 10);
}

QStringList OpenJTalkSynth::arguments(int rate, int volume) const {
    const int v = std::clamp(volume, 0, 100);
    // Volume is a gain in decibels; 0 is made silent after synthesis since no gain is -infinity.
    const double gainDb = v > 0 ? 20.0 * std::log10(v / 100.0) : 0.0;
    return {QStringLiteral("-x"), m_setup.dictionary,
            QStringLiteral("-m"), m_setup.voice,
            QStringLiteral("-r"), QString::number(openJTalkSpeed(rate), 'f', 2),
            QStringLiteral("-g"), QString::number(gainDb, 'f', 2)};
}

bool OpenJTalkSynth::synthesize(const QString& text, int rate, int volume, std::vector<std::int16_t>& out,
                                QString& error) {
    out.clear();
    QTemporaryFile wav(QDir::tempPath() + QStringLiteral("/rentabo-voice-XXXXXX.wav"));
    if (!wav.open()) {
        error = wav.errorString();
        return false;
    }
    wav.close();

    QProcess p;
    QStringList args = arguments(rate, volume);
    args << QStringLiteral("-ow") << wav.fileName();
    p.start(m_setup.program, args);
    if (!p.waitForStarted()) {
        error = p.errorString();
        return false;
    }
    // A line break ends the text; any inside it would start separate utterances.
    QString line = text;
    line.replace(u'\n', u' ').replace(u'\r', u' ');
    p.write(line.toUtf8() + '\n');
    p.closeWriteChannel();
    if (!p.waitForFinished(kRunLimitMs)) {
        p.kill();
        p.waitForFinished();
        error = QStringLiteral("open_jtalk did not finish");
        return false;
    }
    const QByteArray err = p.readAllStandardError();
    QFile f(wav.fileName());
    const QByteArray bytes = f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    if (bytes.isEmpty()) {
        // Text of symbols only ("■") has no phoneme: that is silence, not a failure.
        if (err.contains("No phoneme")) return true;
        error = QStringLiteral("open_jtalk: ") + QString::fromUtf8(err).trimmed();
        return false;
    }
    PcmAudio audio;
    if (!parseWav(bytes, audio, &error)) return false;
    if (audio.sampleRate != m_setup.sampleRate) {
        error = QStringLiteral("open_jtalk wrote %1 Hz, expected %2 Hz")
                    .arg(audio.sampleRate)
                    .arg(m_setup.sampleRate);
        return false;
    }
    out = std::move(audio.samples);
    if (volume <= 0) std::fill(out.begin(), out.end(), std::int16_t(0));
    return true;
}

}  // namespace rentabo
