#pragma once

#include "speech/platform/HeardPhrase.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>

namespace rentabo {

class WarpDecoderBank;

// Measures how clearly a phrase was heard: the decoder that heard it best decodes the same audio
// again with other searches, and their path scores go into the phrase (HeardPhrase): the
// runner-up (the best other phrase), the expected answer alone, and the free loop of sounds.
//
// The scores of two searches are not on one scale. PocketSphinx scores in each frame only the
// sounds its search has active, against the best of them, so a smaller search scores the same
// path higher: the expected answer alone scores above what the listening search would give it
// (the lead leans towards the expected answer), and the loop, with every sound active, below
// (confidence leans upwards, most for audio that fits no phrase). Every threshold was swept on
// these scores, in the moment that uses it. Scoring every sound in every frame (-compallsen)
// puts them on one scale, but costs two and a half times the decoding and measured no better
// (bench/recognition/README.md, "The same phrase scores lower in a larger search").
class Rescorer final {
public:
    // The grammar of the other phrases for the phrase heard `word` (empty for none); asked once
    // per listening search and phrase, and kept by the decoder.
    void setRunnerUpGrammar(std::function<QString(const QString& word)> f) { m_runnerUp = std::move(f); }
    // The words of the phrases the moment expects (the right answer; empty for none).
    void setExpected(QStringList words);
    const QStringList& expected() const { return m_expected; }
    // Whether the bank holds the free loop (search "loop").
    void setLoop(bool loop) { m_loop = loop; }

    // Fills h's runner-up, expected and loop scores and whether an answer was expected, decoding
    // with decoder `winner` of the bank (which listens with `search`), in this order.
    void measure(WarpDecoderBank& bank, std::size_t winner, const std::int16_t* samples, std::size_t count,
                 HeardPhrase& h) const;

private:
    std::function<QString(const QString&)> m_runnerUp;
    QStringList m_expected;
    bool m_loop = false;
};

}  // namespace rentabo
