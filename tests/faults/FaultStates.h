#pragma once

#include "core/KukuState.h"

#include <QString>

namespace rentabo {

// The two learners the interrupted saves alternate between: every stored kind of value differs,
// so a file mixing the two (or cut short) cannot pass for either.
inline KukuState faultState(int which) {
    KukuState s;
    s.studentName = which == 0 ? QStringLiteral(u"やまだ はなこ") : QStringLiteral(u"すずき たろうまる");
    s.indivNum = which == 0 ? 1111111 : 2222222;
    s.winLeft = which == 0 ? 10 : 777;
    s.sikiSpRate = which == 0 ? 3 : 9;
    for (auto& row : s.recCheck) row.fill(which == 0 ? 0 : 1);
    s.recCheck[2][5] = which == 0 ? 1 : 0;
    return s;
}

}  // namespace rentabo
