#pragma once

#include "core/KukuState.h"
#include "core/QuestionBoard.h"
#include "speech/Recognition.h"

#include <QColor>

class QLabel;
class QWidget;

namespace Ui {
class KukuForm;
}

namespace rentabo {

// The main window's question board and recognition view: the board's texts, the memo and its
// line counter, the choice lists, the answer-way pictures, the name box, the mode label, the
// voice's and the microphone's levels and the window colour, on the widgets of the main window's
// layout. It paints the yellow board and the window's decorations when the main window passes
// their paint events on.
class MainBoard final : public QuestionBoard, public RecognitionView {
public:
    MainBoard(Ui::KukuForm& ui, const KukuState& state) : m_ui(ui), m_state(state) {}

    // QuestionBoard
    void setBoardText(BoardText field, const QString& text) override;
    QString boardText(BoardText field) const override;
    void setAnswerRed(bool red) override;
    void setProgressBar(int position) override;
    void appendMemo(const QString& text) override;
    void appendMemoLine(const QString& line) override;
    void clearMemo() override;
    int memoLineCount() const override;
    void setMemoWarning(bool red) override;
    void CBoxDsp(int show) override;
    void DrawBoard() override;
    void DrawStopHint() override;

    // RecognitionView
    void showModeLabel(const QString& text, int colour) override;
    void showMicLevel(int level) override;
    void showMemoLineCount(int lines) override;
    void setBackgroundColour(int colour) override { setWindowColour(colour); }

    // Fills the choice lists and the pictures and colours the meters; once, when the window is built.
    void setUpWidgets();
    // The answer-way group box and which of its two pictures it shows (keyboard or voice).
    void showAnswerWay(bool groupVisible, bool keyboardPicture);
    void setAnswerWayVisible(bool visible);
    // The view menu's result-table items: table I (rows) and table II (levels).
    void enableResultMenus(bool rowTable, bool levelTable);
    void focusStartButton();
    void focusMemo();
    // The lists put on an item quietly: only a choice the learner makes runs their handlers.
    void setChoiceIndex(int mokuji_n);
    void setLessonIndex(int menu_n);
    // The expression line's font size and its top.
    void setExpressionStyle(int fontPt, int top);
    // The memo and its line counter shown or hidden (hiding clears the memo).
    void showInfoPanel(bool on);
    QString nameBoxText() const;
    void setNameBoxText(const QString& name);
    void focusNameBox();
    void showLearnerNumber(int number);
    // The voice's output level, as the voice reports it while it speaks.
    void showVoiceLevel(int level);

    // The window's background (0x00BBGGRR); the saved colour in the state is not touched.
    void setWindowColour(int bgr);
    int windowColour() const { return m_windowColour; }
    // A mark in the memo for every sentence the master starts to say.
    void markSentence();

    void paintBoard(QWidget* canvas);
    void paintWindowDecorations(QWidget* canvas);

private:
    // The label that shows a field of the board.
    QLabel* label(BoardText field) const;

    Ui::KukuForm& m_ui;
    const KukuState& m_state;
    int m_windowColour = 0;
};

// A widget's text colour (a CSS colour name), its other style kept.
void setTextColour(QWidget* w, const QString& colour);

// The colours the program keeps as 0x00BBGGRR.
QColor colourOfBgr(int bgr);
int bgrOfColour(const QColor& c);

}  // namespace rentabo
