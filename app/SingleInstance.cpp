#include "app/SingleInstance.h"

#include "settings/SettingsFile.h"

#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QStandardPaths>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace rentabo {

SingleInstance::SingleInstance(const QString& name) {
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty()) dir = QDir::tempPath();
    m_path = dir + u'/' + name + QStringLiteral(".lock");
    m_fd = ::open(QFile::encodeName(m_path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (m_fd >= 0) m_held = ::flock(m_fd, LOCK_EX | LOCK_NB) == 0;
}

SingleInstance::~SingleInstance() {
    // The lock lives as long as the process; closing the descriptor releases it.
    if (m_fd >= 0) ::close(m_fd);
}

QString SettingsLock::lockPathFor(const QString& settingsPath) {
    return settingsPath + QStringLiteral(".rentabo-lock");
}

QString SettingsLock::settingsPathToLock(const QString& exeDir) {
    const SettingsLocation where = settingsLocationFor(exeDir);
    const QString read = chooseSettingsPath(where);
    if (QFileInfo(QFileInfo(read).absolutePath()).isWritable()) return read;
    QDir().mkpath(QFileInfo(where.fallback).absolutePath());
    return where.fallback;
}

SettingsLock::SettingsLock(const QString& settingsPath) : m_path(lockPathFor(settingsPath)) {
    m_lock = std::make_unique<QLockFile>(m_path);
    // Never stale by age: the copy holding it may have been running for hours in another log-in.
    // A lock whose process has ended on this computer is stale at once.
    m_lock->setStaleLockTime(0);
    if (m_lock->tryLock(0)) return;
    m_heldElsewhere = m_lock->error() == QLockFile::LockFailedError;
    m_lock.reset();
}

SettingsLock::~SettingsLock() = default;

}  // namespace rentabo
