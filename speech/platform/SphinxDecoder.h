#pragma once

#include <QSet>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace rentabo {

// A word of the decoder's dictionary with its pronunciations (phones of the acoustic model).
struct DecoderWord {
    QString name;
    std::vector<QStringList> pronunciations;
};

struct DecoderConfig {
    QString modelDir;  // the acoustic model (mdef, means, noisedict, ...)
    // One decoder per frequency warp; the hypothesis with the best path score wins, which
    // adapts to the speaker's vocal tract without any training.
    std::vector<double> warps{1.0};
    // When set, the warps are split in two groups, those of grown-up voices and, from
    // childWarpFrom, those of higher, child-like voices, and the speaker's voice is judged over
    // the first phrases of a session (decoded with every warp, and every tenth phrase again):
    // when the high warps explain it better by more than childMargin per frame on average, the
    // phrases are decoded with the high warps only, otherwise with the others. The best warp of
    // one phrase is a noisy choice, and a child's voice does not change from phrase to phrase.
    bool perSpeakerWarp = false;
    double childWarpFrom = 1.4;
    // Measured leads: grown-up voices -1.8 to 0.8, voices pitched +500 cents 0.4 to 3.3; a
    // grown-up voice taken for a child's loses more than the other way round.
    double childMargin = 1.0;
    double phoneInsertionPenalty = 3.0;
    double wordInsertionPenalty = 0.65;
    // A phrase whose confidence (see Hypothesis::confidence) is below this carries no command.
    double minConfidence = -1e9;
    // A phrase nearly tied with another phrase (Hypothesis::margin below this) carries none either.
    double minMargin = -1e9;
    // When the moment expects a phrase (the right answer), a different phrase must explain the
    // audio better than the expected one by this much per frame (Hypothesis::leadOverExpected).
    double minLeadOverExpected = -1e9;
    // The confidence the expected phrase itself needs when it is the one heard (unset: the same
    // as any phrase). A lower one only risks a wrong answer heard as the right one.
    std::optional<double> minConfidenceForExpected;
    // Further decoder settings as name and value ("-beam", "1e-60"), after the ones above.
    std::vector<std::pair<QByteArray, QByteArray>> extraArgs;
};

// Whether a phrase heard with these measures (see SphinxDecoder::Hypothesis) carries its command.
inline bool phraseAccepted(const DecoderConfig& config, double confidence, double margin, double lead,
                           bool answerExpected, bool expectedHeard) {
    const double least = expectedHeard && config.minConfidenceForExpected ? *config.minConfidenceForExpected
                                                                          : config.minConfidence;
    if (confidence < least) return false;
    return answerExpected ? lead >= config.minLeadOverExpected : margin >= config.minMargin;
}

// PocketSphinx's English model on Debian.
QString englishModelDir();
// The model to listen with: the one RENTABO_MODEL_DIR names, else model/ beside the program (the
// English model adapted to Japanese speech when the program was built), else the English model.
QString defaultModelDir();

// Whether every file `manifest.txt` in a model folder lists (written by the build with the model's
// sizes and SHA-1 sums) is whole; true for a folder without one (Debian's English model). False
// with the damaged file named in `why`.
bool checkModelManifest(const QString& dir, QString* why);

// PocketSphinx decoders over one dictionary, searching finite-state grammars given as JSGF.
// Audio is 16 kHz mono 16-bit; a faint dither is added to everything fed in.
class SphinxDecoder final {
public:
    struct Hypothesis {
        QStringList words;  // empty when nothing was recognised
        int score = 0;
        double warp = 1.0;
        int frames = 0;      // frames of speech in the phrase (silence around it not counted)
        int quietAfter = 0;  // frames after the phrase's last word (silence and noise)
        // The path score of the free loop (see setRejectionLoop) over the same audio.
        std::optional<int> loopScore;
        // The best path score of any other phrase (see setRunnerUpGrammar), and how many warped
        // decoders chose this one.
        std::optional<int> runnerUpScore;
        int agreeing = 0;
        // The path score of the expected phrases (see setExpected) when another was heard.
        std::optional<int> expectedScore;

        // How much worse, per 10 ms frame, the grammar's best phrase explains the audio than the
        // free loop of sounds does: near 0 when the phrase was said, far below 0 when something
        // else was. Without a loop every phrase is taken as certain.
        double confidence() const;
        // How much better, per frame, the phrase explains the audio than the best other phrase:
        // small when two phrases were nearly tied (にじゅういち / にじゅうく). Large without a
        // runner-up.
        double margin() const;
        // How much better, per frame, the phrase explains the audio than the phrase the moment
        // expected: large when the expected phrase was heard, or none was expected, or it cannot
        // explain the audio at all.
        double leadOverExpected() const;
        // Whether a phrase was expected (see setExpected) when this one was heard, and whether
        // this one is one of those expected.
        bool answerExpected = false;
        bool expectedHeard = false;
        // Whether the phrase is heard clearly enough to carry its command. While an answer is
        // expected, the near tie that matters is the one with that answer, measured exactly
        // (its phrases alone decoded again); the runner-up among all phrases is only as good as
        // a search over many and is not asked.
        bool accepted(const DecoderConfig& config) const {
            return phraseAccepted(config, confidence(), margin(), leadOverExpected(), answerExpected,
                                  expectedHeard);
        }
    };

    static std::unique_ptr<SphinxDecoder> create(const DecoderConfig& config,
                                                 const std::vector<DecoderWord>& words, QString* error);
    ~SphinxDecoder();
    SphinxDecoder(const SphinxDecoder&) = delete;
    SphinxDecoder& operator=(const SphinxDecoder&) = delete;

