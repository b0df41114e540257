#include "tests/install/ChmDirectory.h"

#include <cstdint>
#include <optional>

namespace rentabo {

namespace {

std::optional<std::uint64_t> le(const QByteArray& b, qsizetype at, int bytes) {
    if (at < 0 || at + bytes > b.size()) return std::nullopt;
    std::uint64_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | static_cast<std::uint8_t>(b[at + i]);
    return v;
}

// A directory number: 7 bits a byte, most significant first, the high bit meaning "more".
std::optional<std::uint64_t> encint(const QByteArray& b, qsizetype& at, qsizetype end) {
    std::uint64_t v = 0;
    for (int n = 0; n < 9 && at < end; ++n) {
        const auto byte = static_cast<std::uint8_t>(b[at++]);
        v = (v << 7) | (byte & 0x7f);
        if ((byte & 0x80) == 0) return v;
    }
    return std::nullopt;
}

ChmDirectory fail(const char* why) {
    ChmDirectory d;
    d.error = QString::fromUtf8(why);
    return d;
}

}  // namespace

ChmDirectory readChmDirectory(const QByteArray& file) {
    if (!file.startsWith("ITSF")) return fail("not an ITSF file");
    const auto dirOffset = le(file, 0x48, 8);
    const auto dirLength = le(file, 0x50, 8);
    if (!dirOffset || !dirLength) return fail("header too short");
    const auto base = static_cast<qsizetype>(*dirOffset);
    if (file.mid(base, 4) != "ITSP") return fail("no ITSP directory header");
    const auto headerLength = le(file, base + 0x08, 4);
    const auto chunkSize = le(file, base + 0x10, 4);
    const auto chunkCount = le(file, base + 0x2c, 4);
    if (!headerLength || !chunkSize || !chunkCount || *chunkSize < 0x14 || *chunkSize > 0x100000)
        return fail("bad directory header");
    const qsizetype chunks = base + static_cast<qsizetype>(*headerLength);
    if (chunks + static_cast<qsizetype>(*chunkSize * *chunkCount) > file.size())
        return fail("directory runs past the end of the file");

    ChmDirectory dir;
    for (std::uint64_t c = 0; c < *chunkCount; ++c) {
        const qsizetype start = chunks + static_cast<qsizetype>(c * *chunkSize);
        if (file.mid(start, 4) != "PMGL") continue;  // index chunks (PMGI) repeat names
        const auto freeSpace = le(file, start + 4, 4);
        if (!freeSpace || *freeSpace > *chunkSize - 0x14) return fail("bad listing chunk");
        const qsizetype end = start + static_cast<qsizetype>(*chunkSize - *freeSpace);
        qsizetype at = start + 0x14;
        while (at < end) {
            const auto nameLength = encint(file, at, end);
            if (!nameLength || at + static_cast<qsizetype>(*nameLength) > end)
                return fail("bad directory entry");
            dir.names << QString::fromUtf8(file.mid(at, static_cast<qsizetype>(*nameLength)));
            at += static_cast<qsizetype>(*nameLength);
            for (int field = 0; field < 3; ++field)  // section, offset, length
                if (!encint(file, at, end)) return fail("bad directory entry");
        }
    }
    dir.valid = true;
    return dir;
}

}  // namespace rentabo
