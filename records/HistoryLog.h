#pragma once

#include "core/AnswerLog.h"
#include "core/KukuState.h"
#include "records/HistoryStore.h"

#include <QDateTime>

#include <functional>

namespace rentabo {

// The runs' answer log written into the history: each judged answer with the learner of the
// moment (a name change starts another learner's history), the lesson mode and the wall clock.
class HistoryLog final : public AnswerLog {
public:
    using Clock = std::function<QDateTime()>;
    HistoryLog(HistoryStore& store, const KukuState& state, Clock clock)
        : m_store(store), m_state(state), m_clock(std::move(clock)) {}

    void answerJudged(const JudgedAnswer& answer) override;

    // Called once, with a Japanese message, when an answer could not be written now.
    std::function<void(const QString&)> onFailure;
    // The learner was told at start that the history is in use: not told again.
    void inUseAlreadyTold() { m_inUseTold = true; }

private:
    HistoryStore& m_store;
    const KukuState& m_state;
    Clock m_clock;
    bool m_failureTold = false;
    bool m_inUseTold = false;
};

LearnerId learnerOf(const KukuState& state);

}  // namespace rentabo
