// Feeds arbitrary bytes to the settings file reader, the writer and the record decoder, and checks
// that what the writer produces reads back the same and is stable under a second write.

#include "settings/Cp932.h"
#include "settings/LearnerNumber.h"
#include "settings/ProfileFile.h"
#include "settings/SettingsFile.h"
#include "tests/fuzz/LearnerBytes.h"

#include <cstdint>

using namespace rentabo;
using rentabo::fuzzing::check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto in = rentabo::fuzzing::learnerBytes(data, size);
    if (!in) return 0;
    const std::int32_t indivNum = in->indivNum;
    const QByteArray& bytes = in->text;

    // The record decoder on its own, with any learner number.
    const RecCheck rec = decodeRecCheck(bytes, indivNum);
    if (indivNum >= 0) check(decodeRecCheck(encodeRecCheck(rec, indivNum), indivNum) == rec);
    encodeRecCheck(rec, indivNum);

    // The whole file: read, write back, read again.
    KukuState first;
    readSettings(first, bytes);
    const QByteArray written = writeSettings(first, bytes);
    KukuState second;
    readSettings(second, written);
    for (const SettingKey& k : kSettingKeys)
        if (k.kind == SettingKey::Kind::Int) check(second.*k.intField == first.*k.intField);
    if (first.indivNum >= 0) check(second.recCheck == first.recCheck);
    check(writeSettings(first, written) == written);
    // Text the program wrote reads back exactly.
    check(writeSettings(second, written) == written);

    // Text conversion both ways never loses the length of valid text.
    const QString text = fromCp932(bytes);
    check(fromCp932(toCp932(text)).size() == text.size());
    indivNumOf(text);
    return 0;
}
