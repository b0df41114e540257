#include "RecognitionRig.h"
#include "SpeechSamples.h"

#include "core/KukuTables.h"
#include "speech/platform/PocketSphinxContext.h"
#include "speech/platform/TypedPhraseContext.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

using namespace rentabo;
using namespace rentabo::testing;

namespace {

std::unique_ptr<PocketSphinxContext> loadedContext() {
    auto c = std::make_unique<PocketSphinxContext>();
    QString error;
    if (!c->loadModel(&error)) return nullptr;
    return c;
}

// The audio as a microphone delivers it: a second of quiet after the phrase, so the end of speech
// is found by the recogniser itself.
void hear(PocketSphinxContext& c, const MonoAudio& audio, int quietBefore = 0) {
    std::vector<std::int16_t> in(std::size_t(quietBefore), 0);
    const MonoAudio speech = resample(audio, 16000);
    in.insert(in.end(), speech.samples.begin(), speech.samples.end());
    in.insert(in.end(), 16000, 0);
    c.acceptAudio(in.data(), in.size());
    c.flushAudio();
}

}  // namespace

TEST(ListeningMoments, EachMomentListensForWhatItExpectsAndTheAlwaysOnCommands) {
    struct Case {
        int ansVWait;
        QString typed;
        QString call;  // empty: the phrase is not listened for and changes nothing
        // The voice test running: between its questions (AnsV_wait 0) it keeps its rules, and a
        // scrap of speech is not heard as a colour that would change the colour saved.
        VoiceTest running = VoiceTest::None;
    };
    const Case cases[] = {
        {1, u"じゅうはち"_qs, u"number:118"_qs},
        {1, u"さんのだん"_qs, u"row:63"_qs},
        {1, u"ストップ"_qs, u"command:86"_qs},
        {1, u"テストおわり"_qs, u"command:71"_qs},
        {1, u"おはなしモード"_qs, u"command:72"_qs},
        {1, u"みどり"_qs, {}},
        {1, u"さぶろくじゅうはち"_qs, {}},
        {2, u"さぶろくじゅうはち"_qs, u"reading:224"_qs},
        {3, u"さぶろくじゅうはち"_qs, u"reading:224"_qs},
        {2, u"じゅうはち"_qs, {}},
        {3, u"ストップ"_qs, u"command:86"_qs},
        {3, u"よーいどん"_qs, u"command:85"_qs},
        {0, u"みどり"_qs, u"command:3"_qs},
        {0, u"テストはじめ"_qs, u"command:70"_qs},
        {0, u"じゅうはち"_qs, {}},
        {0, u"さぶろくじゅうはち"_qs, {}},
        {0, u"みどり"_qs, {}, VoiceTest::Oral},
        {0, u"テストおわり"_qs, u"command:71"_qs, VoiceTest::Oral},
        {0, u"じゅうはち"_qs, u"number:118"_qs, VoiceTest::Oral},
        {0, u"みどり"_qs, {}, VoiceTest::Recitation},
        {0, u"さぶろくじゅうはち"_qs, u"reading:224"_qs, VoiceTest::FullRecitation},
    };
    TypedPhraseContext context;
    RecognitionRig rig(context);
    ASSERT_TRUE(rig.recognition.setUp(kGrammarPath));
    int falseRecognitions = 0;
    QObject::connect(&context, &SpSharedRecoContext::FalseRecognition, [&] { ++falseRecognitions; });
    for (const auto& k : cases) {
        SCOPED_TRACE(k.typed.toStdString() + " at AnsV_wait " + std::to_string(k.ansVWait) + ", test " +
                     std::to_string(static_cast<int>(k.running)));
        // The lesson changes the moment without telling the recogniser.
        rig.state.AnsV_wait = static_cast<VoiceTest>(k.ansVWait);
        rig.state.voiceRun = k.ansVWait != 0 ? static_cast<VoiceTest>(k.ansVWait) : k.running;
        rig.sink.calls.clear();
        const int before = falseRecognitions;
        context.acceptTypedPhrase(k.typed);
        if (k.call.isEmpty()) {
            EXPECT_TRUE(rig.sink.calls.isEmpty());
            EXPECT_EQ(falseRecognitions, before + 1);
        } else {
            EXPECT_EQ(rig.sink.calls, QStringList{k.call});
        }
    }
}

