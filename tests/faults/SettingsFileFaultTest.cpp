// What may stand where the settings file should be, and what a family keeps beside it: the
// program starts at once whatever is there, says what it found, writes into nothing but a plain
// file of its own, and removes no file but its own temporary ones.
#include "app/Startup.h"
#include "app/TKukuForm.h"
#include "settings/SettingsFile.h"
#include "tests/faults/FaultStates.h"
#include "tests/support/FileBytes.h"
#include "tests/support/RuntimeFolder.h"
#include "tests/support/ScriptedPrompts.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <sys/stat.h>

#include <functional>

namespace rentabo {
namespace {

using rentabo::testfiles::readAll;
using rentabo::testfiles::writeAll;

// ---- Copies a family keeps beside the file ----

TEST(BesideTheSettingsFile, ASaveRemovesOnlyItsOwnTemporaryFilesAndNeverTheFamilysCopies) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QString::fromLatin1(kSettingsFileName));
    ASSERT_TRUE(writeAll(file, writeSettings(faultState(0), {})));
    // Names a parent gives copies (and names close to the program's own): all must survive.
    const auto names = [](const char* spaced) {
        return QString::fromUtf8(spaced).split(u' ', Qt::SkipEmptyParts);
    };
    const QStringList theirs = names(
        "RentaboV24.ini.backup RentaboV24.ini.201612 RentaboV24.ini.memo_1 RentaboV24.ini.bak "
        "RentaboV24.ini.backup2 RentaboV24.ini.コピー1 RentaboV24.ini.Ab12Cd RentaboV24.ini~ "
        ".RentaboV24.ini.swp01 RentaboV24.ini.damaged RentaboV24.ini.rentabo-saving- "
        "RentaboV24.ini.rentabo-saving-abc RentaboV24.ini.rentabo-saving-abcdefg "
        "RentaboV24.ini.rentabo-saving-ab.cde RentaboV24.ini.rentabo-saving-Ab12Cd.bak "
        "OtherV24.ini.rentabo-saving-Ab12Cd");
    // What saves cut short by a kill leave: removed by the next save.
    const QStringList ours =
        names("RentaboV24.ini.rentabo-saving-Ab12Cd RentaboV24.ini.rentabo-saving-zz9900");
    for (const QString& name : theirs + ours)
        ASSERT_TRUE(writeAll(dir.filePath(name), "copy of " + name.toUtf8())) << name.toStdString();

    const SaveResult saved = SaveSettings(faultState(1), dir.path() + u'/');
    ASSERT_TRUE(saved.ok) << saved.error.toStdString();
    for (const QString& name : theirs)
        EXPECT_EQ(readAll(dir.filePath(name)), "copy of " + name.toUtf8())
            << name.toStdString() << " was touched";
    for (const QString& name : ours) EXPECT_FALSE(QFile::exists(dir.filePath(name))) << name.toStdString();
    // And the save itself leaves nothing of its own.
    QStringList after = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
    for (const QString& name : theirs) after.removeOne(name);
    EXPECT_EQ(after, QStringList{QString::fromLatin1(kSettingsFileName)});
}

// ---- What stands where the file should be ----

enum class Thing { Fifo, LinkToDevZero, Directory, Huge, LinkToAFile };

struct Case {
    const char* what;
    Thing thing;
    const char* told;  // a word of the one box that says what was found; nullptr: nothing said
};

const Case kCases[] = {
    {"a FIFO", Thing::Fifo, "ふつうのファイルではない"},
    {"a link to /dev/zero", Thing::LinkToDevZero, "ふつうのファイルではない"},
    {"a directory", Thing::Directory, "ふつうのファイルではない"},
    {"a file of 8 MB", Thing::Huge, "大きすぎる"},
    {"a link to the learner's file kept elsewhere", Thing::LinkToAFile, nullptr},
};

QByteArray hugeContent() {
    return QByteArray("; a log, not settings\r\n").repeated(8 * 1024 * 1024 / 23 + 1);
}

bool makeThing(const QString& dir, Thing thing) {
    const QString file = dir + QString::fromLatin1(kSettingsFileName);
    const QByteArray path = QFile::encodeName(file);
    switch (thing) {
        case Thing::Fifo:
            return ::mkfifo(path.constData(), 0644) == 0;
        case Thing::LinkToDevZero:
            return QFile::link(QStringLiteral("/dev/zero"), file);
        case Thing::Directory:
            return QDir().mkpath(file);
        case Thing::Huge:
            return writeAll(file, hugeContent());
        case Thing::LinkToAFile:
            return QDir().mkpath(dir + QStringLiteral("elsewhere")) &&
                   writeAll(dir + QStringLiteral("elsewhere/kept.ini"), writeSettings(faultState(0), {})) &&
                   QFile::link(dir + QStringLiteral("elsewhere/kept.ini"), file);
    }
    return false;
}

