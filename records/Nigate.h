#pragma once

#include "core/WeakList.h"

#include <QPoint>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

namespace rentabo {

class Pacer;
class Speaker;

// The weak-point window's lines and the reading of the list (the list itself: core/WeakList.h).

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
