#include "speech/Speaking.h"

namespace rentabo {

void Speaker::SpeakMsg(const QString& text) {
    if (m_state.yomiWay != 0) m_voice.Speak(text, SVSFlagsAsync);
}

void Speaker::SpeakAsync(const QString& text) {
    m_voice.Speak(text, SVSFlagsAsync);
}

void Speaker::SpeakWait(const QString& text) {
    // Queued like the others, then the speak-complete wait; the pacer keeps the window painting
    // in the program and moves the virtual clock in tests.
    m_voice.Speak(text, SVSFlagsAsync);
    m_pacer.waitForSpeech();
}

void Speaker::WaitUntilDone() {
    m_pacer.waitForSpeech();
}

}  // namespace rentabo