TEST(ListeningMoments, ChatListeningIsLeftAloneAndCommandsComeBackForTheMoment) {
    TypedPhraseContext context;
    RecognitionRig rig(context);
    ASSERT_TRUE(rig.recognition.setUp(kGrammarPath));
    rig.recognition.EnterDicMode();
    rig.state.AnsV_wait = VoiceTest::Oral;
    context.acceptTypedPhrase(u"じゅうはち"_qs);
    EXPECT_EQ(rig.sink.calls, QStringList{u"chat:じゅうはち"_qs});
    rig.recognition.EnterCcMode();
    rig.sink.calls.clear();
    context.acceptTypedPhrase(u"じゅうはち"_qs);
    context.acceptTypedPhrase(u"あか"_qs);
    EXPECT_EQ(rig.sink.calls, QStringList{u"number:118"_qs});
}

TEST(ListeningWhileSpeaking, TheMicrophoneIsMutedWhileTheMasterSpeaks) {
    TypedPhraseContext context;
    RecognitionRig rig(context);
    ASSERT_TRUE(rig.recognition.setUp(kGrammarPath));
    rig.voice.fixedDurationMs = 1000;
    EXPECT_FALSE(context.inputMuted());
    rig.speaker.SpeakAsync(u"にさんが"_qs);
    rig.speaker.SpeakAsync(u"ろく"_qs);
    rig.pacer.sleep(500);
    EXPECT_TRUE(context.inputMuted());
    // Typed answers are no echo: they still count while he speaks.
    rig.state.AnsV_wait = VoiceTest::Oral;
    context.acceptTypedPhrase(u"ろく"_qs);
    EXPECT_EQ(rig.sink.calls, QStringList{u"number:106"_qs});
    rig.pacer.sleep(1000);
    EXPECT_TRUE(context.inputMuted()) << "the second sentence is still being spoken";
    rig.pacer.sleep(600);
    EXPECT_FALSE(context.inputMuted());
}

class SpokenPhrases : public ::testing::Test {
protected:
    void SetUp() override {
        context = loadedContext();
        if (!context) GTEST_SKIP() << "acoustic model not installed";
        rig = std::make_unique<RecognitionRig>(*context);
        ASSERT_TRUE(rig->recognition.setUp(kGrammarPath));
        QObject::connect(context.get(), &SpSharedRecoContext::FalseRecognition,
                         [this](int, qint64, const RecoResult& r) { rejected << r.text; });
    }

    void expectChatRejected(const std::vector<std::pair<QString, SampleVoice>>& samples);
    void expectAnswersHeard(SampleVoice voice, Condition condition,
                            const std::vector<std::pair<QString, QString>>& answers, int mayGoUnheard = 0);

    std::unique_ptr<PocketSphinxContext> context;
    std::unique_ptr<RecognitionRig> rig;
    QStringList rejected;
};

// A fixed handful per voice that the recogniser must keep getting right: answers while a spoken
// answer is awaited, chants during a recitation, and commands while nothing is asked.
TEST_F(SpokenPhrases, AFixedSetPerVoiceDecodesRight) {
    struct Case {
        SampleVoice voice;
        int ansVWait;
        QString text;
        QString call;
    };
    const Case cases[] = {
        {SampleVoice::Es1, 1, u"にじゅうはち"_qs, u"number:128"_qs},
        {SampleVoice::Es1, 2, u"しちくろくじゅうさん"_qs, u"reading:263"_qs},
        {SampleVoice::Es1, 0, u"テストはじめ"_qs, u"command:70"_qs},
        {SampleVoice::Es2, 1, u"よんじゅうご"_qs, u"number:145"_qs},
        {SampleVoice::Es2, 2, u"さざんがく"_qs, u"reading:221"_qs},
        {SampleVoice::Es2, 0, u"ななのだん"_qs, u"row:67"_qs},
        {SampleVoice::Oj1, 1, u"さんじゅうろく"_qs, u"number:136"_qs},
        {SampleVoice::Oj1, 2, u"はっぱろくじゅうし"_qs, u"reading:271"_qs},
        {SampleVoice::Oj1, 1, u"ストップ"_qs, u"command:86"_qs},
        {SampleVoice::Oj2, 1, u"ろくじゅうさん"_qs, u"number:163"_qs},
        {SampleVoice::Oj2, 3, u"くくはちじゅういち"_qs, u"reading:281"_qs},
        {SampleVoice::Oj2, 0, u"せいせきをみせて"_qs, u"command:74"_qs},
    };
    int i = 0;
    for (const auto& k : cases) {
        SCOPED_TRACE(std::string(voiceName(k.voice)) + " " + k.text.toStdString());
        const auto audio = speak(k.text, k.voice, QStringLiteral("fixed%1").arg(i++));
        if (!audio) GTEST_SKIP() << "espeak-ng, open_jtalk or sox not available";
        rig->state.AnsV_wait = static_cast<VoiceTest>(k.ansVWait);
        rig->sink.calls.clear();
        hear(*context, *audio);
        EXPECT_EQ(rig->sink.calls, QStringList{k.call});
    }
}

