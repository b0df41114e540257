#pragma once

#include "speech/platform/WavAudio.h"

#include <QObject>
#include <QString>

namespace rentabo {

// Flags of Speak.
inline constexpr int SVSFDefault = 0;    // speak and wait
inline constexpr int SVSFlagsAsync = 1;  // queue and return at once

// Event interests of the voice (every event).
inline constexpr int SVEAllEvents = 0x83FE;

// The program's single voice. Utterances play in call order and never cut each other off.
// Events arrive on the user-interface thread, in order, as the audio plays.
class SpVoice : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~SpVoice() override = default;

    // Asynchronous with SVSFlagsAsync; otherwise returns when the text has been spoken.
    // Returns false when the call failed (it has then been reported through the failure handler).
    virtual bool Speak(const QString& text, int flags) = 0;
    // The speak-complete wait: returns once all queued speech is done.
    virtual void WaitUntilDone() = 0;
    virtual void Pause() = 0;
    virtual void Resume() = 0;
    // 0 (natural speed) .. 10 (clearly fast); values outside are clamped.
    virtual void setRate(int rate) = 0;
    virtual int rate() const = 0;
    // 0 .. 100.
    virtual void setVolume(int volume) = 0;
    virtual int volume() const = 0;
    virtual void setEventInterests(int interests) { m_eventInterests = interests; }
    int eventInterests() const { return m_eventInterests; }
    // True while anything is queued or playing.
    virtual bool isSpeaking() const = 0;
    // Milliseconds of speech still to come (an estimate where the engine cannot tell).
    virtual qint64 remainingMs() const = 0;
    // The engine behind the voice, for the information memo and the tools.
    virtual QString engineName() const = 0;
    // The last few seconds of what the voice has played, ending with its last sample (empty when
    // it plays nothing): his words may come back into the microphone after he stops.
    virtual MonoAudio lastWords() const { return {}; }

Q_SIGNALS:
    // 0..100 from the samples as they play.
    void AudioLevel(int streamNumber, int level);
    // One per sentence as it begins to play; `position` and `length` in characters of the text.
    void Sentence(int streamNumber, int position, int length);
    void StartStream(int streamNumber);
    void EndStream(int streamNumber);
    void Viseme(int streamNumber, int viseme);

private:
    int m_eventInterests = 0;
};

}  // namespace rentabo
