// Makes the screenshot of the がんばりの記録 window with several weeks of a made-up history, as it
// opens on a screen of the given size, and the page it prints (as PDF, and as PNG through
// pdftoppm when PAGE ends in .png):
//   build/tools/ganbari-shot/ganbari-shot OUT.png [DAYS] [--screen 1366x768] [--page PAGE.png|.pdf]
// Runs offscreen (on one screen of that size) when there is no display. The history is written to
// a temporary folder.
#include "records/GanbariForm.h"
#include "records/RecordsHost.h"
#include "tools/ganbari-shot/SampleHistory.h"

#include <QApplication>
#include <QFile>
#include <QPrinter>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

namespace {

// With no display the window is drawn offscreen, on one screen of the size "WxH" (described in a
// file in dir); false when the size is malformed.
bool drawOffscreen(const QTemporaryDir& dir, const QString& screen) {
    const QStringList wh = screen.split(u'x');
    QFile config(dir.filePath(QStringLiteral("screens.json")));
    if (wh.size() != 2 || !config.open(QIODevice::WriteOnly)) {
        std::fprintf(stderr, "bad --screen %s\n", qPrintable(screen));
        return false;
    }
    config.write(QStringLiteral(R"({"screens": [{"name": "shot", "x": 0, "y": 0, "width": %1, "height": %2, )"
                                R"("logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})")
                     .arg(wh[0].toInt())
                     .arg(wh[1].toInt())
                     .toUtf8());
    config.close();
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + config.fileName().toLocal8Bit());
    return true;
}

// Prints the window's page to PAGE: a PDF, or a PNG (through pdftoppm) when PAGE ends in .png.
int printPage(rentabo::TGanbariForm& form, const QString& pagePath, const QTemporaryDir& dir) {
    const bool png = pagePath.endsWith(QStringLiteral(".png"));
    const QString pdf = png ? dir.filePath(QStringLiteral("page.pdf")) : pagePath;
    QPrinter printer(QPrinter::HighResolution);
    form.preparePrinter(printer);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    if (!form.printTo(printer)) {
        std::fprintf(stderr, "could not print to %s\n", qPrintable(pdf));
        return 1;
    }
    if (png) {
        // A small picture of the sheet: 60 dots per inch.
        QString stem = pagePath;
        stem.chop(4);
        const int rc = QProcess::execute(QStringLiteral("pdftoppm"),
                                         {QStringLiteral("-r"), QStringLiteral("60"), QStringLiteral("-png"),
                                          QStringLiteral("-singlefile"), pdf, stem});
        if (rc != 0) {
            std::fprintf(stderr, "pdftoppm failed (%d): is poppler-utils installed?\n", rc);
            return 1;
        }
    }
    std::printf("%s: the printed page\n", qPrintable(pagePath));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    QStringList args;
    for (int i = 1; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
    auto option = [&](const QString& name, const QString& fallback) {
        const qsizetype at = args.indexOf(name);
        if (at < 0 || at + 1 >= args.size()) return fallback;
        const QString value = args[at + 1];
        args.remove(at, 2);
        return value;
    };
    const QString screen = option(QStringLiteral("--screen"), QStringLiteral("1366x768"));
    const QString pagePath = option(QStringLiteral("--page"), QString());
    if (args.isEmpty()) {
        std::fprintf(stderr, "usage: ganbari-shot OUT.png [DAYS] [--screen WxH] [--page PAGE.png|.pdf]\n");
        return 2;
    }
    QTemporaryDir dir;
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        !drawOffscreen(dir, screen))
        return 2;
    QApplication app(argc, argv);
    const int days = args.size() > 1 ? args[1].toInt() : 35;
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
    // As it opens: the window sizes itself to the screen.
    form.show();
    QApplication::processEvents();
    if (!form.grab().save(args[0])) {
        std::fprintf(stderr, "could not write %s\n", qPrintable(args[0]));
        return 1;
    }
    std::printf("%s: %dx%d, %d answers, %d due today\n", qPrintable(args[0]), form.width(), form.height(),
                form.report().answers, static_cast<int>(form.report().dueToday.size()));
    if (pagePath.isEmpty()) return 0;
    return printPage(form, pagePath, dir);
}
