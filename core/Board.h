#pragma once

#include "core/KukuState.h"
#include "core/QuestionBoard.h"

namespace rentabo {

// The display operations of the question board, with their rules.
void ShowMessageLine(QuestionBoard& board, const QString& text);
void ShowExpression(QuestionBoard& board, const QString& text);
// colour −1 empties the answer first; 1 shows it red, anything else blue.
void ShowAnswer(QuestionBoard& board, const QString& text, int colour);
// cut = 1 shows only the first 9 characters (the question part of a laid-out reading).
void ShowReading(QuestionBoard& board, const QString& text, int cut);
void ShowHintText(QuestionBoard& board, int k);
// ok −1 empties the mark, 0 shows ×, anything else ◎; withSound 1 plays the matching effect.
void ShowMark(QuestionBoard& board, EffectPlayer* effects, int ok, int withSound);
void ShowRound(QuestionBoard& board, int n);
void SetProgress(QuestionBoard& board, int n);
// The progress bar's end: a run of all 81 facts fills it one step a question.
inline constexpr int kProgressBarEnd = 81;
// The n-th of `total` questions: the bar at its share of the way (full with the last), the count
// written as n.
void SetProgressOf(QuestionBoard& board, int n, int total);
void ClearExpression(QuestionBoard& board);
void ClearReading(QuestionBoard& board);

// Every answer cell back to "not asked".
void ResetResults(KukuState& state);
// Records the answer to the fact asked (kuku_n) in the present round (kaisuu) of the test's
// answer record, 1 right and 0 wrong: a row's rounds take 9 cells each (by multiplier), a level's
// or all rows' 81 (by fact). A cell outside the record is left alone.
void recordAnswer(KukuState& state, int correct);
// The screen-clear of the main window: board, memo, progress and results back to the start.
void GamenClear(KukuState& state, QuestionBoard& board);
// Makes `mokuji_n` (0..12) the row/level choice, with everything that follows from it: the row
// code, the level, the first question and the number of test rounds (3 for a row, 2 for a
// level), however the choice was made.
void takeChoice(KukuState& state, int mokuji_n);
// A voice test stopped before its end (Esc, a spoken stop): the message line says so, the lists
// come back, no answer is awaited and the test counts as stopped. Returns the message, for the
// caller to say.
QString stopVoiceTest(KukuState& state, QuestionBoard& board);
// The question at position i of a run through the set (in order or shuffled): counted
// and shown on the progress line; it becomes the fact asked, which is returned.
int nextQuestion(KukuState& state, QuestionBoard& board, int i);

// What the memo's line limits ask for after a line was appended.
enum class MemoLimit { None, Warn, Clear };
MemoLimit memoLimitAction(int lineCount);
// Applies the limits: past 300 lines a red warning of two lines, past 350 the memo is cleared.
void checkMemoLimits(QuestionBoard& board);

}  // namespace rentabo
