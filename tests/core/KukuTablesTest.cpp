#include "core/KukuTables.h"
#include "tests/support/Text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

using namespace rentabo;

namespace {
using rentabo::testing::q;
}  // namespace

TEST(KukuTables, ProductOfEveryFactFollowsItsIndex) {
    const auto& t = kukuTables();
    for (int k = 0; k < kFacts; ++k) EXPECT_EQ(t.kotae[k], (k / 9 + 1) * (k % 9 + 1)) << k;
}

TEST(KukuTables, ExpressionAndAnswerTexts) {
    const auto& t = kukuTables();
    struct Case {
        int k;
        const char16_t* shiki;
        const char16_t* ans;
    };
    const Case cases[] = {
        {0, u"１×１", u"１　"},
        {23, u"３×６", u"１８"},
        {7, u"１×８", u"８　"},
        {80, u"９×９", u"８１"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(t.shikiStr[c.k], q(c.shiki)) << c.k;
        EXPECT_EQ(t.ansStr[c.k], q(c.ans)) << c.k;
    }
}

// The laid-out readings as the board has always shown them.
TEST(KukuTables, LaidOutReadingsMatchTheBoard) {
    const auto& t = kukuTables();
    struct Case {
        int k;
        const char16_t* full;
    };
    const Case cases[] = {
        {0, u"　いん・いち・が・いち　　　　　"},  {23, u"　さぶ・ろく　　・じゅうはち　　"},
        {35, u"　し　・　く　　・さんじゅうろく"}, {20, u"　さ　・ざん・が・く　　　　　　"},
        {44, u"　ごっ・　く　　・しじゅうご　　"}, {70, u"　はっ・　ぱ　　・ろくじゅうし　"},
        {80, u"　く　・　く　　・はちじゅういち"},
    };
    for (const auto& c : cases) EXPECT_EQ(t.yomiFull[c.k], q(c.full)) << c.k;
    for (int k = 0; k < kFacts; ++k) EXPECT_EQ(t.yomiFull[k].size(), 16) << k;
    EXPECT_EQ(t.yomiFull[0].left(9), q(u"　いん・いち・が・"));
    EXPECT_EQ(t.yomiFull[13].left(9), q(u"　に　・　ご　　・"));
}

TEST(KukuTables, QuestionPartKeepsItsOddSpacing) {
    const auto& t = kukuTables();
    EXPECT_EQ(t.yomiQ[6], q(u"いんしちが "));
    EXPECT_EQ(t.yomiQ[27], q(u"しいちが・"));
    EXPECT_EQ(t.yomiQ[16], q(u"に　はち"));
    EXPECT_EQ(t.goroHint[46], q(u" "));
    EXPECT_EQ(t.goroHint[10], q(u"　"));
}

TEST(KukuTables, MakeYomiKinds) {
    struct Case {
        int k;
        int kind;
        const char16_t* text;
    };
    const Case cases[] = {
        {34, 0, u"し はっ"},
        {23, 0, u"さぶろく"},
        {6, 0, u"いんしちが "},
        {16, 0, u"に はっち"},
        {23, 1, u"さぶ ろく じゅうはち"},
        {34, 1, u"し はっ さんじゅうに"},
        {7, 1, u"いん はっち が はっち"},
        {43, 1, u"ご はっ しじゅう"},
        {23, 2, u"さぶろく18"},
        {16, 2, u"に,はっち16"},
        {0, 3, u""},
        {0, -1, u""},
    };
    for (const auto& c : cases) EXPECT_EQ(MakeYomi(c.k, c.kind), q(c.text)) << c.k << "/" << c.kind;
}

TEST(KukuTables, SetListIsAPermutationInLearningOrder) {
    const auto list = BuildSetList();
    std::set<int> seen(list.begin(), list.end());
    EXPECT_EQ(seen.size(), 81u);
    EXPECT_EQ(*seen.begin(), 0);
    EXPECT_EQ(*seen.rbegin(), 80);
    // Positions 18-26 hold row 5, 54-62 row 8.
    EXPECT_EQ(list[18], 36);
    EXPECT_EQ(list[26], 44);
    EXPECT_EQ(list[54], 63);
    EXPECT_EQ(list[63], 54);
}

TEST(KukuTables, ChoiceRangesAndCodes) {
    struct Case {
        int choice;
        int start;
        int end;
        int dan;
    };
    const Case cases[] = {
        {0, 0, 9, 1},     {2, 18, 27, 5},   {8, 72, 81, 9}, {9, 0, 27, 10},
        {10, 27, 54, 11}, {11, 54, 81, 12}, {12, 0, 81, 0},
    };
    for (const auto& c : cases) {
        const auto r = setRangeOfChoice(c.choice);
        EXPECT_EQ(r.setStart, c.start) << c.choice;
        EXPECT_EQ(r.setEnd, c.end) << c.choice;
        EXPECT_EQ(DanOfChoice[c.choice], c.dan) << c.choice;
    }
    for (int dan = 1; dan <= 12; ++dan) EXPECT_EQ(DanOfChoice[ChoiceOfDan[dan - 1]], dan) << dan;
    EXPECT_EQ(kukuTables().danName[12], q(u"すべての段"));
}
