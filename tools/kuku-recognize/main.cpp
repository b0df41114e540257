// kuku-recognize FILE.wav...: decodes each file as one phrase with the program's grammar in
// command listening and prints "file<TAB>command number<TAB>phrase text" (0 and an empty text
// when nothing was recognised or the phrase was rejected), then, for measurements, the phrase's
// confidence and the number heard before the confidence was judged. Decoding and loading time go
// to standard error. With --adapt-from MANIFEST it first adapts the model to one speaker from the
// phrases MANIFEST lists (lines "file<TAB>command number", paths relative to its folder), as the
// program adapts to its learner, and decodes with the speaker's model. With --expect-from MANIFEST
// each file is heard as the answer to a question whose right answer is the command number
// MANIFEST gives for the file's name (as in a spoken test); a ninth column gives how much
// better per frame the phrase heard explained the audio than that answer, a tenth 1 when an
// answer was expected, an eleventh 1 when the phrase heard is that answer. A twelfth column gives
// how many phrases the speech detector handed on in the file, a thirteenth the frames of the
// phrase's words and a fourteenth the frames the detector called speech (--stream only; 0
// otherwise). With --stream the measures are those of the first phrase taken (or, when none is,
// of the first refused). With --own-words the master's words played just before a file are
// remembered as the program remembers them when he stops speaking, and a fifteenth column gives
// how alike the phrase heard was to them.
// The sixteenth and seventeenth give the path scores the confidence is measured from: the
// phrase's and the free loop's (0 when not known).

#include "speech/platform/PocketSphinxContext.h"
#include "speech/platform/WavAudio.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <map>
#include <optional>
#include <utility>
#include <vector>

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

// The lines "file<TAB>command number" of a manifest, in order.
std::optional<std::vector<std::pair<QString, int>>> readManifest(const QString& manifest, QString* error) {
    QFile in(manifest);
    if (!in.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("%1 を開けません").arg(manifest);
        return std::nullopt;
    }
    std::vector<std::pair<QString, int>> lines;
    for (const QByteArray& raw : in.readAll().split('\n')) {
        const QStringList fields = QString::fromUtf8(raw).trimmed().split(u'\t');
        if (fields.size() >= 2 && !fields[0].isEmpty()) lines.emplace_back(fields[0], fields[1].toInt());
    }
    return lines;
}

// Adapts the context's model to the speaker of the phrases MANIFEST lists, as the program does
// with its learner's phrases: each phrase is heard first (for the warp that suits the voice and
// the variant said, when it was heard right), and the model is re-estimated on them.
bool adaptFrom(PocketSphinxContext& context, const QString& manifest, const QString& outDir, QString* error) {
    const auto lines = readManifest(manifest, error);
    if (!lines) return false;
    const QDir base = QFileInfo(manifest).dir();
    const auto& phrases = context.grammar()->phrases();
    std::vector<KnownPhrase> known;
    std::map<double, int> warps;
    for (const auto& [file, expected] : *lines) {
        const auto audio = readWav(base.filePath(file), error);
        if (!audio) return false;
        const MonoAudio in16 = audio->rate == 16000 ? *audio : resample(*audio, 16000);
        std::optional<std::size_t> said;
        if (const auto heard = context.hearUtterance(in16);
            heard && commandNumber(phrases[heard->phrase]) == expected) {
            said = heard->phrase;
            ++warps[heard->warp];
        }
        for (std::size_t i = 0; !said && i < phrases.size(); ++i)
            if (commandNumber(phrases[i]) == expected &&
                !PocketSphinxContext::phrasePronunciations(phrases[i].text).empty())
                said = i;
        if (!said) {
            *error = QStringLiteral("%1: 番号 %2 の言葉が文法にありません").arg(file).arg(expected);
            return false;
        }
        known.push_back(
            {in16.samples, PocketSphinxContext::phrasePronunciations(phrases[*said].text).front()});
    }
    // The warp that won most of the phrases heard right.
    double warp = 1.0;
    int most = 0;
    for (const auto& [w, n] : warps)
        if (n > most) warp = w, most = n;
    QElapsedTimer t;
    t.start();
    const QString learner = QStringLiteral("kuku-recognize");
    if (!adaptToSpeaker(context.config().modelDir, warp, learner, known, outDir, error)) return false;
    const auto speaker = loadSpeakerModel(outDir, context.config().modelDir, learner, error);
    if (!speaker || !context.useSpeakerModel(speaker, error)) return false;
    print(stderr, QStringLiteral("adapted to %1 phrases at warp %2 in %3 ms\n")
                      .arg(known.size())
                      .arg(warp, 0, 'f', 2)
                      .arg(t.elapsed()));
    return true;
}

