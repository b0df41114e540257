#include "speech/platform/EngineVoice.h"
#include "speech/platform/SpeechText.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSemaphore>

#include <gtest/gtest.h>

#include <numeric>

using namespace rentabo;

namespace {

constexpr int kRate = 8000;
constexpr int kSamplesPerChar = 80;  // 10 ms a character keeps the real-time cases short

// Each sentence becomes a block of samples whose value tells which text and sentence it was,
// so the order of what was heard can be read back from the capture.
class CodedSynth final : public Synthesizer {
public:
    QString engineName() const override { return QStringLiteral("coded"); }
    int sampleRate() const override { return kRate; }
    bool synthesize(const QString& text, int, int volume, std::vector<std::int16_t>& out,
                    QString& error) override {
        ++calls;
        if (text.contains(u'✗')) {
            error = QStringLiteral("engine broke");
            return false;
        }
        out.assign(std::size_t(text.size() * kSamplesPerChar), std::int16_t(code(text) * volume / 100));
        return true;
    }
    static std::int16_t code(const QString& text) { return std::int16_t(100 + text.at(0).unicode() % 1000); }
    int calls = 0;
};

struct Events {
    QStringList log;
    std::vector<int> levels;
};

struct Rig {
    explicit Rig(bool realTime, int interests = 0x83FE) {
        auto sink = std::make_unique<CaptureSink>(kRate, realTime);
        capture = sink.get();
        voice = std::make_unique<EngineVoice>(std::make_unique<CodedSynth>(), std::move(sink));
        voice->setEventInterests(interests);
        QObject::connect(voice.get(), &SpVoice::StartStream, voice.get(),
                         [this](int s) { events.log << QStringLiteral("start %1").arg(s); });
        QObject::connect(voice.get(), &SpVoice::EndStream, voice.get(),
                         [this](int s) { events.log << QStringLiteral("end %1").arg(s); });
        QObject::connect(voice.get(), &SpVoice::Sentence, voice.get(), [this](int s, int pos, int len) {
            events.log << QStringLiteral("sentence %1 %2+%3").arg(s).arg(pos).arg(len);
        });
        QObject::connect(voice.get(), &SpVoice::AudioLevel, voice.get(),
                         [this](int, int level) { events.levels.push_back(level); });
    }
    CaptureSink* capture = nullptr;
    std::unique_ptr<EngineVoice> voice;
    Events events;
};

std::vector<std::int16_t> coded(const QString& text) {
    std::vector<std::int16_t> all;
    for (const auto& s : splitSentences(text)) {
        const QString part = text.mid(s.position, s.length);
        all.insert(all.end(), std::size_t(part.size() * kSamplesPerChar), CodedSynth::code(part));
    }
    return all;
}

}  // namespace

TEST(EngineVoice, ThreeSentencesGiveThreeSentenceEventsInOrder) {
    Rig rig(false);
    const QString text = QStringLiteral(u"九九をものにしちゃおうね。さぶろく！じゅうはち？");
    rig.voice->Speak(text, SVSFDefault);
    EXPECT_EQ(rig.events.log, QStringList({QStringLiteral("start 1"), QStringLiteral("sentence 1 0+13"),
                                           QStringLiteral("sentence 1 13+5"),
                                           QStringLiteral("sentence 1 18+6"), QStringLiteral("end 1")}));
}

TEST(EngineVoice, AsyncUtterancesAreHeardInFullInCallOrder) {
    Rig rig(false);
    const QStringList texts{QStringLiteral(u"いんいちがいち。"), QStringLiteral(u"ににんがし。"),
                            QStringLiteral(u"さざんがく。")};
    for (const QString& t : texts) EXPECT_TRUE(rig.voice->Speak(t, SVSFlagsAsync));
    EXPECT_TRUE(rig.voice->isSpeaking());
    rig.voice->WaitUntilDone();
    std::vector<std::int16_t> expected;
    for (const QString& t : texts) {
        const auto c = coded(t);
        expected.insert(expected.end(), c.begin(), c.end());
    }
    EXPECT_EQ(rig.capture->captured(), expected);
    EXPECT_EQ(rig.events.log.filter(QStringLiteral("end")),
              QStringList({QStringLiteral("end 1"), QStringLiteral("end 2"), QStringLiteral("end 3")}));
    EXPECT_EQ(rig.capture->discards(), 0) << "an utterance was cut off";
}

