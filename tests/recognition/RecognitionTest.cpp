#include "RecognitionRig.h"

#include "speech/platform/SpeechFailure.h"
#include "speech/platform/TypedPhraseContext.h"

#include <gtest/gtest.h>

using namespace rentabo;
using namespace rentabo::testing;

namespace {

// A context whose recogniser cannot be reached or has no dictation.
class BrokenContext final : public GrammarRecoContext {
public:
    bool reachable = true;
    bool dictation = true;
    bool rulesSwitch = true;
    bool setEventInterests(int i) override { return reachable && GrammarRecoContext::setEventInterests(i); }
    bool CmdSetRuleIdState(int id, bool active) override {
        return rulesSwitch && GrammarRecoContext::CmdSetRuleIdState(id, active);
    }
    QString engineName() const override { return QStringLiteral("broken"); }

protected:
    bool dictationAvailable() const override { return dictation; }
};

}  // namespace

TEST(RecognitionSetUp, StartsInCommandListeningWithTheGrammarsRulesActive) {
    TypedPhraseContext c;
    RecognitionRig rig(c);
    rig.state.cc_mode = Listening::Chat;
    ASSERT_TRUE(rig.recognition.setUp(kGrammarPath));
    EXPECT_EQ(rig.board.memo, QString());
    EXPECT_EQ(rig.view.label, u"☆練習・テストモード"_qs);
    EXPECT_EQ(rig.view.labelColour, kModeLabelRed);
    EXPECT_EQ(rig.state.cc_mode, Listening::Commands);
    EXPECT_EQ(c.eventInterests(), SREAllEvents);
    EXPECT_TRUE(c.commandsActive());
    EXPECT_FALSE(c.dictationActive());
    c.acceptTypedPhrase(u"さんのだん"_qs);
    c.acceptTypedPhrase(u"こんにちは"_qs);  // free speech is not heard
    EXPECT_EQ(rig.sink.calls, QStringList{u"row:63"_qs});
}

TEST(RecognitionSetUp, AMissingGrammarIsLoggedAndListeningStaysOnCommands) {
    TypedPhraseContext c;
    RecognitionRig rig(c);
    ASSERT_TRUE(rig.recognition.setUp(QStringLiteral("/nonexistent/KukuGrammar.xml")));
    EXPECT_EQ(rig.board.memo, u"Grammar の読み込みに失敗。\n"_qs);
    EXPECT_EQ(rig.state.cc_mode, Listening::Commands);
    EXPECT_EQ(rig.view.label, u"☆練習・テストモード"_qs);
    c.acceptTypedPhrase(u"さんのだん"_qs);
    EXPECT_TRUE(rig.sink.calls.isEmpty());
}

TEST(RecognitionSetUp, MissingDictationIsLoggedAndSetUpGoesOn) {
    BrokenContext c;
    c.dictation = false;
    RecognitionRig rig(c);
    ASSERT_TRUE(rig.recognition.setUp(kGrammarPath));
    EXPECT_EQ(rig.board.memo, u"Dictation Mode に失敗。\n"_qs);
    EXPECT_EQ(rig.state.cc_mode, Listening::Commands);
}

TEST(RecognitionSetUp, AnUnreachableRecogniserStopsTheSetUp) {
    BrokenContext c;
    c.reachable = false;
    RecognitionRig rig(c);
    rig.state.cc_mode = Listening::Chat;
    EXPECT_FALSE(rig.recognition.setUp(kGrammarPath));
    EXPECT_TRUE(rig.view.label.isEmpty());
    EXPECT_EQ(rig.state.cc_mode, Listening::Chat);
}

