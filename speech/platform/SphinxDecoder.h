#pragma once

#include "speech/platform/AcceptancePolicy.h"
#include "speech/platform/AcousticModel.h"
#include "speech/platform/HeardPhrase.h"
#include "speech/platform/Rescorer.h"
#include "speech/platform/VoiceJudge.h"
#include "speech/platform/WavAudio.h"

#include <QHash>
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

class PhraseSegmenter;
class WarpDecoderBank;

// A word of the decoder's dictionary with its pronunciations (phones of the acoustic model).
struct DecoderWord {
    QString name;
    std::vector<QStringList> pronunciations;
    int morae = 0;  // of the phrase's reading (PhraseMeasures::morae); 0 when not known
};

// The decoder's settings, with the thresholds a phrase must pass (AcceptanceThresholds).
struct DecoderConfig : AcceptanceThresholds {
    QString modelDir;  // the acoustic model (mdef, means, noisedict, ...)
    // One decoder per frequency warp; the hypothesis with the best path score wins, which
    // adapts to the speaker's vocal tract without any training.
    std::vector<double> warps{1.0};
    // When set, the speaker's voice is judged over the first phrases of a session (VoiceJudge):
    // a child's voice is decoded with the warps from childWarpFrom, a grown-up's with the others.
    bool perSpeakerWarp = false;
    double childWarpFrom = 1.4;
    // Measured leads: grown-up voices -1.8 to 0.8, voices pitched +500 cents 0.4 to 3.3; a
    // grown-up voice taken for a child's loses more than the other way round.
    double childMargin = 1.0;
    // A phrase with a reverberant room's tail is decoded without it (reverberantEnd).
    bool cutReverberantTail = true;
    double phoneInsertionPenalty = 3.0;
    double wordInsertionPenalty = 0.65;
    // Further decoder settings as name and value ("-beam", "1e-60"), after the ones above.
    std::vector<std::pair<QByteArray, QByteArray>> extraArgs;
};

// PocketSphinx decoders over one dictionary, searching finite-state grammars given as JSGF: the
// stages of docs/RECOGNITION.md put together. Audio is 16 kHz mono 16-bit; a faint dither is
// added to everything fed in, a reverberant tail is cut off and a quiet voice is raised before the
// dither (PhraseLevel).
class SphinxDecoder final {
public:
    static std::unique_ptr<SphinxDecoder> create(const DecoderConfig& config,
                                                 const std::vector<DecoderWord>& words, QString* error);
    ~SphinxDecoder();
    SphinxDecoder(const SphinxDecoder&) = delete;
    SphinxDecoder& operator=(const SphinxDecoder&) = delete;

    // Adds (or replaces) a named grammar search.
    bool setGrammar(const QString& name, const QString& jsgf, QString* error);
    // Makes a search the one that listens. A phrase being spoken goes on and is decoded with the
    // search in use when it ends, so the search can follow what the moment expects.
    bool useGrammar(const QString& name);
    bool hasGrammar(const QString& name) const;
    // A grammar that accepts any run of sounds, decoded after each phrase to measure how well the
    // phrase explains the audio (HeardPhrase::confidence). Its words must be in the dictionary.
    bool setRejectionLoop(const QString& jsgf, QString* error);
    // After each phrase the winning decoder decodes the audio again with the grammar `f` gives
    // for the phrase heard (the listening phrases without it; empty for none), which yields
    // HeardPhrase::runnerUpScore. Grammars are made once per listening search and phrase.
    void setRunnerUpGrammar(std::function<QString(const QString& word)> f);
    // The words of the phrases the moment expects (the right answer; empty for none). When the
    // winning decoder hears another phrase, it decodes the audio again with the expected ones
    // alone, which yields HeardPhrase::expectedScore.
    void setExpected(QStringList words);
    // Forgets what was learnt about the speaker's voice (a new speaker).
    void resetSpeaker() { m_judge.reset(); }
    // Whether the speaker's phrases are decoded with the warps of a child's voice at present,
    // and by how much per frame the high warps explained the voice better than the others.
    bool childVoice() const { return m_judge.state().childVoice; }
    double voiceLead() const { return m_judge.state().voiceLead; }
    // Drops a phrase being spoken and the audio before it.
    void reset() { endStream(); }
    // Drops a phrase being spoken but keeps listening to the room (the microphone muted while
    // the program speaks): nothing counts as speech again until the room has been quiet.
    void dropPhrase();

