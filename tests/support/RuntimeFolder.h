#pragma once

#include <QDir>
#include <QFile>
#include <QString>

namespace rentabo::testing {

// Makes `path` a runtime folder (XDG_RUNTIME_DIR): there, readable by its owner alone. A program
// started without one makes a /tmp/pulse-* folder for its sound and leaves it behind.
inline QString makeRuntimeFolder(const QString& path) {
    QDir().mkpath(path);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

}  // namespace rentabo::testing
