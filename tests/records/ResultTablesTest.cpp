#include "core/KukuTables.h"
#include "records/ResultTables.h"
#include "tests/records/RecordingHost.h"
#include "tests/support/RecordingBoard.h"
#include "tests/support/Text.h"
#include "tests/support/VirtualPacer.h"

#include <gtest/gtest.h>

using namespace rentabo;

namespace {

using rentabo::testing::q;

// A state after a test of row `dan` in mode `menu_n`, every cell still "not asked".
KukuState rowTest(int dan, int menu_n) {
    KukuState s;
    s.mokuji_n = ChoiceOfDan[dan - 1];
    s.dan = dan;
    s.menu_n = menu_n;
    s.testRec.fill(2);
    s.testAborted = 0;
    return s;
}

KukuState levelTest(int mokuji_n, int menu_n) {
    KukuState s;
    s.mokuji_n = mokuji_n;
    s.dan = DanOfChoice[mokuji_n];
    s.menu_n = menu_n;
    s.testRec.fill(2);
    s.testAborted = 0;
    return s;
}

// Row d of the times table answered in both rounds of a level test.
void answerRow(KukuState& s, int d, int value) {
    for (int m = 0; m < 9; ++m) {
        s.testRec[(d - 1) * 9 + m] = value;
        s.testRec[(d - 1) * 9 + m + 81] = value;
    }
}

const QString kPerfect1 = q(u"☆パーペキだね。いうことなし!!");
const QString kWrong1 = q(u"★できなかったところがあるよ。がんぼ!!");
const QString kAborted = q(u"残念！まだとちゅうだったね。");

}  // namespace

TEST(ResultTable1, HeadsTitleAndRowLabelsFollowTheRow) {
    KukuState s = rowTest(5, 3);
    const ResultTable t = BuildResultTable1(s);
    EXPECT_EQ(t.title, q(u"「五の段」(手答・順)のテスト結果"));
    EXPECT_EQ(t.cells[0][0], q(u"【九・九】"));
    EXPECT_EQ(t.cells[0][3], q(u"３回目"));
    EXPECT_EQ(t.cells[1][0], q(u"５×１　"));
    EXPECT_EQ(t.cells[9][0], q(u"５×９　"));
    KukuState s9 = rowTest(9, 9);
    EXPECT_EQ(BuildResultTable1(s9).title, q(u"「九の段」(完全暗唱)のテスト結果"));
}

TEST(ResultTable1, VerdictRegistrationAndPruning) {
    struct Case {
        const char* name;
        const char* marks;  // rounds 1 to 3, nine facts each: 1 right, 0 wrong, 2 not asked
        int aborted;
        QString verdict;
        bool canRegister;
        QString errorsAfter;  // from the default list 13:14:15:16: (2×5 .. 2×8)
        int wrong;
        int asked;
    };
    const QString unchanged = QStringLiteral("13:14:15:16:");
    const Case cases[] = {
        // Stopped in round 2: round 3 holds "not asked", so nothing leaves the list.
        {"stopped in round 2", "111111111 111122222 222222222", 1, kAborted, false, unchanged, 0, 13},
        // One wrong answer in round 3 only: the other eight facts are pruned.
        {"wrong in round 3", "111111111 111111111 111101111", 0, kWrong1, false, QStringLiteral("13:"), 1,
         27},
        {"perfect", "111111111 111111111 111111111", 0, kPerfect1, true, QString(), 0, 27},
        {"nothing asked", "222222222 222222222 222222222", 0, q(u"まだ１つもやってないよ。テストしよう!!"),
         false, unchanged, 0, 0},
        // A perfect record after a stop still reads as stopped, but prunes.
        {"perfect but stopped", "111111111 111111111 111111111", 1, kAborted, false, QString(), 0, 27},
        {"passed over counts wrong", "011111111 111111111 111111111", 0, kWrong1, false, QString(), 1, 27},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        KukuState s = rowTest(2, 3);
        for (int i = 0; i < 27; ++i) s.testRec[i] = c.marks[i + i / 9] - '0';
        s.testAborted = c.aborted;
        const ResultTable t = BuildResultTable1(s);
        EXPECT_EQ(t.verdict, c.verdict);
        EXPECT_EQ(t.registrationEnabled, c.canRegister);
        EXPECT_EQ(t.perfect, c.canRegister);
        EXPECT_EQ(s.errorsStr, c.errorsAfter);
        EXPECT_EQ(t.wrongCount, c.wrong);
        EXPECT_EQ(t.askedCount, c.asked);
    }
}

