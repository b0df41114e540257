#include "app/Startup.h"
#include "app/TKukuForm.h"
#include "settings/SettingsFile.h"
#include "tests/faults/FaultStates.h"
#include "tests/support/FileBytes.h"
#include "tests/support/RuntimeFolder.h"
#include "tests/support/ScriptedPrompts.h"
#include "ui_KukuForm.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <signal.h>

#include <cctype>
#include <chrono>
#include <random>
#include <thread>

namespace rentabo {
namespace {

using rentabo::testfiles::readAll;
using rentabo::testfiles::writeAll;

struct Outcome {
    int code = -1;  // -1: it crashed or ran out of time
    QString output;
    QString ending;  // how it ended, in words, for a failure message
};

Outcome run(const QString& program, const QStringList& args, const QProcessEnvironment& env,
            int timeoutMs = 120000) {
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.setProcessEnvironment(env);
    p.start(program, args);
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        return {-1, QString::fromUtf8(p.readAll()),
                QStringLiteral("ran out of time after %1 s and was killed").arg(timeoutMs / 1000)};
    }
    if (p.exitStatus() == QProcess::CrashExit)
        return {-1, QString::fromUtf8(p.readAll()), QStringLiteral("crashed (%1)").arg(p.errorString())};
    return {p.exitCode(), QString::fromUtf8(p.readAll()), QStringLiteral("exit code %1").arg(p.exitCode())};
}

QStringList leftovers(const QString& dir) {
    return QDir(dir).entryList({QString::fromLatin1(kSettingsFileName) + QStringLiteral(".*")},
                               QDir::Files | QDir::Hidden);
}

// Runs this test binary again as a program of its own: `filter` picks the child test, `env`
// tells it what to do.
Outcome runChild(const QString& filter, const QProcessEnvironment& env, const QStringList& wrapper = {}) {
    const QStringList command =
        QStringList{QCoreApplication::applicationFilePath(), QStringLiteral("--gtest_filter=") + filter};
    if (wrapper.isEmpty()) return run(command[0], command.mid(1), env);
    return run(wrapper[0], wrapper.mid(1) + command, env);
}

bool childPassed(const Outcome& r) {
    return r.code == 0 && r.output.contains(QStringLiteral("[  PASSED  ] 1 test")) &&
           !r.output.contains(QStringLiteral("SKIPPED"));
}

// Reads and closes every message box of the program as it appears, the way a child answers them
// (OK): boxes shown while the main window is being made come before any hook could be set.
class BoxRecorder {
public:
    BoxRecorder() {
        QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                boxes << box->windowTitle() + u'|' + box->text();
                box->accept();
            }
        });
        m_timer.start(20);
    }
    // From here on the window's boxes come straight to the list.
    void watch(TKukuForm& form) {
        prompts = std::make_unique<rentabo::testing::ScriptedPrompts>(form.boxPrompts());
        prompts->messages = [this](const QString& text, const QString& caption) {
            boxes << caption + u'|' + text;
        };
        prompts->close = [] { return true; };
        form.setPrompts(prompts.get());
    }
    std::unique_ptr<rentabo::testing::ScriptedPrompts> prompts;
    QStringList boxes;

private:
    QTimer m_timer;
};

// A program folder as the build lays it out, with a learner's settings file, so that each test
// damages only its own files.
bool makeProgramFolder(const QString& dir, const KukuState& learner) {
    const QString app = QStringLiteral(RENTABO_BINARY_DIR "/app/");
    const QStringList files = {QStringLiteral("KukuGrammar.xml"), QStringLiteral("Seikai00.wav"),
                               QStringLiteral("Huseikai00.wav"), QStringLiteral("promptA.wav")};
    for (const QString& f : files)
        if (!QFile::copy(app + f, dir + u'/' + f)) return false;
    return writeAll(dir + u'/' + QString::fromLatin1(kSettingsFileName), writeSettings(learner, {}));
}

// ---- A save killed at any moment ----

