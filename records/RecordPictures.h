#pragma once

#include <QPixmap>

namespace rentabo {

// The decorations of the record windows, drawn by the program so that no picture file can go
// missing: a top and a bottom banner per certificate kind, the stamp and the seal, and the small
// pictures of the result tables and the qualification table.
QPixmap certBanner(int certKind, bool top);
QPixmap certStamp();
QPixmap certSeal();
// kind 0 for result table I, 1 for table II, 2 for the qualification table's icon.
QPixmap recordPicture(int kind, int size);

}  // namespace rentabo
