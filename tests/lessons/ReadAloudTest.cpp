#include "LessonRig.h"

#include "core/KukuTables.h"
#include "speech/ReadAloud.h"

#include <gtest/gtest.h>

#include <set>

using namespace rentabo;
using namespace rentabo::testing;

namespace {

constexpr int kRowNi = 1;
constexpr int kRowSan = 3;
constexpr int kShokyuu = 9;

int readAloud(LessonRig& rig) {
    std::mt19937 rng;
    return ReadVClick(rig.state, rig.board, rig.pacer, rig.speaker, rng);
}

}  // namespace

TEST(ReadAloud, RowIsReadWholeForTheRepetitionsWithThinkingTime) {
    LessonRig rig;
    rig.state.kaisuuMax = 2;
    rig.choose(kRowSan, 1);
    EXPECT_EQ(readAloud(rig), 0);

    QStringList readings;
    for (int k = 18; k < 27; ++k) readings << MakeYomi(k, 1);
    EXPECT_EQ(rig.voice.texts(), QStringList{q(u"三の段の練習をします。")} + readings +
                                     QStringList{q(u"2回目の読み上げをします。")} + readings +
                                     QStringList{q(u"2回目の読み上げを終了しました。")});
    EXPECT_EQ(rig.expressions().size(), 18);
    // Introduction and each reading take 1 s here; ふつう thinks 2500 ms after a reading.
    EXPECT_EQ(rig.timesOf(BoardText::Expression, expr(3, 1) + u'＝').front(), 200);
    EXPECT_EQ(rig.timesOf(BoardText::Expression, expr(3, 2) + u'＝').front(), 2000 + 2501 + 200);
    EXPECT_EQ(rig.timesOf(BoardText::Answer, q(u"３　")).front(), 200);
    EXPECT_EQ(rig.board.boardText(BoardText::MessageLine), q(u"◎2回目の読み上げを終了しました。"));
    EXPECT_TRUE(rig.board.history(BoardText::MessageLine).contains(q(u"◎2回目の読み上げをします。")));
    EXPECT_TRUE(rig.board.boardText(BoardText::Hint).isEmpty());
    EXPECT_TRUE(rig.board.memo.startsWith(q(u"<◎")));
    EXPECT_EQ(rig.voice.pauses, 18);
    EXPECT_GE(rig.voice.resumes, 18);
    EXPECT_EQ(rig.board.comboShown, 1);
    EXPECT_EQ(rig.board.progress, 0);
}

TEST(ReadAloud, LevelWithOneRepetitionStillReadsOneRound) {
    LessonRig rig;
    rig.state.kaisuuMax = 1;
    rig.choose(kShokyuu, 2);
    EXPECT_EQ(readAloud(rig), 0);
    const QStringList shown = rig.expressions();
    EXPECT_EQ(shown.size(), 27);
    EXPECT_EQ(std::set<QString>(shown.begin(), shown.end()).size(), 27u);
    EXPECT_EQ(rig.board.history(BoardText::Round), QStringList{q(u"[１回目]")});
    EXPECT_EQ(rig.voice.texts().first(), q(u"一・二・五の段の練習をします。"));
    EXPECT_EQ(rig.voice.texts().last(), q(u"1回目の読み上げを終了しました。"));
}

TEST(ReadAloud, StepSaysTheQuestionThenTheAnswerAfterSixSecondsOrG) {
    LessonRig rig;
    rig.state.kaisuuMax = 1;
    rig.choose(kRowNi, 1, 0);
    rig.pacer.pressKey(vk::KeyG, 12001);
    EXPECT_EQ(readAloud(rig), 0);

    const QStringList said = rig.voice.texts();
    EXPECT_EQ(said.mid(1, 4), QStringList({q(u"にいちが"), q(u"２"), q(u"ににんが"), q(u"し")}));
    EXPECT_EQ(rig.timesOf(BoardText::Reading, kukuTables().yomiFull[9].left(9)).front(), 100);
    // The question is said from 1000 to 2000, then 6 s of thinking.
    EXPECT_EQ(rig.timesOf(BoardText::Reading, kukuTables().yomiFull[9]).front(), 8001);
    EXPECT_EQ(rig.timesOf(BoardText::Answer, q(u"　２　")).front(), 8001);
    EXPECT_EQ(rig.timesOf(BoardText::Expression, expr(2, 2) + u'＝').front(), 10101);
    // G during the second fact's thinking time.
    EXPECT_EQ(rig.timesOf(BoardText::Answer, q(u"　４　")).front(), 12001);
    EXPECT_EQ(rig.timesOf(BoardText::Expression, expr(2, 3) + u'＝').front(), 14101);
}

TEST(ReadAloud, StopsAndWhichOfThemCountAsAborted) {
    struct Case {
        const char* name;
        int procFlag;
        int key;
        int aborted;
    };
    const Case cases[] = {
        {"Esc at ステップ", 0, vk::Escape, 0},
        {"Esc at ふつう", 2, vk::Escape, 1},
        {"right-click at ステップ", 0, vk::RButton, 1},
        {"right-click at ふつう", 2, vk::RButton, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        LessonRig rig;
        rig.choose(kRowSan, 1, c.procFlag);
        rig.board.comboShown = 0;
        rig.pacer.pressKey(c.key, 3000, 20);
        EXPECT_EQ(readAloud(rig), -1);
        EXPECT_EQ(rig.state.testAborted, c.aborted);
        EXPECT_EQ(rig.board.boardText(BoardText::MessageLine), q(u"◎練習を中止しました。"));
        EXPECT_EQ(rig.voice.texts().last(), q(u"練習を中止しました。"));
        EXPECT_EQ(rig.expressions().size(), 1);
        EXPECT_EQ(rig.board.comboShown, 1);
        EXPECT_GE(rig.voice.resumes, rig.voice.pauses);
        if (c.key == vk::RButton) {
            EXPECT_EQ(rig.pacer.questions, std::vector<QString>{q(u"<かくにん>|テストを中止しますか？")});
        }
    }
}

TEST(ReadAloud, CancelledRightClickKeepsTheThinkingTime) {
    LessonRig rig;
    rig.state.kaisuuMax = 1;
    rig.choose(kRowSan, 1);
    rig.pacer.answers = {false};
    rig.pacer.pressKey(vk::RButton, 3000, 20);
    EXPECT_EQ(readAloud(rig), 0);
    EXPECT_EQ(rig.pacer.questions.size(), 1u);
    EXPECT_EQ(rig.timesOf(BoardText::Expression, expr(3, 2) + u'＝').front(), 4701);
    EXPECT_EQ(rig.expressions().size(), 9);
}