TEST(EngineVoice, SpeakAndWaitReturnsOnlyAfterTheLastSampleWasPlayed) {
    Rig rig(true);
    rig.voice->Speak(QStringLiteral(u"ごく。"), SVSFlagsAsync);
    rig.voice->Speak(QStringLiteral(u"しちしち。"), SVSFDefault);
    const auto total =
        std::int64_t(coded(QStringLiteral(u"ごく。")).size() + coded(QStringLiteral(u"しちしち。")).size());
    EXPECT_EQ(rig.capture->writtenSamples(), total);
    EXPECT_GE(rig.capture->playedSamples(), total);
    EXPECT_FALSE(rig.voice->isSpeaking());
    EXPECT_EQ(rig.voice->remainingMs(), 0);
    EXPECT_TRUE(rig.events.log.endsWith(QStringLiteral("end 2")));
}

TEST(EngineVoice, LevelsFollowTheSamplesAndFallToZeroAtTheEnd) {
    Rig rig(true);
    rig.voice->setVolume(100);
    rig.voice->Speak(QStringLiteral(u"ああああああああああああああああああああ。"), SVSFDefault);
    ASSERT_GE(rig.events.levels.size(), 2u);
    const int loud = *std::max_element(rig.events.levels.begin(), rig.events.levels.end());
    EXPECT_GT(loud, 0);
    EXPECT_EQ(rig.events.levels.back(), 0);
}

TEST(EngineVoice, PausedSpeechIsNotPlayedUntilResumed) {
    Rig rig(true);
    rig.voice->Pause();
    rig.voice->Speak(QStringLiteral(u"はっく しちじゅうに。"), SVSFlagsAsync);
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 150) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_EQ(rig.capture->playedSamples(), 0);
    EXPECT_TRUE(rig.voice->isSpeaking());
    EXPECT_FALSE(rig.events.log.contains(QStringLiteral("end 1")));
    rig.voice->Resume();
    rig.voice->WaitUntilDone();
    EXPECT_TRUE(rig.events.log.contains(QStringLiteral("end 1")));
}

TEST(EngineVoice, EventsOutsideTheInterestsAreNotDelivered) {
    struct Case {
        int interests;
        bool sentence, stream, level;
    };
    const Case cases[] = {
        {0x83FE, true, true, true},
        {SVESentenceBoundary, true, false, false},
        {SVEStartInputStream | SVEEndInputStream, false, true, false},
        {SVEAudioLevel, false, false, true},
        {0, false, false, false},
    };
    for (const Case& c : cases) {
        Rig rig(false, c.interests);
        rig.voice->Speak(QStringLiteral(u"くく。"), SVSFDefault);
        EXPECT_EQ(!rig.events.log.filter(QStringLiteral("sentence")).isEmpty(), c.sentence) << c.interests;
        EXPECT_EQ(!rig.events.log.filter(QStringLiteral("start")).isEmpty(), c.stream) << c.interests;
        EXPECT_EQ(!rig.events.levels.empty(), c.level) << c.interests;
    }
}

TEST(EngineVoice, AFailedSentenceIsSilenceOfItsLengthAndTheRestIsStillSpoken) {
    Rig rig(false);
    const QString text = QStringLiteral(u"✗こわれた。つぎ。");
    rig.voice->Speak(text, SVSFDefault);
    const auto& cap = rig.capture->captured();
    const auto silence = std::size_t(estimateSpeechMs(QStringLiteral(u"✗こわれた。"), 0) * kRate / 1000);
    ASSERT_EQ(cap.size(), silence + 3 * kSamplesPerChar);
    EXPECT_TRUE(std::all_of(cap.begin(), cap.begin() + long(silence), [](auto s) { return s == 0; }));
    EXPECT_EQ(cap.back(), CodedSynth::code(QStringLiteral(u"つぎ。")));
    EXPECT_EQ(rig.events.log.filter(QStringLiteral("sentence")).size(), 2);
}

TEST(EngineVoice, VolumeAndRateAreClampedAndTakenAtSpeakTime) {
    Rig rig(false);
    rig.voice->setVolume(250);
    EXPECT_EQ(rig.voice->volume(), 100);
    rig.voice->setRate(-3);
    EXPECT_EQ(rig.voice->rate(), 0);
    rig.voice->setVolume(50);
    rig.voice->Speak(QStringLiteral(u"に。"), SVSFlagsAsync);
    rig.voice->setVolume(0);
    rig.voice->WaitUntilDone();
    EXPECT_EQ(rig.capture->captured().front(), std::int16_t(CodedSynth::code(QStringLiteral(u"に。")) / 2));
}

