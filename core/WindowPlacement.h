#pragma once

#include <QRect>

class QWidget;

namespace rentabo {

// Where a window of `size` asked to stand at `wanted` (its top-left) goes so that it lies fully on
// one screen: the screen under the middle of `reference` (the window it opens beside), else the
// screen holding most of it, else the primary screen. A window larger than the screen keeps its
// top-left corner on it, so its title bar and close button stay reachable.
QPoint fitOnScreen(const QPoint& wanted, const QSize& size, const QRect& reference);

// Moves `window` to `wanted`, kept on screen as fitOnScreen says; `reference` is the frame of
// the window it opens beside (empty: the window's own wanted place).
void placeOnScreen(QWidget& window, const QPoint& wanted, const QRect& reference = QRect());

// A position stored on a screen that is gone, on a larger screen, or hand-edited must not leave a
// window partly off the screen: when no screen's available area holds all of it, it is moved onto
// the screen holding most of it (as fitOnScreen says; the stored position itself is left alone).
// True when it was moved; its frame is known only once shown, so it should then be placed again.
bool bringOntoAScreen(QWidget& window);

}  // namespace rentabo