TEST(ResultTable1, MarksShowEachRoundsAnswer) {
    KukuState s = rowTest(3, 4);
    s.testRec[0] = 1;      // round 1, 3×1
    s.testRec[9 + 1] = 0;  // round 2, 3×2
    const ResultTable t = BuildResultTable1(s);
    EXPECT_EQ(t.cells[1][1], q(u"○"));
    EXPECT_EQ(t.cells[2][2], q(u"×"));
    EXPECT_EQ(t.cells[9][3], q(u"－"));
}

TEST(ResultTable2, HeadsTitleAndLevelTexts) {
    const struct {
        int mokuji_n;
        int menu_n;
        QString title;
    } cases[] = {
        {9, 3, q(u"初級[１･２･５の段](手答・順)のテスト結果")},
        {10, 5, q(u"中級[３･４･６の段](口答・順)のテスト結果")},
        {11, 8, q(u"上級[８･７･９の段](暗唱・乱)のテスト結果")},
        {12, 4, q(u"全級[１～９の段](手答・乱)のテスト結果")},
    };
    for (const auto& c : cases) {
        KukuState s = levelTest(c.mokuji_n, c.menu_n);
        const ResultTable t = BuildResultTable2(s);
        EXPECT_EQ(t.title, c.title);
        EXPECT_EQ(t.cells[0][0], q(u"[段]→"));
        // A column for each row of the table, a line for each multiplier, all nine of each.
        const QString rows = q(u"一二三四五六七八九");
        const QString multipliers = q(u"１２３４５６７８９");
        for (int i = 1; i <= 9; ++i) {
            EXPECT_EQ(t.cells[0][i], rows.mid(i - 1, 1)) << i;
            EXPECT_EQ(t.cells[i][0], u'×' + multipliers.mid(i - 1, 1)) << i;
        }
        EXPECT_EQ(t.cells[10][0], q(u"合・否"));
    }
}

TEST(ResultTable2, PerfectBeginnerTestPassesItsThreeRowsAndRegistersLevelColumn) {
    KukuState s = levelTest(9, 3);
    for (int d : {1, 2, 5}) answerRow(s, d, 1);
    const ResultTable t = BuildResultTable2(s);
    for (int d = 1; d <= 9; ++d) {
        const bool inLevel = d == 1 || d == 2 || d == 5;
        EXPECT_EQ(t.cells[10][d], inLevel ? q(u"◎") : q(u"×")) << d;
        EXPECT_EQ(t.cells[4][d], inLevel ? q(u"○○") : q(u"－－")) << d;
    }
    EXPECT_EQ(t.verdict, q(u"★パーペキです。おみごと！ ワンダフル！"));
    EXPECT_TRUE(t.perfect);
    EXPECT_TRUE(t.registrationEnabled);
    // The default weak points are all row 2 facts, right twice: gone.
    EXPECT_TRUE(s.errorsStr.isEmpty());

    RecordingHost host;
    EXPECT_TRUE(RegisterResult(s, t, host));
    EXPECT_EQ(s.recCheck[0][9], 1);
    int marked = 0;
    for (const auto& row : s.recCheck)
        for (int v : row) marked += v;
    EXPECT_EQ(marked, 1);
    EXPECT_TRUE(host.messages.isEmpty());
}

