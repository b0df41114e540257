#pragma once

#include <QString>

namespace rentabo::testing {

// Japanese text in a test: q(u"３×６＝").
inline QString q(const char16_t* s) {
    return QString::fromUtf16(s);
}

}  // namespace rentabo::testing
