#pragma once

#include "LessonRig.h"

#include <functional>
#include <vector>

namespace rentabo::testing {

struct KeyPress {
    int key;
    int delayMs;  // after the question appeared
    int holdMs = 0;
};

// A learner at the keyboard: whenever a new question appears on the board, `script` is asked
// which keys to press for the fact now asked, and they are pressed at their delays.
class Learner {
public:
    Learner(LessonRig& rig, std::function<std::vector<KeyPress>(int kuku_n)> script)
        : m_rig(rig), m_script(std::move(script)) {
        m_timer = rig.pacer.addTimer(0, 1, [this] { look(); });
    }
    ~Learner() { m_rig.pacer.removeTimer(m_timer); }

    int questionsSeen = 0;

private:
    void look() {
        // A question is new when the board logged an expression since the last look (the
        // expression is cleared and shown again within the same millisecond).
        bool fresh = false;
        const auto& log = m_rig.board.log;
        for (; m_seen < log.size(); ++m_seen)
            if (log[m_seen].field == BoardText::Expression && !log[m_seen].text.isEmpty()) fresh = true;
        if (!fresh) return;
        ++questionsSeen;
        for (const auto& p : m_script(m_rig.state.kuku_n))
            m_rig.pacer.pressKey(p.key, m_rig.pacer.now() + p.delayMs, p.holdMs);
    }

    LessonRig& m_rig;
    std::function<std::vector<KeyPress>(int)> m_script;
    int m_timer = 0;
    std::size_t m_seen = 0;
};

// The keys of a number on the main keyboard's digit row.
inline std::vector<KeyPress> typed(int number, int firstDelayMs, int stepMs = 400) {
    std::vector<KeyPress> keys;
    const QString digits = QString::number(number);
    for (qsizetype i = 0; i < digits.size(); ++i)
        keys.push_back({vk::Key0 + digits.at(i).digitValue(), firstDelayMs + static_cast<int>(i) * stepMs});
    return keys;
}

}  // namespace rentabo::testing
