// The acceptance policy with tables of measures: no audio, no model. Each row sits on a threshold
// of the program or just past it, so a threshold moved by a step fails a row.
#include "speech/platform/AcceptancePolicy.h"

#include <QString>

#include <gtest/gtest.h>

using namespace rentabo;

namespace {

struct Row {
    const char* what;
    PhraseMeasures measures;
    bool accepted;
};

constexpr double kNone = 1e9;  // no runner-up, or no lead to measure

struct LookRow {
    const char* what;
    PhraseMeasures measures;
    FirstLook look;
    bool taken;
};

}  // namespace

TEST(AcceptancePolicy, ThePhrasesThatCountAtTheProgramsThresholds) {
    // confidence, margin, lead, answer expected, expected heard
    const Row rows[] = {
        {"nothing expected, at the confidence and the margin", {-6.0, 2.0, kNone, false, false}, true},
        {"nothing expected, just below the confidence", {-6.01, 2.0, kNone, false, false}, false},
        {"nothing expected, nearly tied with another phrase", {-6.0, 1.99, kNone, false, false}, false},
        {"nothing expected, no runner-up, no loop", {0.0, kNone, kNone, false, false}, true},
        {"another phrase than the answer, at the lead", {-6.0, 0.0, 3.0, true, false}, true},
        {"another phrase than the answer, just short of the lead", {-6.0, kNone, 2.99, true, false}, false},
        {"another phrase than the answer, below the confidence", {-6.01, kNone, 10.0, true, false}, false},
        {"the answer, at its own confidence", {-16.0, 0.0, kNone, true, true}, true},
        {"the answer, just below its own confidence", {-16.01, kNone, kNone, true, true}, false},
    };
    const AcceptanceThresholds program = programThresholds();
    for (const Row& r : rows) EXPECT_EQ(phraseAccepted(program, r.measures), r.accepted) << r.what;
}

// While an answer is awaited, the lead over it replaces the margin: a wrong number nearly tied
// with the right answer is nothing heard, however clear of the other phrases it is.
TEST(AcceptancePolicy, WhileAnAnswerIsAwaitedTheLeadOverItDecidesNotTheMargin) {
    const AcceptanceThresholds program = programThresholds();
    EXPECT_FALSE(phraseAccepted(program, {-1.0, 50.0, 1.0, true, false}));
    EXPECT_TRUE(phraseAccepted(program, {-1.0, 0.5, 5.0, true, false}));
    // The same phrase with nothing awaited: the margin decides.
    EXPECT_TRUE(phraseAccepted(program, {-1.0, 50.0, 1.0, false, false}));
    EXPECT_FALSE(phraseAccepted(program, {-1.0, 0.5, 5.0, false, false}));
}

TEST(AcceptancePolicy, UnsetThresholdsLetEveryPhraseThrough) {
    EXPECT_TRUE(phraseAccepted({}, {-500.0, -50.0, -50.0, true, false}));
    EXPECT_TRUE(phraseAccepted({}, {-500.0, -50.0, kNone, false, false}));
}

TEST(AcceptancePolicy, OnlyTheRightAnswerHeardWholeIsTakenAtTheFirstLook) {
    const PhraseMeasures answer{-16.0, kNone, kNone, true, true};
    const FirstLook whole{1, true, false, 10};
    const LookRow rows[] = {
        {"the answer, quiet after it", answer, whole, true},
        {"the answer, too little quiet after its last word", answer, {1, true, false, 9}, false},
        {"a phrase that goes on into longer ones (さん: さんじゅう)", answer, {1, true, true, 30}, false},
        {"two phrases", answer, {2, true, false, 30}, false},
        {"not the answer, however clear", {0.0, kNone, 20.0, true, false}, {1, false, false, 30}, false},
        {"no answer expected", {0.0, kNone, kNone, false, false}, {1, false, false, 30}, false},
        {"the answer heard without confidence", {-16.01, kNone, kNone, true, true}, whole, false},
    };
    const AcceptanceThresholds program = programThresholds();
    for (const LookRow& r : rows) EXPECT_EQ(takenAtFirstLook(program, r.measures, r.look), r.taken) << r.what;
}

