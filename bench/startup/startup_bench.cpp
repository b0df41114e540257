// Start-up benchmark: the time from starting a process to the main window's first paint.
// The parent starts itself again as a child; the child builds the program's main window exactly
// as the program does and reports when it has painted. Prints the median, the best and the
// worst of the runs.
//   build/bench/startup/startup_bench [RUNS]
#include "app/Startup.h"
#include "app/TKukuForm.h"
#include "tests/support/ScriptedPrompts.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTextStream>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

class FirstPaint final : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint && !m_done) {
            m_done = true;
            std::puts("shown");
            std::fflush(stdout);
            QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
        }
        return false;
    }

private:
    bool m_done = false;
};

int child(int argc, char** argv) {
    QApplication app(argc, argv);
    // The program's own folder in the build, where its grammar, sounds and help lie.
    rentabo::StartOptions options;
    options.exeDir = QCoreApplication::applicationDirPath() + QStringLiteral("/../../app");
    auto program = rentabo::startProgram(options);
    if (!program.form) return 1;
    FirstPaint watcher;
    program.form->installEventFilter(&watcher);
    rentabo::testing::ScriptedPrompts prompts(program.form->boxPrompts());
    prompts.close = [] { return true; };
    program.form->setPrompts(&prompts);
    return app.exec();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::string_view(argv[1]) == "--child") return child(argc, argv);
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        if (!env.contains(QStringLiteral("DISPLAY")))
            env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        p.setProcessEnvironment(env);
        QElapsedTimer t;
        t.start();
        p.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--child")});
        if (!p.waitForReadyRead(30000)) {
            std::fprintf(stderr, "run %d: no window shown\n", i);
            return 1;
        }
        ms.push_back(t.nsecsElapsed() / 1e6);
        p.waitForFinished(10000);
    }
    std::sort(ms.begin(), ms.end());
    std::printf("startup to first paint over %d runs: median %.1f ms, best %.1f ms, worst %.1f ms\n", runs,
                ms[ms.size() / 2], ms.front(), ms.back());
    return 0;
}
