#pragma once

#include "speech/platform/AcceptancePolicy.h"

#include <QStringList>

#include <cstddef>
#include <optional>

namespace rentabo {

// What the recogniser heard in one phrase: the decoder's hypothesis with the path scores it was
// measured by, and (once the context has read it) the phrase of the grammar it is.
struct HeardPhrase {
    QStringList words;       // the decoder's words; empty when nothing was recognised
    std::size_t phrase = 0;  // the index into the grammar's phrases (set by the context)
    int score = 0;
    double warp = 1.0;
    int frames = 0;      // frames of speech in the phrase (silence around it not counted)
    int quietAfter = 0;  // frames after the phrase's last word (silence and noise)
    // Frames the speech detector called speech in the stream (0: decoded whole, not known).
    int detectedFrames = 0;
    // The path score of the free loop of sounds over the same audio.
    std::optional<int> loopScore;
    // The best path score of any other phrase (the runner-up), and how many warped decoders chose
    // this one.
    std::optional<int> runnerUpScore;
    int agreeing = 0;
    // The path score of the expected phrases (the right answer) when another was heard.
    std::optional<int> expectedScore;
    // Whether a phrase was expected when this one was heard, and whether this one is one of them.
    bool answerExpected = false;
    bool expectedHeard = false;
    // Whether it is another answer of the awaited one's kind (set by the context).
    bool otherAnswer = false;
    // The morae of the phrase heard (its first word's reading); 0 when not known.
    int morae = 0;
    // How alike its audio is to the master's words just before it (0: he had not just spoken).
    double ownVoice = 0;

    // The measures per frame of speech the acceptance policy judges (see PhraseMeasures).
    double confidence() const { return perFrame(loopScore, 0.0); }
    double margin() const { return perFrame(runnerUpScore, 1e9); }
    double leadOverExpected() const { return perFrame(expectedScore, 1e9); }
    // How much of the speech the detector found the phrase's words take (1e9 when not known).
    double coverage() const { return detectedFrames > 0 ? double(frames) / detectedFrames : 1e9; }
    PhraseMeasures measures() const {
        return {confidence(), margin(), leadOverExpected(), answerExpected, expectedHeard, morae,
                coverage(),   frames,   ownVoice,           otherAnswer};
    }

private:
    double perFrame(const std::optional<int>& other, double without) const {
        if (!other || words.isEmpty()) return without;
        return double(score - *other) / (frames > 1 ? frames : 1);
    }
};

}  // namespace rentabo
