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

// The reverberant tail: measured on the phrase set in a reverberant room (sox reverb 70 50 100),
// unheard voices, the right answer awaited, every fourth phrase: a tail was found in 176 phrases
// of 176, in 4 of 176 said in a dry room, 6 of the same pitched up, none of a quiet child's. Cut,
// the room's phrases decoded whole were heard right 50.0 -> 69.9 %, the dry, pitched and quiet
// ones as before, no wrong answer heard as the right one. Streamed, the detector ends every one of
// the room's phrases inside its tail (its floor follows the room; 110 of 110 end over the phrase's
// floor, by 17 dB on the median, every dry one under it): cut there as well, 57.4 -> 67.6 %
// right, the dry, pitched and quiet ones as before, none more wrong. Cutting every phrase instead
// cost the dry ones 6-10 points (bench/recognition/README.md).
constexpr int kTailMs = 150;
constexpr double kTailFromDb = 20.0;  // under the loudest frame: where the voice's fall is timed from
constexpr double kCutAtDb = 10.0;     // under the loudest frame: the cut, 30 ms after the last such
constexpr std::size_t kCutAfterFrames = 3;
// The room's floor: 6 dB over the tenth percentile of the frames, and at most 40 dB under the
// loudest. In a quiet room (a silent microphone, the dither alone) a voice's last sounds linger
// 45-55 dB down for half a second, and a dry さんのだん was cut at its だ.
constexpr double kFloorMarginDb = 6.0;
constexpr double kFloorUnderLoudestDb = 40.0;
constexpr std::size_t kFloorAfter = 4800;  // 0.3 s of floor after the cut

// The mean square of each whole frame (10 ms) of the phrase.
std::vector<double> frameMeanSquares(const std::int16_t* samples, std::size_t count) {
    std::vector<double> frames;
    for (std::size_t at = 0; at + kFrame <= count; at += kFrame) {
        double sum = 0;
        for (std::size_t i = at; i < at + kFrame; ++i) sum += double(samples[i]) * samples[i];
        frames.push_back(sum / kFrame);
    }
    return frames;
}

std::vector<double> frameDb(const std::int16_t* samples, std::size_t count) {
    std::vector<double> db = frameMeanSquares(samples, count);
    for (double& d : db) d = 10.0 * std::log10(d + 1e-3);
    return db;
}

// The last frame at or above `level`; the frames are never all below the loudest.
std::size_t lastAtOrAbove(const std::vector<double>& db, double level) {
    std::size_t last = 0;
    for (std::size_t i = 0; i < db.size(); ++i)
        if (db[i] >= level) last = i;
    return last;
}

}  // namespace

std::size_t reverberantEnd(const std::int16_t* samples, std::size_t count) {
    const std::vector<double> db = frameDb(samples, count);
    if (db.empty()) return count;
    const double loudest = *std::max_element(db.begin(), db.end());
    std::vector<double> sorted = db;
    const auto tenth = sorted.begin() + std::ptrdiff_t(0.1 * double(sorted.size() - 1));
    std::nth_element(sorted.begin(), tenth, sorted.end());
    const double floor = std::max(*tenth + kFloorMarginDb, loudest - kFloorUnderLoudestDb);
    const std::size_t fallFrom = lastAtOrAbove(db, loudest - kTailFromDb);
    std::size_t atFloor = fallFrom;
    while (atFloor < db.size() && db[atFloor] > floor) ++atFloor;
    // Streamed, the speech detector's own floor follows the room, so it ends a phrase while the
    // tail still stands over the phrase's floor; a voice in a dry room falls to it before the end.
    const bool fallsToFloor = atFloor < db.size();
    if (fallsToFloor && int(atFloor - fallFrom) * int(kFrame) * 1000 / 16000 <= kTailMs) return count;
    const std::size_t cut = (lastAtOrAbove(db, loudest - kCutAtDb) + kCutAfterFrames) * kFrame;
    return std::min(cut, count);
}

std::vector<std::int16_t> withoutTail(const std::vector<std::int16_t>& audio, std::size_t end) {
    end = std::min(end, audio.size());
    std::vector<std::int16_t> out(audio.begin(), audio.begin() + std::ptrdiff_t(end));
    const std::size_t length = std::min(kFloorAfter, end);
    if (length == 0) return out;
    // The quietest stretch of `length` samples before the cut, found in steps of a frame.
    double energy = 0;
    for (std::size_t i = 0; i < length; ++i) energy += double(audio[i]) * audio[i];
    double quietest = energy;
    std::size_t from = 0;
    for (std::size_t at = kFrame; at + length <= end; at += kFrame) {
        for (std::size_t i = at - kFrame; i < at; ++i) energy -= double(audio[i]) * audio[i];
        for (std::size_t i = at + length - kFrame; i < at + length; ++i)
            energy += double(audio[i]) * audio[i];
        if (energy < quietest) quietest = energy, from = at;
    }
    out.insert(out.end(), audio.begin() + std::ptrdiff_t(from),
               audio.begin() + std::ptrdiff_t(from + length));
    return out;
}

PhraseLevel measureLevel(const std::int16_t* samples, std::size_t count) {
    PhraseLevel level;
    std::vector<double> frames = frameMeanSquares(samples, count);
    for (double& f : frames) f = std::sqrt(f);
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
