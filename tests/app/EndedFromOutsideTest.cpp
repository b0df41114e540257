// The program ended from outside (the session's log-out, a shutdown, `kill`) in the middle of a
// run, with real processes and real signals: the run stops as Esc stops it, the records are
// saved, and the process is gone within a second, without spinning or growing on the way.
#include "app/Startup.h"
#include "app/TKukuForm.h"
#include "app/TerminationSignals.h"
#include "settings/SettingsFile.h"
#include "tests/support/MainWindowRig.h"
#include "tests/support/RuntimeFolder.h"
#include "tests/support/SilentServices.h"
#include "ui_KukuForm.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>

using namespace rentabo;

namespace {

// Resident memory of a process in kB, 0 once it is gone.
long residentKb(qint64 pid) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').value(0).toLong();
    return 0;
}

// Processor time a process has used, in clock ticks.
long cpuTicks(qint64 pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly)) return 0;
    const QByteArray text = stat.readAll();
    // The fields after the command's closing parenthesis: utime and stime are the 12th and 13th.
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    return fields.value(11).toLong() + fields.value(12).toLong();
}

struct Ending {
    const char* run;    // what the child has going when the signal comes
    int signalNumber;   // the signal sent
    const char* shown;  // the message line once the run is stopped
};

}  // namespace

TEST(EndedFromOutside, ARunStopsAsWithEscTheRecordsAreSavedAndTheProgramEndsAtOnce) {
    const Ending endings[] = {
        {"practice", SIGTERM, "練習を中止しました。"},
        {"practice", SIGHUP, "練習を中止しました。"},
        {"practice-with-a-box", SIGTERM, "練習を中止しました。"},
        {"keyboard", SIGTERM, "テストを中止しました"},
        {"keyboard", SIGHUP, "テストを中止しました"},
        {"spoken", SIGTERM, "テストを中止しました。"},
    };
    for (const Ending& e : endings) {
        SCOPED_TRACE(std::string(e.run) + ", signal " + std::to_string(e.signalNumber));
        QTemporaryDir dir;
        ASSERT_TRUE(rentabo::testing::copyGrammar(dir.path()));
        QProcessEnvironment env = rentabo::testing::childEnvironment(dir.path());
        env.insert(QStringLiteral("RENTABO_OUTSIDE_DIR"), dir.path() + u'/');
        env.insert(QStringLiteral("RENTABO_OUTSIDE_RUN"), QString::fromLatin1(e.run));
        QProcess child;
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--gtest_filter=EndedFromOutsideChild.*")});
        ASSERT_TRUE(child.waitForStarted());
        QByteArray out;
        for (QElapsedTimer t; !out.contains("running\n");) {
            if (!t.isValid()) t.start();
            ASSERT_LT(t.elapsed(), 60000) << out.toStdString();
            ASSERT_EQ(child.state(), QProcess::Running) << out.toStdString();
            child.waitForReadyRead(100);
            out += child.readAllStandardOutput();
        }
        // Some seconds into the run, as a log-out finds it.
        QThread::msleep(3000);
        out += child.readAllStandardOutput();
        const long rssBefore = residentKb(child.processId());
        const long cpuBefore = cpuTicks(child.processId());
        ::kill(static_cast<pid_t>(child.processId()), e.signalNumber);
        QElapsedTimer sinceSignal;
        sinceSignal.start();
        long rssMost = rssBefore;
        long cpuLast = cpuBefore;
        while (child.state() == QProcess::Running && sinceSignal.elapsed() < 5000) {
            rssMost = std::max(rssMost, residentKb(child.processId()));
            cpuLast = std::max(cpuLast, cpuTicks(child.processId()));
            child.waitForFinished(20);
        }
        const qint64 tookMs = sinceSignal.elapsed();
        const bool ended = child.state() != QProcess::Running;
        if (!ended) {
            child.kill();
            child.waitForFinished();
        }
        out += child.readAllStandardOutput();
        std::printf("%s, signal %d: ended after %lld ms; resident %ld -> at most %ld kB; %ld cpu ticks\n",
                    e.run, e.signalNumber, static_cast<long long>(tookMs), rssBefore, rssMost,
                    cpuLast - cpuBefore);
        ASSERT_TRUE(ended) << "still running 5 s after the signal, resident " << rssMost << " kB\n"
                           << out.toStdString();
        // The budget is a second; a busy machine is given some room.
        EXPECT_LT(tookMs, 2000);
        EXPECT_LT(rssMost - rssBefore, 20 * 1024) << "memory grew on the way out";
        EXPECT_EQ(child.exitStatus(), QProcess::NormalExit);
        const qsizetype shownAt = out.indexOf("shown: ");
        EXPECT_TRUE(shownAt >= 0 && out.mid(shownAt, out.indexOf('\n', shownAt) - shownAt).contains(e.shown))
            << out.toStdString();
        EXPECT_TRUE(out.contains("no run going")) << out.toStdString();
        // A first run: the file is there only because the end saved it.
        KukuState saved;
        const LoadResult read = LoadSettings(saved, dir.filePath(QString::fromLatin1(kSettingsFileName)));
        EXPECT_TRUE(read.found);
        EXPECT_EQ(saved.menu_n, e.run[0] == 'p' ? 1 : e.run[0] == 'k' ? 3 : 5);
    }
}

// The program's half: the main window on a silent voice and typed phrases, ended on SIGTERM and
// SIGHUP the way the program wires them, with a run going that the parent chose.
TEST(EndedFromOutsideChild, RunsUntilEndedFromOutside) {
    const QString exeDir = qEnvironmentVariable("RENTABO_OUTSIDE_DIR");
    if (exeDir.isEmpty()) GTEST_SKIP() << "run by EndedFromOutside in a child process";
    const QString run = qEnvironmentVariable("RENTABO_OUTSIDE_RUN");
    KukuServices services = rentabo::testing::silentServices();
    TKukuForm form(std::move(services), exeDir);
    form.show();
    TerminationSignals termination;
    endFromOutsideOn(termination, form);

    QTimer::singleShot(0, &form, [&] {
        const int mode = run.startsWith(u"practice") ? 1 : run == u"keyboard" ? 3 : 5;
        form.ui().ComboBox2->setCurrentIndex(mode);
        Q_EMIT form.ui().ComboBox2->activated(mode);
        if (run == u"practice-with-a-box") {
            // A box is waiting for an answer when the end comes.
            QTimer::singleShot(500, &form, [&] { form.showMessage(u"おしらせ"_qs, u"お知らせ"_qs); });
        }
        std::puts("running");
        std::fflush(stdout);
        form.startLesson();
        if (run == u"spoken") form.reco().acceptTypedPhrase(u"テストはじめ"_qs);
    });
    QApplication::exec();
    form.stopAndSaveAfterEnd();
    std::printf("shown: %s\n", qPrintable(form.ui().StaticText3->text()));
    if (!form.qtPacer().runActive() && form.state().AnsV_wait == VoiceTest::None) std::puts("no run going");
    std::fflush(stdout);
}
