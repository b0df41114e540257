#pragma once

#include <cstdint>
#include <optional>

namespace rentabo {

// How a judged answer went. A time-out is kept apart from a wrong answer: the child said nothing.
enum class AnswerOutcome { Right, Wrong, TimedOut };
enum class AnswerChannel { Keyboard, Voice };

// One judged answer of a keyboard or voice test, as the run saw it.
struct JudgedAnswer {
    int kuku_n = 0;
    // The number answered (a recitation gives the product of the fact said); -1 when nothing was.
    int given = -1;
    AnswerOutcome outcome = AnswerOutcome::Wrong;
    // From the moment the question was fully asked (spoken, prompt played) to the answer.
    std::int64_t answerMs = 0;
    AnswerChannel channel = AnswerChannel::Keyboard;
    // How sure the recogniser was of a spoken answer; none for keys and typed phrases.
    std::optional<double> confidence;
    // Asked in today's review rather than in a test of a row or level.
    bool review = false;
};

// Where the runs report every judged answer: the learner's history. The runs hold a pointer that
// may be null (no history kept).
class AnswerLog {
public:
    virtual ~AnswerLog() = default;
    virtual void answerJudged(const JudgedAnswer& answer) = 0;
};

}  // namespace rentabo
