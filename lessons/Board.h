#pragma once

#include "lessons/KukuState.h"
#include "lessons/QuestionBoard.h"

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
void ClearExpression(QuestionBoard& board);
void ClearReading(QuestionBoard& board);

// Every answer cell back to "not asked".
void ResetResults(KukuState& state);
// The screen-clear of the main window: board, memo, progress and results back to the start.
void GamenClear(KukuState& state, QuestionBoard& board);

// What the memo's line limits ask for after a line was appended.
enum class MemoLimit { None, Warn, Clear };
MemoLimit memoLimitAction(int lineCount);
// Applies the limits: past 300 lines a red warning of two lines, past 350 the memo is cleared.
void checkMemoLimits(QuestionBoard& board);

}  // namespace rentabo
