#pragma once

#include "speech/platform/WavAudio.h"

#include <complex>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace rentabo {

// The master's last words as they were played, so that his own voice coming back into the
// microphone after he has stopped (the room's echo, a loudspeaker's or a sound server's delay) is
// told from a child's phrase. An echo is the same waveform again, delayed and filtered by the
// room, and correlates with the words at one lag; another voice saying the same words does not,
// for its pitch and timing differ, even a voice of the same synthesiser at another speed.
class OwnVoiceEcho {
public:
    // Of the master's words, the last this many seconds are kept: an echo comes from their end.
    static constexpr double kKeptSeconds = 4.0;

    // Keeps the last kKeptSeconds of `words` (at any rate) as what an echo may come from; no
    // words, nothing.
    void remember(const MonoAudio& words);
    // Adds a sound the program played after the words (an effect sound) to what is kept, as if
    // it had followed them at once.
    void add(const MonoAudio& sound);
    bool empty() const { return m_spectrum.empty(); }

    // How alike 16 kHz `audio` (its first two seconds) is to the words kept, at the lag where
    // they are most alike: the normalised cross-correlation of both in the voice's band, 0..1 (0
    // when nothing is kept). See maxOwnVoice in AcceptancePolicy.cpp for what it gives.
    double likeness(const std::int16_t* audio, std::size_t count) const;
    double likeness(const std::vector<std::int16_t>& audio) const {
        return likeness(audio.data(), audio.size());
    }

private:
    // At the 8 kHz the comparison runs at: a phrase's two seconds, and a transform that holds the
    // words with that much quiet on either side.
    static constexpr std::size_t kLongestPhrase = 16000;
    static constexpr std::size_t kTransformSize = 65536;
    static_assert(kTransformSize >= std::size_t(kKeptSeconds * 8000) + 2 * kLongestPhrase);

    // Makes the spectrum and energies of m_kept.
    void prepare();

    std::vector<std::int16_t> m_kept;              // at 16 kHz, the last kKeptSeconds at most
    std::vector<std::complex<double>> m_spectrum;  // of the words so padded (empty: none kept)
    std::vector<double> m_energyBefore;            // their energy before each sample, padded alike
};

}  // namespace rentabo
