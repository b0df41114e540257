#include "settings/JoukenSettings.h"

#include "settings/SettingsFile.h"

#include <algorithm>

namespace rentabo {

JoukenSettings::JoukenSettings(KukuState& state, SpVoice& voice, EffectPlayer& effects, Pacer& pacer,
                               std::function<void(int)> reloadEffects)
    : m_state(state),
      m_voice(voice),
      m_effects(effects),
      m_pacer(pacer),
      m_speaker(state, voice, pacer),
      m_reloadEffects(std::move(reloadEffects)) {}

JoukenControls JoukenSettings::fill(const JoukenControls& current) {
    JoukenControls c = current;
    // Each control changes (and so runs its handler) only when the value it can show differs
    // from what it shows now; a radio group holds -1 (nothing chosen) up to its last item.
    auto setCheck = [](bool& control, bool value, auto handler) {
        if (control == value) return;
        control = value;
        handler(value);
    };
    auto setPosition = [](int& control, int value, int min, int max, auto handler) {
        const int clamped = std::clamp(value, min, max);
        if (control == clamped) return;
        control = clamped;
        handler(clamped);
    };
    setCheck(c.checkBox1, m_state.pinponFlag != 0, [this](bool v) { setEffectSounds(v); });
    setCheck(c.checkBox7, m_state.infoSpeakFlag != 0, [this](bool v) { setInfoSpeaking(v); });
    setCheck(c.checkBox8, m_state.msgSpeakFlag != 0, [this](bool v) { setGreetings(v); });
    setPosition(c.radioGroup1, m_state.yomiWay, -1, jouken::kRadioGroup1Items - 1,
                [this](int v) { setReadAloud(v); });
    setPosition(c.radioGroup2, m_state.procFlag, -1, jouken::kRadioGroup2Items - 1,
                [this](int v) { setSpeed(v); });
    setPosition(c.spRateBar, m_state.sikiSpRate, 0, jouken::kRateMax, [this](int v) { setVoiceRate(v); });
    setPosition(c.spVolBar, m_state.sikiSpVolume / 5, 0, jouken::kVolBarMax,
                [this](int v) { setVoiceVolumeStep(v); });
    setPosition(c.effectBar, m_state.effectVolume / 5, 0, jouken::kEffectBarMax,
                [this](int v) { setEffectVolumeStep(v); });
    c.upDown1 = std::clamp(m_state.kaisuuMax, jouken::kKaiMaxMin, jouken::kKaiMaxMax);
    c.upDown2 = std::clamp(m_state.interval, jouken::kIntervalMin, jouken::kIntervalMax);
    if (c.edit3 != m_state.userSyobina) {
        c.edit3 = m_state.userSyobina;
        setFreeText(c.edit3);
    }
    return c;
}

void JoukenSettings::setEffectSounds(bool checked) {
    m_state.pinponFlag = checked ? 1 : 0;
}

void JoukenSettings::setInfoSpeaking(bool checked) {
    m_state.infoSpeakFlag = checked ? 1 : 0;
}

void JoukenSettings::setGreetings(bool checked) {
    m_state.msgSpeakFlag = checked ? 1 : 0;
}

void JoukenSettings::setReadAloud(int index) {
    m_state.yomiWay = index;
}

void JoukenSettings::setSpeed(int index) {
    m_state.procFlag = index;
}

void JoukenSettings::setVoiceRate(int position) {
    m_state.sikiSpRate = position;
    m_voice.setRate(position);
}

void JoukenSettings::setVoiceVolumeStep(int position) {
    m_state.sikiSpVolume = position * 5;
    m_voice.setVolume(m_state.sikiSpVolume);
}

void JoukenSettings::setEffectVolumeStep(int position) {
    m_state.effectVolume = position * 5;
    if (m_reloadEffects) m_reloadEffects(m_state.effectVolume);
}

void JoukenSettings::setRounds(int position) {
    m_state.kaisuuMax = position;
}

void JoukenSettings::setInterval(int position) {
    m_state.interval = position;
}

void JoukenSettings::setFreeText(const QString& text) {
    m_state.userSyobina = text;
}

void JoukenSettings::tryVoice() {
    m_speaker.SpeakAsync(jouken::kVoiceTestText);
}

void JoukenSettings::tryEffectSounds() {
    m_effects.PlayEffect(0);
    m_pacer.sleep(jouken::kEffectTestGapMs);
    m_effects.PlayEffect(1);
    m_pacer.sleep(jouken::kEffectTestGapMs);
    m_effects.PlayEffect(2);
}

}  // namespace rentabo
