#include "records/Progress.h"
#include "records/ReviewSchedule.h"

#include <gtest/gtest.h>

using namespace rentabo;

namespace {

const QDate kMonday(2026, 3, 2);

std::string iso(const QDate& d) {
    return d.toString(Qt::ISODate).toStdString();
}

}  // namespace

// "Quick" is one boundary for the review and the progress map alike: a right answer in up to
// 3 s moves a fact up a box and, as the mean of a fact's right answers, earns the map's ◎; one
// millisecond more does neither.
TEST(ReviewSchedule, AQuickAnswerIsQuickForTheReviewAndForTheMapAlike) {
    const struct {
        std::int64_t ms;
        bool quick;
    } cases[] = {
        {1, true}, {2999, true}, {3000, true}, {3001, false}, {10000, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.ms) + " ms");
        // A fact in box 2, due today, last moved up two days ago.
        const LeitnerCard card{2, kMonday, kMonday.addDays(-2), {}};
        const LeitnerCard after = applyAnswer(card, kMonday, AnswerOutcome::Right, c.ms);
        EXPECT_EQ(after.box, c.quick ? 3 : 2);
        EXPECT_EQ(iso(after.due), iso(kMonday.addDays(c.quick ? 4 : 1)));
        EXPECT_EQ(gradeOf({10, 10, c.ms}), c.quick ? FactGrade::Mastered : FactGrade::Nearly);
    }
}

// The boxes wait 1, 2, 4, 8 and 16 days; a fact answered quickly each day it falls due climbs
// them one by one and stays in the last, and a miss puts it back in the first.
TEST(ReviewSchedule, TheBoxesWaitOneTwoFourEightAndSixteenDays) {
    const int days[kLeitnerBoxes + 1] = {0, 1, 2, 4, 8, 16};
    for (int box = 1; box <= kLeitnerBoxes; ++box) EXPECT_EQ(leitnerIntervalDays(box), days[box]) << box;

    const struct {
        AnswerOutcome outcome;
        int box;
        int daysUntilDue;
    } steps[] = {
        {AnswerOutcome::Right, 2, 2},    {AnswerOutcome::Right, 3, 4},  {AnswerOutcome::Right, 4, 8},
        {AnswerOutcome::Right, 5, 16},   {AnswerOutcome::Right, 5, 16}, {AnswerOutcome::Wrong, 1, 1},
        {AnswerOutcome::TimedOut, 1, 1},
    };
    LeitnerCard card;
    QDate day = kMonday;
    for (const auto& s : steps) {
        card = applyAnswer(card, day, s.outcome, 1000);
        EXPECT_EQ(card.box, s.box) << iso(day);
        EXPECT_EQ(iso(card.due), iso(day.addDays(s.daysUntilDue))) << iso(day);
        day = card.due;
    }
}
