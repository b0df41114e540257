#pragma once

#include <QString>

#include <array>

namespace rentabo {

inline constexpr int kFacts = 81;

// The fixed texts of the 81 facts and of the rows, levels and test kinds, built once.
// A fact a×b has the index kuku_n = (a − 1) × 9 + (b − 1).
struct KukuTables {
    std::array<int, kFacts> kotae{};       // the product
    std::array<QString, kFacts> shikiStr;  // "３×６"
    std::array<QString, kFacts> ansStr;    // "１８", "８　"
    std::array<QString, kFacts> yomiQ;     // the chanted question part, as given
    std::array<QString, kFacts> yomiFull;  // the whole reading laid out 16 characters wide
    std::array<QString, kFacts> ansYomi;   // the product as the voice says it
    std::array<QString, kFacts> goroHint;  // a mnemonic, or a blank
    std::array<QString, 13> danName;       // by dan − 1; entry 12 names all rows
    std::array<QString, 13> choiceName;    // the items of the row/level list, by mokuji_n
    std::array<QString, 10> menuName;      // the items of the lesson-mode list, by menu_n
    std::array<QString, 9> zenDigit;       // "１" … "９"
    std::array<QString, 9> kanjiDigit;     // "一" … "九"
    std::array<QString, 7> testKindName;   // by menu_n − 3
};

const KukuTables& kukuTables();

// dan of each row/level choice: rows in learning order, then 初級, 中級, 上級 and 0 for all rows.
inline constexpr std::array<int, 13> DanOfChoice{1, 2, 5, 3, 4, 6, 8, 7, 9, 10, 11, 12, 0};
// The choice of each dan 1..12, indexed by dan − 1.
inline constexpr std::array<int, 12> ChoiceOfDan{0, 1, 3, 4, 2, 5, 7, 6, 8, 9, 10, 11};

// The whole reading of a fact from its three parts: the row's syllable a, the multiplier's b and
// the product's reading c.
QString buildYomiFull(const QString& a, const QString& b, const QString& c, int product);

// The fact indices in the offered row order (rows 1, 2, 5, 3, 4, 6, 8, 7, 9; multipliers 1..9):
// the one list every run takes its set from.
const std::array<int, kFacts>& BuildSetList();

// The range [setStart, setEnd) of setList that a row/level choice covers.
struct SetRange {
    int setStart;
    int setEnd;
};
SetRange setRangeOfChoice(int mokuji_n);

// The text the voice speaks for fact kuku_n: 0 the question, 1 the whole reading, 2 the question
// followed by the answer; any other kind gives an empty text.
QString MakeYomi(int kuku_n, int kind);

// Full-width digits for the half-width ones in a text.
QString toFullWidthDigits(const QString& text);

// The row and multiplier of a fact.
inline int danOfFact(int k) {
    return k / 9 + 1;
}
inline int multiplierOfFact(int k) {
    return k % 9 + 1;
}

}  // namespace rentabo
