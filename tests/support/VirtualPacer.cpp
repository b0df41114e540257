#include "tests/support/VirtualPacer.h"

#include <algorithm>

namespace rentabo {

void VirtualPacer::sleep(int ms) {
    advanceTo(m_now + std::max(ms, 0));
}

void VirtualPacer::advanceTo(std::int64_t t) {
    // Step from one due item to the next so that each fires at its own virtual time. A callback
    // that sleeps runs this again, nested, as a nested event loop would; a timer never re-enters
    // its own callback.
    while (true) {
        std::int64_t next = t + 1;
        if (!m_events.empty()) next = std::min(next, m_events.begin()->first);
        for (const auto& [id, timer] : m_timers)
            if (!timer.running) next = std::min(next, timer.next);
        if (next > t) break;
        m_now = std::max(m_now, next);
        fireDue();
    }
    m_now = std::max(m_now, t);
}

void VirtualPacer::fireDue() {
    if (!m_events.empty() && m_events.begin()->first <= m_now) {
        auto fn = std::move(m_events.begin()->second);
        m_events.erase(m_events.begin());
        fn();
        return;
    }
    for (auto& [id, timer] : m_timers) {
        if (timer.running || timer.next > m_now) continue;
        const int timerId = id;
        auto fn = timer.fn;
        timer.running = true;
        fn();
        // The callback may have changed the interval or removed the timer.
        if (auto it = m_timers.find(timerId); it != m_timers.end()) {
            it->second.running = false;
            it->second.next = std::max(it->second.next + std::max(it->second.interval, 1), m_now);
            if (it->second.next <= m_now) it->second.next = m_now + std::max(it->second.interval, 1);
        }
        return;
    }
}

bool VirtualPacer::keyDown(int key) {
    auto [first, last] = m_presses.equal_range(key);
    for (auto it = first; it != last; ++it)
        if (it->second.down <= m_now && m_now < it->second.up) return true;
    return false;
}

bool VirtualPacer::keyPressedSince(int key) {
    bool pressed = false;
    auto [first, last] = m_presses.equal_range(key);
    for (auto it = first; it != last; ++it) {
        if (it->second.down <= m_now && !it->second.seen) {
            it->second.seen = true;
            pressed = true;
        }
    }
    return pressed;
}

void VirtualPacer::processPendingMessages() {
    advanceTo(m_now);
}

bool VirtualPacer::askOkCancel(const QString& text, const QString& caption) {
    questions.push_back(caption + QLatin1Char('|') + text);
    if (answers.empty()) return true;
    const bool ok = answers.front();
    answers.erase(answers.begin());
    return ok;
}

void VirtualPacer::waitForSpeech() {
    if (speechRemaining) advanceBy(speechRemaining());
}

void VirtualPacer::pressKey(int key, std::int64_t at, int holdMs) {
    // A tap is held for 1 ms so that a poll at exactly `at` sees it down.
    m_presses.emplace(key, Press{at, at + std::max(holdMs, 1)});
}

void VirtualPacer::at(std::int64_t t, std::function<void()> fn) {
    m_events.emplace(t, std::move(fn));
}

int VirtualPacer::addTimer(int firstMs, int intervalMs, std::function<void()> fn) {
    const int id = m_nextTimer++;
    m_timers.emplace(id, Timer{m_now + firstMs, intervalMs, std::move(fn)});
    return id;
}

void VirtualPacer::setTimerInterval(int id, int intervalMs) {
    if (auto it = m_timers.find(id); it != m_timers.end()) it->second.interval = intervalMs;
}

void VirtualPacer::removeTimer(int id) {
    m_timers.erase(id);
}

}  // namespace rentabo
