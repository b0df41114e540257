#include "tests/support/RuntimeFolder.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLockFile>
#include <QProcess>
#include <QTemporaryDir>

#include <memory>

namespace rentabo {
namespace {

struct Outcome {
    int code = -1;
    QString output;
};

Outcome run(const QString& program, const QStringList& args, const QProcessEnvironment& env = {},
            int timeoutMs = 120000) {
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    if (!env.isEmpty()) p.setProcessEnvironment(env);
    p.start(program, args);
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        return {-1, QStringLiteral("timed out")};
    }
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromUtf8(p.readAll())};
}

// One install of the build for the whole suite: installing is the slow part.
class InstallTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_prefix = std::make_unique<QTemporaryDir>();
        // Every install writes the build's install_manifest.txt: tests run side by side take
        // turns.
        QLockFile lock(QStringLiteral(RENTABO_BINARY_DIR "/tests/install/install.lock"));
        lock.setStaleLockTime(0);
        lock.lock();
        s_install = run(QStringLiteral(RENTABO_CMAKE),
                        {QStringLiteral("--install"), QStringLiteral(RENTABO_BINARY_DIR),
                         QStringLiteral("--prefix"), s_prefix->path()});
    }
    static void TearDownTestSuite() { s_prefix.reset(); }

    void SetUp() override { ASSERT_EQ(s_install.code, 0) << s_install.output.toStdString(); }

    static QString installed(const QString& rel) { return s_prefix->path() + u'/' + rel; }
    static QString programDir() { return installed(QStringLiteral("lib/rentabo")); }

    // A desktop session of its own: the single-instance guard and the settings fallback both
    // live in folders taken from here, so the test neither meets a running copy nor touches ~.
    static QProcessEnvironment session(const QString& home) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"),
                   testing::makeRuntimeFolder(home + QStringLiteral("/run")));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
        env.insert(QStringLiteral("HOME"), home);
        return env;
    }

    static std::unique_ptr<QTemporaryDir> s_prefix;
    static Outcome s_install;
};
std::unique_ptr<QTemporaryDir> InstallTest::s_prefix;
Outcome InstallTest::s_install;

const QString kAppId = QStringLiteral(RENTABO_APP_ID);

