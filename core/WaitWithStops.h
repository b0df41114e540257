#pragma once

#include "core/Pacer.h"

#include <QString>

#include <cstdint>

namespace rentabo {

// How often the waits of the runs look at the keys, in milliseconds.
inline constexpr int kPollMs = 10;

// Sleeps one poll step, but never past the moment `limitMs` is exceeded, so a wait that runs
// out ends exactly 1 ms after its limit.
void sleepOnePoll(Pacer& pacer, std::int64_t start, std::int64_t limitMs);

enum class WaitEnd {
    TimeUp,     // more than the limit has passed
    Skipped,    // G ended the wait early
    Escaped,    // Esc was held down
    Confirmed,  // the learner confirmed the stop question of a right-click
};

// The wait of the practice and reading runs: until more than `limitMs` have passed, Esc held
// down stops, G skips ahead and a held right button asks `stopQuestion` (caption "<かくにん>";
// Cancel goes on, and the time spent in the box counts). With `gHeldOnly` G counts only while
// held down; otherwise a press since the last poll counts too.
WaitEnd waitWithStops(Pacer& pacer, std::int64_t limitMs, bool gHeldOnly, const QString& stopQuestion);

// Forgets presses of the run keys made before a run started, so a digit typed into the name box
// or the Enter that pressed 始める is not taken as the first answer.
void forgetEarlierPresses(Pacer& pacer);

}  // namespace rentabo
