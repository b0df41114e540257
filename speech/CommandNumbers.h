#pragma once

// The command numbers of the grammar file (resources/KukuGrammar.xml): what a phrase heard in
// command listening means. resources/phrases.md lists every phrase of each. The grammar file
// keeps these numbers; the program names them here and nowhere else.
namespace rentabo::cmd {

enum : int {
    None = 0,  // a phrase without a command number

    // Colours of the window: 1-14, and うぐいす色.
    FirstColour = 1,
    LastColour = 14,
    Uguisu = 50,

    // いちのだん .. きゅうのだん: choose row 1..9.
    FirstRow = 61,
    LastRow = 69,

    StartTest = 70,       // テストはじめ
    StopTest = 71,        // テストおわり
    ChatMode = 72,        // おはなしモード
    RecitationTest = 73,  // あんしょうテスト
    ShowResults = 74,     // せいせき
    ComeForward = 75,     // ひらけごま: the window to the front
    Hesitation = 78,      // ええと: nothing to do
    Backchannel = 80,     // はい: nothing to do
    StartHidden = 85,     // よーいどん: hide the lists and start the test
    Stop = 86,            // ストップ
    BaseColour = 88,      // きほんのいろ
    ClearScreen = 98,     // がめんクリア
    CloseDojo = 99,       // どうじょうをとじる

    // The numbers 0..99 as answers of the spoken test: FirstNumber + n.
    FirstNumber = 100,
    LastNumber = 199,
    // The readings of the 81 facts in the recitation: FirstReading + fact index.
    FirstReading = 201,
    LastReading = 281,

    // In the chart window: read row 1..9 (FirstChartRow + row - 1), or the weak facts.
    FirstChartRow = 301,
    LastChartRow = 309,
    ChartWeak = 310,
};

constexpr bool isRow(int c) {
    return c >= FirstRow && c <= LastRow;
}
constexpr bool isNumber(int c) {
    return c >= FirstNumber && c <= LastNumber;
}
constexpr bool isReading(int c) {
    return c >= FirstReading && c <= LastReading;
}
constexpr bool isChart(int c) {
    return c >= FirstChartRow && c <= ChartWeak;
}
// The command of the number n said as an answer, and of the reading of fact k.
constexpr int ofNumber(int n) {
    return FirstNumber + n;
}
constexpr int ofReading(int k) {
    return FirstReading + k;
}

}  // namespace rentabo::cmd