TEST_F(InstallTest, PutsTheProgramAndEverythingItOpensInOneFolder) {
    const struct {
        QString path;
        QString sameAs;  // the source it must be a copy of, when there is one
    } files[] = {
        {QStringLiteral("lib/rentabo/rentabo"), {}},
        {QStringLiteral("lib/rentabo/KukuGrammar.xml"),
         QStringLiteral(RENTABO_SOURCE_DIR "/resources/KukuGrammar.xml")},
        {QStringLiteral("lib/rentabo/Seikai00.wav"),
         QStringLiteral(RENTABO_SOURCE_DIR "/resources/sounds/Seikai00.wav")},
        {QStringLiteral("lib/rentabo/Huseikai00.wav"),
         QStringLiteral(RENTABO_SOURCE_DIR "/resources/sounds/Huseikai00.wav")},
        {QStringLiteral("lib/rentabo/promptA.wav"),
         QStringLiteral(RENTABO_SOURCE_DIR "/resources/sounds/promptA.wav")},
        {QStringLiteral("lib/rentabo/kuku_V24.chm"), QStringLiteral(RENTABO_HELP_FILE)},
        // The acoustic model the build adapted, which the program finds beside itself.
        {QStringLiteral("lib/rentabo/model/means"), QStringLiteral(RENTABO_BINARY_DIR "/app/model/means")},
        {QStringLiteral("lib/rentabo/model/sendump"),
         QStringLiteral(RENTABO_BINARY_DIR "/app/model/sendump")},
        {QStringLiteral("lib/rentabo/model/mdef"), QStringLiteral(RENTABO_BINARY_DIR "/app/model/mdef")},
        {QStringLiteral("lib/rentabo/homepage/index.html"),
         QStringLiteral(RENTABO_SOURCE_DIR "/resources/homepage/index.html")},
        {QStringLiteral("lib/rentabo/homepage/icon.svg"),
         QStringLiteral(RENTABO_SOURCE_DIR "/resources/desktop/") + kAppId + QStringLiteral(".svg")},
        {QStringLiteral("bin/rentabo"), {}},
        {QStringLiteral("share/applications/") + kAppId + QStringLiteral(".desktop"), {}},
        {QStringLiteral("share/metainfo/") + kAppId + QStringLiteral(".metainfo.xml"), {}},
        {QStringLiteral("share/icons/hicolor/scalable/apps/") + kAppId + QStringLiteral(".svg"), {}},
    };
    for (const auto& f : files) {
        SCOPED_TRACE(f.path.toStdString());
        const QFileInfo info(installed(f.path));
        ASSERT_TRUE(info.isFile());
        EXPECT_GT(info.size(), 0);
        if (f.sameAs.isEmpty()) continue;
        QFile a(info.filePath()), b(f.sameAs);
        ASSERT_TRUE(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
        EXPECT_TRUE(a.readAll() == b.readAll());
    }
    for (const char* program : {"lib/rentabo/rentabo", "bin/rentabo"})
        EXPECT_TRUE(QFileInfo(installed(QString::fromUtf8(program))).isExecutable()) << program;
}

TEST_F(InstallTest, IconSizesAreDrawnFromTheSvgAtTheirOwnSize) {
    for (const int size : {16, 32, 48, 64, 128, 256}) {
        SCOPED_TRACE(size);
        const QString path = installed(QStringLiteral("share/icons/hicolor/%1x%1/apps/").arg(size) + kAppId +
                                       QStringLiteral(".png"));
        const QImage icon(path);
        ASSERT_FALSE(icon.isNull()) << path.toStdString();
        EXPECT_EQ(icon.size(), QSize(size, size));
        EXPECT_EQ(qAlpha(icon.pixel(0, 0)), 0) << "the rounded corner is transparent";
        EXPECT_EQ(qAlpha(icon.pixel(size / 2, size / 2)), 255) << "the board is opaque";
    }
}

TEST_F(InstallTest, DesktopEntryAndMetainfoPassTheirValidators) {
    const struct {
        const char* tool;
        QStringList args;
    } checks[] = {
        {"desktop-file-validate",
         {installed(QStringLiteral("share/applications/") + kAppId + QStringLiteral(".desktop"))}},
        {"appstreamcli",
         {QStringLiteral("validate"), QStringLiteral("--no-net"),
          installed(QStringLiteral("share/metainfo/") + kAppId + QStringLiteral(".metainfo.xml"))}},
    };
    for (const auto& c : checks) {
        const Outcome r = run(QString::fromUtf8(c.tool), c.args);
        EXPECT_EQ(r.code, 0) << c.tool << ":\n" << r.output.toStdString();
    }
}

TEST_F(InstallTest, DesktopEntryStartsTheLauncherAndShowsTheInstalledIcon) {
    QFile entry(installed(QStringLiteral("share/applications/") + kAppId + QStringLiteral(".desktop")));
    ASSERT_TRUE(entry.open(QIODevice::ReadOnly | QIODevice::Text));
    const QString text = QString::fromUtf8(entry.readAll());
    EXPECT_TRUE(text.contains(QStringLiteral("\nExec=rentabo\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("\nIcon=") + kAppId + u'\n'));
    EXPECT_TRUE(text.contains(QStringLiteral("\nName[ja]=")));
    EXPECT_TRUE(QFileInfo(installed(QStringLiteral("bin/rentabo"))).isExecutable());
}

TEST_F(InstallTest, TheProgramStartsFromTheInstalledFolderThroughTheLauncher) {
    QTemporaryDir home;
    // Started as the menu would (the launcher on the PATH) and through a user's own symlink.
    const QString link = home.path() + QStringLiteral("/my-rentabo");
    ASSERT_TRUE(QFile::link(installed(QStringLiteral("bin/rentabo")), link));
    for (const QString& launcher : {installed(QStringLiteral("bin/rentabo")), link}) {
        SCOPED_TRACE(launcher.toStdString());
        QProcess p;
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.setProcessEnvironment(session(home.path()));
        p.start(launcher, {});
        ASSERT_TRUE(p.waitForStarted());
        EXPECT_FALSE(p.waitForFinished(3000)) << "ended early:\n" << p.readAll().toStdString();
        // The launcher execs the real program in its folder, where it finds its files.
        const QString exe = QFileInfo(QStringLiteral("/proc/%1/exe").arg(p.processId())).symLinkTarget();
        EXPECT_EQ(exe, QFileInfo(programDir() + QStringLiteral("/rentabo")).canonicalFilePath());
        p.kill();
        p.waitForFinished();
    }
}

// Installed for the whole system, the program's folder is read-only. A private mount namespace
// makes it so for real (root could write through a chmod), without privileges.
class ReadOnlyInstallTest : public InstallTest {
protected:
    void SetUp() override {
        InstallTest::SetUp();
        if (run(QStringLiteral("unshare"), {QStringLiteral("-rm"), QStringLiteral("true")}).code != 0)
            GTEST_SKIP() << "this system allows no user namespaces, so no read-only mount can be made";
    }
    // Runs `command` with the program's folder mounted read-only; exit 90 means no mount.
    static Outcome readOnly(const QStringList& command, const QProcessEnvironment& env) {
        const QString script = QStringLiteral(
            "d=\"$1\"; shift; mount --bind \"$d\" \"$d\" && mount -o remount,bind,ro \"$d\" || exit 90; "
            "touch \"$d/.probe\" 2>/dev/null && exit 91; \"$@\"");
        return run(QStringLiteral("unshare"),
                   QStringList{QStringLiteral("-rm"), QStringLiteral("sh"), QStringLiteral("-c"), script,
                               QStringLiteral("sh"), programDir()} +
                       command,
                   env);
    }
};

TEST_F(ReadOnlyInstallTest, TheProgramRunsFromTheReadOnlyFolderWithoutWritingIntoIt) {
    QTemporaryDir home;
    const QStringList before = QDir(programDir()).entryList(QDir::AllEntries | QDir::Hidden);
    const Outcome started = readOnly({QStringLiteral("sh"), QStringLiteral("-c"),
                                      QStringLiteral("\"$0\" & p=$!; sleep 3; kill -0 $p || exit 7; kill $p"),
                                      installed(QStringLiteral("bin/rentabo"))},
                                     session(home.path()));
    EXPECT_EQ(started.code, 0) << started.output.toStdString();
    EXPECT_EQ(QDir(programDir()).entryList(QDir::AllEntries | QDir::Hidden), before);
}

TEST_F(ReadOnlyInstallTest, TheProgramSavesElsewhereAndReadsItBackAtTheNextStart) {
    QTemporaryDir home;
    QProcessEnvironment env = session(home.path());
    env.insert(QStringLiteral("RENTABO_READONLY_DIR"), programDir() + u'/');
    const QString self = QCoreApplication::applicationFilePath();
    for (const char* step : {"save", "load"}) {
        SCOPED_TRACE(step);
        env.insert(QStringLiteral("RENTABO_READONLY_STEP"), QString::fromUtf8(step));
        const Outcome r = readOnly({self, QStringLiteral("--gtest_filter=ReadOnlyProgramChild.*")}, env);
        EXPECT_EQ(r.code, 0) << r.output.toStdString();
        EXPECT_TRUE(r.output.contains(QStringLiteral("[  PASSED  ] 1 test")) &&
                    !r.output.contains(QStringLiteral("SKIPPED")))
            << r.output.toStdString();
    }
    EXPECT_TRUE(QFileInfo::exists(home.path() + QStringLiteral("/config/rentabo/RentaboV24.ini")));
}

}  // namespace
}  // namespace rentabo

// Two test runs side by side (two worktrees, ctest -j) must not overwrite each other's pictures
// and documents: no test writes to a fixed path of the shared temporary folder.
TEST(TestSources, WriteOnlyIntoFoldersOfTheirOwn) {
    // Built in two pieces so that this file does not match itself.
    const QString fixedTmp = QStringLiteral("\"/tm") + QStringLiteral("p/");
    QDirIterator it(QStringLiteral(RENTABO_SOURCE_DIR "/tests"),
                    {QStringLiteral("*.cpp"), QStringLiteral("*.h")}, QDir::Files,
                    QDirIterator::Subdirectories);
    QStringList offenders;
    while (it.hasNext()) {
        QFile f(it.next());
        if (f.open(QIODevice::ReadOnly) && QString::fromUtf8(f.readAll()).contains(fixedTmp))
            offenders << f.fileName();
    }
    EXPECT_TRUE(offenders.isEmpty()) << offenders.join(u' ').toStdString();
}
