#pragma once

#include "core/KukuState.h"
#include "core/Pacer.h"
#include "core/QuestionBoard.h"
#include "speech/Speaker.h"
#include "speech/platform/SpVoice.h"

#include <QString>

#include <functional>

namespace rentabo {

// What the settings dialog's controls show. The defaults are the controls as laid out, before
// the dialog fills them: nothing ticked or chosen, sliders at 0.
struct JoukenControls {
    bool checkBox1 = false;  // 効果音を使う
    bool checkBox7 = false;  // Inform...を読み上げる
    bool checkBox8 = false;  // メッセージを読み上げる
    int radioGroup1 = -1;    // 画面のみ / 画面＆音声
    int radioGroup2 = -1;    // speed
    int spRateBar = 0;
    int spVolBar = 0;
    int effectBar = 0;
    int upDown1 = 2;
    int upDown2 = 500;
    QString edit3 = QStringLiteral(u"はじめちゃん");
};

// Ranges of the dialog's controls.
namespace jouken {
inline constexpr int kRadioGroup1Items = 2;
inline constexpr int kRadioGroup2Items = 4;
inline constexpr int kRateMax = 10;
inline constexpr int kVolBarMax = 20;
inline constexpr int kEffectBarMax = 20;
inline constexpr int kKaiMaxMin = 1, kKaiMaxMax = 9;
inline constexpr int kIntervalMin = 100, kIntervalMax = 5000, kIntervalStep = 10;
inline const QString kVoiceTestText = QStringLiteral(u"現在の設定は，この音量と速さです。");
inline constexpr int kEffectTestGapMs = 600;
}  // namespace jouken

// The rules of the settings dialog, without widgets: each handler writes its setting the moment
// its control changes, and the speech settings reach the voice at once. The dialog forwards its
// controls' changes here; tests drive it directly.
class JoukenSettings final {
    Q_DISABLE_COPY_MOVE(JoukenSettings)
public:
    // `reloadEffects` prepares the three effect sounds again at the given volume in percent.
    JoukenSettings(KukuState& state, SpVoice& voice, EffectPlayer& effects, Pacer& pacer,
                   std::function<void(int)> reloadEffects);
    KukuState& state() { return m_state; }

    // Fills controls that show `current` from the settings, in the dialog's order. A control whose
    // value thereby changes runs its handler as a user change would: out-of-range values are
    // clamped to the control and stored back (a speed out of the list becomes the last one) and
    // volumes come back as multiples of 5. The up-downs take their values without running a
    // handler.
    JoukenControls fill(const JoukenControls& current);

    void setEffectSounds(bool checked);
    void setInfoSpeaking(bool checked);
    void setGreetings(bool checked);
    void setReadAloud(int index);
    void setSpeed(int index);
    void setVoiceRate(int position);
    void setVoiceVolumeStep(int position);
    void setEffectVolumeStep(int position);
    void setRounds(int position);
    void setInterval(int position);
    void setFreeText(const QString& text);
    void tryVoice();
    // Plays correct, wrong and prompt with 600 ms between them, even when effects are off.
    void tryEffectSounds();

private:
    KukuState& m_state;
    SpVoice& m_voice;
    EffectPlayer& m_effects;
    Pacer& m_pacer;
    Speaker m_speaker;
    std::function<void(int)> m_reloadEffects;
};

}  // namespace rentabo
