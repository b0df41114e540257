#pragma once

#include <QString>

#include <functional>

namespace rentabo {

class HistoryStore;
struct KukuState;

// The name typed in the name box taken over. The records belong to the old name, so a different
// name is first put to `confirm` as a question; when it agrees a new learner takes over (true):
// the name, a fresh result table, and the learner number of the new name. (The learner's voice
// model is the recogniser's to drop.) Refused, the old name stays.
//
// Siblings share the program: with a history, the leaving learner's qualification table and weak
// list are kept in it, and a learner who comes back (the same name and number) gets theirs back.
// A learner the history does not know starts with an empty qualification table and keeps the weak
// list as it is; without a history the qualification table is simply cleared.
bool changeLearnerName(KukuState& state, const QString& typed,
                       const std::function<bool(const QString& question)>& confirm,
                       HistoryStore* history = nullptr);

}  // namespace rentabo
