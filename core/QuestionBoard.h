#pragma once

#include <QString>

namespace rentabo {

// The texts of the main window's question board and shell that the runs write.
enum class BoardText {
    MessageLine,  // the message line at the top of the board
    Reading,      // the reading of the current fact
    Expression,   // "３×６＝"
    Answer,       // the typed or shown answer
    Mark,         // ◎ or ×
    Hint,         // the mnemonic
    Round,        // "[２回目]"
    Progress,     // the number beside the progress bar
};

// The main window as the runs see it. The window implements it; tests use a recording twin.
// Every rule about what to show lives in the functions of Board.h, not behind this interface.
class QuestionBoard {
public:
    virtual ~QuestionBoard() = default;

    virtual void setBoardText(BoardText field, const QString& text) = 0;
    virtual QString boardText(BoardText field) const = 0;
    virtual void setAnswerRed(bool red) = 0;
    virtual void setProgressBar(int position) = 0;
    // Appends text at the end of the information memo (no line break is added).
    virtual void appendMemo(const QString& text) = 0;
    // Adds `line` as a line of its own: a line break comes first when the memo's last line has
    // text (the "■" marks of spoken sentences are left on a line without one).
    virtual void appendMemoLine(const QString& line) { appendMemo(line + u'\n'); }
    virtual void clearMemo() = 0;
    virtual int memoLineCount() const = 0;
    virtual void setMemoWarning(bool red) = 0;
    // Shows (1) or hides (0) the two choice lists; the labels over them show the choice.
    virtual void CBoxDsp(int show) = 0;
    virtual void DrawBoard() = 0;
    virtual void DrawStopHint() = 0;
};

// Plays the three effect sounds: 0 correct, 1 wrong, 2 prompt.
class EffectPlayer {
public:
    virtual ~EffectPlayer() = default;
    virtual void PlayEffect(int kind) = 0;
};

}  // namespace rentabo
