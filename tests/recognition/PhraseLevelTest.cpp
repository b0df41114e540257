// The level a phrase is raised to before it is decoded, with synthetic phrases: no audio files,
// no model. Speech is a tone in syllables, the room a white or brown floor, the dither the
// program's own.
#include "speech/platform/PhraseLevel.h"
#include "speech/platform/WavAudio.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

using namespace rentabo;

namespace {

constexpr std::size_t kRate = 16000;

double dbfs(double db) {
    return 32768.0 * std::pow(10.0, db / 20.0);
}

enum class Floor { None, White, Brown };

// 1.5 s: 0.4 s of the room, 0.6 s of syllables (a tone with peaks at `peakDb` dBFS; none when
// `peakDb` is below -200), 0.5 s of the room, over a floor of `floorDb` dBFS RMS.
std::vector<std::int16_t> phrase(double peakDb, Floor floor, double floorDb) {
    std::vector<std::int16_t> out(kRate * 3 / 2);
    std::uint32_t state = 0xC0FFEEu;
    double brown = 0;
    for (std::size_t i = 0; i < out.size(); ++i) {
        state = state * 1664525u + 1013904223u;
        const double white = (double(state >> 8) / double(1u << 24) - 0.5) * std::sqrt(12.0);  // RMS 1
        double room = 0;
        if (floor == Floor::White) room = white;
        if (floor == Floor::Brown) {
            brown = 0.995 * brown + white * 0.1;  // RMS about 1
            room = brown;
        }
        double voice = 0;
        const double t = double(i) / kRate;
        if (peakDb > -200 && t >= 0.4 && t < 1.0) {
            const double syllable = std::sin(M_PI * std::fmod(t - 0.4, 0.2) / 0.2);  // three syllables
            voice = dbfs(peakDb) * syllable * std::sin(2 * M_PI * 330 * t);
        }
        out[i] = std::int16_t(std::lround(voice + dbfs(floorDb) * room));
    }
    return out;
}

std::vector<std::int16_t> dithered(std::vector<std::int16_t> raw) {
    Dither d;
    d.apply(raw.data(), raw.size());
    return raw;
}

double gainOf(const std::vector<std::int16_t>& heard, bool answerAwaited = true) {
    return phraseGain(measureLevel(heard.data(), heard.size()), answerAwaited);
}

}  // namespace

// With an answer or a reading awaited, a quiet voice (peaks under -15 dBFS) is raised to peaks of
// -3 dBFS, by at most 24 dB; a louder voice and the room's floor alone (any colour, any level, a
// silent microphone) are decoded as they come. With nothing awaited nothing is raised: the
// master's voice leaking 20 dB below a child, raised, was taken for a stored colour.
TEST(PhraseSegmentLevel, AQuietVoiceIsRaisedOnlyWithAnAnswerAwaitedAndTheFloorAloneNever) {
    struct Row {
        const char* what;
        double peakDb;
        Floor floor;
        double floorDb;
        bool awaited;
        double gainDb;  // expected, within 1 dB; 0: not raised
    };
    const Row rows[] = {
        {"a child at the phrase set's level", -3, Floor::White, -55, true, 0},
        {"a voice at -9 dBFS (the spoken tests' samples)", -9, Floor::White, -55, true, 0},
        {"a television 10 dB below a child: not raised", -13, Floor::White, -55, true, 0},
        {"a voice 14 dB below", -17, Floor::White, -55, true, 14},
        {"a child 20 dB quieter over the same floor", -23, Floor::White, -55, true, 20},
        {"a child 20 dB quieter over a brown floor", -23, Floor::Brown, -50, true, 20},
        {"a child 20 dB quieter on a silent microphone", -23, Floor::None, 0, true, 20},
        {"farther still: at most 24 dB", -35, Floor::White, -70, true, 24},
        {"white floor -60 dBFS alone", -999, Floor::White, -60, true, 0},
        {"white floor -50 dBFS alone", -999, Floor::White, -50, true, 0},
        {"brown floor -40 dBFS alone", -999, Floor::Brown, -40, true, 0},
        {"a silent microphone", -999, Floor::None, 0, true, 0},
        {"a voice drowned in the floor (6 dB above it)", -38, Floor::White, -47, true, 0},
        {"idle: a voice 20 dB quieter (the master's leak) is not raised", -23, Floor::White, -55, false, 0},
        {"idle: farther still, not raised", -35, Floor::White, -70, false, 0},
        {"idle: a quiet voice on a silent microphone, not raised", -23, Floor::None, 0, false, 0},
    };
    for (const Row& r : rows) {
        const double gain = gainOf(dithered(phrase(r.peakDb, r.floor, r.floorDb)), r.awaited);
        EXPECT_NEAR(20 * std::log10(gain), r.gainDb, 1.0) << r.what;
    }
    // What the raised audio gave stands only when it is the awaited answer; anything else is heard
    // again as it came.
    EXPECT_TRUE(raisedHearingStands(true));
    EXPECT_FALSE(raisedHearingStands(false));
}

