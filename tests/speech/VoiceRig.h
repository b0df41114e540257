#pragma once

#include "speech/VoiceCommands.h"
#include "speech/VoiceExams.h"
#include "tests/lessons/LessonRig.h"

#include <functional>

namespace rentabo::testing {

// The main window as the voice tests and commands see it.
struct FakeVoiceHost final : VoiceHost {
    void setSettingsChoicesEnabled(bool enabled) override { choicesEnabled.push_back(enabled); }
    void setExpressionStyle(int fontPx, int top) override { expressionStyle = {fontPx, top}; }
    void setWindowColour(int bgr) override { colour = bgr; }
    int windowColour() const override { return colour; }
    void restoreWindow() override { ++restores; }
    void closeMainWindow() override { ++closes; }
    void enterCcMode() override { ++ccModes; }
    void enterDicMode() override {
        ++dicModes;
        colour = 0x808000;  // the window turns teal; the saved colour stays
    }
    void chartDanRead(int row) override { chartRows.push_back(row); }
    void chartReadWeak() override { ++chartWeak; }
    QDateTime currentDateTime() const override { return now; }
    void answerHeardRight() override { ++heardRight; }
    void beforeVoiceRun() override {
        if (beforeRun) beforeRun();
    }

    std::vector<bool> choicesEnabled;
    std::pair<int, int> expressionStyle{34, 212};
    int colour = 0x00F0F0;
    int restores = 0;
    int closes = 0;
    int ccModes = 0;
    int dicModes = 0;
    std::vector<int> chartRows;
    int chartWeak = 0;
    int heardRight = 0;               // answers the recogniser may learn the voice from
    std::function<void()> beforeRun;  // the window's offer before a spoken test
    QDateTime now{QDate(2019, 1, 1), QTime(0, 5, 9)};
};

// A lesson rig with the voice tests, the command switch and the lesson timer running on the
// virtual clock; phrases are said at virtual times as command numbers or chat text.
struct VoiceRig : LessonRig {
    VoiceRig() {
        timer = pacer.addTimer(1000, 300, [this] {
            pacer.setTimerInterval(timer, 300);
            if (state.AnsV_wait != VoiceTest::None) commands.tick();
        });
    }
    // Chooses a row or level and a voice mode, with answers by voice, at a speed.
    void chooseVoice(int mokuji_n, int menu_n, int procFlag = 2) { choose(mokuji_n, menu_n, procFlag); }
    void say(std::int64_t at, int command) {
        pacer.at(at, [this, command] { commands.handleCommand(command); });
    }
    void chat(std::int64_t at, const QString& text) {
        pacer.at(at, [this, text] { commands.handleChat(text); });
    }
    // Lets virtual time run until an answer is awaited; false when none is within `limitMs`.
    bool untilAwaiting(int limitMs = 20000) {
        for (int waited = 0; waited <= limitMs; waited += 50) {
            if (state.AnsV_wait != VoiceTest::None) return true;
            pacer.advanceBy(50);
        }
        return false;
    }
    // The cells of the answer record in one range.
    std::vector<int> cells(int from, int to) const {
        return std::vector<int>(state.testRec.begin() + from, state.testRec.begin() + to);
    }

    FakeVoiceHost voiceHost;
    VoiceExams tests{state, board, pacer, speaker, &effects, host, voiceHost};
    VoiceCommands commands{state, board, speaker, pacer, tests, host, voiceHost};
    int timer = 0;
};

}  // namespace rentabo::testing
