#pragma once

#include <QPoint>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

namespace rentabo {

class Pacer;
class Speaker;

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

// What the weak-point window shows for each line.
QString nigateLineText(int k);
// Where line `line` (0-based) is drawn, or nothing past the last drawn line.
std::optional<QPoint> nigateLinePos(int line);
inline constexpr int kNigateMaxLines = 41;

// Reads every weak fact aloud, each spoken to its end and followed by a pause of 800 ms;
// `onFact` is told the fact about to be read (the window marks it). `passes` > 1 repeats the list.
// Returns the number of facts read.
int ReadWeakFacts(const QString& errorsStr, Speaker& speaker, Pacer& pacer, int passes,
                  const std::function<void(int)>& onFact);

}  // namespace rentabo
