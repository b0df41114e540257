#pragma once

#include <QString>

namespace rentabo {

struct KukuState;

// The question asked before the learner's name is changed: the records belong to the old name.
QString nameChangeQuestion(const QString& oldName, const QString& newName);

// A new learner takes over: the name, a fresh result table and qualification table, and the
// learner number of the new name. (The learner's voice model is the recogniser's to drop.)
void startNewLearner(KukuState& state, const QString& newName);

}  // namespace rentabo
