#include "LessonRig.h"
#include "core/Timing.h"

#include "core/KukuTables.h"

#include <gtest/gtest.h>

#include <set>

using namespace rentabo;
using namespace rentabo::testing;

namespace {
constexpr int kRowSan = 3;  // 三の段 in the row list
constexpr int kRowNi = 1;   // 二の段
constexpr int kShokyuu = 9;
}  // namespace

TEST(Practice, RowInOrderRunsOneRoundMoreThanTheRepetitions) {
    LessonRig rig;
    rig.state.kaisuuMax = 2;
    rig.choose(kRowSan, 1);
    rig.host.groupShown = true;  // the answer way of a test, still on show
    rig.engine.startLesson();
    EXPECT_FALSE(rig.host.groupShown) << "practice is not answered: the answer way is hidden";

    QStringList row;
    for (int b = 1; b <= 9; ++b) row << expr(3, b);
    EXPECT_EQ(rig.expressions(), row + row + row);
    EXPECT_EQ(rig.board.history(BoardText::Round),
              QStringList({q(u"[１回目]"), q(u"[１回目]"), q(u"[２回目]"), q(u"[２回目]"), q(u"[３回目]")}));
    const QStringList messages = rig.board.history(BoardText::MessageLine);
    EXPECT_EQ(messages.count(q(u"◎初めからもう一度どうぞ。")), 2);
    EXPECT_TRUE(messages.contains(q(u"◎三の段の練習をします。")));
    EXPECT_EQ(messages.last(), q(u"◎練習は終わりました。"));
    EXPECT_TRUE(rig.board.memo.endsWith(QStringLiteral("<repeatn=2><repeatn=1><repeatn=0>")));
    EXPECT_EQ(rig.board.comboShown, 1);
    EXPECT_EQ(rig.board.progress, 0);

    // ふつう: 200 ms pause, then the whole fact for more than 3000 ms.
    const auto shown = rig.timesOf(BoardText::Expression, expr(3, 2) + u'＝');
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(rig.timesOf(BoardText::Expression, expr(3, 1) + u'＝').front(), 200);
    EXPECT_EQ(shown.front(), 200 + 3001 + 200);
    EXPECT_EQ(rig.timesOf(BoardText::Answer, q(u"２７")).front(), 8 * 3201 + 200);
    EXPECT_EQ(rig.timesOf(BoardText::Reading, kukuTables().yomiFull[18]).front(), 200);
}

TEST(Practice, ShuffledLevelUsesOneOrderForEveryRound) {
    LessonRig rig;
    rig.state.kaisuuMax = 2;
    rig.choose(kShokyuu, 2);
    rig.engine.startLesson();

    const QStringList shown = rig.expressions();
    ASSERT_EQ(shown.size(), 54);
    EXPECT_EQ(shown.mid(0, 27), shown.mid(27));
    QStringList setOrder;
    for (int a : {1, 2, 5})
        for (int b = 1; b <= 9; ++b) setOrder << expr(a, b);
    EXPECT_NE(shown.mid(0, 27), setOrder);
    const QStringList firstRound = shown.mid(0, 27);
    EXPECT_EQ(std::set<QString>(firstRound.begin(), firstRound.end()),
              std::set<QString>(setOrder.begin(), setOrder.end()));
}

TEST(Practice, RoundsPerChoice) {
    struct Case {
        int mokuji_n;
        int kaisuuMax;
        int facts;
    };
    // A row runs kaisuuMax + 1 rounds; a level or all rows kaisuuMax ÷ 2 + 1.
    const Case cases[] = {{kRowSan, 0, 9},   {kRowSan, 2, 27}, {kShokyuu, 1, 27},
                          {kShokyuu, 3, 54}, {11, 4, 81},      {12, 2, 162}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mokuji_n * 10 + c.kaisuuMax);
        LessonRig rig;
        rig.state.kaisuuMax = c.kaisuuMax;
        rig.choose(c.mokuji_n, 1, 3);
        EXPECT_EQ(rig.engine.RunPractice(), 0);
        EXPECT_EQ(rig.expressions().size(), c.facts);
    }
}

