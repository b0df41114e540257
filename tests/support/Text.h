#pragma once

#include <QString>

#include <ostream>

namespace rentabo::testing {

// Japanese text in a test: q(u"３×６＝").
inline QString q(const char16_t* s) {
    return QString::fromUtf16(s);
}

}  // namespace rentabo::testing

// Readable Japanese in failure messages.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}
