#include "speech/Speaker.h"

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
    WaitUntilDone();
}

void Speaker::WaitUntilDone() {
    // A paused voice plays nothing: waiting on it would hold the program until someone resumed
    // it, and the one who would is further down the same call stack. The text stays queued and
    // is spoken once the voice resumes.
    if (m_paused) return;
    m_pacer.waitForSpeech();
}

void Speaker::Pause() {
    m_paused = true;
    m_voice.Pause();
}

void Speaker::Resume() {
    m_paused = false;
    m_voice.Resume();
}

}  // namespace rentabo
