#include "records/HistoryLog.h"

namespace rentabo {

LearnerId learnerOf(const KukuState& state) {
    return {state.studentName, state.indivNum};
}

void HistoryLog::answerJudged(const JudgedAnswer& answer) {
    HistoryRow row;
    row.when = m_clock();
    row.learner = learnerOf(m_state);
    row.mode = historyModeOf(m_state.menu_n, answer.review, answer.channel);
    row.answer = answer;
    row.review = answer.review;
    if (m_store.add(row) || m_failureTold) return;
    // The test goes on: the history is an addition, never a reason to stop.
    m_failureTold = true;
    if (onFailure)
        onFailure(QStringLiteral(
                      u"がんばりの記録に答えを書きこめませんでした。\n(%1)\nテストはそのまま続けられます。")
                      .arg(m_store.lastError()));
}

}  // namespace rentabo
