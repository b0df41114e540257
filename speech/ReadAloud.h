#pragma once

#include "core/KukuState.h"
#include "core/Pacer.h"
#include "core/QuestionBoard.h"

#include <random>

namespace rentabo {

class Speaker;

// Reads the chosen row or level aloud instead of the silent practice (modes 2 and 3 with
// questions presented by voice): each fact is shown and said, the voice pauses for the learner's
// thinking time, and the set is repeated for the configured rounds. Esc or a confirmed
// right-click stops it. Returns 0 when every round was read, −1 when stopped.
int ReadVClick(KukuState& state, QuestionBoard& board, Pacer& pacer, Speaker& speaker, std::mt19937& rng);

}  // namespace rentabo