TEST(KilledSave, TheFileIsAlwaysTheOldOrTheNewOneAndTheProgramStartsFromIt) {
    QTemporaryDir dir;
    const QString exeDir = dir.path() + u'/';
    const QString file = exeDir + QString::fromLatin1(kSettingsFileName);
    // The saver alternates the two learners, each save writing over the other's file.
    ASSERT_TRUE(makeProgramFolder(dir.path(), faultState(0)));
    const QByteArray first = readAll(file);
    const QByteArray whole[] = {first, writeSettings(faultState(1), first),
                                writeSettings(faultState(0), writeSettings(faultState(1), first))};

    std::mt19937 random(2126);  // fixed, so a failure can be run again
    std::uniform_int_distribution<int> delayUs(0, 30000);
    int seen[2] = {0, 0};
    for (int kill = 0; kill < 500; ++kill) {
        QProcess saver;
        saver.start(QStringLiteral(RENTABO_FAULT_SAVER), {exeDir});
        ASSERT_TRUE(saver.waitForStarted());
        ASSERT_TRUE(saver.waitForReadyRead(10000)) << "the saver did not start";
        std::this_thread::sleep_for(std::chrono::microseconds(delayUs(random)));
        ::kill(static_cast<pid_t>(saver.processId()), SIGKILL);
        saver.waitForFinished();
        ASSERT_EQ(saver.exitStatus(), QProcess::CrashExit) << "the saver stopped by itself at kill " << kill;

        const QByteArray now = readAll(file);
        const int which = now == whole[0] || now == whole[2] ? 0 : now == whole[1] ? 1 : -1;
        ASSERT_NE(which, -1) << "kill " << kill << " left a file that is neither:\n" << now.toStdString();
        ++seen[which];
    }
    RecordProperty("first_learner", seen[0]);
    RecordProperty("second_learner", seen[1]);

    // The program starts from what the last kill left, and its next save clears the leftovers.
    const KukuState expected = faultState(readAll(file) == whole[1] ? 1 : 0);
    BoxRecorder recorder;
    Program program = startProgram(StartOptions{exeDir});
    TKukuForm& form = *program.form;
    recorder.watch(form);
    EXPECT_EQ(form.state().studentName, expected.studentName);
    EXPECT_EQ(form.state().recCheck, expected.recCheck);
    EXPECT_EQ(form.ui().Edit2->text(), expected.studentName);
    form.close();
    EXPECT_EQ(recorder.boxes, QStringList{});
    EXPECT_EQ(leftovers(exeDir), QStringList{}) << "temporary files of the killed saves are left";
}

// A child's own settings folder, and its own runtime folder: the sound library otherwise leaves a
// /tmp/pulse-* folder behind for every new settings folder it is started with.
void ownFolders(QProcessEnvironment& env, const QString& config, const QString& runtime) {
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), config);
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), testing::makeRuntimeFolder(runtime));
}

// ---- A full disk ----

// Runs the child test inside a private mount namespace where `dir` is a small tmpfs, filled up
// before the child starts. Exit 90: no tmpfs could be mounted.
Outcome onAFullDisk(const QString& dir, const KukuState& learner, const QString& filter,
                    QProcessEnvironment env) {
    const QString script = QStringLiteral(
        "d=\"$1\"; shift; mount -t tmpfs -o size=256k tmpfs \"$d\" || exit 90; "
        "mkdir \"$d/config\" && cp -r \"$d.prog\" \"$d/prog\" || exit 91; "
        "head -c 1M /dev/zero > \"$d/filler\" 2>/dev/null; \"$@\"");
    QDir().mkpath(dir);
    QDir().mkpath(dir + QStringLiteral(".prog"));
    if (!makeProgramFolder(dir + QStringLiteral(".prog"), learner))
        return {91, QStringLiteral("no program folder"), {}};
    env.insert(QStringLiteral("RENTABO_FAULT_DIR"), dir);
    ownFolders(env, dir + QStringLiteral("/config"), dir + QStringLiteral(".run"));
    return runChild(filter, env,
                    {QStringLiteral("unshare"), QStringLiteral("-rm"), QStringLiteral("sh"),
                     QStringLiteral("-c"), script, QStringLiteral("sh"), dir});
}

TEST(FullDisk, ASaveThatDoesNotFitIsToldOnceKeepsTheOldFileAndTheProgramGoesOn) {
    QTemporaryDir dir;
    if (run(QStringLiteral("unshare"), {QStringLiteral("-rm"), QStringLiteral("true")}, {}).code != 0)
        GTEST_SKIP() << "this system allows no user namespaces, so no small file system can be made";
    const Outcome r =
        onAFullDisk(dir.filePath(QStringLiteral("disk")), faultState(0), QStringLiteral("FullDiskChild.*"),
                    QProcessEnvironment::systemEnvironment());
    if (r.code == 90) GTEST_SKIP() << "no tmpfs could be mounted: " << r.output.toStdString();
    EXPECT_TRUE(childPassed(r)) << r.output.toStdString();
}