// Answers said in one voice under a harder condition, one session, each the right answer to the
// question asked and heard as its number; at most `mayGoUnheard` of them heard as nothing (the
// child says it again), none as anything else.
void SpokenPhrases::expectAnswersHeard(SampleVoice voice, Condition condition,
                                       const std::vector<std::pair<QString, QString>>& answers,
                                       int mayGoUnheard) {
    int i = 0, unheard = 0;
    for (const auto& [text, call] : answers) {
        SCOPED_TRACE(text.toStdString());
        const QString name =
            QStringLiteral("%1-%2-%3").arg(QLatin1String(voiceName(voice))).arg(int(condition)).arg(i++);
        if (!speak(text, voice, name)) GTEST_SKIP() << "espeak-ng, open_jtalk or sox not available";
        const auto audio = transformed(name, condition);
        ASSERT_TRUE(audio);
        rig->state.AnsV_wait = VoiceTest::Oral;
        const auto& products = kukuTables().kotae;
        const auto asked = std::find(products.begin(), products.end(), call.section(u':', 1).toInt() - 100);
        ASSERT_NE(asked, products.end()) << "not the answer to any fact";
        rig->state.kuku_n = int(asked - products.begin());
        rig->sink.calls.clear();
        rejected.clear();
        hear(*context, *audio);
        if (rig->sink.calls.isEmpty() && unheard++ < mayGoUnheard) continue;
        EXPECT_EQ(rig->sink.calls, QStringList{call}) << "refused: " << rejected.join(u' ').toStdString();
    }
}

// Answers under white noise at 15 dB in Open JTalk's voice, which noise hurts most (the English
// model took such answers for other numbers or for ストップ); the adapted model hears them right.
// One may go unheard: with a model adapted with rooms, さんじゅうに loses its に under the noise and
// is heard as さんじゅう, which is refused (not the answer awaited, and not clear of it).
TEST_F(SpokenPhrases, AnswersUnderNoiseDecodeRight) {
    expectAnswersHeard(SampleVoice::Oj1, Condition::Noise15,
                       {{u"にじゅうはち"_qs, u"number:128"_qs},
                        {u"さんじゅう"_qs, u"number:130"_qs},
                        {u"さんじゅうろく"_qs, u"number:136"_qs},
                        {u"さんじゅうに"_qs, u"number:132"_qs},
                        {u"よんじゅうはち"_qs, u"number:148"_qs}},
                       1);
}

// A child's session: espeak-ng's voice pitched up 500 cents (the English model heard most such
// answers as other numbers or as よーいどん).
TEST_F(SpokenPhrases, AChildsAnswersDecodeRight) {
    expectAnswersHeard(SampleVoice::Es2, Condition::Pitch500,
                       {{u"じゅうに"_qs, u"number:112"_qs},
                        {u"じゅうよん"_qs, u"number:114"_qs},
                        {u"にじゅう"_qs, u"number:120"_qs},
                        {u"にじゅうなな"_qs, u"number:127"_qs},
                        {u"にじゅうよん"_qs, u"number:124"_qs},
                        {u"さんじゅうに"_qs, u"number:132"_qs},
                        {u"さんじゅうろく"_qs, u"number:136"_qs}});
}