    // Adds (or replaces) a named grammar search.
    bool setGrammar(const QString& name, const QString& jsgf, QString* error);
    // Makes a search the one that listens. A phrase being spoken goes on and is decoded with the
    // new search when it ends, so the search can follow what the moment expects.
    bool useGrammar(const QString& name);
    bool hasGrammar(const QString& name) const;
    // A grammar that accepts any run of sounds, decoded after each phrase to measure how well the
    // phrase explains the audio (Hypothesis::confidence). Its words must be in the dictionary.
    bool setRejectionLoop(const QString& jsgf, QString* error);
    // After each phrase the winning decoder decodes the audio again with the grammar `f` gives
    // for the phrase heard (the listening phrases without it; empty for none), which yields
    // Hypothesis::runnerUpScore. Grammars are made once per listening search and phrase.
    void setRunnerUpGrammar(std::function<QString(const QString& word)> f) { m_runnerUp = std::move(f); }
    // The words of the phrases the moment expects (the right answer; empty for none). When the
    // winning decoder hears another phrase, it decodes the audio again with the expected ones
    // alone, which yields Hypothesis::expectedScore.
    void setExpected(QStringList words);
    // Forgets what was learnt about the speaker's voice (a new speaker).
    void resetSpeaker();
    // Whether the speaker's phrases are decoded with the warps of a child's voice at present,
    // and by how much per frame the high warps explained the voice better than the others.
    bool childVoice() const { return m_childVoice; }
    double voiceLead() const { return m_voiceLead; }
    // Drops a phrase being spoken and the audio before it.
    void reset() { endStream(); }
    // Drops a phrase being spoken but keeps listening to the room: the speech detector keeps
    // what it learnt of the room's noise, and nothing counts as speech again until it has heard
    // quiet (the microphone muted while the program speaks).
    void dropPhrase();
    // Called when a phrase has ended and is about to be decoded, in time to change the search.
    void setBeforeDecode(std::function<void()> f) { m_beforeDecode = std::move(f); }

    // Decodes a whole recording as one utterance.
    Hypothesis decodeUtterance(const std::int16_t* samples, std::size_t count);

    // Streaming: feed audio as it arrives; returns a hypothesis each time an utterance ends
    // (speech followed by silence). The longest utterance kept is about 10 seconds.
    // A phrase is looked at after a short quiet (kFirstLookQuietMs) and taken at once when it is
    // the answer the moment expects, heard with confidence and whole (no other phrase goes on
    // from it, and quiet follows its last word); any other phrase waits for the full quiet
    // (kPhraseEndQuietMs) and is then decoded whole, and speech coming back before that
    // continues the same phrase.
    std::optional<Hypothesis> feed(const std::int16_t* samples, std::size_t count);
    // Ends an utterance in progress (end of a file or of the stream).
    std::optional<Hypothesis> flush();
    bool inSpeech() const { return m_inSpeech; }
    // The audio of the phrase decoded last (as decoded: with the faint dither), for learning the
    // speaker's voice once its content is known.
    const std::vector<std::int16_t>& lastPhrase() const;

    static constexpr int kFirstLookQuietMs = 200;
    static constexpr int kPhraseEndQuietMs = 500;

private:
    struct Impl;
    struct SpeakerState {
        std::vector<double> warpScores, warpFrames;
        int phrasesHeard = 0;
        bool childVoice = false;
        double voiceLead = 0;
    };
    bool decidesEarly(const Hypothesis& h) const;
    void dropFirstLook();
    explicit SphinxDecoder(std::unique_ptr<Impl> impl);
    std::vector<std::size_t> decodersToUse() const;
    std::vector<std::size_t> decodersForFirstLook() const;
    bool judgingVoice() const;
    Hypothesis best(const std::vector<std::size_t>& used, const std::int16_t* samples, std::size_t count);
    std::optional<int> rescore(std::size_t decoder, const QByteArray& search, const std::int16_t* samples,
                               std::size_t count);
    std::optional<int> rescoreKept(std::size_t decoder, const QByteArray& name,
                                   const std::function<QString()>& jsgf, const std::int16_t* samples,
                                   std::size_t count);
    void applySearch(std::size_t decoder);
    Hypothesis decodeDithered(const std::int16_t* samples, std::size_t count,
                              const std::vector<std::size_t>& used);
    void restart();
    void endStream();

    std::unique_ptr<Impl> m_impl;
    bool m_perSpeaker = false;
    double m_childWarpFrom = 1.4;
    double m_childMargin = 1.0;
    bool m_childVoice = false;
    double m_voiceLead = 0;
    std::vector<double> m_warpScores;  // how far each warp fell behind the phrase's best, summed
    std::vector<double> m_warpFrames;  // the frames of those phrases
    int m_phrasesHeard = 0;
    std::function<void()> m_beforeDecode;
    std::function<QString(const QString&)> m_runnerUp;
    QStringList m_expected;
    bool m_inSpeech = false;
    bool m_uttStarted = false;
    bool m_waitForQuiet = false;
    std::size_t m_uttSamples = 0;
    DecoderConfig m_config;  // the thresholds a phrase decided early must pass
    // Phrases with a pronunciation that another phrase goes on from (さん: さんじゅう): never
    // decided before the full quiet.
    QSet<QString> m_continued;
    // The phrase as heard at the first look, kept while the quiet lasts, and what was learnt of
    // the speaker before it (given back when the phrase goes on).
    std::optional<Hypothesis> m_firstLook;
    SpeakerState m_beforeFirstLook;
};

}  // namespace rentabo
