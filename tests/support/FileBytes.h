#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

namespace rentabo::testfiles {

// The whole of a file, or nothing when it cannot be opened.
inline QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Replaces a file's content; false when not all of it was written.
inline bool writeAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

}  // namespace rentabo::testfiles
