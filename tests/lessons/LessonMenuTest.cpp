#include "LessonRig.h"
#include "core/Timing.h"

#include <gtest/gtest.h>

using namespace rentabo;
using namespace rentabo::testing;

TEST(LessonMenu, ChoiceIsAnnouncedWithTheModeName) {
    struct Case {
        int mokuji_n;
        int menu_n;
        const char16_t* message;
        int testKaisuuMax;  // 0: left as it was
    };
    const Case cases[] = {
        {3, 1, u"◎三の段の練 習（段級・順）をします。", 0},
        {9, 2, u"◎初級(１･２･５段)の練 習（段級・乱）をします。", 0},
        {0, 0, u"◎一の段の練 習（九九の表）をします。", 0},
        {3, 3, u"◎三の段のテスト(手答・順)をします。", 3},
        {10, 4, u"◎中級(３･４･６段)のテスト(手答・乱)をします。", 2},
        {12, 3, u"◎全段(１～９段)のテスト(手答・順)をします。", 2},
        {8, 8, u"◎九の段のテスト(暗唱・乱)をします。", 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mokuji_n * 10 + c.menu_n);
        LessonRig rig;
        rig.state.testKaisuuMax = 7;
        rig.state.mokuji_n = c.mokuji_n;
        rig.state.menu_n = c.menu_n;
        rig.engine.AnnounceChoice();
        EXPECT_EQ(rig.board.boardText(BoardText::MessageLine), QString::fromUtf16(c.message));
        EXPECT_EQ(rig.state.testKaisuuMax, c.testKaisuuMax ? c.testKaisuuMax : 7);
        EXPECT_TRUE(rig.board.memo.startsWith(q(u"<◆mokuji_n changed>-> ")));
        EXPECT_TRUE(rig.board.memo.endsWith(u'\n'));
    }
}

TEST(LessonMenu, AnswerWayFollowsTheMode) {
    struct Case {
        int menu_n;
        bool group;
        bool keyboard;
        int ans_way;
    };
    const Case cases[] = {{0, false, false, 0}, {2, false, false, 0}, {3, true, true, 0},
                          {4, true, true, 0},   {5, true, false, 1},  {8, true, false, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.menu_n);
        LessonRig rig;
        rig.engine.chooseLesson(c.menu_n);
        EXPECT_EQ(rig.host.groupShown, c.group);
        EXPECT_EQ(rig.host.keyboardShown, c.keyboard);
        EXPECT_EQ(rig.state.ans_way, c.ans_way);
        EXPECT_EQ(rig.state.menu_n, c.menu_n);
        EXPECT_EQ(rig.host.startFocus, 1);
    }
}

TEST(LessonMenu, TheTenthItemKeepsTheAnswerWayAndTheMessage) {
    LessonRig rig;
    rig.engine.chooseLesson(3);
    const QString before = rig.board.boardText(BoardText::MessageLine);
    rig.engine.chooseLesson(9);
    EXPECT_EQ(rig.state.menu_n, 9);
    EXPECT_EQ(rig.state.ans_way, 0);
    EXPECT_EQ(rig.board.boardText(BoardText::MessageLine), before);
}

// A row is tested in three rounds, a level in two. The choice kept from the last run, opened at
// start-up, sets the row and enables the same result table as choosing it: rows 0 to 8 the row
// table, the levels 9 to 12 the level table.
TEST(LessonMenu, RowChoiceSetsDanTheRoundsAndTheResultMenusAsTheLoadedChoiceDoes) {
    struct Case {
        int mokuji_n;
        int dan;
        bool table1;
        bool table2;
        int rounds;
    };
    const Case cases[] = {{0, 1, true, false, 3},  {2, 5, true, false, 3},   {8, 9, true, false, 3},
                          {9, 10, false, true, 2}, {11, 12, false, true, 2}, {12, 0, false, true, 2}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mokuji_n);
        LessonRig chosen, loaded;
        for (LessonRig* rig : {&chosen, &loaded}) rig->state.qnum = 5;
        chosen.engine.chooseRowOrLevel(c.mokuji_n);
        loaded.state.mokuji_n = c.mokuji_n;
        loaded.engine.openOnLoadedChoice();
        for (LessonRig* rig : {&chosen, &loaded}) {
            EXPECT_EQ(rig->state.dan, c.dan);
            EXPECT_EQ(rig->state.qnum, 0);
            EXPECT_EQ(rig->host.table1Enabled, c.table1);
            EXPECT_EQ(rig->host.table2Enabled, c.table2);
        }
        EXPECT_EQ(chosen.state.mokuji_n, c.mokuji_n);
        EXPECT_EQ(chosen.state.kyuuSet, c.mokuji_n - 9);
        EXPECT_EQ(chosen.state.testKaisuuMax, c.rounds);
        EXPECT_EQ(chosen.host.startFocus, 1);
    }
}

TEST(LessonMenu, AllRowsAreRefusedForSpokenTests) {
    LessonRig rig;
    rig.choose(3, 5);
    rig.engine.chooseRowOrLevel(12);
    EXPECT_EQ(rig.host.messages, QStringList{q(u"ご確認!!|★ 口答による全段テストはありません。")});
    EXPECT_EQ(rig.state.mokuji_n, 3);
    EXPECT_EQ(rig.state.dan, 3);
    EXPECT_EQ(rig.host.choiceIndex, 3);

    // A keyboard test of all rows is fine.
    rig.engine.chooseLesson(3);
    rig.engine.chooseRowOrLevel(12);
    EXPECT_EQ(rig.host.messages.size(), 1);
    EXPECT_EQ(rig.state.dan, 0);
}

