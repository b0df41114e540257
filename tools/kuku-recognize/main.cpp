// kuku-recognize FILE.wav...: decodes each file as one phrase with the program's grammar in
// command listening and prints "file<TAB>command number<TAB>phrase text" (0 and an empty text
// when nothing was recognised or the phrase was rejected), then, for measurements, the phrase's
// confidence and the number heard before the confidence was judged. Decoding and loading time go
// to standard error.

#include "speech/platform/PocketSphinxContext.h"
#include "speech/platform/WavAudio.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <cstdio>

using namespace rentabo;

namespace {

QString findGrammar(const QString& given) {
    if (!given.isEmpty()) return given;
    const QString beside = QCoreApplication::applicationDirPath() + QStringLiteral("/KukuGrammar.xml");
    if (QFile::exists(beside)) return beside;
    return QStringLiteral(RENTABO_GRAMMAR_FALLBACK);
}

void print(FILE* out, const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    std::fwrite(utf8.constData(), 1, std::size_t(utf8.size()), out);
}

// Lines "id<TAB>kana" -> "id PHONES"; a line that cannot be pronounced is an error, since the
// recording it names would be trained on a wrong transcript.
int printDictionary(const QString& path) {
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly)) {
        print(stderr, QStringLiteral("kuku-recognize: %1 を開けません\n").arg(path));
        return 1;
    }
    int bad = 0;
    for (const QByteArray& raw : in.readAll().split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.isEmpty()) continue;
        const QStringList fields = line.split(u'\t');
        const auto prons = fields.size() == 2 ? PocketSphinxContext::phrasePronunciations(fields[1])
                                              : std::vector<QStringList>{};
        if (prons.empty()) {
            print(stderr, QStringLiteral("kuku-recognize: cannot pronounce: %1\n").arg(line));
            ++bad;
            continue;
        }
        print(stdout, fields[0] + u' ' + prons.front().join(u' ') + u'\n');
    }
    return bad ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCommandLineParser cli;
    cli.setApplicationDescription(
        QStringLiteral("Decodes WAV files with the program's grammar in command listening."));
    cli.addHelpOption();
    cli.addOption({QStringLiteral("grammar"), QStringLiteral("Grammar file (default: KukuGrammar.xml)."),
                   QStringLiteral("file")});
    cli.addOption(
        {QStringLiteral("warps"),
         QStringLiteral("Frequency warps, comma separated (default 0.92 to 1.76)."),
         QStringLiteral("list")});
    cli.addOption({QStringLiteral("speaker-warp"),
                   QStringLiteral("Judge over the files, as one speaker's phrases, whether the voice is a "
                                  "child's (yes) or choose the warp per file from all (no)."),
                   QStringLiteral("yes|no")});
    cli.addOption({QStringLiteral("child-margin"),
                   QStringLiteral("With --speaker-warp: how much better per frame the high warps must be."),
                   QStringLiteral("x")});
    cli.addOption({QStringLiteral("pip"), QStringLiteral("Phone insertion penalty."), QStringLiteral("x")});
    cli.addOption({QStringLiteral("wip"), QStringLiteral("Word insertion penalty."), QStringLiteral("x")});
    cli.addOption({QStringLiteral("rules"),
                   QStringLiteral("Rule IDs to listen with, comma separated (default: every rule)."),
                   QStringLiteral("list")});
    cli.addOption({QStringLiteral("min-confidence"),
                   QStringLiteral("Reject phrases below this confidence (default: the program's)."),
                   QStringLiteral("x")});
    cli.addOption({QStringLiteral("decoder-arg"),
                   QStringLiteral("A further decoder setting, name=value (-beam=1e-60); may repeat."),
                   QStringLiteral("setting")});
    cli.addOption({QStringLiteral("min-margin"),
                   QStringLiteral("Reject phrases nearly tied with another (default: the program's)."),
                   QStringLiteral("x")});
    cli.addOption({QStringLiteral("stream"),
                   QStringLiteral("Decode as the microphone does: in pieces, cut at the end of speech.")});
    cli.addOption({QStringLiteral("model"),
                   QStringLiteral("Acoustic model folder (default: the one the build adapted, else the English one)."),
                   QStringLiteral("dir")});
    cli.addOption({QStringLiteral("dictionary"),
                   QStringLiteral("Print the first pronunciation of each line \"id<TAB>kana\" of the file as a "
                                  "dictionary line \"id PHONES\" (for training the acoustic model) and end."),
                   QStringLiteral("file")});
    cli.addPositionalArgument(QStringLiteral("files"), QStringLiteral("WAV files"),
                              QStringLiteral("FILE.wav..."));
    cli.process(app);
    if (cli.isSet(QStringLiteral("dictionary"))) return printDictionary(cli.value(QStringLiteral("dictionary")));
    const QStringList files = cli.positionalArguments();
    if (files.isEmpty()) cli.showHelp(2);

    DecoderConfig config = PocketSphinxContext::defaultConfig();
    if (cli.isSet(QStringLiteral("model")))
        config.modelDir = cli.value(QStringLiteral("model"));
    else if (config.modelDir == englishModelDir() && QFile::exists(QStringLiteral(RENTABO_MODEL_FALLBACK "/mdef")))
        config.modelDir = QStringLiteral(RENTABO_MODEL_FALLBACK);
    if (cli.isSet(QStringLiteral("warps"))) {
        config.warps.clear();
        for (const QString& w : cli.value(QStringLiteral("warps")).split(u','))
            config.warps.push_back(w.toDouble());
    }
    if (cli.isSet(QStringLiteral("speaker-warp")))
        config.perSpeakerWarp = cli.value(QStringLiteral("speaker-warp")) != QStringLiteral("no");
    if (cli.isSet(QStringLiteral("child-margin")))
        config.childMargin = cli.value(QStringLiteral("child-margin")).toDouble();
    if (cli.isSet(QStringLiteral("pip")))
        config.phoneInsertionPenalty = cli.value(QStringLiteral("pip")).toDouble();
    if (cli.isSet(QStringLiteral("wip")))
        config.wordInsertionPenalty = cli.value(QStringLiteral("wip")).toDouble();
    for (const QString& a : cli.values(QStringLiteral("decoder-arg"))) {
        const qsizetype eq = a.indexOf(u'=');
        if (eq <= 0) {
            print(stderr, QStringLiteral("kuku-recognize: --decoder-arg needs name=value: %1\n").arg(a));
            return 2;
        }
        config.extraArgs.emplace_back(a.left(eq).toUtf8(), a.mid(eq + 1).toUtf8());
    }
    if (cli.isSet(QStringLiteral("min-margin")))
        config.minMargin = cli.value(QStringLiteral("min-margin")).toDouble();
    if (cli.isSet(QStringLiteral("min-confidence")))
        config.minConfidence = cli.value(QStringLiteral("min-confidence")).toDouble();

    QElapsedTimer loadTimer;
    loadTimer.start();
    PocketSphinxContext context(nullptr, config);
    QString error;
    if (!context.loadModel(&error)) {
        print(stderr, QStringLiteral("kuku-recognize: %1\n").arg(error));
        return 1;
    }
    const QString grammarPath = findGrammar(cli.value(QStringLiteral("grammar")));
    if (!context.CmdLoadFromFile(grammarPath)) {
        print(stderr, QStringLiteral("kuku-recognize: Grammar の読み込みに失敗。%1: %2\n")
                          .arg(grammarPath, context.grammarError()));
        return 1;
    }
    context.DictationSetState(false);
    if (cli.isSet(QStringLiteral("rules"))) {
        context.CmdSetRuleIdState(0, false);
        for (const QString& id : cli.value(QStringLiteral("rules")).split(u','))
            context.CmdSetRuleIdState(id.toInt(), true);
    } else {
        context.CmdSetRuleIdState(0, true);
    }
    const qint64 loadMs = loadTimer.elapsed();

    double audioSeconds = 0;
    qint64 decodeNs = 0;
    int failures = 0;
    for (const QString& file : files) {
        const auto audio = readWav(file, &error);
        if (!audio) {
            print(stderr, QStringLiteral("kuku-recognize: %1\n").arg(error));
            ++failures;
            continue;
        }
        QElapsedTimer t;
        t.start();
        std::optional<std::size_t> index;
        std::optional<std::size_t> heardIndex;
        double confidence = 0;
        double margin = 0;
        int agreeing = 0;
        double warp = 0;
        if (cli.isSet(QStringLiteral("stream"))) {
            // The first phrase heard, as the program would hand it on.
            auto find = [&](const RecoResult& r) -> std::optional<std::size_t> {
                const auto& phrases = context.grammar()->phrases();
                for (std::size_t i = 0; i < phrases.size(); ++i)
                    if (phrases[i].text == r.text && phrases[i].properties.size() == r.properties.size())
                        return i;
                return std::nullopt;
            };
            QMetaObject::Connection hit =
                QObject::connect(&context, &SpSharedRecoContext::Recognition, &context,
                                 [&](int, qint64, int, const RecoResult& r) {
                                     if (!index && !heardIndex) index = heardIndex = find(r);
                                 });
            QMetaObject::Connection miss =
                QObject::connect(&context, &SpSharedRecoContext::FalseRecognition, &context,
                                 [&](int, qint64, const RecoResult& r) {
                                     if (!index && !heardIndex) {
                                         const auto& phrases = context.grammar()->phrases();
                                         for (std::size_t i = 0; i < phrases.size(); ++i)
                                             if (phrases[i].text == r.text) heardIndex = i;
                                     }
                                 });
            const MonoAudio in = resample(*audio, 16000);
            context.acceptAudio(in.samples.data(), in.samples.size());
            context.flushAudio();
            QObject::disconnect(hit);
            QObject::disconnect(miss);
        } else if (const auto heard = context.hearUtterance(*audio)) {
            heardIndex = heard->index;
            confidence = heard->confidence;
            margin = heard->margin;
            agreeing = heard->agreeing;
            warp = heard->warp;
            if (context.accepted(*heard)) index = heard->index;
        }
        decodeNs += t.nsecsElapsed();
        audioSeconds += audio->seconds();
        auto numberOf = [&](std::optional<std::size_t> i) {
            if (!i) return 0;
            const GrammarPhrase& p = context.grammar()->phrases()[*i];
            return GetPropertyValue(RecoResult{p.text, p.properties}, QStringLiteral("chosencolour"),
                                    QStringLiteral("colourvalue"))
                .toInt();
        };
        const int number = numberOf(index);
        const QString text = index ? context.grammar()->phrases()[*index].text : QString();
        print(stdout, QStringLiteral("%1\t%2\t%3\t%4\t%5\t%6\t%7\t%8\n")
                          .arg(file)
                          .arg(number)
                          .arg(text)
                          .arg(confidence, 0, 'f', 2)
                          .arg(numberOf(heardIndex))
                          .arg(margin, 0, 'f', 2)
                          .arg(agreeing)
                          .arg(warp, 0, 'f', 2));
        std::fflush(stdout);
    }
    print(stderr, QStringLiteral("load %1 ms; decoded %2 s of audio in %3 s (%4 of real time); model %5\n")
                      .arg(loadMs)
                      .arg(audioSeconds, 0, 'f', 1)
                      .arg(decodeNs / 1e9, 0, 'f', 2)
                      .arg(audioSeconds > 0 ? decodeNs / 1e9 / audioSeconds : 0.0, 0, 'f', 4)
                      .arg(config.modelDir));
    return failures ? 1 : 0;
}
