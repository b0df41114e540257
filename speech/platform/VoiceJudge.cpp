#include "speech/platform/VoiceJudge.h"

#include <algorithm>
#include <limits>

namespace rentabo {

namespace {
// Phrases decoded with every warp before the voice is judged, and how often it is judged again
// later (the child at the keyboard may change). One short phrase says little: いち alone chose a
// warp of 1.64 for a grown-up voice.
constexpr int kWarmUpPhrases = 4;
constexpr int kRejudgeEvery = 10;
// Older phrases fade: each phrase's weight against the next one.
constexpr double kFade = 0.8;
// A warp that heard nothing at all is taken to fall behind the best by this much per frame.
constexpr double kNothingHeardBehind = -5.0;
}  // namespace

VoiceJudge::VoiceJudge(std::vector<double> warps, bool perSpeaker, double childWarpFrom, double childMargin)
    : m_warps(std::move(warps)),
      m_perSpeaker(perSpeaker && m_warps.size() > 1),
      m_childWarpFrom(childWarpFrom),
      m_childMargin(childMargin) {
    reset();
}

void VoiceJudge::reset() {
    m_state = {};
    m_state.warpScores.assign(m_warps.size(), 0.0);
    m_state.warpFrames.assign(m_warps.size(), 0.0);
}

bool VoiceJudge::judging() const {
    return m_state.phrasesHeard < kWarmUpPhrases || m_state.phrasesHeard % kRejudgeEvery == 0;
}

std::vector<std::size_t> VoiceJudge::decodersToUse() const {
    std::vector<std::size_t> use;
    for (std::size_t i = 0; i < m_warps.size(); ++i)
        if (!m_perSpeaker || judging() || childWarp(i) == m_state.childVoice) use.push_back(i);
    return use;
}

std::vector<std::size_t> VoiceJudge::decodersForFirstLook(std::size_t cores) const {
    std::vector<std::size_t> use = decodersToUse();
    if (!m_perSpeaker || judging()) return use;
    const std::size_t warps = std::max<std::size_t>(2, cores);
    if (use.size() <= warps) return use;
    auto behind = [&](std::size_t i) { return m_state.warpScores[i] / std::max(m_state.warpFrames[i], 1.0); };
    std::stable_sort(use.begin(), use.end(),
                     [&](std::size_t a, std::size_t b) { return behind(a) > behind(b); });
    use.resize(warps);
    std::sort(use.begin(), use.end());
    return use;
}

std::vector<std::size_t> VoiceJudge::hear(const std::vector<std::size_t>& used,
                                          const std::vector<std::optional<int>>& scores, int frames) {
    if (!m_perSpeaker || frames <= 0) return used;
    std::vector<std::size_t> candidates = used;
    if (judging()) {
        learn(used, scores, frames);
        candidates.clear();
        for (std::size_t i : used)
            if (childWarp(i) == m_state.childVoice) candidates.push_back(i);
    }
    ++m_state.phrasesHeard;
    return candidates;
}

void VoiceJudge::learn(const std::vector<std::size_t>& used, const std::vector<std::optional<int>>& scores,
                       int frames) {
    int top = std::numeric_limits<int>::min();
    for (const auto& sc : scores)
        if (sc) top = std::max(top, *sc);
    // How far each warp fell behind the phrase's best, per frame, over the phrases heard with
    // every warp (longer phrases weigh more; older ones fade).
    for (std::size_t i : used) {
        const double behind = scores[i] ? double(*scores[i] - top) : kNothingHeardBehind * frames;
        m_state.warpScores[i] = m_state.warpScores[i] * kFade + behind;
        m_state.warpFrames[i] = m_state.warpFrames[i] * kFade + frames;
    }
    // A child's voice is told by the high warps explaining it clearly better than the ordinary
    // ones; for grown-up voices the scores are flat and the high warps only add confusions.
    double child = 0, adult = 0;
    int nChild = 0, nAdult = 0;
    for (std::size_t i = 0; i < m_state.warpScores.size(); ++i) {
        const double average = m_state.warpScores[i] / std::max(m_state.warpFrames[i], 1.0);
        if (childWarp(i))
            child += average, ++nChild;
        else
            adult += average, ++nAdult;
    }
    m_state.voiceLead = nChild && nAdult ? child / nChild - adult / nAdult : 0.0;
    // Until the first phrases are all in, the voice is taken as grown-up: single phrases
    // misjudged it often, and the high warps then heard wrong numbers.
    m_state.childVoice = m_state.phrasesHeard + 1 >= kWarmUpPhrases && m_state.voiceLead > m_childMargin;
}

}  // namespace rentabo
