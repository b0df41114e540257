#pragma once

#include "speech/platform/WavAudio.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QTemporaryDir>

#include <cmath>
#include <optional>

namespace rentabo::testing {

// The four voices of the phrase benchmark: espeak-ng at two speeds and pitches, Open JTalk's
// NIT voice at two speeds and pitches; and two of espeak-ng's voice variants that the acoustic
// model is never adapted on, Andy and Annie: voices it has not heard.
enum class SampleVoice { Es1, Es2, Oj1, Oj2, Andy, Annie };

inline const char* voiceName(SampleVoice v) {
    switch (v) {
        case SampleVoice::Es1:
            return "es1";
        case SampleVoice::Es2:
            return "es2";
        case SampleVoice::Oj1:
            return "oj1";
        case SampleVoice::Oj2:
            return "oj2";
        case SampleVoice::Andy:
            return "an";
        default:
            return "ae";
    }
}

// Where the speech made at test time goes: a folder of this test process alone, removed when it
// ends, so that tests run side by side (ctest -j) never write one file at once.
inline QString sampleFolder() {
    static const QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/rentabo-speech-XXXXXX"));
    return dir.path();
}

// Speech made at test time into the sample folder as the benchmark makes it: 16 kHz mono, 0.3 s
// of quiet around it, over a faint noise floor. Nullopt when a synthesiser or sox is missing.
inline std::optional<MonoAudio> speak(const QString& text, SampleVoice voice, const QString& name) {
    const QString dir = sampleFolder();
    const QString raw = dir + u'/' + name + QStringLiteral("-raw.wav");
    const QString clean = dir + u'/' + name + QStringLiteral("-clean.wav");
    const QString noise = dir + u'/' + name + QStringLiteral("-noise.wav");
    const QString out = dir + u'/' + name + QStringLiteral(".wav");
    if (QStandardPaths::findExecutable(QStringLiteral("sox")).isEmpty()) return std::nullopt;
    if (voice == SampleVoice::Andy || voice == SampleVoice::Annie) {
        if (QStandardPaths::findExecutable(QStringLiteral("espeak-ng")).isEmpty()) return std::nullopt;
        const QString variant =
            voice == SampleVoice::Andy ? QStringLiteral("ja+Andy") : QStringLiteral("ja+Annie");
        if (QProcess::execute(QStringLiteral("espeak-ng"),
                              {QStringLiteral("-v"), variant, QStringLiteral("-s"), QStringLiteral("150"),
                               QStringLiteral("-w"), raw, text}) != 0)
            return std::nullopt;
    } else if (voice == SampleVoice::Es1 || voice == SampleVoice::Es2) {
        if (QStandardPaths::findExecutable(QStringLiteral("espeak-ng")).isEmpty()) return std::nullopt;
        const bool fast = voice == SampleVoice::Es2;
        if (QProcess::execute(
                QStringLiteral("espeak-ng"),
                {QStringLiteral("-v"), QStringLiteral("ja"), QStringLiteral("-s"),
                 fast ? QStringLiteral("170") : QStringLiteral("140"), QStringLiteral("-p"),
                 fast ? QStringLiteral("75") : QStringLiteral("50"), QStringLiteral("-w"), raw, text}) != 0)
            return std::nullopt;
    } else {
        const QString dic = QStringLiteral("/var/lib/mecab/dic/open-jtalk/naist-jdic");
        const QString nit =
            QStringLiteral("/usr/share/hts-voice/nitech-jp-atr503-m001/nitech_jp_atr503_m001.htsvoice");
        if (QStandardPaths::findExecutable(QStringLiteral("open_jtalk")).isEmpty() || !QFile::exists(nit))
            return std::nullopt;
        QStringList args{QStringLiteral("-x"), dic, QStringLiteral("-m"), nit, QStringLiteral("-ow"), raw};
        if (voice == SampleVoice::Oj2)
            args << QStringLiteral("-r") << QStringLiteral("0.85") << QStringLiteral("-fm")
                 << QStringLiteral("3");
        QProcess p;
        p.start(QStringLiteral("open_jtalk"), args);
        p.write(text.toUtf8() + '\n');
        p.closeWriteChannel();
        if (!p.waitForFinished(20000) || p.exitCode() != 0) return std::nullopt;
    }
    // -R: the same noise and dither every run, so a result never hangs on the luck of the noise.
    auto sox = [](const QStringList& args) {
        return QProcess::execute(QStringLiteral("sox"), QStringList{QStringLiteral("-R")} + args) == 0;
    };
    if (!sox({QStringLiteral("-V1"), raw, QStringLiteral("-c"), QStringLiteral("1"), QStringLiteral("-b"),
              QStringLiteral("16"), clean, QStringLiteral("gain"), QStringLiteral("-n"), QStringLiteral("-3"),
              QStringLiteral("rate"), QStringLiteral("16000"), QStringLiteral("pad"), QStringLiteral("0.3"),
              QStringLiteral("0.3")}))
        return std::nullopt;
    auto audio = readWav(clean, nullptr);
    if (!audio) return std::nullopt;
    if (!sox({QStringLiteral("-V1"), QStringLiteral("-n"), QStringLiteral("-r"), QStringLiteral("16000"),
              QStringLiteral("-c"), QStringLiteral("1"), QStringLiteral("-b"), QStringLiteral("16"), noise,
              QStringLiteral("synth"), QString::number(audio->seconds(), 'f', 4),
              QStringLiteral("whitenoise"), QStringLiteral("vol"), QStringLiteral("0.003")}) ||
        !sox({QStringLiteral("-V1"), QStringLiteral("-m"), clean, noise, out}))
        return std::nullopt;
    return readWav(out, nullptr);
}

// The benchmark's harder conditions, made from a sample speak() wrote as `name`.
enum class Condition { Noise15, Pitch500 };

inline std::optional<MonoAudio> transformed(const QString& name, Condition condition) {
    const QString dir = sampleFolder() + u'/';
    const QString in = dir + name + QStringLiteral(".wav");
    const QString out =
        dir + name +
        (condition == Condition::Noise15 ? QStringLiteral("-noise15.wav") : QStringLiteral("-pitch500.wav"));
    auto sox = [](const QStringList& args) {
        return QProcess::execute(QStringLiteral("sox"),
                                 QStringList{QStringLiteral("-R"), QStringLiteral("-V1")} + args) == 0;
    };
    if (condition == Condition::Pitch500) {
        if (!sox({in, out, QStringLiteral("pitch"), QStringLiteral("500")})) return std::nullopt;
        return readWav(out, nullptr);
    }
    // White noise 15 dB under the speech's RMS (the 0.3 s of quiet at each end left out);
    // sox's white noise is uniform, its RMS is vol / sqrt(3).
    const auto speech = readWav(in, nullptr);
    if (!speech || speech->samples.size() <= 9600) return std::nullopt;
    double sum = 0;
    for (std::size_t i = 4800; i < speech->samples.size() - 4800; ++i)
        sum += double(speech->samples[i]) * speech->samples[i];
    const double rms = std::sqrt(sum / double(speech->samples.size() - 9600)) / 32768.0;
    const double vol = rms / std::pow(10.0, 15.0 / 20.0) * std::sqrt(3.0);
    const QString noise = dir + name + QStringLiteral("-noise15-floor.wav");
    if (!sox({QStringLiteral("-n"), QStringLiteral("-r"), QStringLiteral("16000"), QStringLiteral("-c"),
              QStringLiteral("1"), QStringLiteral("-b"), QStringLiteral("16"), noise, QStringLiteral("synth"),
              QString::number(speech->seconds(), 'f', 4), QStringLiteral("whitenoise"), QStringLiteral("vol"),
              QString::number(vol, 'f', 6)}) ||
        !sox({QStringLiteral("-m"), in, noise, out}))
        return std::nullopt;
    return readWav(out, nullptr);
}

}  // namespace rentabo::testing
