#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace rentabo {

// How much a phrase is raised before it is decoded, from the phrase as the detector heard it
// (the room's floor and the faint dither in it). A child far from the microphone speaks 20 dB
// lower over the same floor; the dither the program adds stays where it is, so under a quiet voice
// it weighs as much as the room and the decoders hear another phrase. Raising the phrase's own
// audio (the room with it) before the dither gives the quiet voice the dither of a near one.
// Only speech that stands clearly above the floor is raised: the floor alone never is.
struct PhraseLevel {
    double floorRms = 0;   // the quiet frames (10 ms) of the phrase: its tenth percentile
    double speechRms = 0;  // the loud frames: the 95th percentile
    int peak = 0;          // the largest sample
};

PhraseLevel measureLevel(const std::int16_t* samples, std::size_t count);

// The gain for a phrase of this level: 1 when nothing is awaited (neither an answer nor a reading:
// idle listening, whose commands change what is stored), when its peak is above -15 dBFS already,
// or when its loud frames do not stand above its quiet ones by kSpeechOverFloorDb (noise, the
// floor alone); otherwise the gain that brings the peak to kTargetPeak, at most kMaxGain.
double phraseGain(const PhraseLevel& level, bool answerAwaited);

// Whether what the decoders heard in a raised phrase stands. The raise is there to hear a quiet
// child's awaited answer; any other phrase heard in the raised audio is decoded again as it came,
// since the master's own voice leaking 20 dB below a child is a quiet voice too, and raised it gave
// commands the audio as it came never did.
bool raisedHearingStands(bool awaitedAnswerHeard);

// The audio to decode: `heard` (the phrase with the dither) plus (gain - 1) times `raw` (the same
// phrase before the dither), that is the raw phrase raised and the dither as it was. `heard` is
// returned unchanged for a gain of 1.
std::vector<std::int16_t> raisedPhrase(const std::vector<std::int16_t>& heard,
                                       const std::vector<std::int16_t>& raw, double gain);

// A phrase said in a reverberant room goes on after the voice has stopped: the room's tail, which
// the decoders heard as a mora more (じゅうに as じゅうよん, いち as にじゅうし). A tail is there when
// the phrase takes more than kTailMs to fall from 20 dB under its loudest 10 ms to its floor, or
// ends before it gets there (the microphone's phrases: the speech detector ends them inside the
// tail); a voice in a dry room falls at once, apart from a few quiet endings (く, し). The phrase
// is then cut 30 ms after its last frame within 10 dB of its loudest, where the tail has begun.
// Returns the samples to keep: `count` when there is no tail.
std::size_t reverberantEnd(const std::int16_t* samples, std::size_t count);

// `audio` up to `end`, followed by 0.3 s of the phrase's own floor (its quietest 0.3 s before
// `end`), so the decoders hear the phrase end in the room's quiet as before.
std::vector<std::int16_t> withoutTail(const std::vector<std::int16_t>& audio, std::size_t end);

}  // namespace rentabo
