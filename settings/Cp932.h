#pragma once

#include <QByteArray>
#include <QString>

namespace rentabo {

// The settings file and the learner number work on Shift-JIS (code page 932) bytes; the program
// itself holds UTF-8 text. These are the only crossings between the two.

// Characters that code page 932 cannot hold become '?', so a save never fails on a name.
QByteArray toCp932(const QString& text);
// Bytes that are not valid code page 932 become U+FFFD; nothing is dropped silently.
QString fromCp932(const QByteArray& bytes);

}  // namespace rentabo
