#pragma once

// What the record fuzzers share: a failed check stops the fuzzer where it failed, and an input
// is read as a learner number (its first four bytes) and the stored text that follows.

#include <QByteArray>

#include <cstdint>
#include <cstring>
#include <optional>

namespace rentabo::fuzzing {

inline void check(bool ok) {
    if (!ok) __builtin_trap();
}

struct LearnerBytes {
    std::int32_t indivNum = 0;
    QByteArray text;
};

// Nothing when the input is too short to hold a learner number.
inline std::optional<LearnerBytes> learnerBytes(const std::uint8_t* data, std::size_t size) {
    if (size < 4) return std::nullopt;
    LearnerBytes in;
    std::memcpy(&in.indivNum, data, 4);
    in.text = QByteArray(reinterpret_cast<const char*>(data + 4), static_cast<qsizetype>(size - 4));
    return in;
}

}  // namespace rentabo::fuzzing