// The command line: option name, help text and the name of its value (none for a switch).
struct OptionText {
    const char* name;
    const char* help;
    const char* value;
};

constexpr OptionText kOptions[] = {
    {"grammar", "Grammar file (default: KukuGrammar.xml).", "file"},
    {"warps", "Frequency warps, comma separated (default 0.92 to 1.76).", "list"},
    {"speaker-warp",
     "Judge over the files, as one speaker's phrases, whether the voice is a child's (yes) or choose the "
     "warp per file from all (no).",
     "yes|no"},
    {"child-margin", "With --speaker-warp: how much better per frame the high warps must be.", "x"},
    {"pip", "Phone insertion penalty.", "x"},
    {"wip", "Word insertion penalty.", "x"},
    {"rules", "Rule IDs to listen with, comma separated (default: every rule).", "list"},
    {"min-confidence", "Reject phrases below this confidence (default: the program's).", "x"},
    {"min-confidence-expected",
     "With --expect-from: the confidence the expected answer needs when it is the phrase heard (default: "
     "the program's).",
     "x"},
    {"decoder-arg", "A further decoder setting, name=value (-beam=1e-60); may repeat.", "setting"},
    {"min-lead",
     "With --expect-from: reject a phrase that is not the expected answer unless it leads it by this much "
     "per frame (default: the program's).",
     "x"},
    {"min-margin", "Reject phrases nearly tied with another (default: the program's).", "x"},
    {"min-margin-short", "The margin phrases of two morae or fewer need (default: the program's).", "x"},
    {"min-confidence-long",
     "The confidence a phrase of six morae or more needs when clear of every other phrase (with an answer "
     "expected, of that answer) by --min-margin-long and, with --stream, taking --min-coverage-long of the "
     "speech (default: the program's).",
     "x"},
    {"min-margin-long", "The margin (or lead) of --min-confidence-long (default: the program's).", "x"},
    {"min-coverage-long", "The coverage of --min-confidence-long (default: the program's).", "x"},
    {"min-coverage",
     "With --stream: the share of the detected speech the phrase's words need (default: the program's).",
     "x"},
    {"floor-ms",
     "With --stream: the room heard without speech before speech counts (default: the program's).", "ms"},
    {"stream", "Decode as the microphone does: in pieces, cut at the end of speech.", nullptr},
    {"own-words",
     "Before each FILE.wav, remember FILE.own.wav (when there is one) as the master's words just played, as "
     "the program does when he stops speaking.",
     nullptr},
    {"max-own-voice", "Reject phrases more alike to those words than this (default: the program's).", "x"},
    {"keep-tail", "Decode a phrase with a reverberant room's tail as it came (the program cuts the tail).",
     nullptr},
    {"model", "Acoustic model folder (default: the one the build adapted, else the English one).", "dir"},
    {"dictionary",
     "Print the first pronunciation of each line \"id<TAB>kana\" of the file as a dictionary line \"id "
     "PHONES\" (for training the acoustic model) and end.",
     "file"},
    {"adapt-from",
     "Adapt to one speaker from the phrases the file lists (lines \"file<TAB>command number\", paths "
     "relative to its folder), then decode with the adapted model.",
     "manifest"},
    {"speaker-dir",
     "With --adapt-from: where the speaker's model is kept; one made there before from the same phrases "
     "is used again.",
     "dir"},
    {"expect-from",
     "Hear each file as the answer to a question whose right answer is the command number the file lists "
     "for the file's name (lines \"file<TAB>command number\").",
     "manifest"},
};

void defineOptions(QCommandLineParser& cli) {
    cli.setApplicationDescription(
        QStringLiteral("Decodes WAV files with the program's grammar in command listening."));
    cli.addHelpOption();
    for (const OptionText& o : kOptions) {
        if (o.value)
            cli.addOption({QString::fromUtf8(o.name), QString::fromUtf8(o.help), QString::fromUtf8(o.value)});
        else
            cli.addOption({QString::fromUtf8(o.name), QString::fromUtf8(o.help)});
    }
    cli.addPositionalArgument(QStringLiteral("files"), QStringLiteral("WAV files"),
                              QStringLiteral("FILE.wav..."));
}

