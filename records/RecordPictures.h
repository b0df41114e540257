#pragma once

#include <QPixmap>
#include <QRectF>

class QPainter;

namespace rentabo {

// The decorations of the record windows, drawn by the program so that no picture file can go
// missing: a top and a bottom banner per certificate kind, the stamp and the seal, and the small
// pictures of the result tables and the qualification table.
// Drawn as shapes and texts into `area` (a banner is 393 × 41 at its own size, the stamp and the
// seal 64 × 64), so that they are as sharp as the device: a screen at any pixel ratio, a printer.
void drawCertBanner(QPainter& painter, const QRectF& area, int certKind, bool top);
void drawCertStamp(QPainter& painter, const QRectF& area);
void drawCertSeal(QPainter& painter, const QRectF& area);
// kind 0 for result table I, 1 for table II, 2 for the qualification table's icon.
QPixmap recordPicture(int kind, int size);

}  // namespace rentabo
