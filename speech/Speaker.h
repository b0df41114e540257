#pragma once

#include "core/KukuState.h"
#include "core/Pacer.h"
#include "speech/platform/SpVoice.h"

namespace rentabo {

// The three ways the program speaks. Nothing else calls the voice's Speak. None of them purges
// earlier speech: requests queue and are spoken in call order.
class Speaker final {
public:
    Speaker(const KukuState& state, SpVoice& voice, Pacer& pacer)
        : m_state(state), m_voice(voice), m_pacer(pacer) {}

    // Asynchronous, and only when questions are presented with voice (yomiWay on).
    void SpeakMsg(const QString& text);
    // Asynchronous, always.
    void SpeakAsync(const QString& text);
    // Always; returns when the voice has finished everything queued.
    void SpeakWait(const QString& text);
    // Waits until all queued speech is done; never while the voice is paused, since nothing
    // would play until the one who paused it resumes it.
    void WaitUntilDone();
    // The reading's thinking pause. The voice is paused and resumed only through here, so a
    // wait knows it must not wait.
    void Pause();
    void Resume();

    SpVoice& voice() { return m_voice; }

private:
    const KukuState& m_state;
    SpVoice& m_voice;
    Pacer& m_pacer;
    bool m_paused = false;
};

}  // namespace rentabo
