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

// The learner number of a name: the sum over the name's CP932 bytes, each read as a signed
// byte and widened to 16 bits (0x80..0xFF count as 0xFF80..0xFFFF), kept to its low 32 bits.
int indivNumOf(const QString& name);

}  // namespace rentabo
