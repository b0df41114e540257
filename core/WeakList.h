#pragma once

#include <QString>

#include <vector>

namespace rentabo {

// The weak-point list errorsStr: fact indices in decimal, each followed by ":" ("13:14:15:16:").
// Membership is by whole entries, so "13:" never counts as holding 3.

// Appends fact k unless it is outside 0..80 or already listed.
void ErrRec(QString& errorsStr, int k);
// Removes fact k with its ":"; the other entries keep their order.
void ErrDel(QString& errorsStr, int k);
// Puts the entries in ascending order, dropping pieces that are not decimal numbers
// (the "Test(&T)" item of the help menu).
void ErrSort(QString& errorsStr);
bool errListed(const QString& errorsStr, int k);

// The facts of the list in list order; pieces that are not a fact index 0..80 are skipped.
std::vector<int> weakFacts(const QString& errorsStr);

}  // namespace rentabo
