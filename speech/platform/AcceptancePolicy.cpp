#include "speech/platform/AcceptancePolicy.h"

#include <algorithm>

namespace rentabo {

namespace {
// Frames of 10 ms of quiet the expected answer needs after its last word to be taken at the first
// look: half the short quiet (100 ms), so that a word squeezed into a pause is not taken.
constexpr int kQuietAfterWordFrames = kFirstLookQuietMs / 20;
// See teachesVoice().
constexpr double kConfirmConfidence = -6.0;

// The rules every phrase meets: how sure, how clear of the others, how much of the speech.
void setPhraseRules(AcceptanceThresholds& t) {
    // A wrong number teaches the wrong thing, a rejection only asks the child to say it again.
    // Both thresholds come from a sweep over 4224 utterances (six conditions) and 144 sentences
    // of chat, both measured per frame of speech: 139 of the chat sentences fall below -10
    // against the loop, and a margin of 2 over the best other phrase removes three more and the
    // near ties (にじゅう / にじゅうに under noise) that the loop cannot see. Clean speech 99.6 %
    // right, 0 % wrong; noise at 15 dB 93.3 / 1.8 %; pitched 97.4 / 0.3 %. On voices the model
    // never heard chat scored higher, and -10 let 136 of 768 chat decodes through (18 %, mostly
    // as commands); -6 lets 78 through and costs 0.2 % of right answers there, once the right
    // answer has its own threshold (below). (bench/recognition/README.md, CHAT=1 UNHEARD=1.)
    t.minConfidence = -6.0;
    t.minMargin = 2.0;
    // Short phrases with nothing awaited: the short colours said (あか, あお, くろ; 18
    // utterances, four voices of the phrase set and espeak-ng's Andy and Annie) all have margins
    // of 6.3 or more with the program's model; the one short colour taken from the room in an
    // hour (くろ from the master's よろしく。) had 4.0. Own voices, short phrases 100 % right
    // either way; unheard voices 72 -> 61 % (bench/recognition/README.md, "An hour in the room").
    t.minMarginShort = 6.0;
    // Every floor of the room (white -60, pink -50, brown -40 dBFS) and a silent microphone gave a
    // phrase at the start of listening (く, うーん, あお), and never later on the same floor: the
    // speech detector calls the first half second of any room speech. 0.3 s of the room before
    // speech counts removes them all, but also the phrase of a child who speaks at once (the
    // detector's false start runs into it); the coverage below removes them all as well (their
    // words take 6-9 of 40-60 frames) and keeps that phrase when it is heard, so this stays off.
    // See "An hour in the room" in bench/recognition/README.md.
    t.floorBeforeSpeechMs = 0;
    // No phrase is said in under 120 ms. The shortest phrase heard right on the benchmark's unheard
    // voices (ten conditions, 2687 phrases taken) is ご beside the second voice, 150 ms (200 ms in
    // the other conditions; two morae 200 ms, five 450 ms at 1.25 times the speed). The spoken
    // test with the master's voice leaking into the microphone took a scrap of 60 ms after his
    // question for に (confidence 80 and a lead of 49 per frame: six frames say nothing) and
    // marked the silent child's answer wrong.
    t.minFrames = 12;
    // The master's own words come back into the microphone after he has stopped: the room's echo,
    // a loudspeaker or a sound server slower than the tail skipped after him. His words at -20 dB
    // over a noise floor are alike to what he said by 0.78-1.0 (in a reverberant room, through a
    // laptop's band, or only the last 0.3 s of them: 0.72 and more). Phrases of the benchmark's
    // four voices, clean, pitched and in a room (2112), each heard after his 「正解は，…です。」
    // with the very words they say, are at most 0.44 alike; the sound scenarios' child, his own
    // synthesiser, said さん after his さんいちが at 0.53. Before this rule his leaking words
    // were the silent child's answer in the spoken test through a sound server, and colours in an
    // hour in the room. (bench/recognition/README.md, "The master's own voice".)
    t.maxOwnVoice = 0.65;
    // The television's sentences of 2-2.4 s were heard as えんじいろ, あかいろ, テストはじめ (words
    // of 0.4-0.9 s) with margins of 22-125 per frame: the rest of the sentence was explained as
    // noise. A phrase said alone takes all of the speech the detector found (the detector calls
    // speech a little late, so a little more than all of it). See "An hour in the room" in
    // bench/recognition/README.md for what half removes and costs. Not for the awaited answer
    // heard: Open JTalk's answers under white noise at 15 dB cover less than half of the noisy
    // stretch and were lost (the test SpokenPhrases.AnswersUnderNoiseDecodeRight).
    t.minCoverage = 0.5;
    // Long commands said in a room or by a quiet child (テストはじめ, テストおわり, おはなしモード)
    // were heard right but under the confidence, with margins of 10-29 over the best other phrase:
    // in the spoken-test scenario with an unheard child, 「テストはじめ」 at -6.3, -12.0 and -9.7
    // (margins 23, 14, 10) in three takes, and the test never started. On voices the acoustic
    // model never heard (the 56 rows and commands of the phrase set, seven conditions, nothing
    // awaited, streamed), a confidence of -12 for phrases of six morae or more that lead every
    // other phrase by 12 and take 0.9 of the speech found gave 8 more of 392 right (52.0 ->
    // 54.1 %; the long commands in noise 16 -> 19 of 20, in a reverberant room 16 -> 20, a quiet
    // child 15 -> 16) and no wrong one. Without the coverage it also took the television's
    // どうじょうをとじる and テストはじめ, the children's きゅうのだんをよんで and the master's
    // よういスタート in an hour in the room (all covering 0.8 or less of their sentences); with it,
    // nothing more in any condition or moment. (bench/recognition/README.md, "Long commands".)
    // While an answer is awaited the same rule asks the lead over that answer instead of the
    // margin: 「テストおわり」 during a test. The rows and commands said while 12 is awaited (unheard
    // voices, seven conditions) 201 -> 204 of 392 right, none more wrong; right answers
    // unchanged (2268); wrong answers heard as said 560 -> 571 of 1512, as another wrong number
    // 37 -> 40, never as the right one (the rule does not reach the awaited answer heard); an
    // hour in the room, nothing more. ("Commands said during a spoken test".)
    // Another answer than the awaited one (a wrong number, another fact) is left out: in an hour
    // in the room the children's chat was taken twice during a recitation as a fact not awaited
    // (くろくごじゅうし at -7.7, lead 13.3), and of 1056 wrong answers said (unheard voices, six
    // conditions, decoded whole) the rule took one as said and two as another wrong answer. A
    // wrong answer asked again costs the child little; one taken unsure, a wrong mark.
    t.minConfidenceLong = -12.0;
    t.minMarginLong = 12.0;
    t.minCoverageLong = 0.9;
}

// The rules while an answer is awaited: other phrases against the answer, and the answer itself.
void setAnswerRules(AcceptanceThresholds& t) {
    // While an answer is awaited, a phrase other than the right answer must explain the audio
    // better than the right answer by 3 per frame. On voices the acoustic model never heard
    // (each engine's voices with a model adapted without that engine; clean, noise at 15 dB,
    // pitched +500 cents) right answers heard as a wrong number fell from 10.3 % to 1.3 %, and
    // right answers heard right rose from 73.8 % to 79.0 % (the margin rule is not needed then);
    // with the model adapted on means and variances over wider voices, 86.3 % right, 0.4 %
    // wrong. A child's wrong answers count as nothing heard more often (about a third of them),
    // so the child says them again or the answer time runs out. (bench/recognition/README.md,
    // ANSWERS=right and ANSWERS=wrong.)
    t.minLeadOverExpected = 3.0;
    // The right answer itself, when it is the phrase heard, counts from a confidence of -16: a
    // wrong answer is hardly ever heard as the right one, whatever its confidence, so the lower
    // threshold only gives back right answers said unclearly. On voices the acoustic model never
    // heard (six conditions, every second phrase) 89.5 -> 90.8 % right (90.6 % with -6 above),
    // wrong numbers 0.4 % either way, pitched speech 83.0 -> 85.5 % (84.7 %); wrong answers heard
    // as the right one 1 of 2112 either way, chat heard as the right answer 0 of 672.
    t.minConfidenceForExpected = -16.0;
    // Another answer than the awaited one takes more of the speech found than any other phrase
    // must (minCoverage): in an hour in the room the television was taken for a wrong number
    // twice during a spoken test (はちじゅうなな, its words 0.50 and 0.51 of its sentence) and the
    // children's chat for a fact not awaited during a recitation (0.53), each a wrong mark for a
    // child who had said nothing; with 0.6 neither. A wrong answer the child says alone covers the
    // speech found: on voices the acoustic model never heard (six conditions, every fourth phrase,
    // streamed, ANSWERS=wrong) none of the wrong answers taken covered under 0.6 in five
    // conditions, and with the rule only those beside a second voice that never pauses are heard
    // as said less often (15 -> 12 of 176; 0.7 would also cost 3 in a reverberant room and for a
    // quiet child). Refused, the child says the answer again; wrong answers given a "○" are as
    // many (4 of 1056). (bench/recognition/README.md, "Another answer from the room".)
    t.minCoverageOtherAnswer = 0.6;
    // A wrong answer taken for the right one (a "○" the child never earned). On voices the
    // acoustic model never heard (each voice with the model adapted without its engine; clean,
    // pitched +500 cents, a reverberant room, a second voice 12 dB below, a laptop's microphone, a
    // child 20 dB quieter; every fourth phrase, 1056 wrong answers said, ANSWERS=wrong) three were:
    // きゅう heard as じゅう through the laptop (confidence 18.3, margin 4.3: short, one mora
    // apart), しごにじゅう as しろくにじゅうよん in the room (confidence -8.4, margin -0.03: a tie
    // under the confidence any other phrase needs), ごはしじゅう as ごっくしじゅうご beside the
    // second voice (confidence -1.1, margin 7.4). The two rules below remove the first two and
    // cost 9 of the 608 right answers heard right over the same six conditions (ANSWERS=right:
    // clean 1 of 157, きゅう at margin 1.4; pitched 3, reverberant room 3, quiet child 2; a short
    // margin of 4.5 costs the same, 6 one more; a confidence of -8 instead of -6 two fewer, but
    // fitted to the one case). The third stands out by no measure the decoder gives
    // (bench/recognition/README.md, "Wrong answers given a ○").
    // The short answers' margin was switched off once, when the spoken-test scenario through a
    // real sound server lost ろく in its third round. The cause was the scenario's child, who
    // changed voice after the master had learnt the first one (espeak-ng's ろく was heard as
    // ごじゅう, no near tie); with a child of one voice the scenario passes with the margin on.
    t.minMarginShortAnswer = 5.0;
    t.minMarginUnsureAnswer = 0.0;
}

}  // namespace

AcceptanceThresholds programThresholds() {
    AcceptanceThresholds t;
    setPhraseRules(t);
    setAnswerRules(t);
    return t;
}

bool phraseAccepted(const AcceptanceThresholds& t, const PhraseMeasures& m) {
    return *refusingRule(t, m) == '\0';
}

bool isOwnVoice(const AcceptanceThresholds& t, double likeness) {
    return likeness > t.maxOwnVoice;
}

const char* refusingRule(const AcceptanceThresholds& t, const PhraseMeasures& m) {
    if (isOwnVoice(t, m.ownVoice)) return "the master's own voice";
    if (m.frames > 0 && m.frames < t.minFrames) return "length";
    double least =
        m.expectedHeard && t.minConfidenceForExpected ? *t.minConfidenceForExpected : t.minConfidence;
    // Clear of the phrase nearest to it: with nothing awaited the best other one (the margin),
    // while an answer is awaited that answer (the lead).
    const double clearBy = m.answerExpected ? m.lead : m.margin;
    if (t.minConfidenceLong && !m.otherAnswer && m.morae >= kLongPhraseMorae && clearBy >= t.minMarginLong &&
        m.coverage >= t.minCoverageLong)
        least = std::min(least, *t.minConfidenceLong);
    if (m.confidence < least) return "confidence";
    // The awaited answer heard is exempt: under a steady noise the detector finds speech in all of
    // it, and the answer's own thresholds already keep other phrases from becoming it.
    if (!m.expectedHeard && m.coverage < t.minCoverage) return "coverage";
    if (m.otherAnswer && m.coverage < t.minCoverageOtherAnswer) return "another answer's coverage";
    const bool isShort = m.morae > 0 && m.morae <= kShortPhraseMorae;
    if (m.expectedHeard) {
        if (isShort && m.margin < t.minMarginShortAnswer) return "short answer's margin";
        if (m.confidence < t.minConfidence && m.margin < t.minMarginUnsureAnswer)
            return "unsure answer's margin";
    }
    if (m.answerExpected) return m.lead >= t.minLeadOverExpected ? "" : "lead over the awaited answer";
    return m.margin >= (isShort ? std::max(t.minMargin, t.minMarginShort) : t.minMargin) ? "" : "margin";
}

int moraeOf(QStringView kana) {
    static const QStringView joining = u"ゃゅょぁぃぅぇぉゎャュョァィゥェォヮ";
    int n = 0;
    for (const QChar c : kana)
        if (!c.isSpace() && !joining.contains(c)) ++n;
    return n;
}

bool speechCounts(const AcceptanceThresholds& t, int floorHeardMs) {
    return floorHeardMs >= t.floorBeforeSpeechMs;
}

bool mayBeTakenAtFirstLook(const FirstLook& look) {
    return look.words == 1 && look.isExpected && !look.goesOn &&
           look.quietAfterFrames >= kQuietAfterWordFrames;
}

bool takenAtFirstLook(const AcceptanceThresholds& t, const PhraseMeasures& m, const FirstLook& look) {
    return m.answerExpected && mayBeTakenAtFirstLook(look) && phraseAccepted(t, m);
}

bool teachesVoice(double confidence) {
    return confidence >= kConfirmConfidence;
}

}  // namespace rentabo
