// The voice judge with tables of path scores: no audio, no model, the program's warps.
#include "speech/platform/PocketSphinxContext.h"
#include "speech/platform/VoiceJudge.h"

#include <gtest/gtest.h>

using namespace rentabo;

namespace {

constexpr int kFrames = 100;

VoiceJudge programJudge() {
    const DecoderConfig c = PocketSphinxContext::defaultConfig();
    return VoiceJudge(c.warps, c.perSpeakerWarp, c.childWarpFrom, c.childMargin);
}

// The scores of a phrase the high warps explain better by `lead` per frame than the others.
std::vector<std::optional<int>> scoresWithLead(double lead) {
    const DecoderConfig c = PocketSphinxContext::defaultConfig();
    std::vector<std::optional<int>> scores;
    for (double w : c.warps) scores.push_back(w >= c.childWarpFrom ? 0 : int(-lead * kFrames));
    return scores;
}

std::vector<std::size_t> all(std::size_t n) {
    std::vector<std::size_t> v(n);
    for (std::size_t i = 0; i < n; ++i) v[i] = i;
    return v;
}

const std::vector<std::size_t> kGrownUp{0, 1, 2, 3, 4, 5};  // 0.92 to 1.32
const std::vector<std::size_t> kChild{6, 7, 8, 9};          // 1.42 to 1.76

}  // namespace

TEST(VoiceJudge, TheVoiceIsJudgedOverTheFirstFourPhrasesAndEveryTenthAgain) {
    VoiceJudge judge = programJudge();
    const std::vector<bool> judging{true,  true,  true,  true,  false, false, false,
                                    false, false, false, true,  false, false, false,
                                    false, false, false, false, false, false, true};
    for (std::size_t phrase = 0; phrase < judging.size(); ++phrase) {
        EXPECT_EQ(judge.judging(), judging[phrase]) << "phrase " << phrase;
        EXPECT_EQ(judge.decodersToUse(), judging[phrase] ? all(10) : kGrownUp) << "phrase " << phrase;
        judge.hear(judge.decodersToUse(), scoresWithLead(0.0), kFrames);
    }
}

// A child's voice: the high warps lead by more than the program's margin (0.4 per frame), and only
// once the first four phrases are in.
TEST(VoiceJudge, AChildsVoiceIsTheHighWarpsLeadingByMoreThanTheMarginAfterFourPhrases) {
    struct Row {
        double lead;
        std::vector<bool> childAfter;  // after each of four phrases
    };
    const Row rows[] = {
        {0.41, {false, false, false, true}},
        {0.39, {false, false, false, false}},
        {3.0, {false, false, false, true}},
        {-1.0, {false, false, false, false}},
    };
    for (const Row& r : rows) {
        VoiceJudge judge = programJudge();
        for (std::size_t phrase = 0; phrase < r.childAfter.size(); ++phrase) {
            const auto winners = judge.hear(all(10), scoresWithLead(r.lead), kFrames);
            EXPECT_EQ(judge.state().childVoice, r.childAfter[phrase])
                << "lead " << r.lead << " phrase " << phrase;
            EXPECT_EQ(winners, r.childAfter[phrase] ? kChild : kGrownUp) << "lead " << r.lead;
            EXPECT_NEAR(judge.state().voiceLead, r.lead, 1e-9);
        }
        EXPECT_EQ(judge.decodersToUse(), r.childAfter.back() ? kChild : kGrownUp);
    }
}

// No frames decoded (nothing in the phrase): nothing learnt, and the phrase does not count
// towards the first four that judge the voice.
TEST(VoiceJudge, APhraseOfNoFramesTeachesNothing) {
    VoiceJudge judge = programJudge();
    for (int phrase = 0; phrase < 4; ++phrase)
        EXPECT_EQ(judge.hear(all(10), scoresWithLead(3.0), 0), all(10)) << "phrase " << phrase;
    EXPECT_EQ(judge.state().phrasesHeard, 0);
    EXPECT_FALSE(judge.state().childVoice);
    EXPECT_TRUE(judge.judging());
}

