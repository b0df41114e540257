// Feeds arbitrary bytes to the qualification record decoder and the qualification check that
// reads the decoded record: any stored text gives a table, and a record of passes and misses
// survives being written and read again. The first four bytes are the learner number.

#include "records/Sikaku.h"
#include "settings/SettingsFile.h"

#include <cstdint>
#include <cstring>

using namespace rentabo;

namespace {
void check(bool ok) {
    if (!ok) __builtin_trap();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 4) return 0;
    std::int32_t indivNum = 0;
    std::memcpy(&indivNum, data, 4);
    const QByteArray text(reinterpret_cast<const char*>(data + 4), static_cast<qsizetype>(size - 4));

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
