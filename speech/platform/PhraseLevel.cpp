#include "speech/platform/PhraseLevel.h"

#include <algorithm>
#include <cmath>

namespace rentabo {

namespace {

constexpr std::size_t kFrame = 160;  // 10 ms at 16 kHz

double fromDb(double db) {
    return std::pow(10.0, db / 20.0);
}

// The loud frames stand this far above the quiet ones in speech: 23-28 dB for phrases 20 dB
// quieter over a -55 dBFS floor (and the dither), 27-43 dB at the phrase set's level, through a
// laptop's microphone, beside a second voice or in a reverberant room. A noise floor alone, white,
// pink or brown from -60 to -40 dBFS, gives 1-8 dB (bench/recognition/README.md).
constexpr double kSpeechOverFloorDb = 12.0;
// Phrases are raised to peaks of -3 dBFS, as the phrase set is made (sox gain -n -3), and only
// when that gains 12 dB or more: a voice near the microphone is decoded as it comes. At 6 dB the
// spoken tests' samples (peaks at -9 dBFS) were raised and two answers under noise and pitched
// were lost, and a television 10 dB below a child gave more commands in an hour in the room
// (idle 40 -> 59, recitation 59 -> 99; room-hour.sh).
constexpr double kTargetPeak = 32768.0 * 0.7079;  // -3 dBFS
constexpr double kLeastGain = 3.98;               // 12 dB
// A child 20 dB quieter is brought back and a little more; farther than that the room's floor
// decides anyway.
constexpr double kMaxGain = 15.85;  // 24 dB

}  // namespace

PhraseLevel measureLevel(const std::int16_t* samples, std::size_t count) {
    PhraseLevel level;
    std::vector<double> frames;
    for (std::size_t at = 0; at + kFrame <= count; at += kFrame) {
        double sum = 0;
        for (std::size_t i = at; i < at + kFrame; ++i) sum += double(samples[i]) * samples[i];
        frames.push_back(std::sqrt(sum / kFrame));
    }
    for (std::size_t i = 0; i < count; ++i) level.peak = std::max(level.peak, std::abs(int(samples[i])));
    if (frames.empty()) return level;
    auto percentile = [&](double q) {
        auto at = frames.begin() + std::ptrdiff_t(q * double(frames.size() - 1));
        std::nth_element(frames.begin(), at, frames.end());
        return *at;
    };
    level.floorRms = percentile(0.10);
    level.speechRms = percentile(0.95);
    return level;
}

double phraseGain(const PhraseLevel& level, bool answerAwaited) {
    if (!answerAwaited) return 1.0;
    if (level.peak <= 0 || level.speechRms < level.floorRms * fromDb(kSpeechOverFloorDb)) return 1.0;
    const double gain = std::min(kMaxGain, kTargetPeak / level.peak);
    return gain >= kLeastGain ? gain : 1.0;
}

bool raisedHearingStands(bool awaitedAnswerHeard) {
    return awaitedAnswerHeard;
}

std::vector<std::int16_t> raisedPhrase(const std::vector<std::int16_t>& heard,
                                       const std::vector<std::int16_t>& raw, double gain) {
    if (gain == 1.0 || raw.size() != heard.size()) return heard;
    std::vector<std::int16_t> out(heard.size());
    for (std::size_t i = 0; i < heard.size(); ++i)
        out[i] = std::int16_t(std::clamp(std::lround(heard[i] + (gain - 1.0) * raw[i]), -32768L, 32767L));
    return out;
}

}  // namespace rentabo
