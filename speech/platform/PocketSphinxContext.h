#pragma once

#include "speech/platform/GrammarRecoContext.h"
#include "speech/platform/SpeakerModel.h"
#include "speech/platform/SphinxDecoder.h"
#include "speech/platform/WavAudio.h"

#include <QAudioFormat>
#include <QHash>

#include <memory>
#include <thread>

class QAudioSource;
class QIODevice;

namespace rentabo {

// The shared recognition context on PocketSphinx and its English acoustic model. The active
// command rules become one finite-state grammar whose words are whole phrases, each pronounced
// from its kana reading; dictation (chat listening) spots the chat keywords among a loop of
// Japanese morae and returns the text heard. Audio comes from the microphone at 16 kHz, or from
// acceptAudio; phrases are cut at the end of speech.
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
    bool startMicrophone(QString* error);
    void stopMicrophone();

    QString engineName() const override { return QStringLiteral("PocketSphinx"); }
    bool hasMicrophone() const override { return m_source != nullptr; }

    // 16 kHz mono audio as the microphone delivers it: levels, end of speech and recognition
    // follow exactly as for the microphone.
    void acceptAudio(const std::int16_t* samples, std::size_t count);
    // Ends a phrase still being spoken (the end of a recording).
    void flushAudio();
    // Decodes a whole recording as one phrase with the active rules; the index of the phrase
    // (into grammar()->phrases()) or nullopt when nothing was recognised or the phrase was heard
    // with too little confidence. No event is raised.
    std::optional<std::size_t> recognizeUtterance(const MonoAudio& audio);
    // The best phrase and its confidence, before the confidence is judged (for measurements).
    struct Heard {
        std::size_t index = 0;
        double confidence = 0;
        double warp = 1.0;
        double margin = 0;  // per frame over the runner-up phrase; 1e9 when there is none
        int agreeing = 0;
        double lead = 1e9;  // per frame over the expected phrase; 1e9 when it was heard or none
        bool answerExpected = false;
        bool expectedHeard = false;  // the phrase heard is the expected one
    };
    std::optional<Heard> hearUtterance(const MonoAudio& audio);
    double minConfidence() const { return m_config.minConfidence; }
    bool accepted(const Heard& h) const {
        return phraseAccepted(m_config, h.confidence, h.margin, h.lead, h.answerExpected, h.expectedHeard);
    }

    void setInputMuted(bool muted) override;
    void expectCommand(int command) override { m_expectedCommand = command; }
    // Audio ignored after unmuting, in 16 kHz samples.
    static constexpr std::size_t kMuteTailSamples = 16000 * 3 / 10;

    // The pronunciations given to the decoder for a phrase (empty when it has none).
    static std::vector<QStringList> phrasePronunciations(const QString& text);

    // Listens with the learner's own model, at its warp alone (nullopt: the program's model and
    // its warps again). Takes effect between phrases; false with a reason when it cannot load,
    // and the context then listens as before.
    bool useSpeakerModel(const std::optional<SpeakerModel>& speaker, QString* error);
    const DecoderConfig& config() const { return m_config; }

    // Learning the learner's voice: every kPhrasesToAdapt phrases of known content (confirmed
    // and heard with enough confidence, or asked for) the learner's model is made anew in the background
    // from the phrases of the session, kept in the learner's folder and listened with.
    static constexpr std::size_t kPhrasesToAdapt = 30;
    // The fewest phrases a model is made from when asked at once (the end of an enrolment).
    static constexpr std::size_t kFewestPhrasesToAdapt = 8;
    void setLearner(const QString& name, const QString& folder) override;
    void confirmLastPhrase(const QString& asked = {}) override;
    bool learnVoiceNow() override;
    // A typed phrase is confirmed as nothing the voice said.
    void acceptTypedPhrase(const QString& text) override;
    std::size_t knownPhrases() const { return m_known.size(); }
    const std::optional<SpeakerModel>& speakerModel() const { return m_speaker; }
    bool adapting() const { return m_adapting; }
    // Waits until a model being made is made and listened with (the tools and tests).
    void waitForAdaptation();

protected:
    bool grammarLoaded() override;
    void listeningChanged() override;
    bool dictationAvailable() const override { return m_dictation != nullptr; }

private:
    enum class Listening { Off, Commands, Dictation };
    void readMicrophone();
    void microphoneLost();
    void handle(const SphinxDecoder::Hypothesis& h);
    void emitLevel(const std::int16_t* samples, std::size_t count);
    SphinxDecoder* listeningDecoder() const;
    void useActiveRules();
    void useExpectation();

    void startAdaptation();
    void adaptationFinished(bool ok, const QString& error);

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
    std::size_t m_tailToSkip = 0;
    QAudioSource* m_source = nullptr;  // owned through the Qt parent
    QIODevice* m_input = nullptr;
    QAudioFormat m_format;
    bool m_microphoneLost = false;  // told once in the memo
    std::vector<std::int16_t> m_levelWindow;
    qint64 m_position = 0;

    // The phrase delivered last, kept until the next one in case it is confirmed.
    struct LastPhrase {
        std::vector<std::int16_t> samples;
        std::size_t index = 0;
        double confidence = 0;
        double warp = 1.0;
    };
    std::optional<LastPhrase> m_last;
    QString m_learner;
    QString m_learnerFolder;
    std::vector<KnownPhrase> m_known;
    std::vector<double> m_knownWarps;
    std::optional<SpeakerModel> m_speaker;
    bool m_adapting = false;
    std::jthread m_worker;  // last: joined before the rest is torn down
};

// The recognition context for the program: PocketSphinx with the microphone when the model
// loads (a missing microphone is told through `notes`, and typed phrases still work), otherwise
// the typed-phrase context. `notes` receives Japanese lines for the information memo.
std::unique_ptr<SpSharedRecoContext> createRecoContext(QStringList* notes = nullptr);

}  // namespace rentabo