TEST(LessonMenu, StartDispatchesByMode) {
    struct Case {
        const char* name;
        int menu_n;
        int ansWayBefore;  // -1: as the mode sets it
        const char16_t* message;
        bool spoken;
    };
    const Case cases[] = {
        {"spoken test", 5, -1, u"◎音声によるテストです。｢テスト始め｣と言ってね", true},
        {"recitation", 8, -1, u"◎音声によるテストです。｢テスト始め｣と言ってね", true},
        {"tenth item after a keyboard test", 9, 0, u"◎音声入力 にして，コマンド と言ってください。", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        LessonRig rig;
        if (c.ansWayBefore >= 0) rig.engine.chooseLesson(3);
        rig.choose(3, c.menu_n);
        rig.state.testRec.fill(1);
        rig.engine.startLesson();
        EXPECT_EQ(rig.board.boardText(BoardText::MessageLine), QString::fromUtf16(c.message));
        EXPECT_EQ(rig.voice.texts(), QStringList{rig.board.boardText(BoardText::MessageLine).mid(1)});
        EXPECT_EQ(rig.board.comboShown, 0);
        EXPECT_EQ(rig.state.testRec[0], 2);
        EXPECT_EQ(rig.host.memoFocus, 1);
    }
}

TEST(LessonMenu, ChartModeOpensTheChartAndComesBackToTheMenu) {
    LessonRig rig;
    rig.choose(10, 0);
    rig.engine.startLesson();
    EXPECT_EQ(rig.host.charts, 1);
    EXPECT_EQ(rig.state.chartFromLesson, 1);
    EXPECT_FALSE(rig.host.groupShown);
    EXPECT_EQ(rig.board.comboShown, 1);
}

TEST(LessonTimer, FirstTickAfterOneSecondThenRefreshEvery11Ticks) {
    LessonRig rig;
    int ticks = 0;
    int id = 0;
    id = rig.pacer.addTimer(timing::kFirstTickMs, timing::kFirstTickMs, [&] {
        ++ticks;
        rig.pacer.setTimerInterval(id, rig.engine.lessonTick());
    });
    rig.pacer.advanceTo(999);
    EXPECT_EQ(ticks, 0);
    rig.pacer.advanceTo(1000);
    EXPECT_EQ(ticks, 1);
    rig.pacer.advanceTo(1300);
    EXPECT_EQ(ticks, 2);
    // Eleven ticks make more than 3000 ms of idle time.
    rig.pacer.advanceTo(3999);
    EXPECT_EQ(rig.board.boardDraws, 0);
    rig.pacer.advanceTo(4000);
    EXPECT_EQ(rig.board.boardDraws, 1);
    EXPECT_EQ(rig.state.idleMs, 0);
    rig.pacer.advanceTo(7300);
    EXPECT_EQ(rig.board.boardDraws, 2);
}

TEST(LessonTimer, EscStopsAWaitingVoiceTest) {
    LessonRig rig;
    rig.state.AnsV_wait = VoiceTest::Oral;
    rig.pacer.pressKey(vk::Escape, 0, 100);
    EXPECT_EQ(rig.engine.lessonTick(), 300);
    EXPECT_EQ(rig.board.boardText(BoardText::MessageLine), q(u"◎テストを中止しました。"));
    EXPECT_EQ(rig.voice.texts(), QStringList{q(u"テストを中止しました。")});
    EXPECT_EQ(rig.state.AnsV_wait, VoiceTest::None);
    EXPECT_EQ(rig.state.testAborted, 1);
    EXPECT_EQ(rig.board.comboShown, 1);
    EXPECT_EQ(rig.state.idleMs, 0);
    EXPECT_EQ(rig.host.answerTicks, 0);
}

TEST(LessonTimer, WaitingTicksCountTowardTheAnswerTimeOut) {
    LessonRig rig;
    rig.state.AnsV_wait = VoiceTest::Oral;
    rig.engine.lessonTick();
    EXPECT_EQ(rig.host.answerTicks, 1);
    EXPECT_EQ(rig.state.idleMs, 300);
    // A tick on which the time-out fires ends there.
    rig.host.timeoutFires = true;
    rig.engine.lessonTick();
    EXPECT_EQ(rig.state.idleMs, 300);
}

TEST(LessonKeys, EscInTheKeyHandler) {
    struct Case {
        int AnsV_wait;
        int yomiWay;
        bool stopped;
        bool spoken;
    };
    const Case cases[] = {{1, 0, true, false}, {2, 1, true, true}, {0, 1, false, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.AnsV_wait * 10 + c.yomiWay);
        LessonRig rig;
        rig.state.AnsV_wait = static_cast<VoiceTest>(c.AnsV_wait);
        rig.state.yomiWay = c.yomiWay;
        rig.board.comboShown = 0;
        rig.engine.EscKeyDown();
        EXPECT_EQ(rig.board.boardText(BoardText::MessageLine) == q(u"◎テストを中止しました。"), c.stopped);
        EXPECT_EQ(rig.state.testAborted, c.stopped ? 1 : 0);
        EXPECT_EQ(rig.state.AnsV_wait, VoiceTest::None);
        EXPECT_EQ(rig.host.fontRestores, c.stopped ? 1 : 0);
        EXPECT_EQ(rig.board.comboShown, c.stopped ? 1 : 0);
        EXPECT_EQ(rig.voice.texts().size(), c.spoken ? 1 : 0);
    }
}
