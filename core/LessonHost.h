#pragma once

#include "core/KukuState.h"

#include <QString>

namespace rentabo {

// What the lesson runs need of the main window beyond the question board: the answer-way
// pictures, menu items, focus, message boxes and the windows a run opens. The main window
// implements it; tests use a recording twin.
class LessonHost {
public:
    virtual ~LessonHost() = default;

    // The answer-way group box and which of its two pictures it shows.
    virtual void showAnswerWay(bool groupVisible, bool keyboardPicture) = 0;
    // Shows or hides the answer-way group box, keeping its picture.
    virtual void setAnswerWayVisible(bool visible) = 0;
    // The view menu's result-table items: table I (rows) and table II (levels).
    virtual void enableResultMenus(bool rowTable, bool levelTable) = 0;
    virtual void focusStartButton() = 0;
    virtual void focusMemo() = 0;
    // A message box with an OK button only.
    virtual void showMessage(const QString& text, const QString& caption) = 0;
    // Puts the row/level list back on an item. Must not call chooseRowOrLevel again.
    virtual void setChoiceIndex(int mokuji_n) = 0;
    // The chart window, modal; returns when it is closed. chartFromLesson is set beforehand.
    virtual void openChart() = 0;
    // Result table I (one row) and II (a level or all rows), modal. They read testRec,
    // testAborted, dan, mokuji_n and menu_n from the state and may change the records.
    virtual void Kekka_Dsp(KukuState& state) = 0;
    virtual void KekkaD_Dsp(KukuState& state) = 0;
    // The result table of the present choice: table I for a row, II for a level or all rows.
    void showResultTable(KukuState& state) {
        if (state.mokuji_n < 9)
            Kekka_Dsp(state);
        else
            KekkaD_Dsp(state);
    }
    // Adds a fact answered wrong to the weak-point list.
    virtual void ErrRec(int kuku_n) = 0;
    // One lesson-timer tick while a spoken answer is awaited: counts toward the answer time-out
    // of the voice tests. True when the time-out fired on this tick.
    virtual bool spokenAnswerTick() = 0;
    // The expression line back to its normal size and place after a voice test.
    virtual void restoreExpressionFont() = 0;
    // Stops today's review by voice when it is the voice test going on (it has a stop of its
    // own: the last test's record is not the review's); false when it is not.
    virtual bool stopVoiceReview() { return false; }
};

}  // namespace rentabo