TEST(ResultTable2, VerdictAndTheLevelRule) {
    struct Case {
        const char* name;
        int mokuji_n;
        std::vector<int> rightRows;
        std::vector<std::array<int, 3>> overrides;  // {row d, m, position offset 0 or 81 → value 0}
        int aborted;
        QString verdict;
        bool canRegister;
        bool perfect;
    };
    const QString wrong = q(u"できなかったところがあるよ。覚えちゃおう!!");
    const QString perfect = q(u"★パーペキです。おみごと！ ワンダフル！");
    const Case cases[] = {
        // One wrong answer in row 4; rows 3 and 6 right: one full row of the level is enough.
        {"intermediate, wrong in row 4", 10, {3, 4, 6}, {{4, 2, 0}}, 0, wrong, true, false},
        {"intermediate, wrong in each row",
         10,
         {3, 4, 6},
         {{3, 1, 0}, {4, 1, 81}, {6, 9, 0}},
         0,
         wrong,
         false,
         false},
        {"advanced, only row 7 right", 11, {7, 8, 9}, {{8, 1, 0}, {9, 1, 81}}, 0, wrong, true, false},
        // A row outside the level does not count for it.
        {"beginner, only row 3 right",
         9,
         {1, 2, 5, 3},
         {{1, 1, 0}, {2, 1, 0}, {5, 1, 0}},
         0,
         wrong,
         false,
         false},
        {"all rows, one wrong", 12, {1, 2, 3, 4, 5, 6, 7, 8, 9}, {{9, 9, 81}}, 0, wrong, false, false},
        {"all rows, perfect", 12, {1, 2, 3, 4, 5, 6, 7, 8, 9}, {}, 0, perfect, true, true},
        {"stopped", 10, {3, 4, 6}, {}, 1, kAborted, false, false},
        {"nothing asked", 11, {}, {}, 0, q(u"まだ１つもできてないよ。チャレンジ。がんぼ！"), false, false},
    };
    for (const Case& c : cases) {
        KukuState s = levelTest(c.mokuji_n, 3);
        for (int d : c.rightRows) answerRow(s, d, 1);
        for (const auto& o : c.overrides) s.testRec[(o[0] - 1) * 9 + o[1] - 1 + o[2]] = 0;
        s.testAborted = c.aborted;
        const ResultTable t = BuildResultTable2(s);
        EXPECT_EQ(t.verdict, c.verdict) << c.name;
        EXPECT_EQ(t.registrationEnabled, c.canRegister) << c.name;
        EXPECT_EQ(t.perfect, c.perfect) << c.name;
    }
}

TEST(ResultTable2, AWrongSecondRoundShowsInTheCellAndFailsTheRow) {
    KukuState s = levelTest(10, 3);
    for (int d : {3, 4, 6}) answerRow(s, d, 1);
    s.testRec[(4 - 1) * 9 + (7 - 1) + 81] = 0;  // 4×7, round 2
    s.errorsStr = QStringLiteral("33:34:");     // 4×7 and 4×8
    const ResultTable t = BuildResultTable2(s);
    EXPECT_EQ(t.cells[7][4], q(u"○×"));
    EXPECT_EQ(t.cells[10][4], q(u"×"));
    EXPECT_EQ(t.cells[10][3], q(u"◎"));
    EXPECT_EQ(t.wrongCount, 1);
    EXPECT_EQ(t.askedCount, 54);
    EXPECT_EQ(s.errorsStr, QStringLiteral("33:"));
}

TEST(ResultTable2, AStoppedTestLeavesThePassRowEmpty) {
    KukuState s = levelTest(9, 3);
    answerRow(s, 1, 1);
    s.testAborted = 1;
    const ResultTable t = BuildResultTable2(s);
    for (int d = 1; d <= 9; ++d) EXPECT_TRUE(t.cells[10][d].isEmpty()) << d;
}

TEST(ResultTables, OnlyASingleCrossIsRed) {
    const struct {
        const char16_t* text;
        bool red;
    } cases[] = {{u"×", true},  {u"○×", false}, {u"××", false}, {u"◎", false},
                 {u"○", false}, {u"－", false}, {u"×３", false}};
    for (const auto& c : cases) EXPECT_EQ(resultCellRed(q(c.text)), c.red) << q(c.text).toStdString();
}

TEST(ResultTables, OpeningChecks) {
    const QString notTest = q(u"<お知らせ>|｢テスト]のもくじでないと開けません。");
    const QString noName = q(u"おねがい。。。|まず，なまえを記入してください。");
    const struct {
        const char* name;
        ResultKind kind;
        int menu_n;
        int mokuji_n;
        const char16_t* nameBox;
        bool opens;
        QString message;
    } cases[] = {
        {"practice mode", ResultKind::Rows, 2, 0, u"あ", false, notTest},
        {"practice mode, levels", ResultKind::Levels, 0, 10, u"あ", false, notTest},
        {"row table on a level", ResultKind::Rows, 3, 9, u"あ", false, QString()},
        {"level table on a row", ResultKind::Levels, 3, 8, u"あ", false, QString()},
        {"no name", ResultKind::Rows, 3, 0, u"", false, noName},
        {"row table", ResultKind::Rows, 9, 8, u"あ", true, QString()},
        {"level table", ResultKind::Levels, 4, 12, u"あ", true, QString()},
    };
    for (const auto& c : cases) {
        KukuState s;
        s.menu_n = c.menu_n;
        s.mokuji_n = c.mokuji_n;
        s.testRec.fill(1);
        RecordingHost host;
        host.nameBox = q(c.nameBox);
        EXPECT_EQ(KekkaOpenCheck(s, c.kind, host), c.opens) << c.name;
        EXPECT_EQ(host.messages.join(u'/'), c.message) << c.name;
        EXPECT_EQ(host.nameFocused, c.message == noName ? 1 : 0) << c.name;
        EXPECT_EQ(s.testRec[0], 1) << c.name;  // the record stays for a later opening
    }
}

