#include "records/Progress.h"

#include <algorithm>
#include <numeric>

namespace rentabo {

FactGrade gradeOf(const FactProgress& p) {
    if (p.answers == 0) return FactGrade::NotYet;
    if (p.answers < kAnswersForAGrade) return FactGrade::Few;
    // Ratios as whole tenths, so that 9 right out of 10 is 0.9 and not just below it.
    const int tenths = p.right * 10 / p.answers;
    if (tenths >= 9 && p.meanRightMs <= kSlowAnswerMs) return FactGrade::Mastered;
    if (tenths >= 7) return FactGrade::Nearly;
    if (tenths >= 5) return FactGrade::Practise;
    return FactGrade::Weak;
}

QString gradeLabel(FactGrade grade) {
    switch (grade) {
        case FactGrade::Mastered:
            return QStringLiteral(u"よくできる（9割以上 正かい、3秒以内）");
        case FactGrade::Nearly:
            return QStringLiteral(u"もう少し（7割以上 正かい、または ゆっくり）");
        case FactGrade::Practise:
            return QStringLiteral(u"れんしゅうしよう（半分以上 正かい）");
        case FactGrade::Weak:
            return QStringLiteral(u"にがて（正かいが半分より少ない）");
        case FactGrade::Few:
            return QStringLiteral(u"答えが%1回より少ない（色はまだつけない）").arg(kAnswersForAGrade);
        case FactGrade::NotYet:
            return QStringLiteral(u"まだ答えていない");
    }
    return {};
}

std::vector<int> slowestFacts(const std::array<FactProgress, 81>& facts, int count) {
    std::vector<int> order(81);
    std::iota(order.begin(), order.end(), 0);
    std::erase_if(order, [&](int k) { return facts[static_cast<std::size_t>(k)].right == 0; });
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        return facts[static_cast<std::size_t>(a)].meanRightMs >
               facts[static_cast<std::size_t>(b)].meanRightMs;
    });
    if (static_cast<int>(order.size()) > count) order.resize(static_cast<std::size_t>(count));
    return order;
}

std::vector<int> mostMissedFacts(const std::array<FactProgress, 81>& facts, int count) {
    std::vector<int> order(81);
    std::iota(order.begin(), order.end(), 0);
    std::erase_if(order, [&](int k) { return facts[static_cast<std::size_t>(k)].misses() == 0; });
    // More misses first; among equals, the larger share of misses.
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        const FactProgress& x = facts[static_cast<std::size_t>(a)];
        const FactProgress& y = facts[static_cast<std::size_t>(b)];
        if (x.misses() != y.misses()) return x.misses() > y.misses();
        return x.misses() * y.answers > y.misses() * x.answers;
    });
    if (static_cast<int>(order.size()) > count) order.resize(static_cast<std::size_t>(count));
    return order;
}

ProgressReport readProgress(const HistoryStore& store, const LearnerId& learner, const QDate& today) {
    ProgressReport r;
    r.facts = store.recentProgress(learner);
    r.days = store.days(learner, today.addDays(1 - kChartDays), today);
    r.slowest = slowestFacts(r.facts);
    r.mostMissed = mostMissedFacts(r.facts);
    r.dueToday = store.dueToday(learner, today);
    r.answers = store.answerCount(learner);
    return r;
}

}  // namespace rentabo
