#include "core/Timing.h"
#include "settings/JoukenSettings.h"
#include "tests/support/VirtualPacer.h"
#include "tests/support/VirtualVoice.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace rentabo {
namespace {

class RecordingEffects final : public EffectPlayer {
public:
    explicit RecordingEffects(Pacer& pacer) : m_pacer(pacer) {}
    void PlayEffect(int kind) override { played.emplace_back(kind, m_pacer.now()); }
    std::vector<std::pair<int, std::int64_t>> played;

private:
    Pacer& m_pacer;
};

constexpr int kUntouched = -999;

struct Rig {
    Rig() {
        voice.setRate(kUntouched);
        voice.setVolume(kUntouched);
    }
    JoukenSettings settings() {
        return JoukenSettings(state, voice, effects, pacer, [this](int v) { reloads.push_back(v); });
    }
    KukuState state;
    VirtualPacer pacer;
    VirtualVoice voice{pacer};
    RecordingEffects effects{pacer};
    std::vector<int> reloads;
};

TEST(JoukenFill, SlidersClampAndStoreBackOnlyWhenTheirPositionChanges) {
    struct Case {
        const char* what;
        int volumeIn, rateIn, effectIn;
        int volBar, volumeOut, voiceVolume;
        int rateBar, rateOut, voiceRate;
        int effectBar, effectOut;
        std::vector<int> reloads;
    };
    const Case cases[] = {
        {"defaults", 50, 10, 50, 10, 50, 50, 10, 10, 10, 10, 50, {50}},
        {"volume cut to a multiple of 5", 52, 10, 50, 10, 50, 50, 10, 10, 10, 10, 50, {50}},
        {"volume below one step stays as loaded", 3, 0, 4, 0, 3, kUntouched, 0, 0, kUntouched, 0, 4, {}},
        {"rate above the range", 50, 15, 50, 10, 50, 50, 10, 10, 10, 10, 50, {50}},
        {"negative rate", 50, -3, 50, 10, 50, 50, 0, -3, kUntouched, 10, 50, {50}},
        {"loud values", 250, 10, 101, 20, 100, 100, 10, 10, 10, 20, 100, {100}},
        {"effect volume cut", 50, 10, 73, 10, 50, 50, 10, 10, 10, 14, 70, {70}},
    };
    for (const Case& c : cases) {
        Rig rig;
        rig.state.sikiSpVolume = c.volumeIn;
        rig.state.sikiSpRate = c.rateIn;
        rig.state.effectVolume = c.effectIn;
        JoukenSettings settings = rig.settings();
        const JoukenControls shown = settings.fill(JoukenControls{});
        EXPECT_EQ(shown.spVolBar, c.volBar) << c.what;
        EXPECT_EQ(rig.state.sikiSpVolume, c.volumeOut) << c.what;
        EXPECT_EQ(rig.voice.volume(), c.voiceVolume) << c.what;
        EXPECT_EQ(shown.spRateBar, c.rateBar) << c.what;
        EXPECT_EQ(rig.state.sikiSpRate, c.rateOut) << c.what;
        EXPECT_EQ(rig.voice.rate(), c.voiceRate) << c.what;
        EXPECT_EQ(shown.effectBar, c.effectBar) << c.what;
        EXPECT_EQ(rig.state.effectVolume, c.effectOut) << c.what;
        EXPECT_EQ(rig.reloads, c.reloads) << c.what;
    }
}

TEST(JoukenFill, TheLoadedSpeedSetsThePacing) {
    struct Case {
        int procIn, radio, procOut;
        Pacing pacing;
    };
    const Case cases[] = {
        {0, 0, 0, {100, 100, 6000}},
        {1, 1, 1, {200, 4800, 4000}},
        {2, 2, 2, {200, 3000, 2700}},
        {3, 3, 3, {100, 1800, 1500}},
        {9, 3, 3, {100, 1800, 1500}},    // clamped to the last item and stored
                                         // back
        {-4, -1, -4, {100, 100, 6000}},  // "nothing chosen": left as it is, paced as ステップ
    };
    for (const Case& c : cases) {
        Rig rig;
        rig.state.procFlag = c.procIn;
        JoukenSettings settings = rig.settings();
        const JoukenControls shown = settings.fill(JoukenControls{});
        EXPECT_EQ(shown.radioGroup2, c.radio) << c.procIn;
        EXPECT_EQ(rig.state.procFlag, c.procOut) << c.procIn;
        EXPECT_EQ(pacingOf(rig.state.procFlag).speedPause, c.pacing.speedPause) << c.procIn;
        EXPECT_EQ(pacingOf(rig.state.procFlag).speedWait, c.pacing.speedWait) << c.procIn;
        EXPECT_EQ(pacingOf(rig.state.procFlag).speedTimerWait, c.pacing.speedTimerWait) << c.procIn;
    }
}

TEST(JoukenFill, FlagsAndChoicesAreNormalisedThroughTheirHandlers) {
    Rig rig;
    rig.state.pinponFlag = 7;
    rig.state.msgSpeakFlag = 2;
    rig.state.yomiWay = 5;
    rig.state.userSyobina = QString();
    JoukenSettings settings = rig.settings();
    const JoukenControls shown = settings.fill(JoukenControls{});
    EXPECT_TRUE(shown.checkBox1);
    EXPECT_EQ(rig.state.pinponFlag, 1);
    EXPECT_TRUE(shown.checkBox8);
    EXPECT_EQ(rig.state.msgSpeakFlag, 1);
    EXPECT_EQ(shown.radioGroup1, 1);
    EXPECT_EQ(rig.state.yomiWay, 1);
    EXPECT_FALSE(shown.checkBox7);
    EXPECT_TRUE(shown.edit3.isEmpty());
    EXPECT_TRUE(rig.state.userSyobina.isEmpty());
}

TEST(JoukenFill, UpDownsShowTheirRangeButKeepTheLoadedValues) {
    Rig rig;
    rig.state.kaisuuMax = 15;
    rig.state.interval = 7;
    JoukenSettings settings = rig.settings();
    const JoukenControls shown = settings.fill(JoukenControls{});
    EXPECT_EQ(shown.upDown1, 9);
    EXPECT_EQ(shown.upDown2, 100);
    EXPECT_EQ(rig.state.kaisuuMax, 15);
    EXPECT_EQ(rig.state.interval, 7);
}

TEST(JoukenSettings, VolumeSlidersStoreFivePercentSteps) {
    Rig rig;
    JoukenSettings settings = rig.settings();
    settings.setVoiceVolumeStep(7);
    settings.setEffectVolumeStep(3);
    EXPECT_EQ(rig.state.sikiSpVolume, 35);
    EXPECT_EQ(rig.voice.volume(), 35);
    EXPECT_EQ(rig.state.effectVolume, 15);
    EXPECT_EQ(rig.reloads, std::vector<int>{15});
}

TEST(JoukenSettings, TheEffectTestPlaysAllThreeSixHundredMillisecondsApart) {
    Rig rig;
    rig.state.pinponFlag = 0;  // played even with effects off
    JoukenSettings settings = rig.settings();
    rig.pacer.advanceTo(1000);
    settings.tryEffectSounds();
    const std::vector<std::pair<int, std::int64_t>> expected{{0, 1000}, {1, 1600}, {2, 2200}};
    EXPECT_EQ(rig.effects.played, expected);
}

TEST(JoukenSettings, TheVoiceTestSpeaksEvenWhenQuestionsAreNotRead) {
    Rig rig;
    rig.state.yomiWay = 0;
    JoukenSettings settings = rig.settings();
    settings.tryVoice();
    EXPECT_EQ(rig.voice.texts(), QStringList{QStringLiteral(u"現在の設定は，この音量と速さです。")});
    EXPECT_EQ(rig.pacer.now(), 0);  // asynchronous
}

}  // namespace
}  // namespace rentabo
