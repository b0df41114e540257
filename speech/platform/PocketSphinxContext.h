#pragma once

#include "speech/platform/GrammarRecoContext.h"
#include "speech/platform/MicrophoneInput.h"
#include "speech/platform/OwnVoiceEcho.h"
#include "speech/platform/SpeakerModel.h"
#include "speech/platform/SphinxDecoder.h"
#include "speech/platform/VoiceLearning.h"
#include "speech/platform/WavAudio.h"

#include <QHash>

#include <memory>

namespace rentabo {

// The shared recognition context on PocketSphinx and its acoustic model: the face the rest of the
// program listens through (docs/RECOGNITION.md draws the stages behind it). The active command
// rules become one finite-state grammar whose words are whole phrases, each pronounced from its
// kana reading; dictation (chat listening) spots the chat words among a loop of Japanese morae
// and returns the text heard. Audio comes from the microphone at 16 kHz, or from acceptAudio;
// phrases are cut at the end of speech, and before each is decoded the moment is asked for its
// rules and expected answer (PhraseComplete).
class PocketSphinxContext final : public GrammarRecoContext {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PocketSphinxContext)
public:
    explicit PocketSphinxContext(QObject* parent = nullptr, DecoderConfig config = defaultConfig());
    ~PocketSphinxContext() override;

    static DecoderConfig defaultConfig();

    // Loads the acoustic model (with the dictation words). False with a reason when it cannot.
    bool loadModel(QString* error);
    // Opens the default microphone; false with a reason when there is none.
    bool startMicrophone(QString* error) { return m_microphone.start(error); }
    void stopMicrophone() { m_microphone.stop(); }

    QString engineName() const override { return QStringLiteral("PocketSphinx"); }
    bool hasMicrophone() const override { return m_microphone.isOpen(); }
    void useMicrophone(const QByteArray& id) override;

    // 16 kHz mono audio as the microphone delivers it: levels, end of speech and recognition
    // follow exactly as for the microphone.
    void acceptAudio(const std::int16_t* samples, std::size_t count);
    // Ends a phrase still being spoken (the end of a recording).
    void flushAudio();
    // Decodes a whole recording as one phrase with the active rules; the index of the phrase
    // (into grammar()->phrases()) or nullopt when nothing was recognised or the phrase was heard
    // with too little confidence. No event is raised.
    std::optional<std::size_t> recognizeUtterance(const MonoAudio& audio);
    // The best phrase (HeardPhrase::phrase) with its measures, before they are judged (for
    // measurements; compared with the master's words remembered last, as if said just after
    // them); nullopt when no phrase was heard.
    std::optional<HeardPhrase> hearUtterance(const MonoAudio& audio);
    double minConfidence() const { return m_config.minConfidence; }
    bool accepted(const HeardPhrase& h) const;
    // The phrase heard last in the stream, with its measures (for measurements).
    const std::optional<HeardPhrase>& lastHeard() const { return m_lastHeard; }

    void setInputMuted(bool muted) override;
    void rememberOwnWords(const MonoAudio& words) override;
    void rememberOwnSound(const MonoAudio& sound) override;
    void expectCommand(int command) override { m_expectedCommand = command; }
    // Audio ignored after unmuting, in 16 kHz samples.
    static constexpr std::size_t kMuteTailSamples = 16000 * 3 / 10;
    // How long after the master's words a phrase beginning is compared with them
    // (rememberOwnWords): as long as the words kept last, which is far longer than any echo takes
    // to come back; a child's phrase compared is not refused for it (see maxOwnVoice).
    static constexpr qint64 kOwnWordsSamples = qint64(OwnVoiceEcho::kKeptSeconds * 16000);

    // The pronunciations given to the decoder for a phrase (empty when it has none).
    static std::vector<QStringList> phrasePronunciations(const QString& text);

    // Listens with the learner's own model, at its warp alone (nullopt: the program's model and
    // its warps again). Takes effect between phrases; false with a reason when it cannot load,
    // and the context then listens as before.
    bool useSpeakerModel(const std::optional<SpeakerModel>& speaker, QString* error);
    const DecoderConfig& config() const { return m_config; }

    // Learning the learner's voice (VoiceLearning).
    static constexpr std::size_t kPhrasesToAdapt = VoiceLearning::kPhrasesToAdapt;
    static constexpr std::size_t kFewestPhrasesToAdapt = VoiceLearning::kFewestPhrasesToAdapt;
    void setLearner(const QString& name, const QString& folder) override {
        m_learning.setLearner(name, folder);
    }
    void confirmLastPhrase(const QString& asked = {}) override;
    bool learnVoiceNow() override { return m_learning.learnNow(); }
    bool learnsVoice() const override { return m_learning.canLearn(); }
    bool knowsVoice() const override { return m_learning.speakerModel() || m_learning.adapting(); }
    // A typed phrase is confirmed as nothing the voice said.
    void acceptTypedPhrase(const QString& text) override;
    std::size_t knownPhrases() const { return m_learning.knownPhrases(); }
    const std::optional<SpeakerModel>& speakerModel() const { return m_learning.speakerModel(); }
    bool adapting() const { return m_learning.adapting(); }
    // Waits until a model being made is made and listened with (the tools and tests).
    void waitForAdaptation() { m_learning.waitForAdaptation(); }

protected:
    bool grammarLoaded() override;
    void listeningChanged() override;
    bool dictationAvailable() const override { return m_dictation != nullptr; }

private:
    enum class Listening { Off, Commands, Dictation };
    void microphoneLost();
    void askMoment();
    void hear(SphinxDecoder& decoder, const SphinxDecoder::PendingPhrase& phrase);
    void handle(HeardPhrase h);
    SphinxDecoder* listeningDecoder() const;
    void useActiveRules();
    void useExpectation();
    void placePhrase(HeardPhrase& h, std::size_t phrase) const;

    DecoderConfig m_config;
    DecoderConfig m_programConfig;  // the configuration without the learner's model
    std::unique_ptr<SphinxDecoder> m_commands;
    std::unique_ptr<SphinxDecoder> m_dictation;
    std::vector<bool> m_pronounceable;  // by phrase index
    QStringList m_dictationTexts;       // by dictation word index
    Listening m_listening = Listening::Off;
    bool m_rulesChanged = false;
    QHash<QString, QString> m_searchNames;  // search name by grammar text
    QStringList m_listeningWords;           // the words of the search in use
    int m_expectedCommand = 0;
    std::optional<std::size_t> m_expectedRule;  // the rule of the answer awaited (its index)
    std::size_t m_tailToSkip = 0;
    OwnVoiceEcho m_ownWords;
    qint64 m_ownWordsUntil = 0;  // in bytes of m_position: phrases beginning before it are compared
    MicrophoneInput m_microphone;
    bool m_microphoneLost = false;  // told once in the memo
    LevelMeter m_meter;
    qint64 m_position = 0;
    std::optional<HeardPhrase> m_lastHeard;
    VoiceLearning m_learning;  // last: its worker is joined before the rest is torn down
};

// The recognition context for the program: PocketSphinx with the microphone when the model
// loads (a missing microphone is told through `notes`, and typed phrases still work), otherwise
// the typed-phrase context. `notes` receives Japanese lines for the information memo.
std::unique_ptr<SpSharedRecoContext> createRecoContext(QStringList* notes = nullptr);

}  // namespace rentabo
