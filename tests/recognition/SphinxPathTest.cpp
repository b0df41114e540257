#include "RecognitionRig.h"
#include "SpeechSamples.h"

#include "speech/platform/PocketSphinxContext.h"
#include "speech/platform/WavAudio.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace rentabo;
using namespace rentabo::testing;

namespace {

// Speech made at test time with espeak-ng (22 050 Hz, as it comes), optionally turned into
// 44.1 kHz stereo by sox; files go to the test's own sample folder.
QString synthesise(const QString& kana, const QString& name, bool stereo44k = false) {
    if (QStandardPaths::findExecutable(QStringLiteral("espeak-ng")).isEmpty()) return {};
    const QString dir = sampleFolder();
    const QString raw = dir + u'/' + name + QStringLiteral("-raw.wav");
    if (QProcess::execute(QStringLiteral("espeak-ng"),
                          {QStringLiteral("-v"), QStringLiteral("ja"), QStringLiteral("-s"),
                           QStringLiteral("140"), QStringLiteral("-w"), raw, kana}) != 0)
        return {};
    if (!stereo44k) return raw;
    const QString out = dir + u'/' + name + QStringLiteral("-44k-stereo.wav");
    if (QProcess::execute(QStringLiteral("sox"),
                          {QStringLiteral("-V1"), raw, QStringLiteral("-r"), QStringLiteral("44100"),
                           QStringLiteral("-c"), QStringLiteral("2"), out}) != 0)
        return {};
    return out;
}

std::unique_ptr<PocketSphinxContext> loadedContext() {
    auto c = std::make_unique<PocketSphinxContext>();
    QString error;
    if (!c->loadModel(&error)) return nullptr;
    return c;
}

}  // namespace

TEST(PocketSphinxPath, SpokenPhrasesReachTheHandlerWithTheirNumbers) {
    auto c = loadedContext();
    if (!c) GTEST_SKIP() << "acoustic model not installed";
    RecognitionRig rig(*c);
    ASSERT_TRUE(rig.recognition.setUp(kGrammarPath));
    EXPECT_TRUE(rig.board.memo.isEmpty()) << rig.board.memo.toStdString();
    struct Case {
        QString kana, name, call;
        int ansVWait;
    };
    const Case cases[] = {
        {u"さんのだん"_qs, u"row3"_qs, u"row:63"_qs, 0},
        {u"じゅうはち"_qs, u"n18"_qs, u"number:118"_qs, 1},
        {u"さぶろくじゅうはち"_qs, u"chant36"_qs, u"reading:224"_qs, 2},
        {u"テストはじめ"_qs, u"start"_qs, u"command:70"_qs, 0},
    };
    for (const auto& k : cases) {
        const QString path = synthesise(k.kana, k.name);
        if (path.isEmpty()) GTEST_SKIP() << "espeak-ng not available";
        auto audio = readWav(path, nullptr);
        ASSERT_TRUE(audio);
        MonoAudio in = resample(*audio, 16000);
        // A second of quiet after the phrase, as a microphone hears it: the end of speech is
        // found by the recogniser itself.
        in.samples.insert(in.samples.end(), 16000, 0);
        rig.sink.calls.clear();
        rig.state.AnsV_wait = static_cast<VoiceTest>(k.ansVWait);
        c->acceptAudio(in.samples.data(), in.samples.size());
        c->flushAudio();
        EXPECT_EQ(rig.sink.calls, QStringList{k.call}) << k.kana.toStdString();
    }
    EXPECT_FALSE(rig.view.levels.empty());
    EXPECT_GT(*std::max_element(rig.view.levels.begin(), rig.view.levels.end()), 30);
}

TEST(PocketSphinxPath, NothingIsHeardWhileNoRuleListens) {
    auto c = loadedContext();
    if (!c) GTEST_SKIP() << "acoustic model not installed";
    RecognitionRig rig(*c);
    ASSERT_TRUE(rig.recognition.setUp(kGrammarPath));
    c->CmdSetRuleIdState(0, false);
    const QString path = synthesise(u"さんのだん"_qs, u"row3"_qs);
    if (path.isEmpty()) GTEST_SKIP() << "espeak-ng not available";
    MonoAudio in = resample(*readWav(path, nullptr), 16000);
    in.samples.insert(in.samples.end(), 16000, 0);
    c->acceptAudio(in.samples.data(), in.samples.size());
    c->flushAudio();
    EXPECT_TRUE(rig.sink.calls.isEmpty());
}

TEST(PocketSphinxPath, ChatListeningSpotsTheKeywords) {
    auto c = loadedContext();
    if (!c) GTEST_SKIP() << "acoustic model not installed";
    RecognitionRig rig(*c);
    ASSERT_TRUE(rig.recognition.setUp(kGrammarPath));
    rig.recognition.EnterDicMode();
    const QString path = synthesise(u"おはようございます"_qs, u"ohayou"_qs);
    if (path.isEmpty()) GTEST_SKIP() << "espeak-ng not available";
    MonoAudio in = resample(*readWav(path, nullptr), 16000);
    in.samples.insert(in.samples.end(), 16000, 0);
    c->acceptAudio(in.samples.data(), in.samples.size());
    c->flushAudio();
    ASSERT_EQ(rig.sink.calls.size(), 1);
    EXPECT_TRUE(rig.sink.calls[0].startsWith(u"chat:おはよう"_qs)) << rig.sink.calls[0].toStdString();
}

