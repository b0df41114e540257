#pragma once

#include <QString>

#include <vector>

namespace rentabo {

// One sentence of a text to speak: where it starts and how long it is, in characters.
struct SentenceSpan {
    int position = 0;
    int length = 0;
};

// Splits a text into sentences after "。", "！", "？", "!", "?" and line breaks; blank pieces
// are dropped. A text without an end mark is one sentence.
std::vector<SentenceSpan> splitSentences(const QString& text);

// A plausible speaking time for a text at a rate 0..10, for engines that cannot measure it and
// for the silent voice: about eight morae a second at rate 0, twice as fast at rate 10.
qint64 estimateSpeechMs(const QString& text, int rate);

}  // namespace rentabo
