#include "tests/speech/VoiceRig.h"

#include <gtest/gtest.h>

using namespace rentabo;
using namespace rentabo::testing;

namespace {

constexpr int kSanNoDan = 3;  // 三の段 in the row list
constexpr int kOralOrdered = 5;
constexpr int kRecitationOrdered = 7;
constexpr int kFullRecitation = 9;

int numberOf(int product) {
    return 100 + product;
}
int readingOf(int k) {
    return 201 + k;
}

struct VoiceExamsTest : ::testing::Test {
    VoiceRig rig;
};

}  // namespace

TEST_F(VoiceExamsTest, SpokenAnswerRightShowsTheMarkAndMovesOnAfterHalfASecond) {
    rig.chooseVoice(kSanNoDan, kOralOrdered);
    rig.state.yomiWay = 1;
    rig.commands.handleCommand(70);
    // Answer 3×1 … 3×5 right, then 18 for 3×6.
    for (int b = 1; b <= 6; ++b) {
        ASSERT_TRUE(rig.untilAwaiting());
        ASSERT_EQ(rig.state.kuku_n, 18 + b - 1);
        const auto before = rig.pacer.now();
        rig.commands.handleCommand(numberOf(3 * b));
        if (b == 6) {
            EXPECT_EQ(rig.board.history(BoardText::Mark).filter(q(u"◎")).size(), 6);
            EXPECT_EQ(rig.timesOf(BoardText::Answer, q(u"１８")).back(), before);
            EXPECT_TRUE(rig.board.answerRed);
            // The next question is shown half a second after the mark.
            EXPECT_EQ(rig.timesOf(BoardText::Expression, expr(3, 7) + u'＝').front(), before + 500);
        }
    }
    EXPECT_EQ(rig.cells(0, 6), (std::vector<int>{1, 1, 1, 1, 1, 1}));
    EXPECT_EQ(rig.voiceHost.heardRight, 6);  // each right answer may teach the learner's voice
    EXPECT_TRUE(rig.host.weak.empty());
    // The question was spoken before the answer was awaited.
    EXPECT_TRUE(rig.voice.texts().contains(q(u"さぶろく")));
}

TEST_F(VoiceExamsTest, AWrongNumberIsMarkedAndBecomesAWeakPoint) {
    rig.chooseVoice(kSanNoDan, kOralOrdered);
    rig.commands.handleCommand(70);
    ASSERT_TRUE(rig.untilAwaiting());
    rig.commands.handleCommand(numberOf(4));  // 3×1 is 3
    EXPECT_EQ(rig.board.history(BoardText::Mark).filter(q(u"×")).size(), 1);
    EXPECT_EQ(rig.host.weak, (std::vector<int>{18}));
    EXPECT_EQ(rig.state.testRec[0], 0);
    EXPECT_EQ(rig.voiceHost.heardRight, 0);  // a wrong number may be a wrong hearing
}

TEST_F(VoiceExamsTest, SilenceTimesOutAsWrongButNotWeak) {
    rig.chooseVoice(kSanNoDan, kOralOrdered, 2);  // ふつう: speedTimerWait 2700
    rig.state.pinponFlag = 0;
    rig.commands.handleCommand(70);
    ASSERT_TRUE(rig.untilAwaiting(0));
    const auto asked = rig.pacer.now();
    // 3700 ms counted at 200 per 300-ms tick: the 19th tick.
    rig.pacer.advanceBy(10000);
    const auto shown = rig.timesOf(BoardText::Answer, QStringLiteral("--"));
    ASSERT_FALSE(shown.empty());
    const std::int64_t firstTick = 1000;
    EXPECT_EQ(shown.front(), firstTick + 18 * 300);
    EXPECT_GT(shown.front(), asked);
    EXPECT_EQ(rig.board.history(BoardText::Mark).filter(q(u"×")).size(), 1);
    // The wrong sound plays even with effects off.
    EXPECT_EQ(rig.effects.played.front(), 1);
    EXPECT_EQ(rig.state.testRec[0], 0);
    EXPECT_TRUE(rig.host.weak.empty());
    EXPECT_EQ(rig.voiceHost.heardRight, 0);
}

TEST_F(VoiceExamsTest, NinthAnswerOfTheThirdRoundOpensTableOneWithTheListsHidden) {
    rig.chooseVoice(kSanNoDan, kOralOrdered);
    rig.board.CBoxDsp(0);
    rig.commands.handleCommand(70);
    for (int i = 0; i < 27; ++i) {
        ASSERT_TRUE(rig.untilAwaiting()) << i;
        rig.commands.handleCommand(
            numberOf(rig.state.kuku_n / 9 + 1 == 3 ? 3 * (rig.state.kuku_n % 9 + 1) : 0));
    }
    ASSERT_EQ(rig.host.tables.size(), 1u);
    EXPECT_EQ(rig.host.tables[0].table, 1);
    EXPECT_EQ(rig.board.comboShown, 0);
    EXPECT_EQ(rig.state.AnsV_wait, VoiceTest::None);
    EXPECT_EQ(rig.cells(0, 27), std::vector<int>(27, 1));
    EXPECT_EQ(rig.voiceHost.choicesEnabled.back(), true);
    EXPECT_EQ(rig.board.history(BoardText::Round).filter(q(u"[３回目]")).size(), 1);
}