// The program's half of the full-disk test, inside the namespace.
TEST(FullDiskChild, SavesOnceThereIsRoomAgain) {
    const QString disk = qEnvironmentVariable("RENTABO_FAULT_DIR");
    if (disk.isEmpty()) GTEST_SKIP() << "run by FullDisk inside a private mount namespace";
    const QString exeDir = disk + QStringLiteral("/prog/");
    const QString file = exeDir + QString::fromLatin1(kSettingsFileName);
    const QByteArray old = readAll(file);
    ASSERT_FALSE(old.isEmpty());

    BoxRecorder recorder;
    Program program = startProgram(StartOptions{exeDir});
    TKukuForm& form = *program.form;
    recorder.watch(form);
    QStringList& boxes = recorder.boxes;
    // The answer history cannot be started on the full disk either: told once, at start.
    EXPECT_LE(boxes.removeIf([](const QString& b) { return b.contains(u"がんばりの記録"_qs); }), 1);
    ASSERT_EQ(boxes, QStringList{});
    ASSERT_EQ(form.state().studentName, faultState(0).studentName);

    const struct {
        const char* step;
        QString name;
        bool freeTheDisk;
        int boxesAfter;
        bool saved;
    } steps[] = {
        {"a new name does not fit", faultState(1).studentName, false, 1, false},
        {"another change: not told again", QStringLiteral(u"たなか"), false, 1, false},
        {"room again: saved", faultState(1).studentName, true, 1, true},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.step);
        if (s.freeTheDisk) {
            ASSERT_TRUE(QFile::remove(disk + QStringLiteral("/filler")));
        }
        form.state().studentName = s.name;
        EXPECT_EQ(form.saveIfChanged(), s.saved);
        ASSERT_EQ(boxes.size(), s.boxesAfter) << boxes.join(u'\n').toStdString();
        EXPECT_TRUE(boxes[0].startsWith(QStringLiteral(u"ご確認!!|設定ファイルを保存できませんでした。")))
            << boxes[0].toStdString();
        EXPECT_TRUE(boxes[0].contains(QStringLiteral(u"記録は保存されていません"))) << boxes[0].toStdString();
        const QByteArray now = readAll(file);
        EXPECT_TRUE(now == (s.saved ? writeSettings(form.state(), old) : old)) << now.toStdString();
        EXPECT_EQ(leftovers(exeDir), QStringList{});
    }
    form.close();
}

// ---- Damaged files the program reads ----

enum class Damage { Truncated, Emptied, RandomBytes, Directory };

const char* nameOf(Damage d) {
    switch (d) {
        case Damage::Truncated:
            return "truncated";
        case Damage::Emptied:
            return "emptied";
        case Damage::RandomBytes:
            return "random bytes";
        case Damage::Directory:
            return "a directory";
    }
    return "";
}

bool damage(const QString& path, Damage how, std::mt19937& random) {
    const QByteArray bytes = readAll(path);
    switch (how) {
        case Damage::Truncated:
            return writeAll(path, bytes.left(bytes.size() / 2));
        case Damage::Emptied:
            return writeAll(path, {});
        case Damage::RandomBytes: {
            QByteArray noise(std::max<qsizetype>(bytes.size(), 64), Qt::Uninitialized);
            for (char& c : noise) c = static_cast<char>(random() & 0xff);
            return writeAll(path, noise);
        }
        case Damage::Directory:
            return QFile::remove(path) && QDir().mkpath(path + QStringLiteral("/inside"));
    }
    return false;
}

// The program folder with a copy of the acoustic model and a learner's voice folder, whose
// description names the learner.
bool makeFullProgramFolder(const QString& dir) {
    if (!makeProgramFolder(dir, faultState(1))) return false;
    QDir().mkpath(dir + QStringLiteral("/model"));
    const QDir model(QStringLiteral(RENTABO_BINARY_DIR "/app/model"));
    for (const QString& f : model.entryList(QDir::Files))
        if (!QFile::copy(model.filePath(f), dir + QStringLiteral("/model/") + f)) return false;
    QDir().mkpath(dir + QStringLiteral("/RentaboVoice"));
    return writeAll(dir + QStringLiteral("/RentaboVoice/speaker.txt"),
                    "rentabo-speaker 1\nlearner " + faultState(1).studentName.toUtf8().toBase64() +
                        "\nwarp 1.0\nphrases 30\n");
}

// What a damaged file costs: the settings start from their defaults, a sound stays silent,
// listening falls back to the typing window; the rest of the program is there.
struct DamagedFile {
    const char* file;
    const char16_t* toldAbout;  // a word of the one box or memo line that tells of it
    bool halfStillWorks;        // cut in half, the file still serves (a shorter sound, a shorter list)
};
const DamagedFile kDamagedFiles[] = {
    {kSettingsFileName, u"設定ファイル", false},  {"KukuGrammar.xml", u"Grammar の読み込みに失敗", false},
    {"Seikai00.wav", u"Seikai00.wav", true},      {"promptA.wav", u"promptA.wav", true},
    {"model/mdef", u"音響モデル", false},         {"model/means", u"音響モデル", false},
    {"model/feat.params", u"音響モデル", false},  {"model/noisedict", u"音響モデル", false},
    {"model/manifest.txt", u"音響モデル", false}, {"RentaboVoice/speaker.txt", u"声のモデル", false},
};