    // Decodes a whole recording as one utterance.
    HeardPhrase decodeUtterance(const std::int16_t* samples, std::size_t count);

    // Streaming, in two steps so that the caller can ask the moment for its rules and expected
    // answer (useGrammar, setExpected) between them. listen() takes audio as it arrives and
    // returns a phrase when one is to be decoded: at the first look, after a short quiet
    // (kFirstLookQuietMs), or at the end of the phrase, after the full quiet (kPhraseEndQuietMs).
    // decode() then decodes it: a first look gives a phrase only when it is taken at once
    // (takenAtFirstLook: the expected answer, heard with confidence and whole); any other waits
    // for the full quiet and is then decoded whole, and speech coming back before that continues
    // the same phrase. The longest phrase kept is about 10 seconds.
    struct PendingPhrase {
        enum class Kind { FirstLook, Ended, Flushed } kind = Kind::Ended;
        std::vector<std::int16_t> audio;  // dithered
        std::vector<std::int16_t> raw;    // the same before the dither (for the level, PhraseLevel)
        // Frames of 10 ms the speech detector called speech (without the audio kept before it
        // and the quiet that ended it); 0 when not known.
        int speechFrames = 0;
    };
    std::optional<PendingPhrase> listen(const std::int16_t* samples, std::size_t count);
    std::optional<HeardPhrase> decode(const PendingPhrase& phrase);
    // Ends a phrase in progress (end of a file or of the stream): the phrase to decode, if any.
    std::optional<PendingPhrase> flush();
    // The detector's speech in the phrase so far, less `quietMs` of quiet that ended it.
    int detectedSpeechFrames(int quietMs) const;
    // The audio of the phrase decoded last (as decoded: with the faint dither), for learning the
    // speaker's voice once its content is known.
    const std::vector<std::int16_t>& lastPhrase() const { return m_last; }

private:
    SphinxDecoder(const DecoderConfig& config, std::unique_ptr<WarpDecoderBank> bank,
                  std::unique_ptr<PhraseSegmenter> segmenter);
    // Now: the phrase heard is measured at once (HeardPhrase's scores against the loop, the
    // awaited answer, the runner-up); Later: by measure(), if at all.
    enum class Measuring { Now, Later };
    HeardPhrase decodeWith(const std::vector<std::size_t>& used, const std::int16_t* samples,
                           std::size_t count, Measuring measuring = Measuring::Now);
    HeardPhrase best(const std::vector<std::size_t>& used);
    void measure(HeardPhrase& h);
    // How much a phrase is raised before it is decoded (PhraseLevel): only with an answer awaited.
    double gainFor(const std::vector<std::int16_t>& heard) const;
    HeardPhrase decodeAtLevel(const std::vector<std::size_t>& used, const std::vector<std::int16_t>& heard,
                              const std::vector<std::int16_t>& raw);
    HeardPhrase decodeRaised(const std::vector<std::size_t>& used, const std::vector<std::int16_t>& heard,
                             const std::vector<std::int16_t>& raw);
    std::optional<HeardPhrase> lookFirst(const PendingPhrase& phrase);
    void dropFirstLook();
    void endStream();

    std::unique_ptr<WarpDecoderBank> m_bank;
    std::unique_ptr<PhraseSegmenter> m_segmenter;
    VoiceJudge m_judge;
    Rescorer m_rescorer;
    Dither m_dither;
    std::vector<std::int16_t> m_buffer;
    std::vector<std::int16_t> m_last;
    AcceptanceThresholds m_thresholds;  // those a phrase taken at the first look must pass
    bool m_cutTail;                     // DecoderConfig::cutReverberantTail
    // Phrases with a pronunciation that another phrase goes on from (さん: さんじゅう): never
    // taken before the full quiet.
    QSet<QString> m_continued;
    // The morae of each phrase word, for the rules of short phrases.
    QHash<QString, int> m_morae;
    // The decoder whose hypothesis won the phrase decoded last (the one measure() rescores with).
    std::size_t m_winner = 0;
    // The phrase as heard at the first look, kept while the quiet lasts (no words: not decoded, as
    // nothing was awaited), and what was learnt of the speaker before it (given back when the
    // phrase goes on).
    std::optional<HeardPhrase> m_firstLook;
    SpeakerState m_beforeFirstLook;
};

}  // namespace rentabo
