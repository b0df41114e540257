#include "speech/platform/EngineVoice.h"
#include "speech/platform/OpenJTalkSynth.h"
#include "speech/platform/VoiceFactory.h"
#include "speech/platform/WavFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "tests/voice/ProgramTexts.h"

#include <gtest/gtest.h>

using namespace rentabo;

namespace {

struct Spoken {
    std::vector<std::int16_t> samples;
    QStringList events;
};

// The program's voice on one engine, its audio captured instead of played.
struct CapturedVoice {
    CapturedVoice(const QString& engine, bool realTime) {
        VoiceChoice choice;
        choice.engine = engine;
        choice.makeSink = [this, realTime](int rate) {
            auto sink = std::make_unique<CaptureSink>(rate, realTime);
            capture = sink.get();
            return sink;
        };
        voice = createVoice(QString(), nullptr, choice, &notes);
        voice->setEventInterests(0x83FE);
        QObject::connect(voice.get(), &SpVoice::Sentence, voice.get(), [this](int s, int pos, int len) {
            events << QStringLiteral("sentence %1 %2+%3").arg(s).arg(pos).arg(len);
        });
        QObject::connect(voice.get(), &SpVoice::EndStream, voice.get(),
                         [this](int s) { events << QStringLiteral("end %1").arg(s); });
    }
    bool real() const { return capture != nullptr; }

    std::unique_ptr<SpVoice> voice;
    CaptureSink* capture = nullptr;
    QStringList notes;
    QStringList events;
};

std::vector<std::int16_t> synthesizeAlone(const QString& engine, const QString& text, int rate = 0,
                                          int volume = 100) {
    auto synth = createSynthesizer(engine, QString());
    std::vector<std::int16_t> out;
    QString error;
    EXPECT_TRUE(synth->synthesize(text, rate, volume, out, error)) << error.toStdString();
    return out;
}

class RealEngine : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        engine = QString::fromLatin1(GetParam());
        QString why;
        if (!createSynthesizer(engine, QString(), &why)) GTEST_SKIP() << why.toStdString();
    }
    QString engine;
};

}  // namespace

TEST_P(RealEngine, SampleTextsGiveAudibleSpeechOfAPlausibleLength) {
    auto synth = createSynthesizer(engine, QString());
    for (const char16_t* t :
         {u"九九をものにしちゃおうね。", u"さざんがく", u"３×６は１８", u"テストを中止しました。"}) {
        std::vector<std::int16_t> pcm;
        QString error;
        ASSERT_TRUE(synth->synthesize(QString::fromUtf16(t), 0, 100, pcm, error)) << error.toStdString();
        const double seconds = double(pcm.size()) / synth->sampleRate();
        EXPECT_GT(seconds, 0.4) << QString::fromUtf16(t).toStdString();
        EXPECT_LT(seconds, 6.0) << QString::fromUtf16(t).toStdString();
        EXPECT_GT(audioLevel(pcm.data(), pcm.size()), 40) << QString::fromUtf16(t).toStdString();
    }
}

TEST_P(RealEngine, EveryTextTheProgramSpeaksIsAudible) {
    auto synth = createSynthesizer(engine, QString());
    int heard = 0;
    for (const QString& text : rentabo::testing::programTexts()) {
        if (text.trimmed().isEmpty() || text == QStringLiteral(u"　")) continue;  // blank hints
        std::vector<std::int16_t> pcm;
        QString error;
        ASSERT_TRUE(synth->synthesize(text, 0, 100, pcm, error))
            << text.toStdString() << ": " << error.toStdString();
        EXPECT_GT(audioLevel(pcm.data(), pcm.size()), 30) << text.toStdString();
        ++heard;
    }
    EXPECT_GE(heard, 81 * 3);
}

TEST_P(RealEngine, TheFastestRateIsClearlyFasterButNotGarbled) {
    const QString text = QStringLiteral(u"しちしち しじゅうく。はっぱ ろくじゅうし。");
    const double normal = double(synthesizeAlone(engine, text, 0).size());
    const double fast = double(synthesizeAlone(engine, text, 10).size());
    EXPECT_GT(fast / normal, 0.45);
    EXPECT_LT(fast / normal, 0.8);
}

TEST_P(RealEngine, VolumeScalesTheLoudnessAndZeroIsSilent) {
    const QString text = QStringLiteral(u"くく。");
    const auto full = synthesizeAlone(engine, text, 0, 100);
    const auto half = synthesizeAlone(engine, text, 0, 50);
    const auto none = synthesizeAlone(engine, text, 0, 0);
    EXPECT_LT(audioLevel(half.data(), half.size()), audioLevel(full.data(), full.size()));
    EXPECT_EQ(audioLevel(none.data(), none.size()), 0);
}

TEST_P(RealEngine, ThreeSentencesGiveThreeSentenceEvents) {
    CapturedVoice v(engine, false);
    ASSERT_TRUE(v.real()) << v.notes.join(u'\n').toStdString();
    EXPECT_EQ(v.voice->engineName(), engine);
    v.voice->Speak(QStringLiteral(u"いんいちがいち。ににんがし！さざんがく？"), SVSFDefault);
    EXPECT_EQ(v.events, QStringList({QStringLiteral("sentence 1 0+8"), QStringLiteral("sentence 1 8+6"),
                                     QStringLiteral("sentence 1 14+6"), QStringLiteral("end 1")}));
}