// Sentences of chat said in command listening: heard, and rejected for want of confidence.
void SpokenPhrases::expectChatRejected(const std::vector<std::pair<QString, SampleVoice>>& samples) {
    int i = 0;
    for (const auto& [s, v] : samples) {
        SCOPED_TRACE(std::string(voiceName(v)) + " " + s.toStdString());
        const auto audio = speak(s, v, QStringLiteral("chat%1").arg(i++));
        if (!audio) GTEST_SKIP() << "espeak-ng, open_jtalk or sox not available";
        rig->sink.calls.clear();
        rejected.clear();
        hear(*context, *audio);
        EXPECT_TRUE(rig->sink.calls.isEmpty()) << rig->sink.calls.join(u' ').toStdString();
        EXPECT_EQ(rejected.size(), 1) << "heard, and rejected for want of confidence";
    }
}

TEST_F(SpokenPhrases, ChatIsNotTakenForACommand) {
    expectChatRejected({{u"きょうはいいてんきですね"_qs, SampleVoice::Es1},
                        {u"きょうはいいてんきですね"_qs, SampleVoice::Oj1},
                        {u"おなかがすいたよ"_qs, SampleVoice::Es1},
                        {u"おなかがすいたよ"_qs, SampleVoice::Oj1},
                        {u"あしたはがっこうがやすみです"_qs, SampleVoice::Oj1},
                        {u"あしたはがっこうがやすみです"_qs, SampleVoice::Es1}});
}

// While an answer is awaited (12 in a spoken test, にろくじゅうに in a recitation), a wrong number or
// another fact is told apart from the awaited answer and from a command: a wrong answer is never
// taken from the lower confidence a long command may count from.
TEST_F(SpokenPhrases, AnotherAnswerThanTheAwaitedOneIsToldFromACommand) {
    struct Case {
        VoiceTest moment;
        QString text;
        bool otherAnswer;
    };
    const Case cases[] = {
        {VoiceTest::Oral, u"にじゅうはち"_qs, true},           // a wrong number
        {VoiceTest::Oral, u"じゅうに"_qs, false},              // the awaited answer
        {VoiceTest::Oral, u"テストおわり"_qs, false},          // a command
        {VoiceTest::Recitation, u"さざんがく"_qs, true},       // another fact
        {VoiceTest::Recitation, u"にろくじゅうに"_qs, false},  // the awaited fact
    };
    const auto& products = kukuTables().kotae;
    rig->state.kuku_n = int(std::find(products.begin(), products.end(), 12) - products.begin());
    int i = 0;
    for (const auto& k : cases) {
        SCOPED_TRACE(k.text.toStdString());
        const auto audio = speak(k.text, SampleVoice::Oj1, QStringLiteral("other%1").arg(i++));
        if (!audio) GTEST_SKIP() << "open_jtalk or sox not available";
        rig->state.AnsV_wait = k.moment;
        hear(*context, *audio);
        const auto& heard = context->lastHeard();
        ASSERT_TRUE(heard);
        ASSERT_EQ(context->grammar()->phrases()[heard->phrase].text, k.text);
        EXPECT_EQ(heard->otherAnswer, k.otherAnswer);
    }
}

// The speech detector's picture of the room starts with listening. A child who speaks at once
// (a row, which must take most of the speech found) is heard, not merged with the room's first
// half second into a phrase twice as long.
TEST_F(SpokenPhrases, ACommandSaidAsListeningBeginsIsHeard) {
    const auto audio = speak(u"さんのだん"_qs, SampleVoice::Oj2, QStringLiteral("atonce63"));
    if (!audio) GTEST_SKIP() << "open_jtalk or sox not available";
    rig->state.AnsV_wait = VoiceTest::None;
    hear(*context, *audio);
    EXPECT_EQ(rig->sink.calls, QStringList{u"row:63"_qs}) << "refused: " << rejected.join(u' ').toStdString();
}