TEST(EngineVoice, AnEmptyTextStillStartsAndEndsItsStream) {
    Rig rig(false);
    rig.voice->Speak(QString(), SVSFDefault);
    EXPECT_EQ(rig.events.log, QStringList({QStringLiteral("start 1"), QStringLiteral("end 1")}));
}

namespace {

// Holds back every sentence marked ⏳ until the test lets it go.
class GatedSynth final : public Synthesizer {
public:
    explicit GatedSynth(QSemaphore& gate) : m_gate(gate) {}
    QString engineName() const override { return QStringLiteral("gated"); }
    int sampleRate() const override { return kRate; }
    bool synthesize(const QString& text, int, int, std::vector<std::int16_t>& out, QString&) override {
        if (text.contains(u'⏳')) m_gate.acquire();
        out.assign(std::size_t(text.size() * kSamplesPerChar), 1000);
        return true;
    }

private:
    QSemaphore& m_gate;
};

void spinUntil(const std::function<bool()>& done) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < 5000) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

}  // namespace

TEST(EngineVoice, AFinishedSentencePlaysWhileTheNextIsStillBeingMade) {
    QSemaphore gate;
    auto sink = std::make_unique<CaptureSink>(kRate, true);
    CaptureSink* capture = sink.get();
    EngineVoice voice(std::make_unique<GatedSynth>(gate), std::move(sink));
    voice.setEventInterests(0x83FE);
    QStringList log;
    QObject::connect(&voice, &SpVoice::Sentence, &voice,
                     [&log](int, int pos, int) { log << QStringLiteral("sentence %1").arg(pos); });
    QObject::connect(&voice, &SpVoice::EndStream, &voice, [&log](int) { log << QStringLiteral("end"); });
    voice.Speak(QStringLiteral(u"いち。⏳に。"), SVSFlagsAsync);
    spinUntil([&] { return capture->playedSamples() >= 3 * kSamplesPerChar; });
    EXPECT_EQ(log, QStringList{QStringLiteral("sentence 0")});
    EXPECT_TRUE(voice.isSpeaking()) << "the utterance must not end before its last sentence";
    gate.release();
    voice.WaitUntilDone();
    EXPECT_EQ(log, QStringList(
                       {QStringLiteral("sentence 0"), QStringLiteral("sentence 3"), QStringLiteral("end")}));
    EXPECT_EQ(capture->captured().size(), std::size_t(6 * kSamplesPerChar));
}

TEST(EngineVoice, DestroyingTheVoiceWithSpeechQueuedIsSafe) {
    QSemaphore gate;
    {
        EngineVoice voice(std::make_unique<GatedSynth>(gate), std::make_unique<NullSink>(kRate));
        voice.Speak(QStringLiteral(u"⏳いち。"), SVSFlagsAsync);
        voice.Speak(QStringLiteral(u"に。"), SVSFlagsAsync);
        gate.release();  // lets the worker finish its sentence while the voice goes away
    }
    QCoreApplication::processEvents();
    SUCCEED();
}

// What may come back into the microphone once the master stops: at each end of an utterance the
// samples just played, after those of the utterances before, and never more than five seconds.
TEST(EngineVoice, TheWordsJustPlayedAreKeptForTheirEcho) {
    Rig rig(false);
    std::vector<MonoAudio> atEnd;
    QObject::connect(rig.voice.get(), &SpVoice::EndStream, rig.voice.get(),
                     [&](int) { atEnd.push_back(rig.voice->lastWords()); });
    const QString first = QStringLiteral(u"いんいちがいち。"), second = QStringLiteral(u"ににんがし。");
    rig.voice->Speak(first, SVSFlagsAsync);
    rig.voice->Speak(second, SVSFDefault);
    ASSERT_EQ(atEnd.size(), 2u);
    EXPECT_EQ(atEnd[0].rate, kRate);
    EXPECT_EQ(atEnd[0].samples, coded(first));
    std::vector<std::int16_t> both = coded(first);
    const auto c = coded(second);
    both.insert(both.end(), c.begin(), c.end());
    EXPECT_EQ(atEnd[1].samples, both);

    const QString speech = QString(700, u'あ') + QStringLiteral(u"。");  // 7 s
    rig.voice->Speak(speech, SVSFDefault);
    const auto all = coded(speech);
    EXPECT_EQ(atEnd.back().samples, std::vector<std::int16_t>(all.end() - 5 * kRate, all.end()));
}
