#pragma once

#include "speech/platform/WavAudio.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <optional>
#include <vector>

namespace rentabo {

// A semantic property of a recognised phrase, as the grammar attached it.
struct PhraseProperty {
    QString name;
    QString value;
    std::vector<PhraseProperty> children;
};

// A recognised phrase: its text and its properties, and how sure the recogniser was of it (its
// engine's measure; none for a typed phrase).
struct RecoResult {
    QString text;
    std::vector<PhraseProperty> properties;
    std::optional<double> confidence = {};
};

// Recognition types of the Recognition event.
inline constexpr int SRTStandard = 0;

// Event interests of the recognition context (every event).
inline constexpr int SREAllEvents = 0x5FFFF;

// The shared recognition context with its one grammar: free dictation and the command rules of
// the grammar file. Results arrive as Recognition events on the user-interface thread.
class SpSharedRecoContext : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~SpSharedRecoContext() override = default;

    // Each returns false when the call failed (reported through the failure handler first).
    virtual bool setEventInterests(int interests) = 0;
    virtual bool CreateGrammar(int id) = 0;
    virtual bool DictationLoad() = 0;
    // False (the "negative result") when the file cannot be read or is not a valid grammar.
    virtual bool CmdLoadFromFile(const QString& path) = 0;
    // Rule 0 means every top-level rule.
    virtual bool CmdSetRuleIdState(int ruleId, bool active) = 0;
    virtual bool DictationSetState(bool active) = 0;

    // A phrase given as text, matched against the active rules (or passed through as dictation)
    // and delivered exactly like a spoken one.
    virtual void acceptTypedPhrase(const QString& text) = 0;
    // The engine behind the context, for the information memo and the tools.
    virtual QString engineName() const = 0;
    // False when no microphone could be opened (typed phrases still work).
    virtual bool hasMicrophone() const { return false; }
    // Listens to the microphone with this id from now on (empty: the system's default); when it
    // is not there the default is used and DeviceNote says so.
    virtual void useMicrophone(const QByteArray& id) { Q_UNUSED(id); }
    // While muted the microphone is not listened to (the program's own voice must not be taken
    // for the child's answer); a phrase being heard is dropped. Unmuting ignores a short tail
    // of audio still to come, the echo of the last words. Typed phrases are always accepted.
    virtual void setInputMuted(bool muted) { m_inputMuted = muted; }
    // The master's words just played, as played, given as the microphone is unmuted after them:
    // for a few seconds a phrase that is their echo (longer than the tail skipped) carries no
    // command.
    virtual void rememberOwnWords(const MonoAudio& words) { Q_UNUSED(words); }
    // A sound the program played while listening (an effect sound), which comes back into the
    // microphone as his words do: added to them.
    virtual void rememberOwnSound(const MonoAudio& sound) { Q_UNUSED(sound); }
    bool inputMuted() const { return m_inputMuted; }

    // The command number the moment expects as the right answer (0: none), set at the latest
    // when a phrase is complete. Another phrase must then explain the audio clearly better than
    // the expected one to carry its command: a right answer that sounded nearly like another one
    // is taken as nothing heard (the child may say it again) rather than marked wrong. A typed phrase is
    // taken as it is.
    virtual void expectCommand(int command) { Q_UNUSED(command); }

    // Learning the voice from phrases shown on the screen: while `text` is set the context
    // listens for that phrase alone, whatever the rules, and nothing heard is a command of the
    // program (the window that asks takes it). Empty: the rules listen again.
    virtual void listenFor(const QString& text) { m_listeningFor = text; }
    const QString& listeningFor() const { return m_listeningFor; }
    // Makes the learner's own model now from the phrases known so far (the end of a short
    // enrolment); false when too few are known or this recogniser learns no voice.
    virtual bool learnVoiceNow() { return false; }
    // Whether this recogniser can learn the present learner's voice, and whether it already
    // listens with (or is making) a model of that voice.
    virtual bool learnsVoice() const { return false; }
    virtual bool knowsVoice() const { return false; }

    // The learner whose voice the recogniser learns, and the folder where it keeps what it
    // learnt about that voice. A folder of another learner's voice is dropped.
    virtual void setLearner(const QString& name, const QString& folder) {
        Q_UNUSED(name);
        Q_UNUSED(folder);
    }
    // The phrase heard last was what the learner meant (an answer judged right, a command acted
    // on): the recogniser may learn the voice from it. `asked` is the text of the phrase the
    // learner was shown and asked to say, when so: whatever it was heard as, that was said.
    virtual void confirmLastPhrase(const QString& asked = {}) { Q_UNUSED(asked); }

Q_SIGNALS:
    void Recognition(int streamNumber, qint64 streamPosition, int recognitionType,
                     const rentabo::RecoResult& result);
    void AudioLevel(int streamNumber, qint64 streamPosition, int level);
    // A phrase heard (or typed) that no active rule accepts; it changes nothing.
    void FalseRecognition(int streamNumber, qint64 streamPosition, const rentabo::RecoResult& result);
    // A phrase, spoken or typed, is complete and about to be matched against the active rules:
    // the last moment to choose which rules listen.
    void PhraseComplete(int streamNumber, qint64 streamPosition);
    // A Japanese line for the information memo about what the recogniser learnt of the voice.
    void LearnerNote(const QString& text);
    // A Japanese line for the information memo about the microphone (lost, back again).
    void DeviceNote(const QString& text);

private:
    bool m_inputMuted = false;
    QString m_listeningFor;
};

// The value of the first property named `name` (without regard to case), or of its first child
// named `child` when `child` is not empty; empty when there is no such property.
QString GetPropertyValue(const RecoResult& result, const QString& name, const QString& child = {});

}  // namespace rentabo
