// Prints, for each voice engine, how long the program waits from Speak to the first sample
// reaching the audio output, and the synthesis real-time factor (synthesis time ÷ audio time),
// beside the same figures for the engine alone on the same text.

#include "speech/platform/EngineVoice.h"
#include "speech/platform/EspeakSynth.h"
#include "speech/platform/OpenJTalkSynth.h"
#include "speech/platform/VoiceFactory.h"
#include "speech/platform/WavFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <optional>

using namespace rentabo;

namespace {

constexpr int kRuns = 5;

// A null sink that notes when the first sample arrives.
class TimingSink final : public PcmSink {
public:
    TimingSink(int rate, const QElapsedTimer& clock, qint64& firstAt)
        : m_inner(rate), m_clock(clock), m_firstAt(firstAt) {}
    int sampleRate() const override { return m_inner.sampleRate(); }
    void write(const std::int16_t* s, std::size_t n) override {
        if (m_firstAt < 0 && n > 0) m_firstAt = m_clock.nsecsElapsed();
        m_inner.write(s, n);
    }
    std::int64_t writtenSamples() const override { return m_inner.writtenSamples(); }
    std::int64_t playedSamples() const override { return m_inner.writtenSamples(); }
    void suspend() override {}
    void resume() override {}
    void discard() override { m_inner.discard(); }
    QString kind() const override { return QStringLiteral("timing"); }

private:
    NullSink m_inner;
    const QElapsedTimer& m_clock;
    qint64& m_firstAt;
};

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

struct Figures {
    double firstSampleMs = 0;
    double rtf = 0;
    double audioS = 0;
};

// Through the program's voice: Speak, then wait until all is written (played instantly).
Figures throughVoice(const QString& engine, const QString& text) {
    std::vector<double> first, rtf;
    double audioS = 0;
    for (int run = 0; run < kRuns; ++run) {
        QElapsedTimer clock;
        qint64 firstAt = -1;
        VoiceChoice choice;
        choice.engine = engine;
        TimingSink* sink = nullptr;
        choice.makeSink = [&](int rate) {
            auto s = std::make_unique<TimingSink>(rate, clock, firstAt);
            sink = s.get();
            return s;
        };
        auto voice = createVoice(QString(), nullptr, choice);
        clock.start();
        voice->Speak(text, SVSFDefault);
        const double totalS = double(clock.nsecsElapsed()) / 1e9;
        audioS = double(sink->writtenSamples()) / sink->sampleRate();
        first.push_back(double(firstAt) / 1e6);
        rtf.push_back(totalS / audioS);
    }
    return {median(first), median(rtf), audioS};
}

// The engine alone: the open_jtalk command, or espeak-ng's command on the kana MeCab made.
std::optional<Figures> engineAlone(const QString& engine, const QString& text) {
    QTemporaryDir dir;
    const QString wav = dir.filePath(QStringLiteral("out.wav"));
    QString program;
    QStringList args;
    QByteArray input;
    if (engine == QStringLiteral("open-jtalk")) {
        const auto setup = findOpenJTalk(QString());
        if (!setup) return std::nullopt;
        program = setup->program;
        args = OpenJTalkSynth(*setup).arguments(0, 100) << QStringLiteral("-ow") << wav;
        input = text.toUtf8() + '\n';
    } else {
        auto synth = EspeakSynth::open();
        if (!synth) return std::nullopt;
        program = QStringLiteral("espeak-ng");
        args = QStringList{QStringLiteral("-v"), QStringLiteral("ja"), QStringLiteral("-w"), wav,
                           synth->engineText(text)};
    }
    std::vector<double> times;
    double audioS = 0;
    for (int run = 0; run < kRuns; ++run) {
        QElapsedTimer clock;
        clock.start();
        QProcess p;
        p.start(program, args);
        p.write(input);
        p.closeWriteChannel();
        p.waitForFinished();
        times.push_back(double(clock.nsecsElapsed()) / 1e9);
        QFile f(wav);
        PcmAudio audio;
        if (!f.open(QIODevice::ReadOnly) || !parseWav(f.readAll(), audio)) return std::nullopt;
        audioS = double(audio.samples.size()) / audio.sampleRate;
    }
    const double t = median(times);
    return Figures{t * 1000, t / audioS, audioS};
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList texts{
        QStringLiteral(u"さざんがく"),
        QStringLiteral(u"九九をものにしちゃおうね。"),
        QStringLiteral(u"音声入力は、目次の、4から6の、テストで、使用されます。その他は、ふつうの、ヘルプを、"
                       u"ご利用ください。"),
    };
    std::printf("%-10s %-6s %7s | %14s %8s | %14s %8s\n", "engine", "chars", "audio s", "voice 1st ms",
                "voice RTF", "engine-only ms", "eng RTF");
    for (const QString& engine : {QStringLiteral("open-jtalk"), QStringLiteral("espeak")}) {
        if (!createSynthesizer(engine, QString())) {
            std::printf("%-10s not available\n", qPrintable(engine));
            continue;
        }
        for (const QString& text : texts) {
            const Figures v = throughVoice(engine, text);
            const auto e = engineAlone(engine, text);
            std::printf("%-10s %-6lld %7.2f | %14.1f %8.3f | %14.1f %8.3f\n", qPrintable(engine),
                        static_cast<long long>(text.size()), v.audioS, v.firstSampleMs, v.rtf,
                        e ? e->firstSampleMs : -1.0, e ? e->rtf : -1.0);
        }
    }
    std::printf("(median of %d runs; engine-only is the whole command, start-up included)\n", kRuns);
    return 0;
}
