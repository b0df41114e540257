// A screen scaled ×1.25 or ×2 (QT_SCALE_FACTOR, as a family laptop's desktop sets it): the main
// window and the progress window are laid out as at ×1, every widget where it was in the window's
// own pixels (so on the screen its position scales), no text cut off that fitted at ×1, and the
// window drawn at the screen's full resolution. Each scale runs layout-dump in a process of its
// own, since the factor is read once when the application starts.
#include "tests/support/RuntimeFolder.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>

namespace {

struct Layout {
    std::map<std::string, std::string> rects;  // "window/widget" -> "x y w h"
    std::map<std::string, bool> fits;
    std::map<std::string, std::string> grabs;  // window -> "width height<TAB>ratio"
    QString errors;
};

Layout layoutAt(const QString& scale) {
    QTemporaryDir dir;
    // The same desktop at every scale, 1920 × 1200 of the windows' pixels: a screen that many
    // times larger (the windows size themselves to the screen they open on).
    const QString config = dir.filePath(QStringLiteral("screens.json"));
    QFile f(config);
    f.open(QIODevice::WriteOnly);
    f.write(QStringLiteral(R"({"screens": [{"name": "main", "x": 0, "y": 0, "width": %1, "height": %2,
                "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})")
                .arg(std::lround(1920 * scale.toDouble()))
                .arg(std::lround(1200 * scale.toDouble()))
                .toUtf8());
    f.close();
    QProcessEnvironment env = rentabo::testing::childEnvironment(dir.path());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen:configfile=") + config);
    env.insert(QStringLiteral("QT_SCALE_FACTOR"), scale);
    QProcess dump;
    dump.setProcessEnvironment(env);
    dump.start(QStringLiteral(RENTABO_BINARY_DIR "/tests/app/layout-dump"), {});
    Layout layout;
    if (!dump.waitForFinished(60000) || dump.exitCode() != 0) {
        layout.errors =
            QStringLiteral("layout-dump failed: ") + QString::fromLocal8Bit(dump.readAllStandardError());
        return layout;
    }
    QTextStream out(dump.readAllStandardOutput());
    QString line;
    while (out.readLineInto(&line)) {
        const QStringList cols = line.split(u'\t');
        if (cols.size() < 2) continue;
        if (cols[1] == QStringLiteral("grab") && cols.size() == 4) {
            layout.grabs[cols[0].toStdString()] = (cols[2] + u'\t' + cols[3]).toStdString();
        } else if (cols.size() == 4) {
            const std::string key = (cols[0] + u'/' + cols[1]).toStdString();
            layout.rects[key] = cols[2].toStdString();
            layout.fits[key] = cols[3] == QStringLiteral("1");
        } else {
            layout.errors += line + u'\n';
        }
    }
    return layout;
}

}  // namespace

TEST(ScaledScreen, TheMainAndProgressWindowsAreLaidOutAsAtOne) {
    Layout one = layoutAt(QStringLiteral("1"));
    ASSERT_TRUE(one.errors.isEmpty()) << one.errors.toStdString();
    ASSERT_TRUE(one.rects.count("main/Edit2"));
    ASSERT_TRUE(one.rects.count("progress/window"));
    for (const QString& scale : {QStringLiteral("1.25"), QStringLiteral("2")}) {
        Layout scaled = layoutAt(scale);
        ASSERT_TRUE(scaled.errors.isEmpty()) << scale.toStdString() << ": " << scaled.errors.toStdString();
        EXPECT_EQ(scaled.rects.size(), one.rects.size()) << scale.toStdString() << ": other widgets shown";
        for (const auto& [widget, rect] : one.rects) {
            EXPECT_EQ(scaled.rects[widget], rect) << scale.toStdString() << " " << widget;
            if (one.fits.at(widget)) {
                EXPECT_TRUE(scaled.fits[widget])
                    << scale.toStdString() << " " << widget << ": its text no longer fits";
            }
        }
        // Drawn at the screen's resolution: as many pixels as the window's size times the scale.
        for (const std::string window : {"main", "progress"}) {
            const QStringList size = QString::fromStdString(one.rects.at(window + "/window")).split(u' ');
            ASSERT_EQ(size.size(), 4);
            const double s = scale.toDouble();
            const std::string expected = QStringLiteral("%1 %2\t%3")
                                             .arg(std::lround(size[2].toInt() * s))
                                             .arg(std::lround(size[3].toInt() * s))
                                             .arg(scale)
                                             .toStdString();
            EXPECT_EQ(scaled.grabs[window], expected) << scale.toStdString() << " " << window;
        }
    }
}