TEST_F(VoiceExamsTest, TimeOutOnTheLastQuestionShowsTheListsBeforeTableOne) {
    rig.chooseVoice(kSanNoDan, kOralOrdered);
    rig.board.CBoxDsp(0);
    rig.commands.handleCommand(70);
    for (int i = 0; i < 26; ++i) {
        ASSERT_TRUE(rig.untilAwaiting()) << i;
        rig.commands.handleCommand(numberOf(3 * (rig.state.kuku_n % 9 + 1)));
    }
    ASSERT_TRUE(rig.untilAwaiting());
    rig.pacer.advanceBy(10000);
    ASSERT_EQ(rig.host.tables.size(), 1u);
    EXPECT_EQ(rig.host.tables[0].state.testRec[26], 0);
    EXPECT_EQ(rig.board.comboShown, 1);
}

TEST_F(VoiceExamsTest, AnAnswerSaidDuringThePauseAfterAMarkIsNoAnswerToTheNextQuestion) {
    rig.chooseVoice(kSanNoDan, kOralOrdered);
    rig.commands.handleCommand(70);
    ASSERT_TRUE(rig.untilAwaiting());
    const auto t = rig.pacer.now();
    rig.say(t + 200, numberOf(6));  // arrives while 3×1 is still being marked, before 3×2 is asked
    rig.commands.handleCommand(numberOf(3));
    rig.pacer.advanceBy(100);
    EXPECT_EQ(rig.cells(0, 2), (std::vector<int>{1, 2}));
    EXPECT_EQ(rig.state.kuku_n, 19);
    EXPECT_TRUE(rig.host.weak.empty());
}

TEST_F(VoiceExamsTest, RecitationExpectsTheReadingOfTheFactShown) {
    rig.chooseVoice(kSanNoDan, kRecitationOrdered);
    rig.commands.handleCommand(70);
    ASSERT_TRUE(rig.untilAwaiting());
    EXPECT_EQ(rig.state.AnsV_wait, VoiceTest::Recitation);
    rig.commands.handleCommand(readingOf(18));  // さんいちがさん
    ASSERT_TRUE(rig.untilAwaiting());
    rig.commands.handleCommand(readingOf(20));  // 3×3 said for 3×2
    EXPECT_EQ(rig.cells(0, 2), (std::vector<int>{1, 0}));
    EXPECT_EQ(rig.host.weak, (std::vector<int>{19}));
}

TEST_F(VoiceExamsTest, FullRecitationRestartsAfterAWrongFactAndEndsAfterTwoRightPasses) {
    rig.chooseVoice(kSanNoDan, kOralOrdered);
    rig.engine.chooseLesson(kFullRecitation);  // item 10 keeps the answer way of the mode before
    rig.state.yomiWay = 1;
    rig.commands.handleCommand(70);
    ASSERT_TRUE(rig.untilAwaiting());
    EXPECT_EQ(rig.state.AnsV_wait, VoiceTest::FullRecitation);
    rig.commands.handleCommand(readingOf(18));
    rig.commands.handleCommand(readingOf(19));
    rig.commands.handleCommand(readingOf(22));  // skips 3×3
    const QStringList said = rig.voice.texts();
    EXPECT_TRUE(said.contains(q(u"３×３の正解は，　さ　・ざん・が・く　　　　　　，です。")));
    EXPECT_TRUE(said.contains(q(u"まちがえたので，3段の最初からやり直してください。")));
    EXPECT_EQ(rig.state.kuku_n, 18);
    EXPECT_EQ(rig.state.kaisuu, 1);
    EXPECT_EQ(rig.host.weak, (std::vector<int>{20}));
    for (int pass = 0; pass < 2; ++pass)
        for (int k = 18; k < 27; ++k) rig.commands.handleCommand(readingOf(k));
    ASSERT_EQ(rig.host.tables.size(), 1u);
    EXPECT_EQ(rig.host.tables[0].table, 1);
    EXPECT_EQ(rig.cells(0, 18), std::vector<int>(18, 1));
    EXPECT_EQ(rig.voiceHost.expressionStyle, (std::pair<int, int>{34, 212}));
}

TEST_F(VoiceExamsTest, FullRecitationPauseOnlyRepeatsThePrompt) {
    rig.chooseVoice(kSanNoDan, kOralOrdered, 3);  // はやく: 1500 + 5000
    rig.engine.chooseLesson(kFullRecitation);
    rig.state.pinponFlag = 1;
    rig.commands.handleCommand(70);
    ASSERT_TRUE(rig.untilAwaiting(0));
    rig.effects.played.clear();
    rig.pacer.advanceBy(30000);
    EXPECT_FALSE(rig.effects.played.empty());
    EXPECT_TRUE(
        std::all_of(rig.effects.played.begin(), rig.effects.played.end(), [](int e) { return e == 2; }));
    EXPECT_EQ(rig.effects.played.size() % 2, 0u);
    EXPECT_EQ(rig.state.AnsV_wait, VoiceTest::FullRecitation);
    EXPECT_EQ(rig.state.testRec[0], 2);
    EXPECT_TRUE(rig.host.weak.empty());
}

TEST_F(VoiceExamsTest, StartsNeedVoiceAnswersAndIgnoreARepeatOfTheSameKind) {
    rig.chooseVoice(kSanNoDan, 3);  // a keyboard mode: answers are not by voice
    rig.commands.handleCommand(73);
    EXPECT_EQ(rig.state.AnsV_wait, VoiceTest::None);

    rig.chooseVoice(kSanNoDan, kOralOrdered);
    rig.commands.handleCommand(70);
    ASSERT_TRUE(rig.untilAwaiting());
    rig.commands.handleCommand(numberOf(3));
    ASSERT_TRUE(rig.untilAwaiting());
    const int asked = rig.state.qCount;
    rig.commands.handleCommand(70);  // the same kind is waiting: ignored
    EXPECT_EQ(rig.state.qCount, asked);
    EXPECT_EQ(rig.state.testRec[0], 1);
}
