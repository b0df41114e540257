#pragma once

#include <QString>

namespace rentabo {

// The learner number of a name: the sum over the name's CP932 bytes, each read as a signed
// byte and widened to 16 bits (0x80..0xFF count as 0xFF80..0xFFFF), kept to its low 32 bits.
// The settings file keeps it beside the name, and the qualification records are bound to it.
int indivNumOf(const QString& name);

}  // namespace rentabo
