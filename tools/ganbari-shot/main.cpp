// Makes the screenshot of the がんばりの記録 window with several weeks of a made-up history:
//   build/tools/ganbari-shot/ganbari-shot OUT.png [DAYS]
// Runs offscreen when there is no display. The history is written to a temporary folder.
#include "records/GanbariForm.h"
#include "records/RecordsHost.h"
#include "tools/ganbari-shot/SampleHistory.h"

#include <QApplication>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

namespace {}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: ganbari-shot OUT.png [DAYS]\n");
        return 2;
    }
    const int days = argc > 2 ? std::atoi(argv[2]) : 35;
    QTemporaryDir dir;
    auto opened = rentabo::HistoryStore::open(dir.filePath(QString::fromLatin1(rentabo::kHistoryFileName)));
    if (!opened.store) {
        std::fprintf(stderr, "%s\n", qPrintable(opened.notice));
        return 1;
    }
    const rentabo::LearnerId who{QStringLiteral(u"くく はじめ"), 1234567};
    const QDate today(2026, 3, 20);
    rentabo::sample::fillHistory(*opened.store, who, today, days, 27);
    rentabo::sample::SilentHost host;
    rentabo::TGanbariForm form(*opened.store, who, today, host, true);
    form.resize(form.sizeHint());
    form.show();
    QApplication::processEvents();
    if (!form.grab().save(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "could not write %s\n", argv[1]);
        return 1;
    }
    std::printf("%s: %d answers, %d due today\n", argv[1], form.report().answers,
                static_cast<int>(form.report().dueToday.size()));
    return 0;
}
