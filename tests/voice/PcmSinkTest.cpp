#include "speech/platform/PullBuffer.h"

#include <gtest/gtest.h>

#include <vector>

using namespace rentabo;

namespace {

// The device side of the speaker: pulls `samples` samples, as a sound server does.
std::vector<std::int16_t> pull(PullBuffer& b, std::int64_t samples) {
    std::vector<std::int16_t> out(std::size_t(samples), 7);
    EXPECT_EQ(b.read(reinterpret_cast<char*>(out.data()), samples * 2), samples * 2);
    return out;
}

}  // namespace

// Through a sound server the device's buffer keeps being filled with silence after the last
// words; counted as words still to be heard, an utterance never ended and the microphone never
// opened again.
TEST(PullBuffer, SilenceHandedOutAfterTheLastWordsIsNotCountedAsWordsStillToBeHeard) {
    struct Step {
        char what;  // 'w' write, 'r' device reads
        std::int64_t n;
    };
    const struct {
        const char* name;
        std::vector<Step> steps;
        std::int64_t queued;  // samples the device still holds
        std::int64_t heard;
    } cases[] = {
        {"all in the device", {{'w', 1000}, {'r', 1600}}, 1600, 0},
        {"half of the words played", {{'w', 1000}, {'r', 1600}}, 1100, 500},
        {"only silence left in the device", {{'w', 1000}, {'r', 1600}}, 600, 1000},
        {"the device refilled with silence only", {{'w', 1000}, {'r', 1600}, {'r', 1600}}, 1600, 1000},
        {"the words read in pieces", {{'w', 1000}, {'r', 400}, {'r', 400}}, 400, 400},
        {"a second utterance still in the device",
         {{'w', 500}, {'r', 1600}, {'w', 500}, {'r', 1600}},
         1600,
         500},
        {"a second utterance played", {{'w', 500}, {'r', 1600}, {'w', 500}, {'r', 1600}}, 1100, 1000},
    };
    for (const auto& c : cases) {
        PullBuffer b;
        for (const Step& s : c.steps) {
            if (s.what == 'w') {
                const std::vector<std::int16_t> words(std::size_t(s.n), 1000);
                b.append(words.data(), words.size());
            } else {
                pull(b, s.n);
            }
        }
        EXPECT_EQ(b.heard(c.queued), c.heard) << c.name;
    }
}

TEST(PullBuffer, TheDeviceGetsTheWordsThenSilenceAndNeverARunDry) {
    PullBuffer b;
    const std::vector<std::int16_t> words{1, -2, 3};
    b.append(words.data(), words.size());
    EXPECT_EQ(pull(b, 5), (std::vector<std::int16_t>{1, -2, 3, 0, 0}));
    EXPECT_EQ(pull(b, 2), (std::vector<std::int16_t>{0, 0}));
    b.append(words.data(), 1);
    b.clear();  // discarded before the device took it
    EXPECT_EQ(pull(b, 1), (std::vector<std::int16_t>{0}));
    EXPECT_EQ(b.taken(), 3);
}
