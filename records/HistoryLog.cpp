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
    if (m_store.lastWrite() == HistoryStore::Write::InUse && m_inUseTold) return;
    // The test goes on: the history is an addition, never a reason to stop.
    m_failureTold = true;
    if (!onFailure) return;
    switch (m_store.lastWrite()) {
        case HistoryStore::Write::Written:
            break;
        case HistoryStore::Write::InUse:
            onFailure(QStringLiteral(
                u"がんばりの記録のファイルを、いまほかのプログラムが使っています。\n"
                u"答えはいったん覚えておき、ファイルが空いたら書きこみます。テストはそのまま続けられます。"));
            break;
        case HistoryStore::Write::Failing:
            onFailure(QStringLiteral(u"がんばりの記録に答えを書きこめませんでした。\n(%1)\n"
                                     u"答えは覚えておき、書きこめるようになったら書きこみます。"
                                     u"テストはそのまま続けられます。")
                          .arg(m_store.lastError()));
            break;
        case HistoryStore::Write::Refused:
            onFailure(
                QStringLiteral(
                    u"がんばりの記録に答えを書きこめませんでした。\n(%1)\nテストはそのまま続けられます。")
                    .arg(m_store.lastError()));
            break;
    }
}

}  // namespace rentabo