TEST_F(SpokenPhrases, TheRulesOfTheMomentThePhraseEndsInDecideIt) {
    const auto audio = speak(u"じゅうはち"_qs, SampleVoice::Es1, QStringLiteral("late18"));
    if (!audio) GTEST_SKIP() << "espeak-ng or sox not available";
    // Listening began idle; the question was asked meanwhile.
    rig->state.AnsV_wait = VoiceTest::None;
    rig->recognition.followMoment();
    rig->state.AnsV_wait = VoiceTest::Oral;
    hear(*context, *audio);
    EXPECT_EQ(rig->sink.calls, QStringList{u"number:118"_qs});
}

TEST_F(SpokenPhrases, NothingSaidWhileMutedOrInTheTailIsHeard) {
    const auto audio = speak(u"じゅうはち"_qs, SampleVoice::Es1, QStringLiteral("muted18"));
    if (!audio) GTEST_SKIP() << "espeak-ng or sox not available";
    rig->state.AnsV_wait = VoiceTest::Oral;
    context->setInputMuted(true);
    hear(*context, *audio);
    EXPECT_TRUE(rig->sink.calls.isEmpty());
    // Muting comes mid-phrase: the half heard before is dropped, not decoded later.
    context->setInputMuted(false);
    const MonoAudio speech = resample(*audio, 16000);
    context->acceptAudio(speech.samples.data(), speech.samples.size() / 2);
    context->setInputMuted(true);
    context->setInputMuted(false);
    std::vector<std::int16_t> quiet(16000, 0);
    context->acceptAudio(quiet.data(), quiet.size());
    context->flushAudio();
    EXPECT_TRUE(rig->sink.calls.isEmpty());
    // The same phrase after the tail is heard.
    hear(*context, *audio, int(PocketSphinxContext::kMuteTailSamples));
    EXPECT_EQ(rig->sink.calls, QStringList{u"number:118"_qs});
}

// A microphone is never silent: between the master's questions it hears the room's steady noise
// floor, and that is never taken for an answer, however often the master speaks and stops.
// A known gap, kept apart: the tail after the master's voice is no longer heard as digital
// silence and a phrase cut by muting no longer restarts the speech detector (false answers here
// 6 -> 1), but white noise at -50 dBFS is still heard once as く (109) in six questions.
TEST_F(SpokenPhrases, DISABLED_TheRoomsNoiseFloorBetweenQuestionsIsNeverHeardAsAnAnswer) {
    rig->state.AnsV_wait = VoiceTest::Oral;
    std::uint32_t seed = 12345;
    auto noise = [&](std::size_t n, double rms) {
        std::vector<std::int16_t> out(n);
        // Uniform white noise: RMS is amplitude / sqrt(3).
        const double amplitude = rms * 32768.0 * std::sqrt(3.0);
        for (auto& s : out) {
            seed = seed * 1664525u + 1013904223u;
            s = std::int16_t(std::lround((double(seed >> 8) / double(1u << 24) * 2.0 - 1.0) * amplitude));
        }
        return out;
    };
    for (double dbfs : {-50.0, -40.0}) {
        SCOPED_TRACE(dbfs);
        for (int question = 0; question < 6; ++question) {
            context->setInputMuted(true);  // the master asks
            context->setInputMuted(false);
            const auto floor = noise(16000 * 3, std::pow(10.0, dbfs / 20.0));
            for (std::size_t off = 0; off < floor.size(); off += 1600)
                context->acceptAudio(floor.data() + off, 1600);
        }
        context->flushAudio();
        EXPECT_TRUE(rig->sink.calls.isEmpty()) << rig->sink.calls.join(u' ').toStdString();
    }
}