// A figure of the decoder set from the command line, when the option is given.
void setFrom(const QCommandLineParser& cli, const char* option, double& field) {
    if (cli.isSet(QString::fromUtf8(option))) field = cli.value(QString::fromUtf8(option)).toDouble();
}
void setFrom(const QCommandLineParser& cli, const char* option, std::optional<double>& field) {
    if (cli.isSet(QString::fromUtf8(option))) field = cli.value(QString::fromUtf8(option)).toDouble();
}
void setFrom(const QCommandLineParser& cli, const char* option, int& field) {
    if (cli.isSet(QString::fromUtf8(option))) field = cli.value(QString::fromUtf8(option)).toInt();
}

// The program's decoder settings with the command line's changes; none when a setting is malformed.
std::optional<DecoderConfig> configFrom(const QCommandLineParser& cli) {
    DecoderConfig config = PocketSphinxContext::defaultConfig();
    if (cli.isSet(QStringLiteral("model")))
        config.modelDir = cli.value(QStringLiteral("model"));
    else if (config.modelDir == englishModelDir() &&
             QFile::exists(QStringLiteral(RENTABO_MODEL_FALLBACK "/mdef")))
        config.modelDir = QStringLiteral(RENTABO_MODEL_FALLBACK);
    if (cli.isSet(QStringLiteral("warps"))) {
        config.warps.clear();
        for (const QString& w : cli.value(QStringLiteral("warps")).split(u','))
            config.warps.push_back(w.toDouble());
    }
    if (cli.isSet(QStringLiteral("speaker-warp")))
        config.perSpeakerWarp = cli.value(QStringLiteral("speaker-warp")) != QStringLiteral("no");
    setFrom(cli, "child-margin", config.childMargin);
    setFrom(cli, "pip", config.phoneInsertionPenalty);
    setFrom(cli, "wip", config.wordInsertionPenalty);
    for (const QString& a : cli.values(QStringLiteral("decoder-arg"))) {
        const qsizetype eq = a.indexOf(u'=');
        if (eq <= 0) {
            print(stderr, QStringLiteral("kuku-recognize: --decoder-arg needs name=value: %1\n").arg(a));
            return std::nullopt;
        }
        config.extraArgs.emplace_back(a.left(eq).toUtf8(), a.mid(eq + 1).toUtf8());
    }
    setFrom(cli, "min-lead", config.minLeadOverExpected);
    setFrom(cli, "min-margin", config.minMargin);
    setFrom(cli, "min-margin-short", config.minMarginShort);
    setFrom(cli, "min-confidence-long", config.minConfidenceLong);
    setFrom(cli, "min-margin-long", config.minMarginLong);
    setFrom(cli, "min-coverage-long", config.minCoverageLong);
    setFrom(cli, "min-coverage", config.minCoverage);
    setFrom(cli, "floor-ms", config.floorBeforeSpeechMs);
    setFrom(cli, "max-own-voice", config.maxOwnVoice);
    if (cli.isSet(QStringLiteral("keep-tail"))) config.cutReverberantTail = false;
    setFrom(cli, "min-confidence", config.minConfidence);
    setFrom(cli, "min-confidence-expected", config.minConfidenceForExpected);
    return config;
}

// Loads the model and the grammar and listens with the rules the command line names; with
// --adapt-from, to the speaker's model made in speakerModelDir (or made there before).
bool prepareContext(PocketSphinxContext& context, const QCommandLineParser& cli,
                    const QString& speakerModelDir, QString* error) {
    if (!context.loadModel(error)) return false;
    const QString grammarPath = findGrammar(cli.value(QStringLiteral("grammar")));
    if (!context.CmdLoadFromFile(grammarPath)) {
        *error = QStringLiteral("Grammar の読み込みに失敗。%1: %2").arg(grammarPath, context.grammarError());
        return false;
    }
    context.DictationSetState(false);
    context.CmdSetRuleIdState(0, true);
    // The speaker's phrases are heard with every rule: they may be any phrase of the grammar.
    if (cli.isSet(QStringLiteral("adapt-from"))) {
        // A model adapted before from the same phrases is listened with again.
        const auto made = loadSpeakerModel(speakerModelDir, context.config().modelDir,
                                           QStringLiteral("kuku-recognize"), nullptr);
        if (made ? !context.useSpeakerModel(made, error)
                 : !adaptFrom(context, cli.value(QStringLiteral("adapt-from")), speakerModelDir, error))
            return false;
    }
    if (cli.isSet(QStringLiteral("rules"))) {
        context.CmdSetRuleIdState(0, false);
        for (const QString& id : cli.value(QStringLiteral("rules")).split(u','))
            context.CmdSetRuleIdState(id.toInt(), true);
    }
    return true;
}