TEST(RecognitionSetUp, AFailedRuleSwitchAsksWithWhatFailedAndCanStopTheSetUp) {
    for (const bool goOn : {true, false}) {
        BrokenContext c;
        c.rulesSwitch = false;
        RecognitionRig rig(c);
        QStringList asked;
        setSpeechFailureHandler([&](const QString& operation, const QString& error) {
            asked << operation + u'|' + error;
            return goOn;
        });
        EXPECT_EQ(rig.recognition.setUp(kGrammarPath), goOn);
        setSpeechFailureHandler({});
        ASSERT_FALSE(asked.isEmpty());
        // The learner is told what could not be done, in Japanese, not which engine runs.
        EXPECT_EQ(asked[0], u"CmdSetRuleIdState|練習・テストの言葉の聞き取りを止められませんでした。"_qs);
        for (const QString& a : asked) EXPECT_FALSE(a.contains(u"broken"_qs)) << a.toStdString();
        EXPECT_EQ(asked.size(), goOn ? 2 : 1);
    }
}

TEST(RecognitionEvent, LogsThePhraseBeforeAnythingElse) {
    TypedPhraseContext c;
    RecognitionRig rig(c);
    rig.recognition.setUp(kGrammarPath);
    rig.state.AnsV_wait = VoiceTest::Oral;
    rig.state.ans_way = 1;
    c.acceptTypedPhrase(u"じゅうはち"_qs);
    EXPECT_EQ(rig.board.memo, u"<◆astr=じゅうはち><cc_mode=1><AnsV_wait=1>\n<◆cV=118><ans_way=1>"_qs);
    EXPECT_EQ(rig.view.lineCount, 1);
    EXPECT_EQ(rig.recognition.astr(), u"じゅうはち"_qs);
    EXPECT_EQ(rig.recognition.cValue(), 118);
}

TEST(RecognitionEvent, HandsEveryPhraseOnWithItsCommandNumber) {
    struct Case {
        QString phrase;
        QStringList calls;
        int ansVWait = 0;  // numbers are listened for while an answer is awaited, readings in a recitation
    };
    const Case cases[] = {
        {u"さんのだん"_qs, {u"row:63"_qs}},
        {u"じゅうはち"_qs, {u"number:118"_qs}, 1},
        {u"さぶろくじゅうはち"_qs, {u"reading:224"_qs}, 2},
        {u"さぶろくじゅうはち"_qs, {u"reading:224"_qs}, 3},
        {u"テストはじめ"_qs, {u"command:70"_qs}},
        {u"あか"_qs, {u"command:1"_qs}},
        {u"にがてをよんで"_qs, {u"command:310"_qs}},
    };
    for (const auto& k : cases) {
        TypedPhraseContext c;
        RecognitionRig rig(c);
        rig.recognition.setUp(kGrammarPath);
        rig.state.AnsV_wait = static_cast<VoiceTest>(k.ansVWait);
        c.acceptTypedPhrase(k.phrase);
        EXPECT_EQ(rig.sink.calls, k.calls) << k.phrase.toStdString();
    }
}

TEST(RecognitionEvent, APhraseWithoutTheCommandPropertyCarriesZero) {
    TypedPhraseContext c;
    RecognitionRig rig(c);
    ASSERT_TRUE(c.loadGrammarXml(
        "<GRAMMAR><RULE ID='1' TOPLEVEL='ACTIVE'><P PROPNAME='other' VAL='5'>あか</P></RULE></GRAMMAR>"));
    c.CmdSetRuleIdState(0, true);
    Q_EMIT c.Recognition(1, 0, SRTStandard, RecoResult{u"あか"_qs, {{u"other"_qs, u"5"_qs, {}}}});
    EXPECT_EQ(rig.sink.calls, QStringList{u"command:0"_qs});
    EXPECT_TRUE(rig.board.memo.endsWith(u"<◆cV=0><ans_way=0>"_qs));
}

TEST(RecognitionEvent, AppliesTheMemoLineLimits) {
    struct Case {
        int linesBefore;
        bool warned, cleared;
    };
    const Case cases[] = {{299, false, false}, {300, true, false}, {349, true, false}, {350, false, true}};
    for (const auto& k : cases) {
        TypedPhraseContext c;
        RecognitionRig rig(c);
        rig.recognition.setUp(kGrammarPath);
        for (int i = 0; i < k.linesBefore; ++i) rig.board.appendMemo(QStringLiteral("x\n"));
        c.acceptTypedPhrase(u"あか"_qs);
        EXPECT_EQ(rig.board.memoRed, k.warned) << k.linesBefore;
        EXPECT_EQ(rig.board.memo.contains(u"行数が350行を超えると"_qs), k.warned) << k.linesBefore;
        if (k.cleared) {
            EXPECT_EQ(rig.board.memo, u"<◆cV=1><ans_way=0>"_qs);
            EXPECT_EQ(rig.view.lineCount, 0);
        } else {
            EXPECT_EQ(rig.view.lineCount, k.linesBefore + 1) << k.linesBefore;
        }
    }
}

