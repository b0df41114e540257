#include "core/WaitWithStops.h"

#include <algorithm>

namespace rentabo {

void sleepOnePoll(Pacer& pacer, std::int64_t start, std::int64_t limitMs) {
    const std::int64_t untilOver = start + limitMs + 1 - pacer.now();
    pacer.sleep(static_cast<int>(std::clamp<std::int64_t>(untilOver, 1, kPollMs)));
}

WaitEnd waitWithStops(Pacer& pacer, std::int64_t limitMs, bool gHeldOnly, const QString& stopQuestion) {
    const std::int64_t start = pacer.now();
    // After a Cancel the button may still read as held; ask again only after it was let go.
    bool rightArmed = true;
    while (pacer.now() - start <= limitMs) {
        if (pacer.keyDown(vk::Escape)) return WaitEnd::Escaped;
        const bool g = gHeldOnly ? pacer.keyDown(vk::KeyG) : pacer.keyActive(vk::KeyG);
        if (g) return WaitEnd::Skipped;
        if (!pacer.rightButtonDown()) {
            rightArmed = true;
        } else if (rightArmed) {
            if (pacer.askOkCancel(stopQuestion, QStringLiteral(u"<かくにん>"))) return WaitEnd::Confirmed;
            rightArmed = false;
        }
        sleepOnePoll(pacer, start, limitMs);
    }
    return WaitEnd::TimeUp;
}

void forgetEarlierPresses(Pacer& pacer) {
    for (int d = 0; d < 10; ++d) {
        pacer.keyPressedSince(vk::Numpad0 + d);
        pacer.keyPressedSince(vk::Key0 + d);
    }
    pacer.keyPressedSince(vk::KeyG);
    pacer.keyPressedSince(vk::Return);
    pacer.keyPressedSince(vk::Escape);
}

}  // namespace rentabo
