#pragma once

// The waits of every run, in milliseconds, in one place: the pacing of each speed of the
// settings, the lesson timer, the keyboard tests' answer and mark times and the voice tests'
// answer times. Nothing copies them into the lesson state: they are derived where they are read.
namespace rentabo {

// The pacing of one speed of the settings (procFlag): the pause before a question, the answer
// time of the keyboard tests and the thinking time of practice (speedWait), and the time a
// spoken answer is awaited before the voice tests' extra (speedTimerWait).
struct Pacing {
    int speedPause;
    int speedWait;
    int speedTimerWait;
};

// 0 ステップ, 1 ゆっくり, 2 ふつう, 3 はやく; anything else paces as ステップ.
constexpr Pacing pacingOf(int procFlag) {
    switch (procFlag) {
        case 1:
            return {200, 4800, 4000};
        case 2:
            return {200, 3000, 2700};
        case 3:
            return {100, 1800, 1500};
        default:
            return {100, 100, 6000};
    }
}

namespace timing {

// The lesson timer: its first tick after start-up, then every tick.
inline constexpr int kFirstTickMs = 1000;
inline constexpr int kTickMs = 300;

// Keyboard tests: the answer time at ステップ (the other speeds use speedWait), how long a mark
// stays before the next question, and the pace at which a held key repeats.
inline constexpr int kStepAnswerMs = 8000;
inline constexpr int kKeyMarkMs = 500;
inline constexpr int kKeyRepeatMs = 300;

// Reading aloud: the thinking time at ステップ, and how much shorter than speedWait it is at
// the other speeds.
inline constexpr int kStepThinkMs = 6000;
inline constexpr int kThinkShortenMs = 500;

// Voice tests: the answer time counts in ticks of this length; on top of speedTimerWait a spoken
// number gets 1 s, a reading 3 s and a row of the full recitation 5 s.
inline constexpr int kVoiceTickMs = 200;
inline constexpr int kExtraNumberMs = 1000;
inline constexpr int kExtraReadingMs = 3000;
inline constexpr int kExtraFullRecitationMs = 5000;
// How long a spoken answer's mark stays: longer for a right one, so the praise is heard.
inline constexpr int kVoiceRightMarkMs = 1000;
inline constexpr int kVoiceWrongMarkMs = 600;

// Ended from outside (SIGTERM, the session's log-out): how long the end waits for a run to
// unwind through its Esc path before it forces every waiting loop to end, so the program is gone
// within a second of being asked.
inline constexpr int kEndFromOutsideMs = 500;

}  // namespace timing

}  // namespace rentabo