// The right answer each file is heard as (--expect-from), by file name: the files decoded are
// named by their paths on the command line.
std::optional<std::map<QString, int>> expectationsFrom(const QCommandLineParser& cli, QString* error) {
    std::map<QString, int> expectations;
    if (!cli.isSet(QStringLiteral("expect-from"))) return expectations;
    const auto read = readManifest(cli.value(QStringLiteral("expect-from")), error);
    if (!read) return std::nullopt;
    for (const auto& [file, command] : *read) expectations[QFileInfo(file).fileName()] = command;
    return expectations;
}

// What one file gave: the phrase taken (index), the phrase heard before the acceptance rules
// (heardIndex), and the measures printed after them.
struct Measures {
    std::optional<std::size_t> index;
    std::optional<std::size_t> heardIndex;
    double confidence = 0;
    double margin = 0;
    int agreeing = 0;
    double warp = 0;
    double lead = 1e9;
    bool expecting = false;
    bool expectedHeard = false;
    int phrasesFound = 0;
    int wordFrames = 0;
    int detected = 0;
    double ownVoice = 0;
    int score = 0;
    int loopScore = 0;

    void take(const HeardPhrase& heard) {
        confidence = heard.confidence();
        margin = heard.margin();
        agreeing = heard.agreeing;
        warp = heard.warp;
        lead = heard.leadOverExpected();
        expecting = heard.answerExpected;
        expectedHeard = heard.expectedHeard;
        wordFrames = heard.frames;
        ownVoice = heard.ownVoice;
        score = heard.score;
        loopScore = heard.loopScore.value_or(0);
    }
};

// The file decoded as the microphone path does, in pieces: the first phrase taken, as the program
// acts on it (a phrase refused before it changes nothing, and listening goes on); when none is
// taken, the first phrase refused.
Measures hearStreamed(PocketSphinxContext& context, const MonoAudio& audio) {
    Measures m;
    std::optional<HeardPhrase> streamed;
    bool taken = false;
    auto find = [&](const RecoResult& r) -> std::optional<std::size_t> {
        const auto& phrases = context.grammar()->phrases();
        for (std::size_t i = 0; i < phrases.size(); ++i)
            if (phrases[i].text == r.text && phrases[i].properties.size() == r.properties.size()) return i;
        return std::nullopt;
    };
    auto onTaken = [&](int, qint64, int, const RecoResult& r) {
        if (taken) return;
        taken = true;
        m.index = m.heardIndex = find(r);
        streamed = context.lastHeard();
    };
    auto onRefused = [&](int, qint64, const RecoResult& r) {
        if (streamed) return;
        const auto& phrases = context.grammar()->phrases();
        for (std::size_t i = 0; i < phrases.size(); ++i)
            if (phrases[i].text == r.text) m.heardIndex = i;
        streamed = context.lastHeard();
    };
    QMetaObject::Connection hit =
        QObject::connect(&context, &SpSharedRecoContext::Recognition, &context, onTaken);
    QMetaObject::Connection miss =
        QObject::connect(&context, &SpSharedRecoContext::FalseRecognition, &context, onRefused);
    QMetaObject::Connection found = QObject::connect(&context, &SpSharedRecoContext::PhraseComplete, &context,
                                                     [&](int, qint64) { ++m.phrasesFound; });
    const MonoAudio in = resample(audio, 16000);
    context.acceptAudio(in.samples.data(), in.samples.size());
    context.flushAudio();
    QObject::disconnect(hit);
    QObject::disconnect(miss);
    QObject::disconnect(found);
    if (streamed) {
        m.take(*streamed);
        m.detected = streamed->detectedFrames;
    }
    return m;
}

// The file decoded as one phrase.
Measures hearWhole(PocketSphinxContext& context, const MonoAudio& audio) {
    Measures m;
    if (const auto heard = context.hearUtterance(audio)) {
        m.heardIndex = heard->phrase;
        m.take(*heard);
        if (context.accepted(*heard)) m.index = heard->phrase;
    }
    return m;
}

