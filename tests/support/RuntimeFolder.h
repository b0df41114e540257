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

// Gives the test process folders of its own below `own`, where the environment names none: a
// settings fallback folder (nothing a test writes there meets another test run beside it, nor
// the user's own settings) and a runtime folder. The recogniser listens with the acoustic model
// the build adapted (`modelDir`), as the program does.
inline void useOwnFolders(const QString& own, const char* modelDir) {
    if (qEnvironmentVariableIsEmpty("XDG_CONFIG_HOME"))
        qputenv("XDG_CONFIG_HOME", (own + QStringLiteral("/config")).toLocal8Bit());
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
        qputenv("XDG_RUNTIME_DIR", makeRuntimeFolder(own + QStringLiteral("/run")).toLocal8Bit());
    if (qEnvironmentVariableIsEmpty("RENTABO_MODEL_DIR")) qputenv("RENTABO_MODEL_DIR", modelDir);
}

}  // namespace rentabo::testing
