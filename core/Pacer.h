#pragma once

#include <QString>

#include <cstdint>

namespace rentabo {

// Key codes of the keys the runs poll. They keep the values of the keyboard's virtual-key
// codes, so the numbers the program has always used (74 for J, 106 for the keypad's *) still hold.
namespace vk {
inline constexpr int RButton = 0x02;
inline constexpr int Return = 0x0D;
inline constexpr int Escape = 0x1B;
inline constexpr int Delete = 0x2E;
inline constexpr int Key0 = 0x30;  // '0' .. '9' are 0x30 .. 0x39
inline constexpr int KeyG = 0x47;
inline constexpr int KeyI = 0x49;
inline constexpr int KeyJ = 0x4A;
inline constexpr int KeyL = 0x4C;
inline constexpr int Numpad0 = 0x60;  // keypad 0 .. 9 are 0x60 .. 0x69
inline constexpr int Multiply = 0x6A;
inline constexpr int F1 = 0x70;
inline constexpr int F2 = 0x71;
}  // namespace vk

// What a run sees of time, the keyboard and the user. The program's runs are written as plain
// procedural code against this interface: in the program it sleeps in a nested event loop so the
// window keeps painting; in tests it is a virtual clock on which a ten-minute lesson takes
// milliseconds.
class Pacer {
public:
    virtual ~Pacer() = default;

    // Milliseconds of a monotonic clock.
    virtual std::int64_t now() = 0;
    virtual void sleep(int ms) = 0;
    // The key is held down now.
    virtual bool keyDown(int key) = 0;
    // The key went down since the previous query of it; the query clears that.
    virtual bool keyPressedSince(int key) = 0;
    virtual bool rightButtonDown() = 0;
    virtual void processPendingMessages() = 0;
    // A question box with OK and Cancel; true for OK.
    virtual bool askOkCancel(const QString& text, const QString& caption) = 0;
    // Returns once all queued speech has been spoken.
    virtual void waitForSpeech() = 0;
    // A short system beep.
    virtual void beep() = 0;
    // A run waits in this pacer now, so whatever arrives (a phrase, a click) arrives inside it.
    // The virtual clock runs nothing in between, so for it no run is ever active.
    virtual bool runActive() const { return false; }
    // A stop heard while a run is active (a spoken 「ストップ」): the run sees one press of Esc
    // at its next poll and stops through its own Esc path.
    virtual void stopHeard() {}

    // Held now or pressed since the previous query: the state a polling loop reacts to.
    bool keyActive(int key) {
        const bool pressed = keyPressedSince(key);
        return keyDown(key) || pressed;
    }
};

}  // namespace rentabo