TEST(AcceptancePolicy, APhraseConfirmedTeachesTheVoiceOnlyWhenHeardWithConfidence) {
    EXPECT_TRUE(teachesVoice(-6.0));
    EXPECT_FALSE(teachesVoice(-6.01));
}

// Short phrases fit into a scrap of any sound (よろしく: くろ), so with nothing awaited they need
// a larger margin than long ones; with an answer awaited the lead decides for every length.
TEST(AcceptancePolicy, ShortPhrasesNeedALargerMarginThanLongOnes) {
    // confidence, margin, lead, answer expected, expected heard, morae
    const Row rows[] = {
        {"two morae, at the short margin", {-6.0, 6.0, kNone, false, false, 2}, true},
        {"two morae, just below it", {-6.0, 5.99, kNone, false, false, 2}, false},
        {"one mora (く), at the long margin only", {-6.0, 2.0, kNone, false, false, 1}, false},
        {"three morae, at the long margin", {-6.0, 2.0, kNone, false, false, 3}, true},
        {"morae not known: taken as long", {-6.0, 2.0, kNone, false, false, 0}, true},
        {"two morae awaited as an answer: the lead decides", {-6.0, 0.0, 3.0, true, false, 2}, true},
    };
    const AcceptanceThresholds program = programThresholds();
    for (const Row& r : rows) EXPECT_EQ(phraseAccepted(program, r.measures), r.accepted) << r.what;
}

// A long command said in a room or by a quiet child (テストはじめ at -9.7, margin 10 and more)
// explains the audio worse than the free loop of sounds, yet clear of every other phrase (while
// an answer is awaited, of that answer) and taking all the speech found: it counts from a lower
// confidence. Rows (five morae at most) change what is stored and are left out, and so is another
// answer than the awaited one: a wrong answer is asked again rather than taken unsure.
TEST(AcceptancePolicy, ALongPhraseClearOfEveryOtherCountsFromALowerConfidence) {
    // confidence, margin, lead, answer expected, expected heard, morae
    const Row rows[] = {
        {"six morae, clear, all the speech, at the long confidence",
         {-12.0, 12.0, kNone, false, false, 6, 0.9},
         true},
        {"six morae, clear, just below it", {-12.01, 12.0, kNone, false, false, 6, 0.9}, false},
        {"six morae, just short of clear", {-11.0, 11.99, kNone, false, false, 6, 0.9}, false},
        {"six morae, a little speech besides (よういスタート in the master's words)",
         {-11.0, 30.0, kNone, false, false, 6, 0.89},
         false},
        {"decoded whole: coverage not known", {-11.0, 30.0, kNone, false, false, 6, kNone}, true},
        {"five morae (a row), clear", {-11.0, 30.0, kNone, false, false, 5, 1.0}, false},
        {"morae not known", {-11.0, 30.0, kNone, false, false, 0, 1.0}, false},
        {"six morae while an answer is awaited, clear of it",
         {-12.0, kNone, 12.0, true, false, 6, 0.9},
         true},
        {"six morae while an answer is awaited, just short of clear",
         {-11.0, kNone, 11.99, true, false, 6, 1.0},
         false},
        {"while an answer is awaited, the margin does not stand for the lead",
         {-11.0, 30.0, 3.0, true, false, 6, 1.0},
         false},
        {"another fact than the awaited one, clear of it (children's chat as くろくごじゅうし)",
         {-7.7, kNone, 13.3, true, false, 7, 0.9, 0, 0, true},
         false},
        {"the same fact above the confidence every phrase needs",
         {-6.0, kNone, 13.3, true, false, 7, 0.9, 0, 0, true},
         true},
    };
    const AcceptanceThresholds program = programThresholds();
    for (const Row& r : rows) EXPECT_EQ(phraseAccepted(program, r.measures), r.accepted) << r.what;
}

