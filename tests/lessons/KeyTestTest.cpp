#include "Learner.h"

#include "core/KukuTables.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

using namespace rentabo;
using namespace rentabo::testing;

namespace {

constexpr int kRowSan = 3;  // 三の段 in the row list
constexpr int kRowNi = 1;   // 二の段
constexpr int kRowGo = 2;   // 五の段
constexpr int kChuukyuu = 10;
constexpr int kAllRows = 12;

// The answers shown for the question `expression` until its mark.
QStringList answersOf(const RecordingBoard& board, const QString& expression) {
    QStringList out;
    bool inQuestion = false;
    for (const auto& e : board.log) {
        if (e.field == BoardText::Expression && e.text == expression + u'＝') inQuestion = true;
        if (!inQuestion) continue;
        if (e.field == BoardText::Answer && !e.text.isEmpty()) out << e.text;
        if (e.field == BoardText::Mark && !e.text.isEmpty()) break;
    }
    return out;
}

QString markOf(const RecordingBoard& board, const QString& expression) {
    bool inQuestion = false;
    for (const auto& e : board.log) {
        if (e.field == BoardText::Expression && e.text == expression + u'＝') inQuestion = true;
        if (inQuestion && e.field == BoardText::Mark && !e.text.isEmpty()) return e.text;
    }
    return {};
}

bool listed(const std::vector<int>& weak, int k) {
    return std::find(weak.begin(), weak.end(), k) != weak.end();
}

}  // namespace

