#include "records/Learner.h"

#include "core/Board.h"
#include "core/KukuState.h"
#include "records/HistoryLog.h"
#include "records/HistoryStore.h"
#include "settings/LearnerNumber.h"

namespace rentabo {

bool changeLearnerName(KukuState& state, const QString& typed,
                       const std::function<bool(const QString& question)>& confirm, HistoryStore* history) {
    const QString oldName = state.studentName;
    if (typed == oldName) return false;
    const LearnerId comer{typed, indivNumOf(typed)};
    const std::optional<LearnerRecords> kept = history ? history->records(comer) : std::nullopt;
    // The name is taken while the question is open, as the name box shows it.
    state.studentName = typed;
    QString what;
    if (!history)
        what = QStringLiteral(u"変えると現在の成績表と資格チェック表は消されます。\n");
    else if (kept)
        what = QStringLiteral(
                   u"変えると現在の成績表は消されます。\n"
                   u"<%1>の資格チェック表とにが手な九九はとっておき、<%2>のものにもどします。\n")
                   .arg(oldName, typed);
    else
        what = QStringLiteral(
                   u"変えると現在の成績表は消されます。\n"
                   u"<%1>の資格チェック表とにが手な九九はとっておき、名前をもどすと元にもどります。\n"
                   u"<%2>の資格チェック表は空から始まります。\n")
                   .arg(oldName, typed);
    const QString question = QStringLiteral(u"<%1>を<%2>に変えようとしています。\n%3変えてもいいですか。")
                                 .arg(oldName, typed, what);
    if (!confirm(question)) {
        state.studentName = oldName;
        return false;
    }
    if (history) history->keepRecords({{oldName, state.indivNum}, state.recCheck, state.errorsStr});
    ResetResults(state);
    state.indivNum = comer.number;
    if (kept) {
        state.recCheck = kept->recCheck;
        state.errorsStr = kept->errorsStr;
    } else {
        for (auto& row : state.recCheck) row.fill(0);
    }
    return true;
}

}  // namespace rentabo
