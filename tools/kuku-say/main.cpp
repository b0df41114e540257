// kuku-say: speaks a text through the program's own voice into a WAV file.
//
//   kuku-say [--engine open-jtalk|espeak|silent] [--rate N] [--volume N] -o FILE.wav TEXT...
//   kuku-say --kana TEXT...      prints the kana that espeak-ng would be given
//
// The audio goes through the same voice code as in the program, into a capture sink in place
// of the speaker. One line is printed per Sentence event and one naming the engine.

#include "speech/platform/KanaReading.h"
#include "speech/platform/PcmSink.h"
#include "speech/platform/SpeechText.h"
#include "speech/platform/VoiceFactory.h"
#include "speech/platform/WavFile.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>
#include <optional>

using namespace rentabo;

namespace {

int usage() {
    std::fprintf(stderr,
                 "usage: kuku-say [--engine open-jtalk|espeak|silent] [--rate 0-10] [--volume 0-100] "
                 "-o FILE.wav TEXT...\n       kuku-say --kana TEXT...\n");
    return 2;
}

void print(const QString& line) {
    std::printf("%s\n", line.toLocal8Bit().constData());
    std::fflush(stdout);
}

// What the command line asks for.
struct SayOptions {
    VoiceChoice choice;
    int rate = 0;
    int volume = 100;
    QString output;
    QStringList words;
    bool kanaOnly = false;
};

// The options read from the arguments; none (the reason printed) when they are wrong.
std::optional<SayOptions> parseArguments(const QStringList& args) {
    SayOptions o;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        const bool hasValue = i + 1 < args.size();
        bool ok = true;
        if (a == QStringLiteral("--engine") && hasValue) {
            o.choice.engine = args[++i];
            if (!voiceEngineNames().contains(o.choice.engine)) {
                std::fprintf(stderr, "kuku-say: unknown engine %s\n", qPrintable(o.choice.engine));
                return std::nullopt;
            }
        } else if (a == QStringLiteral("--rate") && hasValue) {
            o.rate = args[++i].toInt(&ok);
        } else if (a == QStringLiteral("--volume") && hasValue) {
            o.volume = args[++i].toInt(&ok);
        } else if (a == QStringLiteral("--kana")) {
            o.kanaOnly = true;
        } else if (a == QStringLiteral("-o") && hasValue) {
            o.output = args[++i];
        } else if (a.startsWith(QStringLiteral("--")) || a == QStringLiteral("-o")) {
            usage();
            return std::nullopt;
        } else {
            o.words << a;
        }
        if (!ok) {
            usage();
            return std::nullopt;
        }
    }
    return o;
}

// Prints the kana that espeak-ng would be given for the text.
int printKana(const QString& text) {
    QString why;
    auto reader = KanaReader::open(&why);
    if (!reader) {
        std::fprintf(stderr, "kuku-say: %s\n", qPrintable(why));
        return 1;
    }
    print(reader->toKana(text));
    return 0;
}

// Speaks the words through the program's voice into the output file.
int speakToFile(SayOptions o) {
    const QString text = o.words.join(u' ');
    CaptureSink* capture = nullptr;
    o.choice.makeSink = [&capture](int sampleRate) {
        auto sink = std::make_unique<CaptureSink>(sampleRate, false);
        capture = sink.get();
        return sink;
    };
    QStringList notes;
    auto voice = createVoice(QCoreApplication::applicationDirPath(), nullptr, o.choice, &notes);
    for (const QString& n : notes) std::fprintf(stderr, "kuku-say: %s\n", qPrintable(n));
    print(QStringLiteral("engine: %1").arg(voice->engineName()));
    voice->setEventInterests(SVEAllEvents);
    voice->setRate(o.rate);
    voice->setVolume(o.volume);
    QObject::connect(voice.get(), &SpVoice::Sentence, voice.get(), [&text](int stream, int pos, int len) {
        print(QStringLiteral("sentence %1 %2+%3: %4").arg(stream).arg(pos).arg(len).arg(text.mid(pos, len)));
    });
    voice->Speak(text, SVSFDefault);

    // The silent voice plays nothing: its file holds silence of the time it took.
    const int sampleRate = capture ? capture->sampleRate() : 16000;
    const std::vector<std::int16_t> samples =
        capture
            ? capture->captured()
            : std::vector<std::int16_t>(std::size_t(estimateSpeechMs(text, o.rate) * sampleRate / 1000), 0);
    QString error;
    if (!writeWavFile(o.output, samples, sampleRate, &error)) {
        std::fprintf(stderr, "kuku-say: %s: %s\n", qPrintable(o.output), qPrintable(error));
        return 1;
    }
    print(QStringLiteral("wrote %1: %2 samples at %3 Hz (%4 s)")
              .arg(o.output)
              .arg(samples.size())
              .arg(sampleRate)
              .arg(double(samples.size()) / sampleRate, 0, 'f', 2));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const auto options = parseArguments(app.arguments().mid(1));
    if (!options) return 2;
    if (options->kanaOnly && !options->words.isEmpty()) return printKana(options->words.join(u' '));
    if (options->output.isEmpty() || options->words.isEmpty()) return usage();
    return speakToFile(*options);
}
