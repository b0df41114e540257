#pragma once

#include <QDir>
#include <QFile>
#include <QProcessEnvironment>
#include <QString>

namespace rentabo::testing {

// Makes `path` a runtime folder (XDG_RUNTIME_DIR): there, readable by its owner alone. A program
// started without one makes a /tmp/pulse-* folder for its sound and leaves it behind.
inline QString makeRuntimeFolder(const QString& path) {
    QDir().mkpath(path);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

// The environment of a child process started by a test: this one's, with a settings fallback
// folder and a runtime folder of its own below `own` (the sound library otherwise leaves a
// /tmp/pulse-* folder behind for every new settings folder it is started with).
inline QProcessEnvironment childEnvironment(const QString& own) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), own + QStringLiteral("/config"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), makeRuntimeFolder(own + QStringLiteral("/run")));
    return env;
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
