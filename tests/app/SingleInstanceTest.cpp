#include "app/SingleInstance.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QSysInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

using namespace rentabo;

TEST(SingleInstance, SecondGuardOfTheSameNameIsRefusedUntilTheFirstEnds) {
    const QString name = QStringLiteral("RENTABO_TEST_%1").arg(::getpid());
    {
        SingleInstance first(name);
        ASSERT_TRUE(first.acquired());
        SingleInstance second(name);
        EXPECT_FALSE(second.acquired());
    }
    SingleInstance again(name);
    EXPECT_TRUE(again.acquired());
}

namespace {

// A lock file in the form the lock writes it, for a process that has ended.
bool writeLockOfEndedProcess(const QString& path) {
    QProcess ended;
    ended.start(QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("echo $$")});
    if (!ended.waitForFinished()) return false;
    const QByteArray pid = ended.readAllStandardOutput().trimmed();
    QFile f(path);
    return !pid.isEmpty() && f.open(QIODevice::WriteOnly) &&
           f.write(pid + '\n' + QCoreApplication::applicationName().toUtf8() + '\n' +
                   QSysInfo::machineHostName().toUtf8() + '\n') > 0;
}

}  // namespace

TEST(SettingsLock, OnlyACopyRunningOnTheSameFileKeepsAnotherFromStarting) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("RentaboV24.ini"));
    const struct {
        const char* what;
        QString settingsPath;
        std::function<bool()> before;  // what is there already
        bool acquired;
    } cases[] = {
        {"nothing else", file, [] { return true; }, true},
        {"a lock left by an ended process (a crash, a power cut)", file,
         [&] { return writeLockOfEndedProcess(SettingsLock::lockPathFor(file)); }, true},
        {"a folder that cannot be written: no lock, started as always",
         dir.filePath(QStringLiteral("plainfile/prog/RentaboV24.ini")),
         [&] {
             QFile f(dir.filePath(QStringLiteral("plainfile")));
             return f.open(QIODevice::WriteOnly) && f.write("x") == 1;
         },
         true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QFile::remove(SettingsLock::lockPathFor(file));
        ASSERT_TRUE(c.before());
        SettingsLock lock(c.settingsPath);
        EXPECT_EQ(lock.acquired(), c.acquired);
        if (c.settingsPath == file) {
            // Held now: a second copy on the same file is refused, another file is free.
            EXPECT_FALSE(SettingsLock(file).acquired());
            EXPECT_TRUE(SettingsLock(dir.filePath(QStringLiteral("other.ini"))).acquired());
        }
    }
    // Once the holder has ended, the file is free again and no lock file is left.
    EXPECT_TRUE(SettingsLock(file).acquired());
    EXPECT_FALSE(QFile::exists(SettingsLock::lockPathFor(file)));
}
