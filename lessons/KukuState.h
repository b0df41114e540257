#pragma once

#include <QString>

#include <array>
#include <cstdint>
#include <optional>

namespace rentabo {

// Pacing of one speed of the settings dialog, in milliseconds.
struct Pacing {
    int speedPause = 100;
    int speedWait = 100;
    int speedTimerWait = 6000;
};

// Qualification record: 7 answer ways by 14 columns, each cell normally 0 or 1.
using RecCheck = std::array<std::array<int, 14>, 7>;

// Answer record of the current test: 162 cells, 0 wrong, 1 right, 2 not asked.
using TestRec = std::array<int, 162>;

// Everything a run shares: the settings loaded from the settings file, the lesson state and the
// records. The main window owns the one instance; logic functions take it by reference.
// Names are the program's own; defaults are those of a first start without a settings file.
struct KukuState {
    // Stored settings, in the order of the settings file.
    int winLeft = 200;
    int winTop = 200;
    int infoDsp = 1;
    int sikiSpRate = 10;
    int sikiSpVolume = 50;
    int effectVolume = 50;
    int pinponFlag = 0;
    int msgSpeakFlag = 0;
    int kyuuSet = 1;
    int dan = 0;
    int kaisuuMax = 2;
    int mokuji_n = 1;
    int menu_n = 1;
    int interval = 500;
    int procFlag = 0;
    int ans_way = 0;
    int yomiWay = 0;
    int orgColor = 0x00F0F0;
    int dicColor = 0x00F0F0;
    int ccColor = 0x00F0F0;
    QString studentName = QStringLiteral(u"くく はじめ");
    int indivNum = 1234567;
    RecCheck recCheck{};
    QString errorsStr = QStringLiteral("13:14:15:16:");
    QString userSyobina;

    // Settings held in memory only.
    int infoSpeakFlag = 0;
    Pacing pacing;

    // Lesson state.
    int kuku_n = 0;
    int qnum = 0;
    std::array<int, 81> setList{};  // fact indices in the offered row order (BuildSetList)
    int setStart = 0;
    int setEnd = 9;
    std::array<int, 81> order{};
    int randomFlag = 0;
    int kaisuu = 0;
    int setRounds = 0;
    int testKaisuuMax = 3;
    int qCount = 0;
    int chartFromLesson = 0;
    int chartOpen = 0;
    std::int64_t waitLimit = 0;
    int idleMs = 0;

    // Records of the current test.
    TestRec testRec{};
    int testAborted = 0;
    // A test has started and neither ended nor been stopped: a result table opened now shows
    // an unfinished test.
    bool testUnderway = false;
    int certKind = 0;
    // The row or level (a mokuji_n) a row or level certificate is drawn for; the lesson choice
    // itself stays as the learner left it.
    int certChoice = 0;

    // Voice tests and listening.
    int AnsV_wait = 0;
    int cValue = 0;
    // How sure the recogniser was of the phrase being handled; none for a typed phrase.
    std::optional<double> heardConfidence;
    int cc_mode = 1;

    // Shell.
    int formReady = 0;
    QString exeDir;
};

}  // namespace rentabo