TEST(Practice, StepShowsTheQuestionForTenSecondsAndGSkipsAhead) {
    LessonRig rig;
    rig.choose(kRowNi, 1, 0);
    // G during the second fact's question.
    rig.pacer.pressKey(vk::KeyG, 10101 + 1000 + 100 + 3000);
    rig.pacer.pressKey(vk::Escape, 25000, 50);
    rig.engine.RunPractice();

    const QString wide = kukuTables().yomiFull[9];
    EXPECT_EQ(rig.timesOf(BoardText::Reading, wide.left(9)).front(), 100);
    EXPECT_EQ(rig.timesOf(BoardText::Reading, wide).front(), 10101);
    EXPECT_EQ(rig.timesOf(BoardText::Answer, q(u"２　")).front(), 10101);
    EXPECT_EQ(rig.timesOf(BoardText::Hint, kukuTables().goroHint[9]).front(), 100);
    const std::int64_t second = 10101 + 1000 + 100;
    EXPECT_EQ(rig.timesOf(BoardText::Expression, expr(2, 2) + u'＝').front(), second);
    EXPECT_EQ(rig.timesOf(BoardText::Answer, q(u"４　")).front(), second + 3000);
    EXPECT_EQ(rig.timesOf(BoardText::Expression, expr(2, 3) + u'＝').front(), second + 3000 + 1000 + 100);
}

TEST(Practice, EscStopsAtOnce) {
    LessonRig rig;
    rig.choose(kRowSan, 1);
    rig.pacer.pressKey(vk::Escape, 5001, 50);
    EXPECT_EQ(rig.engine.RunPractice(), -1);
    EXPECT_EQ(rig.timesOf(BoardText::MessageLine, q(u"◎練習を中止しました。")),
              std::vector<std::int64_t>{5001});
    EXPECT_EQ(rig.voice.texts(), QStringList({q(u"練習を中止しました。")}));
    EXPECT_EQ(rig.expressions().size(), 2);
    EXPECT_EQ(rig.board.comboShown, 1);
    EXPECT_FALSE(rig.board.history(BoardText::MessageLine).contains(q(u"◎練習は終わりました。")));
}

TEST(Practice, RightClickAsksFirst) {
    struct Case {
        const char* name;
        int procFlag;
        std::vector<bool> answers;
        const char16_t* question;
        int result;
    };
    const Case cases[] = {
        {"cancelled", 2, {false}, u"<かくにん>|練習を中止しますか？", 0},
        {"confirmed", 2, {true}, u"<かくにん>|練習を中止しますか？", -1},
        {"confirmed at ステップ", 0, {true}, u"<かくにん>|テストを中止しますか？", -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        LessonRig rig;
        rig.state.kaisuuMax = 0;
        rig.choose(kRowSan, 1, c.procFlag);
        rig.pacer.answers = c.answers;
        rig.pacer.pressKey(vk::RButton, 1000);
        EXPECT_EQ(rig.engine.RunPractice(), c.result);
        EXPECT_EQ(rig.pacer.questions, std::vector<QString>{QString::fromUtf16(c.question)});
        EXPECT_EQ(rig.expressions().size(), c.result == 0 ? 9 : 1);
        if (c.result == 0) {
            // The time in the box counts: the second fact comes when it would have.
            const int wait = pacingOf(rig.state.procFlag).speedWait;
            EXPECT_EQ(rig.timesOf(BoardText::Expression, expr(3, 2) + u'＝').front(), 200 + wait + 1 + 200);
        } else {
            EXPECT_EQ(rig.board.boardText(BoardText::MessageLine), q(u"◎練習を中止しました。"));
        }
    }
}

TEST(Practice, ReadsAloudInsteadWhenQuestionsAreSpoken) {
    LessonRig rig;
    rig.state.yomiWay = 1;
    rig.state.kaisuuMax = 1;
    rig.choose(kRowSan, 1);
    rig.engine.startLesson();
    EXPECT_TRUE(rig.voice.texts().contains(MakeYomi(23, 1)));
    EXPECT_EQ(rig.board.history(BoardText::MessageLine).last(), q(u"◎1回目の読み上げを終了しました。"));
}
