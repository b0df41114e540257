#include "core/KukuTables.h"
#include "records/Sikaku.h"
#include "tests/records/RecordingHost.h"
#include "tests/support/Text.h"

#include <gtest/gtest.h>

using namespace rentabo;

namespace {

using rentabo::testing::q;

// Grid row r (1..13) passed in way column c (1..7).
RecCheck passing(std::initializer_list<std::pair<int, std::vector<int>>> ways) {
    RecCheck rec{};
    for (const auto& [column, rows] : ways)
        for (int r : rows) rec[column - 1][r - 1] = 1;
    return rec;
}

const std::vector<int> kRows1to9{1, 2, 3, 4, 5, 6, 7, 8, 9};

}  // namespace

TEST(Sikaku, ANewLearnerSeesDashesCrossesAndNoAward) {
    SikakuGrid grid = MakeSikakuGrid(RecCheck{});
    EXPECT_EQ(grid[0][1], q(u"手答(順)"));
    EXPECT_EQ(grid[0][7], q(u"完全暗唱"));
    EXPECT_EQ(grid[10][0], q(u"一・二・五の段"));
    EXPECT_EQ(grid[14][0], q(u"合否"));
    const SikakuVerdict v = SikakuCheck(grid);
    for (int c = 1; c <= 7; ++c) {
        for (int r = 1; r <= 13; ++r) EXPECT_EQ(grid[r][c], q(u"－"));
        EXPECT_EQ(grid[14][c], q(u"×"));
    }
    EXPECT_EQ(v.sikakuLevel, 0);
    EXPECT_EQ(v.message, q(u"名人や免許皆伝の位にはまだ修行がたらんぞ。"));
    EXPECT_FALSE(v.masterEnabled);
    EXPECT_FALSE(v.menkyoEnabled);
}

TEST(Sikaku, AStoredRecordThatDidNotDecodeShowsAsNotPassed) {
    RecCheck rec{};
    rec[0][0] = -3;  // a record read under another learner number
    rec[0][13] = 5;
    const SikakuGrid grid = MakeSikakuGrid(rec);
    EXPECT_EQ(grid[1][1], q(u"－"));
    EXPECT_EQ(grid[14][1], q(u"×"));
}

TEST(Sikaku, WayCompleteByGridRowGroups) {
    const struct {
        const char* name;
        std::vector<int> rows;
        bool complete;
    } cases[] = {
        {"rows 1-9", kRows1to9, true},
        {"the three levels alone", {10, 11, 12}, true},
        {"all rows alone", {13}, true},
        // Group A is grid rows 1-3, not the rows 1, 2, 5 named by the beginner level.
        {"rows 1, 2, 3 with levels 11, 12", {1, 2, 3, 11, 12}, true},
        {"rows 1, 2, 5 with levels 11, 12", {1, 2, 5, 11, 12}, false},
        {"rows 4-9 with level 10", {4, 5, 6, 7, 8, 9, 10}, true},
        {"rows 1-8", {1, 2, 3, 4, 5, 6, 7, 8}, false},
        {"two levels", {10, 11}, false},
        {"nothing", {}, false},
    };
    for (const auto& c : cases) {
        const SikakuGrid grid = MakeSikakuGrid(passing({{1, c.rows}}));
        EXPECT_EQ(wayComplete(grid, 1), c.complete) << c.name;
        EXPECT_FALSE(wayComplete(grid, 2)) << c.name;
    }
}

TEST(Sikaku, AwardsFromTheCompleteWays) {
    const QString none = q(u"名人や免許皆伝の位にはまだ修行がたらんぞ。");
    const QString master = q(u"おめでとう。<九九術マスター> の資格をゲットできるぞ。");
    const QString menkyo = q(u"でかした。<九九術免許皆伝> をゲットできるぞ。");
    const struct {
        const char* name;
        std::vector<int> completeWays;
        int level;
        QString message;
    } cases[] = {
        {"keyboard in order and voice shuffled", {1, 4}, 1, master},
        {"voice in order and keyboard shuffled", {3, 2}, 1, master},
        {"two in-order ways, nothing shuffled", {1, 3}, 0, none},
        {"shuffled only", {2, 4}, 0, none},
        {"all seven", {1, 2, 3, 4, 5, 6, 7}, 2, menkyo},
        // The recitation ways without the マスター pair give nothing.
        {"recitations only", {5, 6, 7}, 0, none},
        {"master plus two recitations", {1, 2, 5, 6}, 1, master},
    };
    for (const auto& c : cases) {
        RecCheck rec{};
        for (int col : c.completeWays)
            for (int r : kRows1to9) rec[col - 1][r - 1] = 1;
        SikakuGrid grid = MakeSikakuGrid(rec);
        const SikakuVerdict v = SikakuCheck(grid);
        EXPECT_EQ(v.sikakuLevel, c.level) << c.name;
        EXPECT_EQ(v.message, c.message) << c.name;
        EXPECT_EQ(v.masterEnabled, c.level >= 1) << c.name;
        EXPECT_EQ(v.menkyoEnabled, c.level == 2) << c.name;
        for (int col = 1; col <= 7; ++col) {
            const bool done =
                std::find(c.completeWays.begin(), c.completeWays.end(), col) != c.completeWays.end();
            EXPECT_EQ(grid[14][col], done ? q(u"◎") : q(u"×")) << c.name << " way " << col;
        }
    }
}

