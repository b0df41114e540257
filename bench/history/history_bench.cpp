// History benchmark: with 100 000 answers in the learner's history, the time to open the progress
// window (reading the history, building the window, its first paint) and to record one answer.
// Prints the median, best and worst of each.
//   build/bench/history/history_bench [RUNS] [ANSWERS]
#include "records/GanbariForm.h"
#include "records/HistoryLog.h"
#include "records/RecordsHost.h"
#include "tools/ganbari-shot/SampleHistory.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

void report(const char* what, std::vector<double> ms) {
    std::sort(ms.begin(), ms.end());
    std::printf("%-34s median %8.3f ms   best %8.3f ms   worst %8.3f ms   (%zu runs)\n", what,
                ms[ms.size() / 2], ms.front(), ms.back(), ms.size());
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("DISPLAY")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    const int target = argc > 2 ? std::max(1, std::atoi(argv[2])) : 100000;
    QTemporaryDir dir;
    auto opened = rentabo::HistoryStore::open(dir.filePath(QString::fromLatin1(rentabo::kHistoryFileName)));
    if (!opened.store) return 1;
    rentabo::HistoryStore& store = *opened.store;
    const rentabo::LearnerId who{QStringLiteral(u"くく はじめ"), 1234567};
    const QDate today(2026, 3, 20);

    QElapsedTimer fill;
    fill.start();
    // About 240 answers a day over a year and a half, then the rest on the last day.
    int written = rentabo::sample::fillHistory(store, who, today.addDays(-1), std::max(1, target / 190), 240);
    while (written < target)
        written +=
            rentabo::sample::fillHistory(store, who, today, 1, std::min(240, target - written), written);
    std::printf("history: %d answers of one learner (written in %.1f s)\n", store.answerCount(who),
                fill.elapsed() / 1000.0);

    rentabo::sample::SilentHost host;
    std::vector<double> openMs;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        rentabo::TGanbariForm form(store, who, today, host, true);
        form.resize(form.sizeHint());
        form.show();
        // The first paint, done at once rather than when the event loop comes to it.
        form.grab();
        openMs.push_back(t.nsecsElapsed() / 1e6);
    }
    report("open the progress window", openMs);

    rentabo::KukuState state;
    state.studentName = who.name;
    state.indivNum = who.number;
    state.menu_n = 3;
    QDateTime clock(today, QTime(18, 0));
    rentabo::HistoryLog log(store, state, [&clock] { return clock; });
    std::vector<double> recordMs;
    for (int i = 0; i < std::max(runs, 200); ++i) {
        rentabo::JudgedAnswer a;
        a.kuku_n = i % 81;
        a.given = (i % 9 + 1) * (i % 81 / 9 + 1);
        a.outcome = rentabo::AnswerOutcome::Right;
        a.answerMs = 1500;
        clock = clock.addMSecs(2000);
        QElapsedTimer t;
        t.start();
        log.answerJudged(a);
        recordMs.push_back(t.nsecsElapsed() / 1e6);
    }
    report("record one answer", recordMs);
    return 0;
}
