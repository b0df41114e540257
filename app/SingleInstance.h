#pragma once

#include <QString>

#include <memory>

class QLockFile;

namespace rentabo {

// The guard that keeps a second copy of the program from starting. It holds an exclusive lock on
// a file named after the guard in the user's runtime folder; the kernel drops the lock when the
// process ends in any way, so a crashed copy never blocks the next start.
class SingleInstance final {
public:
    explicit SingleInstance(const QString& name);
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // True when this process now holds the guard.
    bool acquired() const { return m_fd >= 0 && m_held; }
    QString lockPath() const { return m_path; }

private:
    QString m_path;
    int m_fd = -1;
    bool m_held = false;
};

// The guard on the settings file itself: two copies started in two log-ins of one user (each
// with a runtime folder of its own) would otherwise both run on one file, and the last to end
// would write over the other's records. A lock file beside the settings file names the process
// that holds it; one left by a process that has ended (a crash, a power cut) is taken over.
// When the folder cannot be written no lock file can be made: the program then starts without
// this guard, as it always has.
class SettingsLock final {
public:
    // Locks the settings file at `settingsPath`.
    explicit SettingsLock(const QString& settingsPath);
    // The settings file a program in `exeDir` will write: the one it reads, or, when that one's
    // folder cannot be written, the one in the user's configuration folder its saves go to.
    static QString settingsPathToLock(const QString& exeDir);
    ~SettingsLock();
    SettingsLock(const SettingsLock&) = delete;
    SettingsLock& operator=(const SettingsLock&) = delete;

    // False only when another running copy holds the settings file.
    bool acquired() const { return !m_heldElsewhere; }
    QString lockPath() const { return m_path; }
    // The lock file's name beside a settings file: the program's own, recognisable without doubt.
    static QString lockPathFor(const QString& settingsPath);

private:
    QString m_path;
    std::unique_ptr<QLockFile> m_lock;
    bool m_heldElsewhere = false;
};

}  // namespace rentabo