TEST_P(RealEngine, AsyncTextsAreHeardInFullInCallOrder) {
    CapturedVoice v(engine, false);
    ASSERT_TRUE(v.real());
    const QStringList texts{QStringLiteral(u"しはん"), QStringLiteral(u"九九きわむ"),
                            QStringLiteral(u"またね。")};
    std::vector<std::int16_t> expected;
    for (const QString& t : texts) {
        const auto alone = synthesizeAlone(engine, t);
        expected.insert(expected.end(), alone.begin(), alone.end());
        v.voice->Speak(t, SVSFlagsAsync);
    }
    v.voice->WaitUntilDone();
    if (engine == QStringLiteral("espeak")) {
        // espeak-ng varies its pitch a little at random, so two runs differ by a few samples.
        EXPECT_NEAR(double(v.capture->captured().size()), double(expected.size()), expected.size() * 0.03);
    } else {
        EXPECT_TRUE(v.capture->captured() == expected) << "the capture is not the three texts in order";
    }
}

TEST_P(RealEngine, SpeakAndWaitReturnsAfterTheLastSampleWasPlayed) {
    CapturedVoice v(engine, true);
    ASSERT_TRUE(v.real());
    v.voice->Speak(QStringLiteral(u"に。"), SVSFDefault);
    EXPECT_GT(v.capture->writtenSamples(), 0);
    EXPECT_GE(v.capture->playedSamples(), v.capture->writtenSamples());
    EXPECT_FALSE(v.voice->isSpeaking());
    EXPECT_TRUE(v.events.contains(QStringLiteral("end 1")));
}

INSTANTIATE_TEST_SUITE_P(Engines, RealEngine, ::testing::Values("open-jtalk", "espeak"));

TEST(VoiceFactory, EnginesAreChosenInOrderAndAnUnusableOneFallsBackToSilence) {
    const struct {
        const char* asked;
        QStringList acceptable;
    } cases[] = {
        {"", {QStringLiteral("open-jtalk"), QStringLiteral("espeak"), QStringLiteral("silent")}},
        {"silent", {QStringLiteral("silent")}},
        {"no-such-engine", {QStringLiteral("silent")}},
    };
    for (const auto& c : cases) {
        VoiceChoice choice;
        choice.engine = QString::fromLatin1(c.asked);
        choice.makeSink = [](int rate) { return std::make_unique<NullSink>(rate); };
        QStringList notes;
        auto voice = createVoice(QString(), nullptr, choice, &notes);
        ASSERT_TRUE(voice);
        EXPECT_TRUE(c.acceptable.contains(voice->engineName())) << c.asked;
        if (std::string(c.asked) == "no-such-engine") {
            EXPECT_EQ(notes.size(), 1) << "the reason is kept for the memo";
        }
    }
    // Open JTalk comes first whenever it is installed.
    if (findOpenJTalk(QString())) {
        VoiceChoice choice;
        choice.makeSink = [](int rate) { return std::make_unique<NullSink>(rate); };
        EXPECT_EQ(createVoice(QString(), nullptr, choice)->engineName(), QStringLiteral("open-jtalk"));
    }
}

TEST(VoiceFactory, AVoiceBesideTheProgramIsPreferredToTheSystemOnes) {
    const auto system = findOpenJTalk(QString());
    if (!system) GTEST_SKIP() << "Open JTalk is not installed";
    QTemporaryDir exe;
    ASSERT_TRUE(QDir(exe.path()).mkpath(QStringLiteral("voices/mine")));
    const QString mine = exe.filePath(QStringLiteral("voices/mine/mine.htsvoice"));
    ASSERT_TRUE(QFile::link(system->voice, mine));
    const auto found = findOpenJTalk(exe.path());
    ASSERT_TRUE(found);
    EXPECT_EQ(found->voice, mine);
    EXPECT_EQ(found->sampleRate, system->sampleRate);
}

TEST(OpenJTalk, RateAndVolumeMapOntoItsSpeedAndGain) {
    OpenJTalkSynth synth(
        {QStringLiteral("open_jtalk"), QStringLiteral("dic"), QStringLiteral("v.htsvoice"), 48000});
    const struct {
        int rate, volume;
        const char* speed;
        const char* gain;
    } cases[] = {{0, 100, "1.00", "0.00"},
                 {10, 50, "1.70", "-6.02"},
                 {5, 10, "1.35", "-20.00"},
                 {-4, 250, "1.00", "0.00"},
                 {99, 0, "1.70", "0.00"}};
    for (const auto& c : cases) {
        const QStringList args = synth.arguments(c.rate, c.volume);
        EXPECT_EQ(args.value(args.indexOf(QStringLiteral("-r")) + 1), QString::fromLatin1(c.speed)) << c.rate;
        EXPECT_EQ(args.value(args.indexOf(QStringLiteral("-g")) + 1), QString::fromLatin1(c.gain))
            << c.volume;
    }
}

TEST(OpenJTalk, ATextWithNothingToSayIsSilenceNotAFailure) {
    auto synth = createSynthesizer(QStringLiteral("open-jtalk"), QString());
    if (!synth) GTEST_SKIP();
    std::vector<std::int16_t> out{1, 2, 3};
    QString error;
    EXPECT_TRUE(synth->synthesize(QStringLiteral(u"■"), 0, 100, out, error)) << error.toStdString();
    EXPECT_TRUE(out.empty());
}
