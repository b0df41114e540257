#pragma once

#include <cstddef>
#include <optional>
#include <vector>

namespace rentabo {

// What has been learnt of the speaker's voice over the phrases of a session.
struct SpeakerState {
    std::vector<double> warpScores;  // how far each warp fell behind the phrase's best, summed
    std::vector<double> warpFrames;  // the frames of those phrases
    int phrasesHeard = 0;
    bool childVoice = false;  // decoded with the warps of a child's voice
    double voiceLead = 0;     // by how much per frame the high warps explained the voice better
};

// Judges whether the speaker's voice is a child's, from the path scores of the decoders of every
// frequency warp, and chooses the warps a phrase is decoded with. Pure: scores in, warps out.
//
// The warps are split in two groups, those of grown-up voices and, from childWarpFrom, those of
// higher, child-like voices. The voice is judged over the first phrases of a session (decoded
// with every warp, and every tenth phrase again): when the high warps explain it better by more
// than childMargin per frame on average, the phrases are decoded with the high warps only,
// otherwise with the others. The best warp of one phrase is a noisy choice, and a child's voice
// does not change from phrase to phrase.
class VoiceJudge {
public:
    // perSpeaker false (or a single warp): every warp always, nothing judged.
    VoiceJudge(std::vector<double> warps, bool perSpeaker, double childWarpFrom, double childMargin);

    // Forgets the speaker (a new one).
    void reset();
    const SpeakerState& state() const { return m_state; }
    // Gives back a state kept before (a first look given up must not have taught anything).
    void restore(SpeakerState state) { m_state = std::move(state); }

    // Whether the next phrase is decoded with every warp to judge the voice.
    bool judging() const;
    // The decoders (by warp index) the next phrase is decoded with.
    std::vector<std::size_t> decodersToUse() const;
    // The warps of the speaker's group that explained the voice best so far, as many as `cores`
    // (at least two): the first look decodes with them alone, in one round, while the child waits
    // for the mark. A phrase the first look does not take is decoded whole with the whole group.
    std::vector<std::size_t> decodersForFirstLook(std::size_t cores) const;
    // Hears a phrase decoded by the decoders `used`, with each decoder's path score (by warp
    // index; none when it heard nothing) over `frames` frames: learns from it when judging, and
    // returns the decoders whose hypotheses may win (those of the voice's group).
    std::vector<std::size_t> hear(const std::vector<std::size_t>& used,
                                  const std::vector<std::optional<int>>& scores, int frames);

private:
    bool childWarp(std::size_t i) const { return m_warps[i] >= m_childWarpFrom; }
    void learn(const std::vector<std::size_t>& used, const std::vector<std::optional<int>>& scores,
               int frames);

    std::vector<double> m_warps;
    bool m_perSpeaker;
    double m_childWarpFrom;
    double m_childMargin;
    SpeakerState m_state;
};

}  // namespace rentabo
