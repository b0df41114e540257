#pragma once

#include <QStringView>

#include <optional>

namespace rentabo {

// Whether a phrase the recogniser heard counts, and whether it may be taken before the full quiet
// after it. Pure rules over the measures the decoder gives (see docs/RECOGNITION.md); every figure
// the program uses is in programThresholds(), with where it was measured.

// How clearly a phrase was heard, each per 10 ms frame of speech (silence around it not counted).
struct PhraseMeasures {
    // How much worse the phrase explains the audio than the free loop of sounds: near 0 when the
    // phrase was said, far below 0 when something else was. 0 without a loop (taken as certain).
    double confidence = 0;
    // How much better it explains the audio than the best other phrase (the runner-up): small when
    // two phrases were nearly tied. Large (1e9) without a runner-up.
    double margin = 1e9;
    // How much better it explains the audio than the answer the moment expects, decoded alone over
    // the same audio. Large (1e9) when that answer was heard, or none was expected.
    double lead = 1e9;
    bool answerExpected = false;  // the moment expected an answer (a spoken test's right answer)
    bool expectedHeard = false;   // the phrase heard is that answer
    // The morae of the phrase heard (あお: 2, くのだん: 4); 0 when not known, taken as long.
    // (For the rules of short phrases; the decoder gives it with the phrase heard.)
    int morae = 0;
    // The frames of the phrase's words over the frames the speech detector called speech: near 1
    // (or above: the detector starts late) when the phrase was all that was said, far below when
    // a long sentence was heard as a short phrase and the rest as noise. Large (1e9) when not
    // known (a recording decoded whole).
    double coverage = 1e9;
    // The frames of the phrase's words; 0 when not known.
    int frames = 0;
    // How alike the phrase's audio is to the master's own words just before it (OwnVoiceEcho):
    // near 1 for their echo, 0 when he had not just spoken.
    double ownVoice = 0;
    // While an answer is awaited: the phrase is another answer of its kind (a wrong number,
    // another fact of the table), not a command.
    bool otherAnswer = false;
};

// The thresholds a phrase must pass. Unset (-1e9): everything passes (the tools' default).
struct AcceptanceThresholds {
    // A phrase whose confidence is below this carries no command.
    double minConfidence = -1e9;
    // A phrase nearly tied with another phrase (margin below this) carries none either.
    double minMargin = -1e9;
    // While an answer is expected, a different phrase must explain the audio better than the
    // expected one by this much (the lead over the expected answer); the margin is not asked then.
    double minLeadOverExpected = -1e9;
    // The confidence the expected phrase itself needs when it is the one heard (unset: the same as
    // any phrase). A lower one only risks a wrong answer heard as the right one.
    std::optional<double> minConfidenceForExpected;
    // A phrase of kShortPhraseMorae morae or fewer (あお, あか, く, くろ) needs this margin over
    // the runner-up instead of minMargin when nothing is awaited: short phrases fit into a scrap
    // of any sound (よろしく: くろ).
    double minMarginShort = -1e9;
    // At the start of listening, speech counts only once the speech detector has heard this much
    // of the room without speech: its picture of the room's floor starts from nothing, and the
    // first stretch of any room was taken for speech.
    int floorBeforeSpeechMs = 0;
    // The least coverage a phrase needs (see PhraseMeasures::coverage) ...
    double minCoverage = -1e9;
    // ... and another answer than the awaited one (PhraseMeasures::otherAnswer): a sentence in the
    // room taken for one marks the child wrong.
    double minCoverageOtherAnswer = -1e9;
    // The fewest frames a phrase's words may take: a scrap of sound shorter than anyone says a
    // word (a click, the last of the master's voice) gives scores per frame that mean nothing.
    int minFrames = 0;
    // A phrase more like the master's words just before it than this is their echo.
    double maxOwnVoice = 1e9;
    // The awaited answer heard counts only when it is clear of the best other phrase (the margin)
    // by this much if it is short (kShortPhraseMorae morae or fewer: じゅう, きゅう, ご) ...
    double minMarginShortAnswer = -1e9;
    // ... and, when its confidence is under minConfidence, by this much whatever its length: a
    // wrong answer is heard as the right one in a near tie with another phrase.
    double minMarginUnsureAnswer = -1e9;
    // A long phrase (kLongPhraseMorae morae or more: テストはじめ, おはなしモード) clear of the
    // phrase nearest to it by minMarginLong (with nothing awaited the best other phrase, the
    // margin; while an answer is awaited that answer, the lead) and taking nearly all the speech
    // found (minCoverageLong) counts from this confidence (unset: minConfidence, as any phrase):
    // said in a room or by a quiet child, a long command explains the audio worse than the free
    // loop of sounds does, yet nothing else comes near it. Not another answer than the awaited
    // one: a wrong answer is better asked again than taken unsure.
    std::optional<double> minConfidenceLong;
    double minMarginLong = 1e9;
    double minCoverageLong = 1e9;
};

// Phrases of this many morae or fewer are short (AcceptanceThresholds::minMarginShort).
constexpr int kShortPhraseMorae = 2;
// Phrases of this many morae or more are long (AcceptanceThresholds::minConfidenceLong).
constexpr int kLongPhraseMorae = 6;

// The morae of a reading in kana: every kana but the small ゃゅょぁぃぅぇぉ (and their katakana),
// which join the one before; ん, っ and ー are morae of their own.
int moraeOf(QStringView kana);

// Whether speech heard at the start of listening counts, after `floorHeardMs` of the room heard
// without speech since listening began.
bool speechCounts(const AcceptanceThresholds& t, int floorHeardMs);

// The program's thresholds.
AcceptanceThresholds programThresholds();

// Whether a phrase heard with these measures carries its command. While an answer is expected,
// the near tie that matters is the one with that answer, measured exactly (its phrases alone
// decoded again); the runner-up among all phrases is only as good as a search over many.
bool phraseAccepted(const AcceptanceThresholds& t, const PhraseMeasures& m);

// The rule that refuses such a phrase, in a few words for the listening log; empty when it counts.
const char* refusingRule(const AcceptanceThresholds& t, const PhraseMeasures& m);

// Whether a phrase this alike to the master's words just before it is their echo (chat, which
// no other rule judges, drops such a phrase too).
bool isOwnVoice(const AcceptanceThresholds& t, double likeness);

// The quiet after speech at which a phrase is first looked at, and the quiet that ends it.
constexpr int kFirstLookQuietMs = 200;
constexpr int kPhraseEndQuietMs = 500;

// What the first look at a phrase found, besides its measures.
struct FirstLook {
    int words = 0;            // phrases in the hypothesis
    bool isExpected = false;  // the phrase is (one of) the expected answer
    bool goesOn = false;  // another phrase goes on from one of its pronunciations (さん: さんじゅう)
    int quietAfterFrames = 0;  // frames of quiet after its last word
};

// Whether a phrase looked at after the short quiet is taken at once. Only the right answer is: a
// pause inside it (にじゅう … いち, しちしち … しじゅうく) leaves a first part that is either
// another phrase that goes on into longer ones, or no phrase the moment expects, or the expected
// one squeezed into the pause with no quiet after its last word. Anything else waits for the full
// quiet and is decoded whole.
bool takenAtFirstLook(const AcceptanceThresholds& t, const PhraseMeasures& m, const FirstLook& look);
// The part of that rule the phrase's measures play no part in: a phrase that fails it is not
// measured at the first look.
bool mayBeTakenAtFirstLook(const FirstLook& look);

// A phrase confirmed by what followed it (an answer judged right) teaches the learner's voice only
// when it was heard with this confidence as well: a right answer can be a lucky wrong hearing.
bool teachesVoice(double confidence);

}  // namespace rentabo
