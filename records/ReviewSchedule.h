#pragma once

#include "core/AnswerLog.h"

#include <QDate>

#include <cstdint>
#include <vector>

namespace rentabo {

// The daily review is a Leitner schedule: every fact the learner has answered sits in one of five
// boxes, and a box says how many days may pass before the fact is asked again. Leitner rather than
// SM-2 because a test gives only right, wrong, timed out and a time for each answer, with a fact
// asked two or three times a day: SM-2's 0-5 grade and its ease factor would be guessed from that
// little, whereas a box a child can be shown ("this fact is in box 4") is exactly what we know.
inline constexpr int kLeitnerBoxes = 5;
// Days until a fact in box 1..5 is due again.
int leitnerIntervalDays(int box);
// A right answer slower than this does not move the fact up: it is known, but not yet by heart.
inline constexpr std::int64_t kSlowAnswerMs = 3000;

struct LeitnerCard {
    int box = 0;    // 0: never answered
    QDate due;      // the day the fact is due; null while never answered
    QDate movedUp;  // the last day the fact moved up a box
    QDate missed;   // the last day it was answered wrong or not at all
};

// The card after one judged answer on `day`. A miss puts the fact back in box 1, due tomorrow; a
// quick right answer moves it up one box (once a day, and not on a day it was missed); a slow
// right answer keeps its box and makes it due tomorrow.
LeitnerCard applyAnswer(LeitnerCard card, const QDate& day, AnswerOutcome outcome, std::int64_t answerMs);

// What the review knows of one fact on the day it is drawn up.
struct ReviewCandidate {
    int kuku_n = 0;
    LeitnerCard card;
    int recentMisses = 0;          // among the fact's last answers
    std::int64_t meanRightMs = 0;  // mean time of its recent right answers, 0 when none
};

// The facts due on `today`, at most `limit`: missed ones first, then the lower boxes, then the
// slower ones.
inline constexpr int kReviewLimit = 20;
std::vector<int> dueForReview(std::vector<ReviewCandidate> candidates, const QDate& today,
                              int limit = kReviewLimit);

}  // namespace rentabo