TEST(KeyTest, EachWayOfAnsweringIsJudgedAsTyped) {
    const struct {
        const char* name;
        int fact;
        std::vector<KeyPress> keys;
        const char16_t* answers;  // the answers shown, one after another, split by spaces
        const char16_t* mark;
        int beeps;
    } cases[] = {
        {"2x3 with 6", 11, {{vk::Key0 + 6, 300}}, u"６", u"◎", 0},
        {"2x3 with 5", 11, {{vk::Key0 + 5, 300}}, u"５", u"×", 0},
        {"3x6 with 1 then 8", 23, {{vk::Key0 + 1, 300}, {vk::Key0 + 8, 700}}, u"１ １８", u"◎", 0},
        {"3x6 with 1 then 7", 23, {{vk::Key0 + 1, 300}, {vk::Key0 + 7, 700}}, u"１ １７", u"×", 0},
        {"3x6 with 1 then Enter", 23, {{vk::Key0 + 1, 300}, {vk::Return, 700}}, u"１", u"×", 0},
        {"3x6 on the keypad", 23, {{vk::Numpad0 + 1, 300}, {vk::Numpad0 + 8, 700}}, u"１ １８", u"◎", 0},
        {"3x6 passed with G", 23, {{vk::KeyG, 300}}, u"ﾊﾟｽ", u"×", 1},
        {"Enter alone waits", 11, {{vk::Return, 300}, {vk::Key0 + 6, 700}}, u"６", u"◎", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        LessonRig rig;
        rig.choose(ChoiceOfDan[c.fact / 9], 3);
        const int last = c.keys.back().delayMs;
        // Only the one fact is answered; Esc right after its mark ends the test there.
        Learner learner(rig, [&](int k) {
            std::vector<KeyPress> keys;
            if (k != c.fact) return keys;
            keys = c.keys;
            keys.push_back({vk::Escape, last + 500});
            return keys;
        });
        EXPECT_EQ(rig.engine.RunKeyTest(), -1);
        const QString expression = kukuTables().shikiStr[static_cast<std::size_t>(c.fact)];
        EXPECT_EQ(answersOf(rig.board, expression), q(c.answers).split(u' '));
        EXPECT_EQ(markOf(rig.board, expression), q(c.mark));
        const bool right = c.mark == std::u16string_view(u"◎");
        EXPECT_EQ(rig.board.answerRed, right);  // a right answer is shown in red
        EXPECT_EQ(listed(rig.host.weak, c.fact), !right);
        EXPECT_EQ(rig.state.testRec[static_cast<std::size_t>(c.fact % 9)], right ? 1 : 0);
        EXPECT_EQ(rig.pacer.beeps, c.beeps);
    }
}

TEST(KeyTest, AnswerTimeRunsFromTheEndOfTheSpokenQuestion) {
    struct Case {
        const char* name;
        int procFlag;
        int yomiWay;
        std::int64_t passAt;  // when the first question, unanswered, shows ﾊﾟｽ
    };
    // The first question appears at 0; the answer time starts after the speed's pause and,
    // with voice, after the introduction and the question have been said (1 s each here).
    const Case cases[] = {
        {"ステップ", 0, 0, 100 + 8001},
        {"ゆっくり", 1, 0, 200 + 4801},
        {"ふつう", 2, 0, 200 + 3001},
        {"はやく", 3, 0, 100 + 1801},
        {"はやく with voice", 3, 1, 2000 + 1801},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        LessonRig rig;
        rig.state.yomiWay = c.yomiWay;
        rig.choose(kRowNi, 3, c.procFlag);
        rig.pacer.at(c.passAt + 10, [&] { rig.pacer.pressKey(vk::Escape, rig.pacer.now()); });
        rig.engine.RunKeyTest();
        const auto passes = rig.timesOf(BoardText::Answer, q(u"ﾊﾟｽ"));
        ASSERT_FALSE(passes.empty());
        EXPECT_EQ(passes.front(), c.passAt);
        EXPECT_EQ(rig.timesOf(BoardText::Mark, q(u"×")).front(), c.passAt);
        if (c.yomiWay) {
            EXPECT_EQ(rig.voice.texts().mid(0, 2),
                      QStringList({q(u"二の段のテストです。キーで答えてね。"), q(u"にいちが")}));
        }
    }
}

TEST(KeyTest, HeldDigitRepeatsEvery300Ms) {
    LessonRig rig;
    rig.choose(kRowSan, 3);
    Learner learner(rig, [&](int k) {
        if (k != 23) return std::vector<KeyPress>{};
        return std::vector<KeyPress>{{vk::Key0 + 1, 300, 400}, {vk::Escape, 1300}};
    });
    rig.engine.RunKeyTest();
    EXPECT_EQ(answersOf(rig.board, q(u"３×６")), QStringList({q(u"１"), q(u"１１")}));
    // Each key read costs 300 ms, after which the still-held key is read again.
    const std::int64_t once = rig.timesOf(BoardText::Answer, q(u"１")).back();
    EXPECT_EQ(rig.timesOf(BoardText::Answer, q(u"１１")).back(), once + 300);
}

TEST(KeyTest, RowTestAsksTheRowThreeTimesAndFillsOneCellPerAnswer) {
    LessonRig rig;
    rig.choose(kRowGo, 3);
    rig.state.pinponFlag = 1;
    int asked = 0;
    Learner learner(rig, [&](int k) {
        ++asked;
        // One slip: 5×3 in the second round.
        const int answer = asked == 12 ? 16 : kukuTables().kotae[static_cast<std::size_t>(k)];
        return typed(answer, 250, 100);
    });
    EXPECT_EQ(rig.engine.RunKeyTest(), 0);

    QStringList expected;
    for (int round = 0; round < 3; ++round)
        for (int b = 1; b <= 9; ++b) expected << expr(5, b);
    EXPECT_EQ(rig.expressions(), expected);
    for (int cell = 0; cell < 162; ++cell) {
        const int want = cell == 11 ? 0 : cell < 27 ? 1 : 2;
        EXPECT_EQ(rig.state.testRec[static_cast<std::size_t>(cell)], want) << cell;
    }
    EXPECT_EQ(rig.host.weak, std::vector<int>{38});
    EXPECT_EQ(rig.board.history(BoardText::Round),
              QStringList({q(u"[１回目]"), q(u"[１回目]"), q(u"[２回目]"), q(u"[２回目]"), q(u"[３回目]"),
                           q(u"[３回目]")}));
    ASSERT_EQ(rig.host.tables.size(), 1u);
    EXPECT_EQ(rig.host.tables[0].table, 1);
    EXPECT_EQ(rig.host.tables[0].state.testAborted, 0);
    EXPECT_EQ(rig.host.tables[0].state.dan, 5);
    EXPECT_EQ(rig.host.tables[0].state.menu_n, 3);
    EXPECT_EQ(rig.host.tables[0].state.testRec, rig.state.testRec);
    EXPECT_EQ(rig.board.progress, 27);
    EXPECT_EQ(rig.board.comboShown, 1);
    // Every question: the prompt sound, then the sound of its mark.
    EXPECT_EQ(std::count(rig.effects.played.begin(), rig.effects.played.end(), 2), 27);
    EXPECT_EQ(std::count(rig.effects.played.begin(), rig.effects.played.end(), 1), 1);
    EXPECT_EQ(std::count(rig.effects.played.begin(), rig.effects.played.end(), 0), 26);
}

TEST(KeyTest, ShuffledLevelTestUsesOneOrderTwiceAndFactCells) {
    LessonRig rig;
    rig.choose(kChuukyuu, 4);
    Learner learner(rig,
                    [&](int k) { return typed(kukuTables().kotae[static_cast<std::size_t>(k)], 250, 100); });
    rig.engine.startLesson();
    EXPECT_EQ(rig.state.randomFlag, 1);
    EXPECT_TRUE(rig.host.groupShown);

    const QStringList shown = rig.expressions();
    ASSERT_EQ(shown.size(), 54);
    EXPECT_EQ(shown.mid(0, 27), shown.mid(27, 27));
    std::set<int> facts;
    QStringList setOrder;
    for (int a : {3, 4, 6})
        for (int b = 1; b <= 9; ++b) {
            facts.insert((a - 1) * 9 + b - 1);
            setOrder << expr(a, b);
        }
    EXPECT_NE(shown.mid(0, 27), setOrder);
    for (int cell = 0; cell < 162; ++cell) {
        const bool asked = facts.count(cell % 81) > 0;
        EXPECT_EQ(rig.state.testRec[static_cast<std::size_t>(cell)], asked ? 1 : 2) << cell;
    }
    ASSERT_EQ(rig.host.tables.size(), 1u);
    EXPECT_EQ(rig.host.tables[0].table, 2);
    EXPECT_EQ(rig.state.testKaisuuMax, 2);
}

TEST(KeyTest, AllRowsAreTestedTwiceUnderTheirCommonName) {
    LessonRig rig;
    rig.choose(kAllRows, 3);
    Learner learner(rig,
                    [&](int k) { return typed(kukuTables().kotae[static_cast<std::size_t>(k)], 210, 310); });
    EXPECT_EQ(rig.engine.RunKeyTest(), 0);
    EXPECT_EQ(rig.board.history(BoardText::MessageLine).last(),
              q(u"◎すべての段のテストです。キーで答えてね。"));
    EXPECT_EQ(learner.questionsSeen, 162);
    for (int v : rig.state.testRec) EXPECT_EQ(v, 1);
    EXPECT_EQ(rig.host.tables.back().table, 2);
}

TEST(KeyTest, StopsOpenTheResultTableAsAborted) {
    struct Case {
        const char* name;
        std::vector<KeyPress> onSecond;  // keys at the second question (2×2)
        std::vector<bool> answers;       // to the stop question of a right-click
        const char16_t* message;
        bool spoken;
        bool passShown;
    };
    const Case cases[] = {
        {"Esc while waiting", {{vk::Escape, 400, 50}}, {}, u"◎テストを中止しました", false, true},
        {"Esc after a mark",
         {{vk::Key0 + 4, 300}, {vk::Escape, 700}},
         {},
         u"◎テストを中止しました。",
         false,
         false},
        {"confirmed right-click", {{vk::RButton, 400, 20}}, {true}, u"◎テストを中止しました。", true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        LessonRig rig;
        rig.choose(kRowNi, 3);
        rig.pacer.answers = c.answers;
        Learner learner(rig, [&](int k) {
            if (k == 9) return typed(2, 300);
            if (k == 10) return c.onSecond;
            return std::vector<KeyPress>{};
        });
        EXPECT_EQ(rig.engine.RunKeyTest(), -1);
        EXPECT_EQ(rig.board.boardText(BoardText::MessageLine), QString::fromUtf16(c.message));
        EXPECT_EQ(rig.voice.texts().contains(q(u"テストを中止しました。")), c.spoken);
        EXPECT_EQ(rig.board.boardText(BoardText::Answer) == q(u"ﾊﾟｽ"), c.passShown);
        ASSERT_EQ(rig.host.tables.size(), 1u);
        EXPECT_EQ(rig.host.tables[0].table, 1);
        EXPECT_EQ(rig.host.tables[0].state.testAborted, 1);
        // The answer given before the stop stays; nothing later was asked.
        EXPECT_EQ(rig.state.testRec[0], 1);
        EXPECT_EQ(rig.state.testRec[1], c.onSecond.size() == 2 ? 1 : 2);
        EXPECT_EQ(rig.state.testRec[2], 2);
        EXPECT_EQ(rig.board.comboShown, 1);
        EXPECT_EQ(rig.expressions().size(), 2);
    }
}

TEST(KeyTest, CancelledRightClickKeepsTheAnswerTimeRunning) {
    LessonRig rig;
    rig.choose(kRowNi, 3);
    rig.pacer.answers = {false};
    Learner learner(rig, [&](int k) {
        if (k == 9) return std::vector<KeyPress>{{vk::RButton, 1000, 100}, {vk::Key0 + 2, 2000}};
        return std::vector<KeyPress>{{vk::Escape, 300, 50}};
    });
    rig.engine.RunKeyTest();
    EXPECT_EQ(rig.pacer.questions, std::vector<QString>{q(u"<かくにん>|テストを中止しますか？")});
    EXPECT_EQ(markOf(rig.board, expr(2, 1)), q(u"◎"));
    EXPECT_EQ(rig.board.boardText(BoardText::MessageLine), q(u"◎テストを中止しました"));
}

TEST(KeyTest, KeysPressedBeforeTheStartAreNotAnswers) {
    LessonRig rig;
    rig.choose(kRowNi, 3);
    rig.pacer.pressKey(vk::Key0 + 2, 0);
    rig.pacer.advanceBy(5);
    Learner learner(rig, [&](int k) {
        return k == 9 ? std::vector<KeyPress>{} : std::vector<KeyPress>{{vk::Escape, 300, 50}};
    });
    rig.engine.RunKeyTest();
    EXPECT_EQ(markOf(rig.board, expr(2, 1)), q(u"×"));
    EXPECT_EQ(answersOf(rig.board, expr(2, 1)), QStringList({q(u"ﾊﾟｽ")}));
}