TEST(VoiceJudge, AWarpThatHeardNothingFallsFivePerFrameBehind) {
    VoiceJudge judge = programJudge();
    auto scores = scoresWithLead(0.0);
    for (std::size_t i : kGrownUp) scores[i].reset();
    judge.hear(all(10), scores, kFrames);
    EXPECT_NEAR(judge.state().voiceLead, 5.0, 1e-9);
}

TEST(VoiceJudge, TheFirstLookDecodesWithTheGroupsBestWarpsAsManyAsCores) {
    VoiceJudge judge = programJudge();
    // Grown-up voice; warps 1.08 and 1.16 explained it best.
    for (int phrase = 0; phrase < 4; ++phrase) {
        // While the voice is being judged, every warp decodes at the first look as well.
        EXPECT_EQ(judge.decodersForFirstLook(2), all(10)) << "phrase " << phrase;
        std::vector<std::optional<int>> scores{-300, -200, 0, -10, -250, -400, -600, -600, -600, -600};
        judge.hear(all(10), scores, kFrames);
    }
    ASSERT_FALSE(judge.judging());
    EXPECT_EQ(judge.decodersForFirstLook(1), (std::vector<std::size_t>{2, 3}));
    EXPECT_EQ(judge.decodersForFirstLook(2), (std::vector<std::size_t>{2, 3}));
    EXPECT_EQ(judge.decodersForFirstLook(3), (std::vector<std::size_t>{1, 2, 3}));
    EXPECT_EQ(judge.decodersForFirstLook(8), kGrownUp);
}

TEST(VoiceJudge, AStateKeptBeforeAFirstLookIsGivenBackWhole) {
    VoiceJudge judge = programJudge();
    for (int phrase = 0; phrase < 3; ++phrase) judge.hear(all(10), scoresWithLead(2.0), kFrames);
    const SpeakerState before = judge.state();
    judge.hear(all(10), scoresWithLead(2.0), kFrames);
    ASSERT_TRUE(judge.state().childVoice);
    judge.restore(before);
    EXPECT_FALSE(judge.state().childVoice);
    EXPECT_EQ(judge.state().phrasesHeard, 3);
    EXPECT_EQ(judge.state().warpScores, before.warpScores);
    judge.reset();
    EXPECT_EQ(judge.state().phrasesHeard, 0);
    EXPECT_EQ(judge.state().warpScores, std::vector<double>(10, 0.0));
}

TEST(VoiceJudge, WithOneWarpOrNoJudgingEveryWarpAlwaysDecodes) {
    VoiceJudge one({1.0}, true, 1.4, 0.4);
    // A single warp of the high group has no grown-up warp to be compared with: still heard.
    VoiceJudge oneHigh({1.5}, true, 1.4, 0.4);
    VoiceJudge off({1.0, 1.5}, false, 1.4, 0.4);
    for (int phrase = 0; phrase < 6; ++phrase) {
        EXPECT_EQ(one.hear({0}, {-5}, kFrames), (std::vector<std::size_t>{0}));
        EXPECT_EQ(oneHigh.hear({0}, {-5}, kFrames), (std::vector<std::size_t>{0})) << "phrase " << phrase;
        EXPECT_EQ(off.hear({0, 1}, {-500, 0}, kFrames), (std::vector<std::size_t>{0, 1}));
    }
    EXPECT_EQ(off.decodersToUse(), (std::vector<std::size_t>{0, 1}));
    EXPECT_FALSE(off.state().childVoice);
}

// Older phrases weigh less: one clear child's phrase followed by three flat ones leaves a lead of
// 2 faded by 0.8 a phrase (0.347 after four phrases, not the plain average of 0.5).
TEST(VoiceJudge, OlderPhrasesFade) {
    VoiceJudge judge = programJudge();
    judge.hear(all(10), scoresWithLead(2.0), kFrames);
    for (int phrase = 0; phrase < 3; ++phrase) judge.hear(all(10), scoresWithLead(0.0), kFrames);
    const double weight = 0.8 * 0.8 * 0.8;
    EXPECT_NEAR(judge.state().voiceLead, 2.0 * weight / (1 + 0.8 + 0.8 * 0.8 + weight), 1e-9);
}
