#pragma once

// A made-up but plausible learner's history, for the screenshots of the progress window and the
// history benchmark: tests of one row at a time in the learning order, most days, with the facts
// of the higher rows missed more and answered more slowly at first, and every fact getting better
// with practice.
#include "records/HistoryStore.h"
#include "records/RecordsHost.h"

#include <QDateTime>

#include <algorithm>
#include <array>
#include <cmath>
#include <random>

namespace rentabo::sample {

// The progress window's host for the tools: nothing to show or open beside it.
struct SilentHost final : RecordsHost {
    QString nameBoxText() const override { return {}; }
    void focusNameBox() override {}
    void ShowInfoPanel(int) override {}
    void message(const QString&, const QString&) override {}
    bool openDocument(const QString&) override { return false; }
};

// Fills `days` days ending with `lastDay` with about `perDay` answers on each day practised.
// Returns the number of answers written.
inline int fillHistory(HistoryStore& store, const LearnerId& who, const QDate& lastDay, int days, int perDay,
                       unsigned seed = 7) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    static constexpr int learningOrder[9] = {1, 2, 5, 3, 4, 6, 8, 7, 9};
    std::array<int, 81> practised{};
    int written = 0;
    for (int d = 0; d < days; ++d) {
        const QDate day = lastDay.addDays(d - days + 1);
        if (unit(rng) < 0.2 && d + 1 < days) continue;  // some days without practice
        // A new row every few days; old rows come back now and then.
        const int reached = std::min(8, d * 9 / std::max(days - 6, 1));
        QDateTime when(day, QTime(16, 30).addSecs(int(unit(rng) * 7200)));
        for (int i = 0; i < perDay; ++i) {
            const int row =
                unit(rng) < 0.7 ? learningOrder[reached] : learningOrder[int(unit(rng) * (reached + 1))];
            const int b = i % 9 + 1;
            const int k = (row - 1) * 9 + (b - 1);
            // Harder: the higher rows and the larger multipliers; easier with every answer.
            const double hardness = 0.04 * row + 0.025 * b + (row * b >= 24 && row * b <= 56 ? 0.15 : 0.0);
            const double skill = 1.0 - std::exp(-practised[k] / 6.0);
            const double pRight = std::clamp(0.95 - hardness * (1.0 - 0.8 * skill), 0.2, 0.99);
            const double r = unit(rng);
            HistoryRow row_;
            row_.when = when;
            row_.learner = who;
            row_.mode = i % 2 ? QStringLiteral("key-shuffled") : QStringLiteral("oral-ordered");
            row_.answer.kuku_n = k;
            row_.answer.channel = i % 2 ? AnswerChannel::Keyboard : AnswerChannel::Voice;
            const int product = row * b;
            if (r < pRight) {
                row_.answer.outcome = AnswerOutcome::Right;
                row_.answer.given = product;
            } else if (r < pRight + (1 - pRight) * 0.7) {
                row_.answer.outcome = AnswerOutcome::Wrong;
                row_.answer.given = product + (unit(rng) < 0.5 ? row : -row);
            } else {
                row_.answer.outcome = AnswerOutcome::TimedOut;
            }
            const double baseMs = 1200 + 5000 * hardness * (1.0 - 0.7 * skill);
            row_.answer.answerMs = static_cast<std::int64_t>(baseMs * (0.7 + 0.6 * unit(rng)));
            if (row_.answer.outcome == AnswerOutcome::TimedOut) row_.answer.answerMs = 3001;
            if (row_.answer.channel == AnswerChannel::Voice && row_.answer.outcome != AnswerOutcome::TimedOut)
                row_.answer.confidence = -0.5 - 3.0 * unit(rng);
            if (store.add(row_)) ++written;
            ++practised[k];
            when = when.addMSecs(row_.answer.answerMs + 1500);
        }
    }
    return written;
}

}  // namespace rentabo::sample