// A wrong answer is taken for the right one in a near tie with another phrase: a short answer
// (きゅう heard as じゅう through a laptop's microphone, margin 4.3) needs a margin of 5 over the
// best other phrase, and an answer under the confidence every other phrase needs (しごにじゅう
// heard as しろくにじゅうよん in a reverberant room, -8.4, margin -0.03) must not be beaten by one.
TEST(AcceptancePolicy, TheAwaitedAnswerInANearTieIsNoAnswer) {
    // confidence, margin, lead, answer expected, expected heard, morae
    const Row rows[] = {
        {"short answer, at the margin", {18.0, 5.0, kNone, true, true, 2}, true},
        {"short answer, just below it (じゅう for きゅう)", {18.3, 4.99, kNone, true, true, 2}, false},
        {"one mora (ご), just below it", {10.0, 4.99, kNone, true, true, 1}, false},
        {"three morae: no margin asked while confident", {18.0, 0.5, kNone, true, true, 3}, true},
        {"morae not known: taken as long", {18.0, 0.5, kNone, true, true, 0}, true},
        {"unsure long answer, no phrase better", {-8.4, 0.0, kNone, true, true, 7}, true},
        {"unsure long answer, another phrase a little better", {-8.4, -0.03, kNone, true, true, 7}, false},
        {"at the confidence any phrase needs, another phrase better",
         {-6.0, -0.5, kNone, true, true, 7},
         true},
        {"just under it, another phrase better", {-6.01, -0.5, kNone, true, true, 7}, false},
        {"the same short phrase not awaited: the lead decides", {18.0, 0.5, 3.0, true, false, 2}, true},
    };
    const AcceptanceThresholds program = programThresholds();
    for (const Row& r : rows) EXPECT_EQ(phraseAccepted(program, r.measures), r.accepted) << r.what;

    // The first look asks the same: a short answer in a near tie waits for the whole phrase.
    EXPECT_TRUE(takenAtFirstLook(program, {18.0, 5.0, kNone, true, true, 2}, {1, true, false, 10}));
    EXPECT_FALSE(takenAtFirstLook(program, {18.0, 4.99, kNone, true, true, 2}, {1, true, false, 10}));
}

TEST(AcceptancePolicy, MoraeAreCountedAsTheySoundNotAsTheyAreWritten) {
    const std::pair<const char16_t*, int> rows[] = {
        {u"あお", 2},     {u"く", 1},           {u"くろ", 2},         {u"しゃ", 1},   {u"きゅうのだん", 5},
        {u"いっしょ", 3}, {u"テストはじめ", 6}, {u"うぐいすいろ", 6}, {u"ちょう", 2}, {u"ラーメン", 4},
    };
    for (const auto& [kana, morae] : rows)
        EXPECT_EQ(moraeOf(QStringView(kana)), morae) << QString::fromUtf16(kana).toStdString();
}

// At the start of listening the detector's picture of the room's floor starts from nothing: with a
// floor asked for, speech counts only once the room was heard that long. The program asks for
// none (a child who speaks at once is heard; the coverage refuses the detector's false start).
TEST(AcceptancePolicy, SpeechCountsAtTheStartOfListeningOnlyOnceTheRoomWasHeard) {
    AcceptanceThresholds t;
    t.floorBeforeSpeechMs = 300;
    EXPECT_FALSE(speechCounts(t, 0));
    EXPECT_FALSE(speechCounts(t, 299));
    EXPECT_TRUE(speechCounts(t, 300));
    EXPECT_TRUE(speechCounts(programThresholds(), 0));
}

