#include "core/WindowPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace rentabo {

namespace {

QScreen* screenFor(const QRect& reference, const QRect& wanted) {
    if (!reference.isEmpty())
        if (QScreen* s = QGuiApplication::screenAt(reference.center())) return s;
    QScreen* best = nullptr;
    qint64 bestArea = 0;
    for (QScreen* s : QGuiApplication::screens()) {
        const QRect common = s->availableGeometry().intersected(wanted);
        const qint64 area = qint64(common.width()) * common.height();
        if (area > bestArea) {
            best = s;
            bestArea = area;
        }
    }
    return best ? best : QGuiApplication::primaryScreen();
}

}  // namespace

QPoint fitOnScreen(const QPoint& wanted, const QSize& size, const QRect& reference) {
    const QRect want(wanted, size);
    QScreen* screen = screenFor(reference, want);
    if (!screen) return wanted;
    const QRect area = screen->availableGeometry();
    // Right and bottom edges first, then left and top, so a too-large window keeps its corner.
    const int x = std::max(area.left(), std::min(wanted.x(), area.right() + 1 - size.width()));
    const int y = std::max(area.top(), std::min(wanted.y(), area.bottom() + 1 - size.height()));
    return {x, y};
}

void placeOnScreen(QWidget& window, const QPoint& wanted, const QRect& reference) {
    // The frame (title bar, borders) is known only once the window has been shown; until then the
    // window's own size is what must fit.
    const QRect frame = window.frameGeometry();
    const QRect inner = window.geometry();
    const QSize extra = window.isVisible() ? frame.size() - inner.size() : QSize(0, 0);
    const QPoint at = fitOnScreen(wanted, window.size() + extra, reference);
    window.move(at);
}

bool bringOntoAScreen(QWidget& window) {
    const QRect whole = window.isVisible() ? window.frameGeometry() : window.geometry();
    for (const QScreen* screen : QGuiApplication::screens())
        if (screen->availableGeometry().contains(whole)) return false;
    const QPoint before = window.pos();
    placeOnScreen(window, window.pos());
    return window.pos() != before;
}

}  // namespace rentabo
