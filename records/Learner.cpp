#include "records/Learner.h"

#include "core/Board.h"
#include "core/KukuState.h"
#include "settings/LearnerNumber.h"

namespace rentabo {

QString nameChangeQuestion(const QString& oldName, const QString& newName) {
    return QStringLiteral(
               u"<%1>を<%2>"
               u"に変えようとしています。\n変えると現在の成績表は消されます。\n変えてもいいですか。")
        .arg(oldName, newName);
}

void startNewLearner(KukuState& state, const QString& newName) {
    state.studentName = newName;
    ResetResults(state);
    for (auto& row : state.recCheck) row.fill(0);
    state.indivNum = indivNumOf(newName);
}

}  // namespace rentabo
