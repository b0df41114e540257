#pragma once

#include "core/Pacer.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <map>
#include <vector>

namespace rentabo {

// A pacer on a virtual clock, for tests and soak runs: sleep advances time at once, keys are
// pressed at scripted virtual times, periodic timers and one-off events fire as time passes them.
class VirtualPacer final : public Pacer {
public:
    VirtualPacer() = default;

    std::int64_t now() override { return m_now; }
    void sleep(int ms) override;
    bool keyDown(int key) override;
    bool keyPressedSince(int key) override;
    bool rightButtonDown() override { return keyDown(vk::RButton); }
    void processPendingMessages() override;
    bool askOkCancel(const QString& text, const QString& caption) override;
    void waitForSpeech() override;
    void beep() override { ++beeps; }

    // Scripting.
    // The key goes down at `at` and is held for `holdMs` (a tap when 0).
    void pressKey(int key, std::int64_t at, int holdMs = 0);
    // Runs `fn` once when virtual time reaches `at` (inside a sleep or advanceTo).
    void at(std::int64_t at, std::function<void()> fn);
    // A periodic timer: first after `firstMs`, then every `intervalMs` (read again after each tick,
    // so a tick may change it through setTimerInterval).
    int addTimer(int firstMs, int intervalMs, std::function<void()> fn);
    void setTimerInterval(int id, int intervalMs);
    void removeTimer(int id);
    // Advances time to `t`, firing everything due on the way (the idle message loop).
    void advanceTo(std::int64_t t);
    void advanceBy(std::int64_t ms) { advanceTo(m_now + ms); }
    // Answers for the next question boxes, in order; an empty queue answers OK.
    std::vector<bool> answers;
    // Questions asked, as "caption|text".
    std::vector<QString> questions;
    // How long the voice still speaks, asked by waitForSpeech; set by a fake voice.
    std::function<std::int64_t()> speechRemaining;
    int beeps = 0;

private:
    struct Press {
        std::int64_t down;
        std::int64_t up;
        bool seen = false;
    };
    struct Timer {
        std::int64_t next;
        int interval;
        std::function<void()> fn;
        bool running = false;
    };
    void fireDue();

    std::int64_t m_now = 0;
    std::multimap<int, Press> m_presses;
    std::multimap<std::int64_t, std::function<void()>> m_events;
    std::map<int, Timer> m_timers;
    int m_nextTimer = 1;
};

}  // namespace rentabo
