#include "records/ReviewSchedule.h"

#include <algorithm>
#include <tuple>

namespace rentabo {

int leitnerIntervalDays(int box) {
    static constexpr int days[kLeitnerBoxes] = {1, 2, 4, 8, 16};
    return days[std::clamp(box, 1, kLeitnerBoxes) - 1];
}

LeitnerCard applyAnswer(LeitnerCard card, const QDate& day, AnswerOutcome outcome, std::int64_t answerMs) {
    if (outcome != AnswerOutcome::Right) {
        card.box = 1;
        card.missed = day;
        card.due = day.addDays(1);
        return card;
    }
    if (card.box == 0) card.box = 1;
    if (answerMs > kSlowAnswerMs) {
        card.due = day.addDays(1);
        return card;
    }
    // Several right answers in one test are one day's knowledge, and a fact missed today has to
    // show tomorrow that it is known.
    if (card.movedUp == day || card.missed == day) {
        if (!card.due.isValid()) card.due = day.addDays(1);
        return card;
    }
    card.box = std::min(card.box + 1, kLeitnerBoxes);
    card.movedUp = day;
    card.due = day.addDays(leitnerIntervalDays(card.box));
    return card;
}

std::vector<int> dueForReview(std::vector<ReviewCandidate> candidates, const QDate& today, int limit) {
    std::erase_if(candidates, [&](const ReviewCandidate& c) {
        return c.card.box == 0 || !c.card.due.isValid() || c.card.due > today;
    });
    std::stable_sort(candidates.begin(), candidates.end(),
                     [](const ReviewCandidate& a, const ReviewCandidate& b) {
                         return std::make_tuple(-a.recentMisses, a.card.box, -a.meanRightMs, a.kuku_n) <
                                std::make_tuple(-b.recentMisses, b.card.box, -b.meanRightMs, b.kuku_n);
                     });
    std::vector<int> out;
    for (const auto& c : candidates) {
        if (static_cast<int>(out.size()) >= limit) break;
        out.push_back(c.kuku_n);
    }
    return out;
}

}  // namespace rentabo
