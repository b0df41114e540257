#pragma once

#include <QString>

#include <functional>

namespace rentabo {

struct KukuState;

// The name typed in the name box taken over. The records belong to the old name, so a different
// name is first put to `confirm` as a question; when it agrees a new learner takes over (true):
// the name, a fresh result table and qualification table, and the learner number of the new name.
// (The learner's voice model is the recogniser's to drop.) Refused, the old name stays.
bool changeLearnerName(KukuState& state, const QString& typed,
                       const std::function<bool(const QString& question)>& confirm);

}  // namespace rentabo
