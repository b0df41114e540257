#pragma once

#include "core/AnswerLog.h"
#include "core/KukuState.h"
#include "core/LessonHost.h"
#include "core/Pacer.h"
#include "core/QuestionBoard.h"
#include "speech/VoiceHost.h"

#include <QString>

#include <array>
#include <cstdint>
#include <random>
#include <vector>

namespace rentabo {

class Speaker;

// The set names as the voice says them, by dan (0 all rows, 1..9 rows, 10..12 levels).
const std::array<QString, 13>& danYomi();

// The tests answered by voice: spoken answers (modes 6, 7), recitation of single facts (8, 9)
// and the full recitation of a row (item 10). Every answer arrives as a command number: a
// number n as 100 + n, the reading of fact k as 201 + k.
class VoiceExams final {
    Q_DISABLE_COPY_MOVE(VoiceExams)
public:
    VoiceExams(KukuState& state, QuestionBoard& board, Pacer& pacer, Speaker& speaker, EffectPlayer* effects,
               LessonHost& lesson, VoiceHost& host);

    void StartOralTest();
    void StartRecitationTest();
    void StartFullRecitation();
    // Today's review by voice: a spoken-answer test over exactly `facts`, once each, judged and
    // logged like a test; no result table opens and the last test's answer record stays.
    void StartReview(const std::vector<int>& facts);
    bool reviewing() const { return !m_review.empty(); }
    // The spoken stop command during the review: no result table opens.
    void stopReview();

    // A spoken number (100..199); false when no spoken answer is awaited, so the caller passes
    // it on to the command switch.
    bool takeNumber(int cValue);
    // A spoken reading (201..281); false when no recitation awaits it.
    bool takeReading(int cValue);
    // One 300 ms tick of the lesson timer while an answer is awaited; true when the answer
    // time ran out on this tick.
    bool VoiceTestTick();

    std::int64_t answerWaitMs() const { return m_answerWaitMs; }
    int recitedDan() const { return m_recitedDan; }
    // Counts the questions asked so far, each from the moment it awaits its answer: a phrase
    // heard while an earlier count stood was said before the present question was asked.
    int questionsAsked() const { return m_questionsAsked; }
    // Where every judged answer is reported; may be null.
    void setAnswerLog(AnswerLog* log) { m_answerLog = log; }

private:
    void startCommon(VoiceTest kind, int randomWhenMenu, const QString& shown, const QString& spoken);
    void setRange(bool shuffle);
    int factOf(int qnum) const;
    bool rowTest() const { return m_state.mokuji_n < 9; }
    void writeCell(int correct);
    // Reports the answer to the fact being asked to the answer log; `said` is the command number
    // heard (0 for a time-out).
    void logAnswer(AnswerOutcome outcome, int said);
    void questionAsked(VoiceTest awaited);
    void AskOralQuestion(int k);
    void AskRecitation(int k);
    void AskFullRecitation(int k);
    void askByKind(int k);
    void JudgeOralAnswer(int c);
    void JudgeRecitation(int c);
    void JudgeFullRecitation(int c);
    // After a judged answer or a time-out: the next question, the next round or the end.
    void advance(bool afterTimeOut);
    // After question qnum of a test: whether its round goes on, a new round begins (shown and
    // announced, qnum put back before the first fact) or the round numbered `lastRound` is done.
    // A row's round is its nine facts; a level's is its whole set.
    enum class RoundEnd { No, NewRound, LastDone };
    RoundEnd endOfRound(int lastRound, bool logQuestion);
    void endTest(bool showListsFirst);
    int firstRowOfSet() const;
    void clearQuestion();
    void log(const QString& text) { m_board.appendMemo(text); }
    // "c:: cAnswer=product:: round回>", the end of the log line of a judged answer.
    QString judgedLogTail(int c) const;

    KukuState& m_state;
    QuestionBoard& m_board;
    Pacer& m_pacer;
    Speaker& m_speaker;
    EffectPlayer* m_effects;
    LessonHost& m_lesson;
    VoiceHost& m_host;
    std::mt19937 m_rng;
    std::int64_t m_answerWaitMs = 0;
    int m_recitedDan = 1;
    int m_questionsAsked = 0;
    AnswerLog* m_answerLog = nullptr;
    std::int64_t m_askedAt = 0;  // when the question being answered had been fully asked
    std::vector<int> m_review;   // the facts of today's review while one runs
    int m_reviewRight = 0;
    void endReview();
};

}  // namespace rentabo
