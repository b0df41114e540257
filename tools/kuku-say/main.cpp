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

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    VoiceChoice choice;
    int rate = 0;
    int volume = 100;
    QString output;
    QStringList words;
    bool kanaOnly = false;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        const bool hasValue = i + 1 < args.size();
        bool ok = true;
        if (a == QStringLiteral("--engine") && hasValue) {
            choice.engine = args[++i];
            if (!voiceEngineNames().contains(choice.engine)) {
                std::fprintf(stderr, "kuku-say: unknown engine %s\n", qPrintable(choice.engine));
                return 2;
            }
        } else if (a == QStringLiteral("--rate") && hasValue) {
            rate = args[++i].toInt(&ok);
        } else if (a == QStringLiteral("--volume") && hasValue) {
            volume = args[++i].toInt(&ok);
        } else if (a == QStringLiteral("--kana")) {
            kanaOnly = true;
        } else if (a == QStringLiteral("-o") && hasValue) {
            output = args[++i];
        } else if (a.startsWith(QStringLiteral("--")) || a == QStringLiteral("-o")) {
            return usage();
        } else {
            words << a;
        }
        if (!ok) return usage();
    }
    const QString text = words.join(u' ');
    if (kanaOnly && !words.isEmpty()) {
        QString why;
        auto reader = KanaReader::open(&why);
        if (!reader) {
            std::fprintf(stderr, "kuku-say: %s\n", qPrintable(why));
            return 1;
        }
        print(reader->toKana(text));
        return 0;
    }
    if (output.isEmpty() || words.isEmpty()) return usage();

    CaptureSink* capture = nullptr;
    choice.makeSink = [&capture](int sampleRate) {
        auto sink = std::make_unique<CaptureSink>(sampleRate, false);
        capture = sink.get();
        return sink;
    };
    QStringList notes;
    auto voice = createVoice(QCoreApplication::applicationDirPath(), nullptr, choice, &notes);
    for (const QString& n : notes) std::fprintf(stderr, "kuku-say: %s\n", qPrintable(n));
    print(QStringLiteral("engine: %1").arg(voice->engineName()));
    voice->setEventInterests(SVEAllEvents);
    voice->setRate(rate);
    voice->setVolume(volume);
    QObject::connect(voice.get(), &SpVoice::Sentence, voice.get(), [&text](int stream, int pos, int len) {
        print(QStringLiteral("sentence %1 %2+%3: %4").arg(stream).arg(pos).arg(len).arg(text.mid(pos, len)));
    });
    voice->Speak(text, SVSFDefault);

    // The silent voice plays nothing: its file holds silence of the time it took.
    const int sampleRate = capture ? capture->sampleRate() : 16000;
    const std::vector<std::int16_t> samples =
        capture ? capture->captured()
                : std::vector<std::int16_t>(std::size_t(estimateSpeechMs(text, rate) * sampleRate / 1000), 0);
    QString error;
    if (!writeWavFile(output, samples, sampleRate, &error)) {
        std::fprintf(stderr, "kuku-say: %s: %s\n", qPrintable(output), qPrintable(error));
        return 1;
    }
    print(QStringLiteral("wrote %1: %2 samples at %3 Hz (%4 s)")
              .arg(output)
              .arg(samples.size())
              .arg(sampleRate)
              .arg(double(samples.size()) / sampleRate, 0, 'f', 2));
    return 0;
}