TEST(Sikaku, RowCertificateRule) {
    // One box, naming the row chosen.
    auto notYet = [](const char16_t* row) {
        return q(u"□ごかくにん□|") + q(row) +
               q(u"の認定は，<順>と<乱>の両方か，完全暗唱に通る必要があるよ。\nまだ，条件がたりません。");
    };
    const QString none = q(u"□ごかくにん□|この認定はありません。");
    const struct {
        const char* name;
        RecCheck rec;
        int row;
        bool opens;
        QStringList messages;
        int mokuji_n;
    } cases[] = {
        {"row 4 recited in order only", passing({{5, {4}}}), 4, false, {notYet(u"四の段")}, 1},
        {"row 4 recited in order and voice shuffled",
         passing({{5, {4}}, {4, {4}}}),
         4,
         true,
         {},
         ChoiceOfDan[3]},
        {"row 4 in full recitation only", passing({{7, {4}}}), 4, true, {}, ChoiceOfDan[3]},
        {"row 7 keyboard both ways", passing({{1, {7}}, {2, {7}}}), 7, true, {}, 7},
        {"row 4 with both ways in other rows",
         passing({{1, {3}}, {2, {5}}}),
         4,
         false,
         {notYet(u"四の段")},
         1},
        // A level is judged on its own row, not on the rows that make it.
        {"intermediate from its rows",
         passing({{1, {3, 4, 6}}, {2, {3, 4, 6}}}),
         11,
         false,
         {notYet(u"三・四・六の段")},
         1},
        {"intermediate on its own row", passing({{3, {11}}, {6, {11}}}), 11, true, {}, 10},
        {"all rows", passing({{7, {13}}}), 13, false, {none}, 1},
        {"pass row", passing({{7, {13}}}), 14, false, {none}, 1},
    };
    for (const auto& c : cases) {
        KukuState s;
        s.mokuji_n = 1;
        s.dan = 2;
        s.certChoice = 1;
        s.certKind = 1;
        RecordingHost host;
        const SikakuGrid grid = MakeSikakuGrid(c.rec);
        EXPECT_EQ(DankyuCertificate(s, grid, c.row, host), c.opens) << c.name;
        EXPECT_EQ(host.messages, c.messages) << c.name;
        EXPECT_EQ(s.certChoice, c.mokuji_n) << c.name;
        EXPECT_EQ(s.certKind, c.opens ? -1 : 1) << c.name;
        // The lesson choice is the learner's: a certificate never changes it.
        EXPECT_EQ(s.mokuji_n, 1) << c.name;
        EXPECT_EQ(s.dan, 2) << c.name;
    }
}

TEST(Sikaku, WriteBackStoresPassedCellsAndTheLastCheck) {
    RecCheck rec = passing({{1, kRows1to9}, {3, {13}}});
    rec[5][2] = -4;
    SikakuGrid grid = MakeSikakuGrid(rec);
    SikakuCheck(grid);
    RecCheck back{};
    back[6][6] = 1;  // overwritten from the grid
    WriteBackSikakuGrid(grid, back);
    for (int r = 0; r < 9; ++r) EXPECT_EQ(back[0][r], 1);
    EXPECT_EQ(back[0][13], 1);
    EXPECT_EQ(back[2][12], 1);
    EXPECT_EQ(back[2][13], 1);
    EXPECT_EQ(back[5][2], 0);
    EXPECT_EQ(back[6][6], 0);
    EXPECT_EQ(back[1][13], 0);
}

TEST(Sikaku, CellColours) {
    EXPECT_TRUE(sikakuCellRed(q(u"×")));
    EXPECT_TRUE(sikakuCellRed(q(u"◎")));
    EXPECT_FALSE(sikakuCellRed(q(u"○")));
    EXPECT_FALSE(sikakuCellRed(q(u"－")));
}
