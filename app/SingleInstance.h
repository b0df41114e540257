#pragma once

#include <QString>

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

}  // namespace rentabo
