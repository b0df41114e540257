#pragma once

#include "lessons/LessonEngine.h"
#include "speech/Speaker.h"
#include "tests/support/RecordingBoard.h"
#include "tests/support/Text.h"
#include "tests/support/VirtualPacer.h"
#include "tests/support/VirtualVoice.h"

#include <QStringList>

#include <memory>
#include <vector>

namespace rentabo::testing {

// The main window as the lesson runs see it, recording what they asked of it.
struct FakeHost final : LessonHost {
    void showAnswerWay(bool groupVisible, bool keyboardPicture) override {
        groupShown = groupVisible;
        keyboardShown = keyboardPicture;
    }
    void setAnswerWayVisible(bool visible) override { groupShown = visible; }
    void enableResultMenus(bool rowTable, bool levelTable) override {
        table1Enabled = rowTable;
        table2Enabled = levelTable;
    }
    void focusStartButton() override { ++startFocus; }
    void focusMemo() override { ++memoFocus; }
    void showMessage(const QString& text, const QString& caption) override {
        messages << caption + u'|' + text;
    }
    void setChoiceIndex(int mokuji_n) override { choiceIndex = mokuji_n; }
    void openChart() override { ++charts; }
    void Kekka_Dsp(KukuState& state) override { tables.push_back({1, state}); }
    void KekkaD_Dsp(KukuState& state) override { tables.push_back({2, state}); }
    void ErrRec(int kuku_n) override { weak.push_back(kuku_n); }
    bool spokenAnswerTick() override {
        ++answerTicks;
        return timeoutFires;
    }
    void restoreExpressionFont() override { ++fontRestores; }

    struct Opened {
        int table;
        KukuState state;  // what the table was given
    };
    bool groupShown = false;
    bool keyboardShown = false;
    bool table1Enabled = false;
    bool table2Enabled = false;
    int startFocus = 0;
    int memoFocus = 0;
    QStringList messages;
    int choiceIndex = -1;
    int charts = 0;
    std::vector<Opened> tables;
    std::vector<int> weak;
    int answerTicks = 0;
    bool timeoutFires = false;
    int fontRestores = 0;
};

// Everything a run needs, on the virtual clock.
struct LessonRig {
    LessonRig() {
        board.clock = [this] { return pacer.now(); };
        voice.fixedDurationMs = 1000;
    }
    // Chooses a row or level and a mode as the two lists would, at a speed.
    void choose(int mokuji_n, int menu_n, int procFlag = 2) {
        state.procFlag = procFlag;
        engine.chooseLesson(menu_n);
        engine.chooseRowOrLevel(mokuji_n);
    }
    // The virtual times at which a field showed a text.
    std::vector<std::int64_t> timesOf(BoardText field, const QString& text) const {
        std::vector<std::int64_t> out;
        for (const auto& e : board.log)
            if (e.field == field && e.text == text) out.push_back(e.at);
        return out;
    }
    // The expressions shown, without the "＝" and the empty ones of clearing.
    QStringList expressions() const {
        QStringList out;
        for (const auto& e : board.log)
            if (e.field == BoardText::Expression && !e.text.isEmpty()) out << e.text.chopped(1);
        return out;
    }

    KukuState state;
    VirtualPacer pacer;
    RecordingBoard board;
    VirtualVoice voice{pacer};
    Speaker speaker{state, voice, pacer};
    FakeHost host;
    RecordingEffects effects;
    LessonEngine engine{state, board, pacer, speaker, &effects, host};
};

// "a×b" in the board's full-width form.
inline QString expr(int a, int b) {
    return QString(QChar(u'０' + a)) + u'×' + QChar(u'０' + b);
}

}  // namespace rentabo::testing
