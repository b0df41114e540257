#pragma once

#include "core/KukuState.h"

#include <QString>

#include <vector>

namespace rentabo {

class Pacer;
class QuestionBoard;
class RecordsHost;

// The two result tables: I after a test of one row, II after a test of a level or of all rows.
enum class ResultKind { Rows, Levels };

// The cell of recCheck a passed test is registered in, or {-1, -1} when the mode is no test
// or the choice is unknown.
struct RecCell {
    int row;
    int column;
};
RecCell registrationCell(int menu_n, int dan);

// Everything a result table shows, built from the answer record when the table opens.
struct ResultTable {
    ResultKind kind = ResultKind::Rows;
    QString title;
    // cells[row][column], fixed row and column included: 10 × 4 for table I, 11 × 10 for II.
    std::vector<std::vector<QString>> cells;
    QString verdict;
    bool registrationEnabled = false;
    // Set only with the perfect verdict: closing then asks first, and table I may register.
    bool perfect = false;
    int wrongCount = 0;
    int askedCount = 0;
    // Facts taken off the weak-point list, right in every round.
    std::vector<int> pruned;
    // The test the table shows, taken when it opened: registering records that test, whatever
    // the lists say by then.
    RecCell cell{-1, -1};
    // Opened on a test that goes on: it never registers, and closing it leaves the test alone.
    bool underway = false;
    // Registered from this table: closing it no longer reminds the learner to register.
    bool registered = false;
};

// "○", "×" or "－" for an answer cell.
QString answerMark(int value);
// Cell texts drawn in red: a single "×".
bool resultCellRed(const QString& text);

// Builds table I or II from the answer record and takes the facts answered right in every
// round off the weak-point list (also after a stopped test).
ResultTable BuildResultTable1(KukuState& state);
ResultTable BuildResultTable2(KukuState& state);

// The checks before a table opens (Kekka_Dsp / KekkaD_Dsp): true when it may open. Tells the
// learner why not, except when the choice belongs to the other table.
bool KekkaOpenCheck(const KukuState& state, ResultKind kind, RecordsHost& host);

// The registration handler: marks the cell of the current test in recCheck. Table I refuses
// without a perfect result, with a message. True when a cell was marked.
bool RegisterResult(KukuState& state, const ResultTable& table, RecordsHost& host);

// The closing of a table: shows the choice lists again, asks first when the result was perfect,
// and table I clears the main window's screen (and with it the answer record). False when the
// learner chose to keep the table open.
bool CloseResultTable(KukuState& state, const ResultTable& table, QuestionBoard& board, Pacer& pacer);

}  // namespace rentabo