// The master's words come back into the microphone after he stops (the room's echo, a sound
// server slower than the tail skipped after him): they are no answer, whatever they sound like,
// while a child saying the very same words right after him is heard. The master speaks with Open
// JTalk's voice; one child is the same synthesiser slower and higher, the voice hardest to tell
// from his, the other espeak-ng's.
TEST_F(SpokenPhrases, TheMastersEchoIsNoAnswerButAChildSayingHisWordsIs) {
    const auto master = speak(u"にじゅういち"_qs, SampleVoice::Oj1, QStringLiteral("echo-master"));
    const auto slower = speak(u"にじゅういち"_qs, SampleVoice::Oj2, QStringLiteral("echo-oj2"));
    const auto espeak = speak(u"にじゅういち"_qs, SampleVoice::Es1, QStringLiteral("echo-es1"));
    if (!master || !slower || !espeak) GTEST_SKIP() << "espeak-ng, open_jtalk or sox not available";
    // His echo: 14 dB down, with the first reflections of a small room (5, 13 and 21 ms later).
    const MonoAudio played = resample(*master, 16000);
    MonoAudio echo{16000, std::vector<std::int16_t>(played.samples.size())};
    for (std::size_t i = 0; i < echo.samples.size(); ++i) {
        double x = played.samples[i] / 5.0;
        for (const auto& [delay, gain] : {std::pair{80, 0.12}, std::pair{208, 0.08}, std::pair{336, 0.05}})
            if (i >= std::size_t(delay)) x += gain * played.samples[i - std::size_t(delay)];
        echo.samples[i] = std::int16_t(std::lround(x));
    }
    rig->state.AnsV_wait = VoiceTest::Oral;
    const auto& products = kukuTables().kotae;
    rig->state.kuku_n = int(std::find(products.begin(), products.end(), 21) - products.begin());
    rig->voice.fixedDurationMs = 1000;
    // He asks; as he stops, the voice tells what it played. Then the microphone hears `said`.
    auto heardAfterHim = [&](const MonoAudio& words, const MonoAudio& said) {
        rig->voice.playedWords = words;
        rig->speaker.SpeakAsync(u"さんしちは"_qs);
        rig->pacer.sleep(1100);
        EXPECT_FALSE(context->inputMuted());
        rig->sink.calls.clear();
        hear(*context, said, int(PocketSphinxContext::kMuteTailSamples));
        return rig->sink.calls;
    };
    const QStringList answer{u"number:121"_qs};
    ASSERT_EQ(heardAfterHim({}, echo), answer) << "his echo, not known as his, is heard as the answer";
    EXPECT_TRUE(heardAfterHim(*master, echo).isEmpty());
    EXPECT_EQ(heardAfterHim(*master, *slower), answer);
    EXPECT_EQ(heardAfterHim(*master, *espeak), answer);
}

namespace {

// Where speech is loud in the audio: its first and one past its last loud sample.
std::pair<std::size_t, std::size_t> loudSpan(const std::vector<std::int16_t>& s) {
    auto loud = [](std::int16_t v) { return std::abs(int(v)) > 1000; };
    const auto first = std::find_if(s.begin(), s.end(), loud);
    const auto last = std::find_if(s.rbegin(), s.rend(), loud);
    return {std::size_t(first - s.begin()), std::size_t(s.rend() - last)};
}

// A phrase said in two halves with a pause between them, as children do (しちしち … しじゅうく):
// each half said alone, the quiet between them exactly the pause.
std::optional<MonoAudio> saidWithPause(const QString& first, const QString& second, SampleVoice voice,
                                       int pauseMs, const QString& name) {
    const auto a = speak(first, voice, name + QStringLiteral("-a"));
    const auto b = speak(second, voice, name + QStringLiteral("-b"));
    if (!a || !b) return std::nullopt;
    MonoAudio out{16000, {a->samples.begin(), a->samples.begin() + loudSpan(a->samples).second}};
    out.samples.insert(out.samples.end(), std::size_t(pauseMs) * 16, 0);
    out.samples.insert(out.samples.end(), b->samples.begin() + loudSpan(b->samples).first, b->samples.end());
    return out;
}

}  // namespace