TEST(ListeningModes, ChatListeningHearsFreeTextAndCommandListeningComesBack) {
    TypedPhraseContext c;
    RecognitionRig rig(c);
    rig.recognition.setUp(kGrammarPath);
    rig.board.comboShown = 0;
    rig.recognition.EnterDicMode();
    EXPECT_EQ(rig.state.cc_mode, Listening::Chat);
    EXPECT_EQ(rig.view.label, u"★おはなしモード"_qs);
    EXPECT_EQ(rig.view.labelColour, kModeLabelBlue);
    EXPECT_EQ(rig.view.background, 0x808000);
    EXPECT_EQ(rig.board.memo, u"<★DicMode Entered★>"_qs);
    EXPECT_EQ(rig.pacer.beeps, 1);
    c.acceptTypedPhrase(u"ねえモードチェンジして"_qs);
    c.acceptTypedPhrase(u"あか"_qs);  // heard as words, not as the colour command
    EXPECT_EQ(rig.sink.calls, (QStringList{u"chat:ねえモードチェンジして"_qs, u"chat:あか"_qs}));
    EXPECT_TRUE(rig.board.memo.contains(u"<◆astr=ねえモードチェンジして><cc_mode=0><AnsV_wait=0>\n"_qs));

    rig.recognition.EnterCcMode();
    EXPECT_EQ(rig.state.cc_mode, Listening::Commands);
    EXPECT_EQ(rig.view.label, u"☆練習・テストモード"_qs);
    EXPECT_EQ(rig.board.comboShown, 1);
    EXPECT_EQ(rig.pacer.beeps, 2);
    c.acceptTypedPhrase(u"あか"_qs);
    EXPECT_EQ(rig.sink.calls.last(), u"command:1"_qs);
    EXPECT_EQ(rig.voice.texts(), (QStringList{u"おはなしモード 受け付けました。"_qs,
                                              u"練習・テストモード 受け付けました。"_qs}));
}

TEST(ListeningModes, TheMicrophoneLevelReachesTheMeter) {
    TypedPhraseContext c;
    RecognitionRig rig(c);
    Q_EMIT c.AudioLevel(0, 0, 42);
    Q_EMIT c.AudioLevel(0, 0, 140);
    EXPECT_EQ(rig.view.levels, (std::vector<int>{42, 100}));
}

// While the learner says phrases shown for the recogniser to learn the voice, it listens for the
// phrase shown alone, and nothing said (not even that phrase) is a command of the program.
TEST(RecognitionEvent, PhrasesSaidForTheVoiceToLearnAreNoCommands) {
    TypedPhraseContext c;
    RecognitionRig rig(c);
    rig.recognition.setUp(kGrammarPath);
    QStringList heard;
    QObject::connect(&c, &SpSharedRecoContext::Recognition, &c,
                     [&](int, qint64, int, const RecoResult& r) { heard << r.text; });
    rig.recognition.EnterDicMode();  // in chat listening too
    c.listenFor(u"テストはじめ"_qs);
    for (const QString& said : {u"テストはじめ"_qs, u"ストップ"_qs, u"じゅうはち"_qs})
        c.acceptTypedPhrase(said);
    EXPECT_EQ(heard, QStringList{u"テストはじめ"_qs});
    EXPECT_TRUE(rig.sink.calls.isEmpty()) << rig.sink.calls.join(u' ').toStdString();
    c.listenFor({});
    rig.recognition.EnterCcMode();
    c.acceptTypedPhrase(u"テストはじめ"_qs);
    EXPECT_EQ(rig.sink.calls, QStringList{u"command:70"_qs});
}
