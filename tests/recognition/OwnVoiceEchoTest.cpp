#include "speech/platform/OwnVoiceEcho.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

using namespace rentabo;

namespace {

// A voice-like sound: a buzz at `pitch` Hz whose loudness and brightness move over time, so that
// no two stretches of it are alike.
std::vector<std::int16_t> buzz(double pitch, double seconds, int rate, unsigned seed) {
    std::vector<std::int16_t> out(std::size_t(seconds * rate));
    double phase = 0;
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double t = double(i) / rate;
        const double f = pitch * (1 + 0.08 * std::sin(2 * std::numbers::pi * (0.7 + seed % 5 * 0.3) * t));
        phase += 2 * std::numbers::pi * f / rate;
        double x = 0;
        for (int h = 1; h <= 12; ++h)
            x += std::sin(h * phase) *
                 std::exp(-h * (0.2 + 0.15 * std::sin(2 * std::numbers::pi * 3.1 * t + seed)));
        out[i] = std::int16_t(std::lround(3000 * x * (0.6 + 0.4 * std::sin(2 * std::numbers::pi * 2.3 * t))));
    }
    return out;
}

// A chime of 0.3 s: two tones, each dying away.
std::vector<std::int16_t> chime(int rate) {
    std::vector<std::int16_t> out(std::size_t(0.3 * rate));
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double t = double(i) / rate;
        const double second =
            t < 0.12 ? 0 : std::sin(2 * std::numbers::pi * 1318.5 * t) * std::exp(-(t - 0.12) * 12);
        out[i] = std::int16_t(
            std::lround(8000 * (std::sin(2 * std::numbers::pi * 1046.5 * t) * std::exp(-t * 12) + second)));
    }
    return out;
}

// `words` at 16 kHz as the microphone hears them: `gain`, `delay` ms late, over a faint noise.
std::vector<std::int16_t> heard(const std::vector<std::int16_t>& words, double gain, int delayMs) {
    std::vector<std::int16_t> out(std::size_t(delayMs) * 16 + words.size());
    std::uint32_t seed = 7;
    for (std::size_t i = 0; i < out.size(); ++i) {
        seed = seed * 1664525u + 1013904223u;
        const double noise = (double(seed >> 8) / double(1u << 24) - 0.5) * 60;
        const std::size_t at = i - std::size_t(delayMs) * 16;
        out[i] = std::int16_t(std::lround(noise + (i >= std::size_t(delayMs) * 16 ? gain * words[at] : 0.0)));
    }
    return out;
}

std::vector<std::int16_t> tail(const std::vector<std::int16_t>& s, double seconds) {
    return {s.end() - std::ptrdiff_t(seconds * 16000), s.end()};
}

}  // namespace

// Whatever part of his words or of the sound played after them comes back, at whatever level and
// delay, it is like them; another sound is not, nor are his words once forgotten.
TEST(OwnVoiceEcho, AnyPartOfHisWordsIsLikeThemAndNothingElseIs) {
    const std::vector<std::int16_t> words = buzz(120, 3.0, 16000, 1);
    OwnVoiceEcho echo;
    // Played at 48 kHz, as Open JTalk's voice plays, then the chime at the effect sounds' rate.
    echo.remember(MonoAudio{48000, buzz(120, 3.0, 48000, 1)});
    echo.add(MonoAudio{22050, chime(22050)});
    struct Row {
        const char* what;
        std::vector<std::int16_t> audio;
        bool alike;
    };
    const Row rows[] = {
        {"all of them 20 dB down and 0.5 s late", heard(words, 0.1, 500), true},
        {"their last 0.3 s, then quiet", heard(tail(words, 0.3), 0.1, 0), true},
        {"their last 0.5 s after 0.2 s of the room", heard(tail(words, 0.5), 0.1, 200), true},
        {"the chime 0.2 s late", heard(chime(16000), 0.1, 200), true},
        {"another voice higher", heard(buzz(190, 1.0, 16000, 2), 0.1, 0), false},
        {"another voice at his pitch", heard(buzz(121, 1.0, 16000, 3), 0.1, 0), false},
    };
    for (const Row& r : rows)
        EXPECT_EQ(echo.likeness(r.audio) > 0.65, r.alike) << r.what << ": " << echo.likeness(r.audio);
    // Only the last seconds are kept: what he said 5 s before the end is no longer his echo.
    echo.remember(MonoAudio{16000, [&] {
                                auto longer = words;
                                const auto more = buzz(150, 5.0, 16000, 4);
                                longer.insert(longer.end(), more.begin(), more.end());
                                return longer;
                            }()});
    EXPECT_LT(echo.likeness(heard(words, 0.1, 0)), 0.3);
    echo.remember({});
    EXPECT_EQ(echo.likeness(heard(words, 0.1, 0)), 0.0);
}