TEST(PocketSphinxPath, AWholeFileOfAnyRateAndChannelsIsDecoded) {
    auto c = loadedContext();
    if (!c) GTEST_SKIP() << "acoustic model not installed";
    ASSERT_TRUE(c->CmdLoadFromFile(kGrammarPath));
    c->CmdSetRuleIdState(0, true);
    const QString path = synthesise(u"むらさき"_qs, u"purple"_qs, true);
    if (path.isEmpty()) GTEST_SKIP() << "espeak-ng or sox not available";
    auto audio = readWav(path, nullptr);
    ASSERT_TRUE(audio);
    EXPECT_EQ(audio->rate, 44100);
    auto index = c->recognizeUtterance(*audio);
    ASSERT_TRUE(index);
    const auto& p = c->grammar()->phrases()[*index];
    EXPECT_EQ(GetPropertyValue(RecoResult{p.text, p.properties}, u"chosencolour"_qs, u"colourvalue"_qs),
              u"10"_qs);
}

TEST(WavReading, RefusesWhatIsNotAWav) {
    const QString dir = sampleFolder();
    struct Case {
        const char* what;
        QByteArray bytes;
    };
    const Case cases[] = {
        {"empty", QByteArray()},
        {"text", QByteArray("hello, this is not audio")},
        {"header only", QByteArray("RIFF\x04\0\0\0WAVE", 12)},
        {"no data chunk",
         QByteArray("RIFF\x1c\0\0\0WAVEfmt \x10\0\0\0\x01\0\x01\0\x80\x3e\0\0\0}\0\0\x02\0\x10\0", 36)},
    };
    for (const auto& k : cases) {
        const QString path = dir + QStringLiteral("/bad.wav");
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(k.bytes);
        f.close();
        QString error;
        EXPECT_FALSE(readWav(path, &error)) << k.what;
        EXPECT_FALSE(error.isEmpty()) << k.what;
    }
}

TEST(WavReading, ResamplingKeepsLengthAndLoudness) {
    MonoAudio tone{22050, {}};
    for (int i = 0; i < 22050; ++i)
        tone.samples.push_back(std::int16_t(10000 * std::sin(2 * M_PI * 440 * i / 22050.0)));
    const MonoAudio out = resample(tone, 16000);
    EXPECT_EQ(out.samples.size(), 16000u);
    double peak = 0;
    for (std::size_t i = 100; i + 100 < out.samples.size(); ++i)
        peak = std::max(peak, std::abs(double(out.samples[i])));
    EXPECT_NEAR(peak, 10000, 300);
}

// The model folder: the one RENTABO_MODEL_DIR names when it holds a model, else model/ beside
// the program, else the English one. A named folder without a model is passed over, not used.
TEST(AcousticModel, TheFolderIsChosenInOrder) {
    QTemporaryDir named;
    QTemporaryDir empty;
    ASSERT_TRUE(named.isValid() && empty.isValid());
    QFile mdef(named.filePath(QStringLiteral("mdef")));
    ASSERT_TRUE(mdef.open(QIODevice::WriteOnly));
    mdef.close();
    const QString beside = QCoreApplication::applicationDirPath() + QStringLiteral("/model");
    ASSERT_FALSE(QFile::exists(beside + QStringLiteral("/mdef"))) << "no model beside the test program";
    const QByteArray saved = qgetenv("RENTABO_MODEL_DIR");
    const std::pair<QString, QString> cases[] = {
        {named.path(), named.path()},
        {empty.path(), englishModelDir()},
        {QString(), englishModelDir()},
    };
    for (const auto& [env, expected] : cases) {
        qputenv("RENTABO_MODEL_DIR", env.toUtf8());
        EXPECT_EQ(defaultModelDir(), expected) << env.toStdString();
    }
    qputenv("RENTABO_MODEL_DIR", saved);
}

// The model the build adapted loads, and the program's settings choose it.
TEST(AcousticModel, TheAdaptedModelIsWholeAndLoads) {
    const QString dir = qEnvironmentVariable("RENTABO_MODEL_DIR");
    if (!QFile::exists(dir + QStringLiteral("/mdef"))) GTEST_SKIP() << "no adapted model was built";
    for (const char* file :
         {"mdef", "means", "variances", "sendump", "transition_matrices", "feat.params", "noisedict"})
        EXPECT_TRUE(QFile::exists(dir + u'/' + QLatin1String(file))) << file;
    EXPECT_EQ(PocketSphinxContext::defaultConfig().modelDir, dir);
    PocketSphinxContext context;
    QString error;
    EXPECT_TRUE(context.loadModel(&error)) << error.toStdString();
}
