#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <optional>
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
    double phoneInsertionPenalty = 3.0;
    double wordInsertionPenalty = 0.65;
};

// The acoustic model's default place on Debian.
QString defaultModelDir();

// PocketSphinx decoders over one dictionary, searching finite-state grammars given as JSGF.
// Audio is 16 kHz mono 16-bit; a faint dither is added to everything fed in.
class SphinxDecoder final {
public:
    struct Hypothesis {
        QStringList words;  // empty when nothing was recognised
        int score = 0;
        double warp = 1.0;
    };

    static std::unique_ptr<SphinxDecoder> create(const DecoderConfig& config,
                                                 const std::vector<DecoderWord>& words, QString* error);
    ~SphinxDecoder();
    SphinxDecoder(const SphinxDecoder&) = delete;
    SphinxDecoder& operator=(const SphinxDecoder&) = delete;

    // Adds (or replaces) a named grammar search.
    bool setGrammar(const QString& name, const QString& jsgf, QString* error);
    // Makes a search the one that listens; ends any utterance in progress without a result.
    bool useGrammar(const QString& name);

    // Decodes a whole recording as one utterance.
    Hypothesis decodeUtterance(const std::int16_t* samples, std::size_t count);

    // Streaming: feed audio as it arrives; returns a hypothesis each time an utterance ends
    // (speech followed by silence). The longest utterance kept is about 10 seconds.
    std::optional<Hypothesis> feed(const std::int16_t* samples, std::size_t count);
    // Ends an utterance in progress (end of a file or of the stream).
    std::optional<Hypothesis> flush();
    bool inSpeech() const { return m_inSpeech; }

private:
    struct Impl;
    explicit SphinxDecoder(std::unique_ptr<Impl> impl);
    Hypothesis best();
    Hypothesis decodeDithered(const std::int16_t* samples, std::size_t count);
    void restart();
    void endStream();

    std::unique_ptr<Impl> m_impl;
    bool m_inSpeech = false;
    bool m_uttStarted = false;
    std::size_t m_uttSamples = 0;
};

}  // namespace rentabo