TEST(ResultTables, RegistrationCell) {
    const struct {
        int menu_n;
        int dan;
        RecCell cell;
    } cases[] = {
        {3, 5, {0, 4}},   {3, 10, {0, 9}},   {9, 12, {6, 11}},  {4, 0, {1, 12}},   {5, 1, {2, 0}},
        {2, 5, {-1, -1}}, {10, 5, {-1, -1}}, {3, 13, {-1, -1}}, {3, -1, {-1, -1}},
    };
    for (const auto& c : cases) {
        const RecCell got = registrationCell(c.menu_n, c.dan);
        EXPECT_EQ(got.row, c.cell.row) << c.menu_n << "/" << c.dan;
        EXPECT_EQ(got.column, c.cell.column) << c.menu_n << "/" << c.dan;
    }
}

TEST(ResultTables, PerfectAllRowsKeyboardTestRegistersWayOneColumnTwelve) {
    KukuState s = levelTest(12, 4);
    for (int d = 1; d <= 9; ++d) answerRow(s, d, 1);
    const ResultTable t = BuildResultTable2(s);
    RecordingHost host;
    ASSERT_TRUE(RegisterResult(s, t, host));
    EXPECT_EQ(s.recCheck[1][12], 1);
}

TEST(ResultTables, RowTableRefusesRegistrationWithoutAPerfectResult) {
    KukuState s = rowTest(4, 3);
    for (int i = 0; i < 27; ++i) s.testRec[i] = 1;
    s.testRec[5] = 0;
    const ResultTable t = BuildResultTable1(s);
    RecordingHost host;
    EXPECT_FALSE(RegisterResult(s, t, host));
    EXPECT_EQ(host.messages, QStringList{q(u"ご確認!!|全問正解でないと，登録はできません。")});
    for (const auto& row : s.recCheck)
        for (int v : row) EXPECT_EQ(v, 0);
}

TEST(ResultTables, ClosingAsksOnlyAfterAPerfectResultAndTableOneClearsTheScreen) {
    struct Case {
        const char* name;
        bool levels;
        bool perfect;
        std::vector<bool> answers;
        bool closes;
        int questions;
        bool recordCleared;
        bool registered = false;
    };
    const Case cases[] = {
        {"row, perfect, OK", false, true, {true}, true, 1, true},
        {"row, perfect, Cancel", false, true, {false}, false, 1, false},
        {"row, not perfect", false, false, {}, true, 0, true},
        {"level, perfect, OK", true, true, {true}, true, 1, false},
        {"level, not perfect", true, false, {}, true, 0, false},
        // Registered from the table: nothing left to remind of.
        {"row, perfect, registered", false, true, {}, true, 0, true, true},
        {"level, perfect, registered", true, true, {}, true, 0, false, true},
    };
    for (const Case& c : cases) {
        KukuState s = c.levels ? levelTest(10, 3) : rowTest(3, 3);
        s.testRec.fill(1);
        ResultTable t;
        t.kind = c.levels ? ResultKind::Levels : ResultKind::Rows;
        t.perfect = c.perfect;
        t.registered = c.registered;
        RecordingBoard board;
        board.comboShown = 0;
        VirtualPacer pacer;
        pacer.answers = c.answers;
        EXPECT_EQ(CloseResultTable(s, t, board, pacer), c.closes) << c.name;
        EXPECT_EQ(board.comboShown, 1) << c.name;
        ASSERT_EQ(static_cast<int>(pacer.questions.size()), c.questions) << c.name;
        if (c.questions) {
            EXPECT_EQ(
                pacer.questions[0],
                q(u"ご確認!!|"
                  u"閉じると結果は消えます。全問正解のときは，登録をわすれずに！\n\n閉じていいですか。"));
        }
        EXPECT_EQ(s.testRec[100], c.recordCleared ? 2 : 1) << c.name;
    }
}
