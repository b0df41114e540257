#pragma once

#include "core/KukuState.h"

#include <QString>

#include <array>

namespace rentabo {

class RecordsHost;

// The qualification table's grid, texts as shown: grid[row][column], 15 rows × 8 columns with the
// heads in row 0 and the labels in column 0. Column c (1..7) is answer way c − 1; rows 1..13 are
// recCheck columns 0..12 ("○"/"－") and row 14 the pass mark of the whole way ("◎"/"×").
using SikakuGrid = std::array<std::array<QString, 8>, 15>;

inline constexpr int kSikakuAllRowsRow = 13;
inline constexpr int kSikakuPassRow = 14;

// Heads, labels and the body filled from the record.
SikakuGrid MakeSikakuGrid(const RecCheck& recCheck);
// Refills the body (rows 1..14, columns 1..7) from the record.
void FillSikakuGrid(SikakuGrid& grid, const RecCheck& recCheck);
// Red cell texts of the qualification table: "×" and "◎".
bool sikakuCellRed(const QString& text);

// Whether a way column is complete: すべての段 passed, or each of the grid's row groups 1–3, 4–6
// and 7–9 covered by all three rows or by the level in row 10, 11 or 12 respectively.
bool wayComplete(const SikakuGrid& grid, int column);

struct SikakuVerdict {
    int sikakuLevel = 0;  // 0 none, 1 マスター, 2 免許皆伝
    QString message;
    bool masterEnabled = false;
    bool menkyoEnabled = false;
};
// The qualification check: writes row 14 of every way and decides the award.
SikakuVerdict SikakuCheck(SikakuGrid& grid);

// The row/level certificate rule for grid row r (1..12): a 順 and a 乱 way, or 完全暗唱.
bool rowQualifies(const SikakuGrid& grid, int r);
// The "段級認定書(&D)" handler: true when the certificate may open, with certChoice set to the
// row's choice and certKind to −1; otherwise the learner is told why and nothing changes.
bool DankyuCertificate(KukuState& state, const SikakuGrid& grid, int r, RecordsHost& host);

// The write-back on closing: a cell counts as 1 when it shows "○" or "◎".
void WriteBackSikakuGrid(const SikakuGrid& grid, RecCheck& recCheck);

}  // namespace rentabo
