#include "records/Learner.h"

#include "core/Board.h"
#include "core/KukuState.h"
#include "settings/LearnerNumber.h"

namespace rentabo {

bool changeLearnerName(KukuState& state, const QString& typed,
                       const std::function<bool(const QString& question)>& confirm) {
    const QString oldName = state.studentName;
    if (typed == oldName) return false;
    // The name is taken while the question is open, as the name box shows it.
    state.studentName = typed;
    const QString question =
        QStringLiteral(
            u"<%1>を<%2>に変えようとしています。\n変えると現在の成績表は消されます。\n変えてもいいですか。")
            .arg(oldName, typed);
    if (!confirm(question)) {
        state.studentName = oldName;
        return false;
    }
    ResetResults(state);
    for (auto& row : state.recCheck) row.fill(0);
    state.indivNum = indivNumOf(typed);
    return true;
}

}  // namespace rentabo