void printMeasures(const PocketSphinxContext& context, const QString& file, const Measures& m) {
    auto numberOf = [&](std::optional<std::size_t> i) {
        return i ? commandNumber(context.grammar()->phrases()[*i]) : 0;
    };
    const QString text = m.index ? context.grammar()->phrases()[*m.index].text : QString();
    print(stdout,
          QStringLiteral("%1\t%2\t%3\t%4\t%5\t%6\t%7\t%8\t%9\t%10\t%11\t%12\t%13\t%14\t%15\t%16\t%17\n")
              .arg(file)
              .arg(numberOf(m.index))
              .arg(text)
              .arg(m.confidence, 0, 'f', 2)
              .arg(numberOf(m.heardIndex))
              .arg(m.margin, 0, 'f', 2)
              .arg(m.agreeing)
              .arg(m.warp, 0, 'f', 2)
              .arg(std::min(m.lead, 999.0), 0, 'f', 2)
              .arg(m.expecting ? 1 : 0)
              .arg(m.expectedHeard ? 1 : 0)
              .arg(m.phrasesFound)
              .arg(m.wordFrames)
              .arg(m.detected)
              .arg(m.ownVoice, 0, 'f', 2)
              .arg(m.score)
              .arg(m.loopScore));
    std::fflush(stdout);
}

// Decodes and prints every file, then the time it took to standard error; 1 when a file could
// not be read.
int decodeFiles(PocketSphinxContext& context, const QStringList& files, bool stream, bool ownWords,
                const std::map<QString, int>& expectations, qint64 loadMs, const QString& modelDir) {
    double audioSeconds = 0;
    qint64 decodeNs = 0;
    int failures = 0;
    for (const QString& file : files) {
        QString error;
        const auto audio = readWav(file, &error);
        if (!audio) {
            print(stderr, QStringLiteral("kuku-recognize: %1\n").arg(error));
            ++failures;
            continue;
        }
        if (ownWords) {
            const QString wordsFile = file.left(file.size() - 4) + QStringLiteral(".own.wav");
            std::optional<MonoAudio> words;
            if (file.endsWith(QStringLiteral(".wav")) && QFile::exists(wordsFile) &&
                !(words = readWav(wordsFile, &error))) {
                print(stderr, QStringLiteral("kuku-recognize: %1\n").arg(error));
                ++failures;
                continue;
            }
            context.rememberOwnWords(words ? *words : MonoAudio{});
        }
        QElapsedTimer t;
        t.start();
        const auto expected = expectations.find(QFileInfo(file).fileName());
        context.expectCommand(expected == expectations.end() ? 0 : expected->second);
        const Measures m = stream ? hearStreamed(context, *audio) : hearWhole(context, *audio);
        decodeNs += t.nsecsElapsed();
        audioSeconds += audio->seconds();
        printMeasures(context, file, m);
    }
    print(stderr, QStringLiteral("load %1 ms; decoded %2 s of audio in %3 s (%4 of real time); model %5\n")
                      .arg(loadMs)
                      .arg(audioSeconds, 0, 'f', 1)
                      .arg(decodeNs / 1e9, 0, 'f', 2)
                      .arg(audioSeconds > 0 ? decodeNs / 1e9 / audioSeconds : 0.0, 0, 'f', 4)
                      .arg(modelDir));
    return failures ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCommandLineParser cli;
    defineOptions(cli);
    cli.process(app);
    if (cli.isSet(QStringLiteral("dictionary")))
        return printDictionary(cli.value(QStringLiteral("dictionary")));
    const QStringList files = cli.positionalArguments();
    if (files.isEmpty()) cli.showHelp(2);
    const auto config = configFrom(cli);
    if (!config) return 2;

    QElapsedTimer loadTimer;
    loadTimer.start();
    PocketSphinxContext context(nullptr, *config);
    QTemporaryDir speakerDir;
    const QString speakerModelDir = cli.isSet(QStringLiteral("speaker-dir"))
                                        ? cli.value(QStringLiteral("speaker-dir"))
                                        : speakerDir.filePath(QStringLiteral("speaker"));
    QString error;
    std::optional<std::map<QString, int>> expectations;
    if (!prepareContext(context, cli, speakerModelDir, &error) ||
        !(expectations = expectationsFrom(cli, &error))) {
        print(stderr, QStringLiteral("kuku-recognize: %1\n").arg(error));
        return 1;
    }
    return decodeFiles(context, files, cli.isSet(QStringLiteral("stream")),
                       cli.isSet(QStringLiteral("own-words")), *expectations, loadTimer.elapsed(),
                       config->modelDir);
}
