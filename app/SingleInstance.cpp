#include "app/SingleInstance.h"

#include <QDir>
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

}  // namespace rentabo
