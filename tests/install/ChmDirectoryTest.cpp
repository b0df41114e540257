#include "tests/install/ChmDirectory.h"

#include <gtest/gtest.h>

#include <QFile>

#include <cstdint>

namespace rentabo {
namespace {

void putLe(QByteArray& b, qsizetype at, std::uint64_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) b[at + i] = static_cast<char>((v >> (8 * i)) & 0xff);
}

QByteArray encint(std::uint64_t v) {
    QByteArray out(1, static_cast<char>(v & 0x7f));
    while ((v >>= 7) != 0) out.prepend(static_cast<char>(0x80 | (v & 0x7f)));
    return out;
}

// A help file with one listing chunk holding `names`, laid out as a compiler writes it.
QByteArray makeChm(const QStringList& names, std::uint32_t chunkSize = 0x1000) {
    QByteArray entries;
    for (const QString& n : names) {
        const QByteArray utf8 = n.toUtf8();
        entries += encint(utf8.size()) + utf8 + encint(0) + encint(300) + encint(1000);
    }
    QByteArray file(0x60, '\0');
    file.replace(0, 4, "ITSF");
    putLe(file, 0x48, 0x60, 8);
    putLe(file, 0x50, 0x54 + chunkSize, 8);
    QByteArray dir(0x54, '\0');
    dir.replace(0, 4, "ITSP");
    putLe(dir, 0x08, 0x54, 4);
    putLe(dir, 0x10, chunkSize, 4);
    putLe(dir, 0x2c, 1, 4);
    QByteArray chunk(chunkSize, '\0');
    chunk.replace(0, 4, "PMGL");
    putLe(chunk, 4, chunkSize - 0x14 - entries.size(), 4);
    chunk.replace(0x14, entries.size(), entries);
    return file + dir + chunk;
}

TEST(ChmDirectoryTest, ReadsTheNamesOfOneListingChunk) {
    const QString longName = QStringLiteral("/") + QString(200, u'a') + QStringLiteral(".html");
    const QStringList names{QStringLiteral("/"), QStringLiteral("/#SYSTEM"), QStringLiteral(u"/九九.html"),
                            longName};  // 206 bytes: a two-byte length
    const ChmDirectory dir = readChmDirectory(makeChm(names));
    ASSERT_TRUE(dir.valid) << dir.error.toStdString();
    EXPECT_EQ(dir.names, names);
}

TEST(ChmDirectoryTest, DamagedFilesAreRefusedWithoutReadingPastTheEnd) {
    const QByteArray good = makeChm({QStringLiteral("/index.html")});
    QByteArray hugeChunks = good;
    putLe(hugeChunks, 0x60 + 0x2c, 0xffffff, 4);  // more chunks than the file holds
    QByteArray noFreeSpace = good;
    putLe(noFreeSpace, 0x60 + 0x54 + 4, 0xffffffff, 4);
    QByteArray farDirectory = good;
    putLe(farDirectory, 0x48, 0x7fffffffffffULL, 8);
    QByteArray nameTooLong = good;
    nameTooLong[0x60 + 0x54 + 0x14] = static_cast<char>(0x7f);  // 127 bytes from an 11-byte entry
    const struct {
        const char* what;
        QByteArray bytes;
    } cases[] = {
        {"empty", QByteArray()},
        {"not a help file", QByteArrayLiteral("<html>ITSF</html>")},
        {"header cut short", good.left(0x50)},
        {"directory cut short", good.left(0x60 + 0x40)},
        {"chunk cut short", good.left(good.size() - 100)},
        {"chunk count too large", hugeChunks},
        {"free space larger than the chunk", noFreeSpace},
        {"directory beyond the file", farDirectory},
        {"entry longer than its chunk", nameTooLong},
    };
    for (const auto& c : cases) {
        const ChmDirectory dir = readChmDirectory(c.bytes);
        EXPECT_FALSE(dir.valid) << c.what;
        EXPECT_FALSE(dir.error.isEmpty()) << c.what;
    }
}

}  // namespace
}  // namespace rentabo