// A pause inside a phrase, shorter than the full quiet that ends one, never splits it into two
// judged answers, now that a phrase is looked at after a shorter quiet: the first half is another
// phrase that goes on (にじゅう), or none the moment expects, or the expected one that cannot fit
// before the pause. (Whether the joined halves are then heard as the whole phrase is up to the
// decoder: today にじゅう … いち is mostly rejected, and しちしち … しじゅうく heard as しちにじゅうし.)
TEST_F(SpokenPhrases, APauseInsideAPhraseNeverSplitsIt) {
    struct Case {
        SampleVoice voice;
        VoiceTest moment;
        int kuku_n;  // the fact asked
        QString first, second;
        QString firstAlone;  // what the first half alone is heard as (none for a half of no phrase)
    };
    const Case cases[] = {
        {SampleVoice::Oj1, VoiceTest::Oral, 24, u"にじゅう"_qs, u"いち"_qs, u"number:120"_qs},
        {SampleVoice::Es1, VoiceTest::Oral, 24, u"にじゅう"_qs, u"いち"_qs, u"number:120"_qs},
        {SampleVoice::Oj1, VoiceTest::Recitation, 60, u"しちしち"_qs, u"しじゅうく"_qs, {}},
        {SampleVoice::Es1, VoiceTest::Recitation, 60, u"しちしち"_qs, u"しじゅうく"_qs, {}},
    };
    int i = 0;
    for (const auto& k : cases) {
        SCOPED_TRACE(std::string(voiceName(k.voice)) + " " + k.first.toStdString() + " … " +
                     k.second.toStdString());
        const auto audio = saidWithPause(k.first, k.second, k.voice, 350, QStringLiteral("pause%1").arg(i++));
        if (!audio) GTEST_SKIP() << "espeak-ng, open_jtalk or sox not available";
        rig->state.AnsV_wait = k.moment;
        rig->state.kuku_n = k.kuku_n;
        rig->sink.calls.clear();
        rejected.clear();
        hear(*context, *audio);
        EXPECT_LE(rig->sink.calls.size() + rejected.size(), 1) << rig->sink.calls.join(u' ').toStdString();
        EXPECT_FALSE(rig->sink.calls.contains(k.firstAlone));
    }
}

// The right answer is taken as soon as a short quiet follows it; anything else waits for the
// full quiet (the audio fed in the microphone's small pieces, time counted in audio).
TEST_F(SpokenPhrases, OnlyTheExpectedAnswerIsTakenBeforeTheFullQuiet) {
    struct Case {
        QString text;
        VoiceTest moment;
        int kuku_n;
        QString call;
        bool early;
    };
    // The voice is judged over the first four phrases; the right answers after them are looked
    // at with the speaker's best warps alone.
    const Case cases[] = {
        // A row, a command, and the answer asked when longer numbers go on from it.
        {u"さんのだん"_qs, VoiceTest::Oral, 26, u"row:63"_qs, false},
        {u"ストップ"_qs, VoiceTest::Oral, 26, u"command:86"_qs, false},
        {u"にじゅう"_qs, VoiceTest::Oral, 31, u"number:120"_qs, false},
        {u"ストップ"_qs, VoiceTest::Oral, 23, u"command:86"_qs, false},
        {u"にじゅうしち"_qs, VoiceTest::Oral, 26, u"number:127"_qs, true},
        {u"じゅうはち"_qs, VoiceTest::Oral, 23, u"number:118"_qs, true},
        {u"さぶろくじゅうはち"_qs, VoiceTest::Recitation, 23, u"reading:224"_qs, true},
        // With nothing awaited there is nothing to take early: the row is heard at the full quiet.
        {u"ななのだん"_qs, VoiceTest::None, 23, u"row:67"_qs, false},
    };
    int i = 0;
    for (const auto& k : cases) {
        SCOPED_TRACE(k.text.toStdString());
        const auto audio = speak(k.text, SampleVoice::Oj1, QStringLiteral("early%1").arg(i++));
        if (!audio) GTEST_SKIP() << "open_jtalk or sox not available";
        rig->state.AnsV_wait = k.moment;
        rig->state.kuku_n = k.kuku_n;
        rig->sink.calls.clear();
        // 0.35 s after the speech's last loud sample: past the short quiet, short of the full one.
        std::vector<std::int16_t> in = resample(*audio, 16000).samples;
        const std::size_t upTo = loudSpan(in).second + 350 * 16;
        in.resize(std::max(in.size(), upTo), 0);
        for (std::size_t off = 0; off < upTo; off += 320)
            context->acceptAudio(in.data() + off, std::min<std::size_t>(320, upTo - off));
        EXPECT_EQ(!rig->sink.calls.isEmpty(), k.early);
        std::vector<std::int16_t> quiet(8000, 0);
        context->acceptAudio(quiet.data(), quiet.size());
        EXPECT_EQ(rig->sink.calls, QStringList{k.call});
    }
}