// A long sentence heard as a short phrase: the phrase's words take a small part of the speech the
// detector found, however clear they are; every kind of phrase is asked but the awaited answer,
// which a steady noise around it must not take away, and another answer is asked for more.
TEST(AcceptancePolicy, APhraseMustTakeHalfOfTheSpeechTheDetectorFound) {
    // confidence, margin, lead, answer expected, expected heard, morae, coverage, frames, likeness,
    // another answer
    const Row rows[] = {
        {"a command at half the speech", {0.0, 30.0, kNone, false, false, 5, 0.5}, true},
        {"a command just below half", {0.0, 30.0, kNone, false, false, 5, 0.49}, false},
        {"another number than the answer, just below half", {0.0, kNone, 30.0, true, false, 5, 0.49}, false},
        // Another answer taken from a sentence in the room marks the child wrong: it must cover more.
        {"another answer at 0.6 of the speech", {0.0, kNone, 30.0, true, false, 5, 0.6, 0, 0, true}, true},
        {"another answer just below 0.6", {0.0, kNone, 30.0, true, false, 5, 0.59, 0, 0, true}, false},
        {"a command while an answer is awaited, just below 0.6",
         {0.0, kNone, 30.0, true, false, 5, 0.59},
         true},
        {"the answer itself under a steady noise, a tenth of the speech",
         {0.0, kNone, kNone, true, true, 5, 0.1},
         true},
        {"the answer itself, more than all of it (the detector started late)",
         {0.0, kNone, kNone, true, true, 5, 1.3},
         true},
        {"decoded whole: not known", {0.0, 30.0, kNone, false, false, 5, kNone}, true},
    };
    const AcceptanceThresholds program = programThresholds();
    for (const Row& r : rows) EXPECT_EQ(phraseAccepted(program, r.measures), r.accepted) << r.what;
}

TEST(AcceptancePolicy, AScrapShorterThanAnyWordIsNoPhrase) {
    // confidence, margin, lead, answer expected, expected heard, morae, coverage, frames
    const Row rows[] = {
        {"a short answer of 120 ms", {20.0, kNone, kNone, true, true, 1, 1.0, 12}, true},
        {"the awaited answer in a scrap of 110 ms", {80.0, kNone, kNone, true, true, 1, 1.0, 11}, false},
        {"another number in a scrap of 60 ms, far ahead of the answer",
         {80.0, kNone, 49.0, true, false, 1, 0.6, 6},
         false},
        {"a colour in a scrap, nothing awaited", {20.0, 30.0, kNone, false, false, 2, 1.0, 11}, false},
        // The decoder gives a word it found no frames for one frame (speechFrames).
        {"a word of one frame", {80.0, 30.0, kNone, false, false, 2, 1.0, 1}, false},
        {"length not known", {20.0, 30.0, kNone, false, false, 2, 1.0, 0}, true},
    };
    const AcceptanceThresholds program = programThresholds();
    for (const Row& r : rows) EXPECT_EQ(phraseAccepted(program, r.measures), r.accepted) << r.what;
}

TEST(AcceptancePolicy, TheMastersOwnWordsAreNoPhraseHoweverClearlyHeard) {
    // confidence, margin, lead, answer expected, expected heard, morae, coverage, frames, likeness
    const Row rows[] = {
        {"the awaited answer, his echo's tail in a reverberant room",
         {20.0, 30.0, kNone, true, true, 4, 1.0, 60, 0.72},
         false},
        {"the awaited answer said in his own synthesiser's voice",
         {20.0, 30.0, kNone, true, true, 4, 1.0, 60, 0.53},
         true},
        {"a colour, his echo through a laptop's microphone",
         {20.0, 30.0, kNone, false, false, 2, 1.0, 40, 0.72},
         false},
        {"a colour, he had not just spoken", {20.0, 30.0, kNone, false, false, 2, 1.0, 40, 0.0}, true},
    };
    const AcceptanceThresholds program = programThresholds();
    for (const Row& r : rows) EXPECT_EQ(phraseAccepted(program, r.measures), r.accepted) << r.what;
}