// Each file and each damage is a case of its own, run in a program of its own: a crash or a hang
// of the program is a failure of that case, named, and the other cases still run.
class DamagedFiles : public ::testing::TestWithParam<std::tuple<DamagedFile, Damage>> {};

TEST_P(DamagedFiles, TheProgramStartsSaysOnceWhatIsWrongAndKeepsTheRestWorking) {
    if (!QFile::exists(QStringLiteral(RENTABO_BINARY_DIR "/app/model/mdef")))
        GTEST_SKIP() << "no adapted model";
    const auto& [f, how] = GetParam();
    const QString file = QString::fromLatin1(f.file);
    const std::string name = file.toStdString() + " " + nameOf(how);
    std::mt19937 random(21);
    QTemporaryDir dir;
    ASSERT_TRUE(makeFullProgramFolder(dir.path()));
    ASSERT_TRUE(damage(dir.path() + u'/' + file, how, random));
    QProcessEnvironment env = testing::childEnvironment(dir.path());
    env.insert(QStringLiteral("RENTABO_FAULT_DIR"), dir.path() + u'/');
    env.insert(QStringLiteral("RENTABO_FAULT_TOLD"), QString::fromUtf16(f.toldAbout));
    env.insert(QStringLiteral("RENTABO_FAULT_MENTIONS"),
               how == Damage::Truncated && f.halfStillWorks ? QStringLiteral("0") : QStringLiteral("1"));
    env.insert(QStringLiteral("RENTABO_MODEL_DIR"), dir.path() + QStringLiteral("/model"));
    const Outcome r = runChild(QStringLiteral("DamagedFileChild.*"), env);
    EXPECT_NE(r.code, -1) << "the program " << r.ending.toStdString() << " with " << name << ":\n"
                          << r.output.toStdString();
    EXPECT_TRUE(childPassed(r)) << name << ": " << r.ending.toStdString() << "\n" << r.output.toStdString();
}

INSTANTIATE_TEST_SUITE_P(EachFile, DamagedFiles,
                         ::testing::Combine(::testing::ValuesIn(kDamagedFiles),
                                            ::testing::Values(Damage::Truncated, Damage::Emptied,
                                                              Damage::RandomBytes, Damage::Directory)),
                         [](const ::testing::TestParamInfo<DamagedFiles::ParamType>& info) {
                             std::string name = std::string(std::get<0>(info.param).file) + "_" +
                                                nameOf(std::get<1>(info.param));
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             return name;
                         });

// The program's half: starts from the damaged folder as the program does, answering every box
// the way a child would (OK), and checks what it was told and what still works.
TEST(DamagedFileChild, StartsAndTellsOnce) {
    const QString exeDir = qEnvironmentVariable("RENTABO_FAULT_DIR");
    if (exeDir.isEmpty()) GTEST_SKIP() << "run by DamagedFiles with a damaged program folder";
    const QString told = qEnvironmentVariable("RENTABO_FAULT_TOLD");
    const int toldTimes = qEnvironmentVariableIntValue("RENTABO_FAULT_MENTIONS");
    BoxRecorder recorder;
    Program program = startProgram(StartOptions{exeDir});
    TKukuForm& form = *program.form;
    recorder.watch(form);
    const QStringList& boxes = recorder.boxes;
    QCoreApplication::processEvents();
    const QString memo = form.ui().msgText->toPlainText();

    EXPECT_TRUE(form.isVisible());
    EXPECT_LE(boxes.size(), 1) << boxes.join(u'\n').toStdString();
    // Told once: one box or one memo line says it.
    int mentions = 0;
    for (const QString& line : boxes + memo.split(u'\n')) mentions += line.contains(told) ? 1 : 0;
    EXPECT_EQ(mentions, toldTimes) << "boxes:\n"
                                   << boxes.join(u'\n').toStdString() << "\nmemo:\n"
                                   << memo.toStdString();

    // The rest works: the learner's name is saved and read back at the next start.
    form.state().studentName = QStringLiteral(u"こわれても だいじょうぶ");
    form.close();
    KukuState reread;
    LoadSettings(reread, chooseSettingsPath(exeDir));
    EXPECT_EQ(reread.studentName, QStringLiteral(u"こわれても だいじょうぶ"))
        << boxes.join(u'\n').toStdString();
}

}  // namespace
}  // namespace rentabo