// The thing is still what it was, untouched.
bool stillThere(const QString& dir, Thing thing) {
    const QString file = dir + QString::fromLatin1(kSettingsFileName);
    struct stat st {};
    if (::lstat(QFile::encodeName(file).constData(), &st) != 0) return false;
    switch (thing) {
        case Thing::Fifo:
            return S_ISFIFO(st.st_mode);
        case Thing::LinkToDevZero:
            return QFileInfo(file).symLinkTarget() == QStringLiteral("/dev/zero");
        case Thing::Directory:
            return S_ISDIR(st.st_mode);
        case Thing::Huge:
            return readAll(file) == hugeContent();
        case Thing::LinkToAFile:
            return S_ISLNK(st.st_mode);
    }
    return false;
}

TEST(WhereTheSettingsFileShouldBe, TheProgramStartsAtOnceSaysWhatItFoundAndWritesIntoNoFifoDeviceOrStranger) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir dir;
        const QString exeDir = dir.path() + u'/';
        ASSERT_TRUE(QFile::copy(QStringLiteral(RENTABO_BINARY_DIR "/app/KukuGrammar.xml"),
                                exeDir + QStringLiteral("KukuGrammar.xml")));
        ASSERT_TRUE(makeThing(exeDir, c.thing));
        QProcessEnvironment env = rentabo::testing::childEnvironment(dir.path());
        env.insert(QStringLiteral("RENTABO_FAULT_DIR"), exeDir);
        env.insert(QStringLiteral("RENTABO_FAULT_CASE"), QString::fromLatin1(c.what));
        QProcess child;
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--gtest_filter=WhereTheSettingsFileShouldBeChild.*")});
        // A start blocked in open() or reading without end never finishes.
        const bool finished = child.waitForFinished(30000);
        if (!finished) {
            child.kill();
            child.waitForFinished();
        }
        const QString output = QString::fromUtf8(child.readAll());
        ASSERT_TRUE(finished) << "the start did not finish within 30 s\n" << output.toStdString();
        EXPECT_TRUE(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0 &&
                    output.contains(QStringLiteral("[  PASSED  ] 1 test")))
            << output.toStdString();
        EXPECT_TRUE(stillThere(exeDir, c.thing)) << "what stood there was written into or replaced";
    }
}

// The program's half: starts from the folder as the program does, answering every box with OK,
// takes a new name and ends; the name must be found again where the next start reads it.
TEST(WhereTheSettingsFileShouldBeChild, StartsSaysOnceAndKeepsTheRecords) {
    const QString exeDir = qEnvironmentVariable("RENTABO_FAULT_DIR");
    if (exeDir.isEmpty()) GTEST_SKIP() << "run by WhereTheSettingsFileShouldBe with a folder of its own";
    const QString what = qEnvironmentVariable("RENTABO_FAULT_CASE");
    const Case* c = nullptr;
    for (const Case& k : kCases)
        if (what == QLatin1String(k.what)) c = &k;
    ASSERT_NE(c, nullptr);

    // Boxes shown while the window is made come before any hook: read and closed as they appear.
    QStringList boxes;
    QTimer reader;
    QObject::connect(&reader, &QTimer::timeout, &reader, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            boxes << box->windowTitle() + u'|' + box->text();
            box->accept();
        }
    });
    reader.start(20);
    Program program = startProgram(StartOptions{exeDir});
    TKukuForm& form = *program.form;
    testing::ScriptedPrompts prompts(form.boxPrompts());
    prompts.messages = [&](const QString& text, const QString& caption) { boxes << caption + u'|' + text; };
    prompts.close = [] { return true; };
    form.setPrompts(&prompts);
    // The folder holds no effect sounds: told as ever, and not what this test is about.
    boxes.removeIf(
        [](const QString& b) { return b.contains(u"がんばりの記録"_qs) || b.contains(u"効果音"_qs); });

    if (c->told) {
        ASSERT_EQ(boxes.size(), 1) << boxes.join(u'\n').toStdString();
        EXPECT_TRUE(boxes[0].contains(QString::fromUtf8(c->told))) << boxes[0].toStdString();
        EXPECT_TRUE(boxes[0].contains(u"設定ファイル"_qs)) << boxes[0].toStdString();
        EXPECT_EQ(form.state().studentName, KukuState{}.studentName);
    } else {
        EXPECT_EQ(boxes, QStringList{});
        EXPECT_EQ(form.state().studentName, faultState(0).studentName);
    }
    form.state().studentName = QStringLiteral(u"ちゃんと のこる");
    form.close();
    KukuState reread;
    EXPECT_TRUE(LoadSettings(reread, chooseSettingsPath(exeDir)).found);
    EXPECT_EQ(reread.studentName, QStringLiteral(u"ちゃんと のこる")) << boxes.join(u'\n').toStdString();
}

}  // namespace
}  // namespace rentabo
