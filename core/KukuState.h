#pragma once

#include <QString>

#include <array>
#include <cstdint>
#include <optional>

namespace rentabo {

// Which voice test runs, or what a spoken answer is awaited as: a number (the spoken-answer
// test and today's review), a fact's reading (the recitation test) or a whole row (the full
// recitation). Held in memory only.
enum class VoiceTest { None = 0, Oral = 1, Recitation = 2, FullRecitation = 3 };

// How the recogniser listens: for the grammar's commands (the rows, the answers, start and stop)
// or for free chat with the master (おはなしモード).
enum class Listening { Chat = 0, Commands = 1 };

// Qualification record: 7 answer ways by 14 columns, each cell normally 0 or 1.
using RecCheck = std::array<std::array<int, 14>, 7>;

// Answer record of the current test: 162 cells, 0 wrong, 1 right, 2 not asked.
using TestRec = std::array<int, 162>;

// Everything a run shares: the settings loaded from the settings file, the lesson state and the
// records. The main window owns the one instance; logic functions take it by reference.
// Names are the program's own (see docs/ARCHITECTURE.md for the romanised words); defaults are
// those of a first start without a settings file. Colours are 0x00BBGGRR.
struct KukuState {
    // Stored settings, in the order of the settings file.
    int winLeft = 200;  // the main window's position on the desktop
    int winTop = 200;
    int infoDsp = 1;        // 1: the information memo is shown below the board
    int sikiSpRate = 10;    // the voice's rate, 0..10
    int sikiSpVolume = 50;  // the voice's volume, 0..100 in steps of 5
    int effectVolume = 50;  // the effect sounds' volume, 0..100 in steps of 5
    int pinponFlag = 0;     // 1: effect sounds (chimes for right and wrong answers)
    int msgSpeakFlag = 0;   // 1: the master greets at start and says goodbye at close
    int kyuuSet = 1;        // the level (級) of a level choice: mokuji_n - 9
    int dan = 0;            // the row (段) of the choice, 1..9; 10..12 a level; 0 all rows
    int kaisuuMax = 2;      // rounds of a practice (回数), from the settings
    int mokuji_n = 1;       // the row/level choice (段or級): 0..8 rows, 9..11 levels, 12 all
    int menu_n = 1;         // the lesson (もくじ) 0..9: 5-6 spoken tests, 7-8 recitation, 9 full
    int interval = 500;     // the settings dialog's interval box, kept in the file
    int procFlag = 0;  // the speed: 0 ステップ, 1 ゆっくり, 2 ふつう, 3 はやく (core/Timing.h)
    int ans_way = 0;   // how answers are given: 0 keyboard, 1 voice
    int yomiWay = 0;   // 1: questions are read aloud; 0: on the screen only
    int orgColor = 0x00F0F0;  // the window's colour
    int dicColor = 0x00F0F0;  // kept in the file only
    int ccColor = 0x00F0F0;   // kept in the file only
    QString studentName = QStringLiteral(u"くく はじめ");
    int indivNum = 1234567;                              // the learner's number, made from the name
    RecCheck recCheck{};                                 // the qualification table (資格)
    QString errorsStr = QStringLiteral("13:14:15:16:");  // the weak points (苦手): fact indices, "n:"
    QString userSyobina;                                 // the settings' free text
    // The program's own section of the file ([RENTABO]), after the keys above.
    QString micDevice;  // the microphone chosen in the settings dialog, by its id; empty: the default

    // Settings held in memory only.
    int infoSpeakFlag = 0;  // the settings' check box for speaking the information

    // Lesson state.
    int kuku_n = 0;    // the fact asked now, 0..80 (row - 1) * 9 + multiplier - 1
    int qnum = 0;      // the position of the question in the set
    int setStart = 0;  // the choice's range [setStart, setEnd) of BuildSetList()
    int setEnd = 9;
    std::array<int, 81> order{};  // the shuffled positions of a shuffled run
    int randomFlag = 0;           // 1: the run asks in shuffled order
    int kaisuu = 0;               // the round being asked, from 1
    int setRounds = 0;            // rounds still to go in a practice or keyboard test
    int testKaisuuMax = 3;        // rounds of a test: 3 for a row, 2 for a level
    int qCount = 0;               // questions asked in this run (the progress bar)
    int chartFromLesson = 0;      // 1: the chart was opened by a lesson (mode 1), not the menu
    int chartOpen = 0;            // 1: the chart window is open and takes the chart commands
    int idleMs = 0;               // time since the lesson timer last redrew the board

    // Records of the current test.
    TestRec testRec{};
    int testAborted = 0;  // 1: the last test was stopped before its end
    // A test has started and neither ended nor been stopped: a result table opened now shows
    // an unfinished test.
    bool testUnderway = false;
    int certKind = 0;  // the certificate to print: kCertDankyu, kCertMenkyo or kCertMaster
    // The row or level (a mokuji_n) a row or level certificate is drawn for; the lesson choice
    // itself stays as the learner left it.
    int certChoice = 0;

    // Voice tests and listening.
    VoiceTest AnsV_wait = VoiceTest::None;  // what a spoken answer is awaited as now
    // The voice test (or today's review by voice) that is running. It stays set between the
    // questions, while AnsV_wait is None, and is None once the test has ended or been stopped.
    VoiceTest voiceRun = VoiceTest::None;
    int cValue = 0;  // the command number being handled
    // How sure the recogniser was of the phrase being handled; none for a typed phrase.
    std::optional<double> heardConfidence;
    Listening cc_mode = Listening::Commands;

    // Shell.
    QString exeDir;  // the program's folder, with a trailing separator
};

}  // namespace rentabo