// The raised phrase is the raw phrase raised with the dither as it was, so the dither does not
// grow with the voice; a gain of 1 leaves the phrase as heard, sample for sample.
TEST(PhraseSegmentLevel, TheRawPhraseIsRaisedAndTheDitherStays) {
    const std::vector<std::int16_t> raw = phrase(-23, Floor::White, -55);
    const std::vector<std::int16_t> heard = dithered(raw);
    const double gain = gainOf(heard);
    ASSERT_GT(gain, 5.0);
    const std::vector<std::int16_t> raised = raisedPhrase(heard, raw, gain);
    ASSERT_EQ(raised.size(), heard.size());
    for (std::size_t i = 0; i < raw.size(); ++i)
        ASSERT_NEAR(raised[i] - gain * raw[i], heard[i] - raw[i], 1.0) << "sample " << i;
    EXPECT_EQ(raisedPhrase(heard, raw, 1.0), heard);

    // Full scale is the limit, not a wrap-around.
    const std::vector<std::int16_t> loud{30000, -30000, 100};
    EXPECT_EQ(raisedPhrase(loud, loud, 4.0), (std::vector<std::int16_t>{32767, -32768, 400}));
}

namespace {

// 0.4 s of a white floor at `floorDb` dBFS, a steady tone peaking at `peakDb` until `voiceEnd`,
// then the room's tail: the tone falling 60 dB in `rt60` seconds (0: none), or lingering
// `lingerDb` under its peak for 0.5 s as a voice's last sounds do; 1.9 s in all.
std::vector<std::int16_t> roomPhrase(double peakDb, double rt60, double voiceEnd = 1.0, double floorDb = -55,
                                     double lingerDb = -999) {
    std::vector<std::int16_t> out(kRate * 19 / 10);
    std::uint32_t state = 0xBEEFu;
    for (std::size_t i = 0; i < out.size(); ++i) {
        state = state * 1664525u + 1013904223u;
        const double white = (double(state >> 8) / double(1u << 24) - 0.5) * std::sqrt(12.0);
        const double t = double(i) / kRate;
        double envelope = 0;
        if (t >= 0.4 && t < voiceEnd) envelope = 1;
        if (t >= voiceEnd && rt60 > 0) envelope = std::pow(10.0, -3.0 * (t - voiceEnd) / rt60);
        if (t >= voiceEnd && t < voiceEnd + 0.5) envelope = std::max(envelope, std::pow(10.0, lingerDb / 20));
        out[i] = std::int16_t(
            std::lround(dbfs(peakDb) * envelope * std::sin(2 * M_PI * 330 * t) + dbfs(floorDb) * white));
    }
    return out;
}

}  // namespace

// A phrase with a reverberant room's tail is cut just after the voice, where the tail begins, also
// when the speech detector ended it inside the tail (the microphone's phrases); a voice in a dry
// room, a quiet child's (its tail is under the floor at once), a voice that goes on to the end and
// the floor alone are decoded whole.
TEST(PhraseSegmentLevel, OnlyAReverberantTailIsCutAndTheVoiceIsKept) {
    struct Row {
        const char* what;
        double peakDb, rt60, voiceEnd;
        double cutFrom, cutTo;  // seconds; both 0: not cut
        double floorDb = -55, lingerDb = -999;
        double length = 1.9;  // seconds: shorter, the phrase ends as the speech detector ended it
    };
    const Row rows[] = {
        {"a dry room", -3, 0.05, 1.0, 0, 0},
        {"a small room (0.3 s): falls to the floor within 0.15 s", -3, 0.3, 1.0, 0, 0},
        {"a reverberant room (0.6 s)", -3, 0.6, 1.0, 1.05, 1.15},
        {"a hall (1.2 s)", -3, 1.2, 1.0, 1.15, 1.30},
        {"the reverberant room, ended by the detector 18 dB down the tail", -3, 0.6, 1.0, 1.05, 1.15, -55,
         -999, 1.18},
        {"a dry room, ended by the detector in the floor", -3, 0.05, 1.0, 0, 0, -55, -999, 1.5},
        {"a quiet child in the reverberant room", -23, 0.6, 1.0, 0, 0},
        {"a voice that goes on to the end", -3, 0.6, 1.9, 0, 0},
        {"the floor alone", -999, 0, 1.0, 0, 0},
        {"a silent room: a dry voice's last sounds linger 50 dB down", -3, 0.05, 1.0, 0, 0, -100, -50},
    };
    for (const Row& r : rows) {
        std::vector<std::int16_t> audio = roomPhrase(r.peakDb, r.rt60, r.voiceEnd, r.floorDb, r.lingerDb);
        audio.resize(std::size_t(r.length * kRate));
        const double end = double(reverberantEnd(audio.data(), audio.size())) / kRate;
        if (r.cutTo == 0)
            EXPECT_EQ(end, double(audio.size()) / kRate) << r.what;
        else
            EXPECT_TRUE(end >= r.cutFrom && end <= r.cutTo) << r.what << ": cut at " << end << " s";
    }
}

// After the cut come 0.3 s of the phrase's quietest stretch, the room's floor, never its voice.
TEST(PhraseSegmentLevel, TheCutPhraseEndsInItsOwnFloor) {
    const std::vector<std::int16_t> audio = roomPhrase(-3, 0.6);
    const std::size_t end = reverberantEnd(audio.data(), audio.size());
    ASSERT_LT(end, audio.size());
    const std::vector<std::int16_t> cut = withoutTail(audio, end);
    ASSERT_EQ(cut.size(), end + kRate * 3 / 10);
    EXPECT_TRUE(std::equal(audio.begin(), audio.begin() + std::ptrdiff_t(end), cut.begin()));
    double sum = 0;
    for (std::size_t i = end; i < cut.size(); ++i) sum += double(cut[i]) * cut[i];
    EXPECT_LT(std::sqrt(sum / double(cut.size() - end)), dbfs(-52)) << "the appended 0.3 s is not the floor";
    // A cut at the very start keeps nothing and appends nothing.
    EXPECT_TRUE(withoutTail(audio, 0).empty());
}
