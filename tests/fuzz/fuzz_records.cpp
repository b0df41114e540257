// Feeds arbitrary bytes to the qualification record decoder and the qualification check that
// reads the decoded record: any stored text gives a table, and a record of passes and misses
// survives being written and read again. The first four bytes are the learner number.

#include "records/Sikaku.h"
#include "settings/SettingsFile.h"
#include "tests/fuzz/LearnerBytes.h"

#include <cstdint>

using namespace rentabo;
using rentabo::fuzzing::check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto in = rentabo::fuzzing::learnerBytes(data, size);
    if (!in) return 0;
    const std::int32_t indivNum = in->indivNum;
    const QByteArray& text = in->text;

    const RecCheck rec = decodeRecCheck(text, indivNum);
    SikakuGrid grid = MakeSikakuGrid(rec);
    const SikakuVerdict verdict = SikakuCheck(grid);
    check(verdict.sikakuLevel >= 0 && verdict.sikakuLevel <= 2);
    for (int r = 1; r <= 12; ++r) rowQualifies(grid, r);

    // What the table writes back holds only passes and misses, and those are stored exactly.
    RecCheck back{};
    WriteBackSikakuGrid(grid, back);
    for (const auto& row : back)
        for (const int cell : row) check(cell == 0 || cell == 1);
    check(decodeRecCheck(encodeRecCheck(back, indivNum), indivNum) == back);
    return 0;
}
