#pragma once

#include "records/HistoryStore.h"

#include <QDate>
#include <QString>

#include <array>
#include <vector>

namespace rentabo {

// How a fact is going, as the progress window colours it: by the share of its recent answers
// that were right and how quickly the right ones came. A fact answered fewer than
// kAnswersForAGrade times is not graded yet (Few): one lucky answer says nothing.
enum class FactGrade { NotYet, Mastered, Nearly, Practise, Weak, Few };
inline constexpr int kAnswersForAGrade = 5;
FactGrade gradeOf(const FactProgress& p);
// The legend's words for a grade, for a child and a parent.
QString gradeLabel(FactGrade grade);

// Everything the progress window shows, read from the history at once.
struct ProgressReport {
    std::array<FactProgress, 81> facts{};
    std::vector<DayProgress> days;  // the last kChartDays days, today last
    std::vector<int> slowest;       // at most five facts, slowest first
    std::vector<int> mostMissed;    // at most five facts, most missed first
    std::vector<int> dueToday;      // today's review
    int answers = 0;
};
inline constexpr int kChartDays = 28;
ProgressReport readProgress(const HistoryStore& store, const LearnerId& learner, const QDate& today);

// The five facts (at most) with the slowest right answers, and the five most often missed.
std::vector<int> slowestFacts(const std::array<FactProgress, 81>& facts, int count = 5);
std::vector<int> mostMissedFacts(const std::array<FactProgress, 81>& facts, int count = 5);

}  // namespace rentabo
