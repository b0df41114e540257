// The windows a family sees first, on the screens families have: the main window and the
// progress window open wholly on the screen, with every part of the progress window in sight.
// Run on one screen of each common size (RENTABO_TEST_SCREEN) at device pixel ratios 1 and 2
// (QT_SCALE_FACTOR), as well as on the two screens of the other window tests.
#include "app/RentaboApplication.h"
#include "app/TKukuForm.h"
#include "app/TSplashFForm.h"
#include "core/KukuTables.h"
#include "records/GanbariForm.h"
#include "tests/TestOutput.h"
#include "tests/records/HistoryRig.h"
#include "tests/records/RecordingHost.h"
#include "tests/support/MainWindowRig.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>

#include <gtest/gtest.h>

using namespace rentabo;
using namespace rentabo::testing;

namespace {

QString screenName() {
    const QScreen* s = QGuiApplication::primaryScreen();
    return QStringLiteral("%1x%2@%3")
        .arg(s->geometry().width())
        .arg(s->geometry().height())
        .arg(s->devicePixelRatio());
}

// Inside `outer`, said with the rectangles when it is not.
::testing::AssertionResult inside(const QRectF& inner, const QRectF& outer) {
    if (outer.contains(inner)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "(" << inner.x() << "," << inner.y() << " " << inner.width()
                                         << "×" << inner.height() << ") not inside (" << outer.x() << ","
                                         << outer.y() << " " << outer.width() << "×" << outer.height() << ")";
}

const LearnerId kLearner{QStringLiteral(u"わたなべ ゆういちろう"), 1234567};

// Every fact answered, some often missed and slow: long lists, a full chart.
void fillHistory(HistoryStore& store, const QDate& today) {
    for (int day = 20; day >= 0; --day)
        for (int k = 0; k < 81; k += 1 + day % 3)
            store.add(answerRow(QDateTime(today.addDays(-day), QTime(17, 0)), kLearner, k,
                                (k + day) % 5 == 0 ? AnswerOutcome::Wrong : AnswerOutcome::Right,
                                800 + 60 * k));
}

}  // namespace

TEST(ScreenFit, TheMainWindowOpensWhollyOnTheScreen) {
    // Where it stood last time on a larger screen, as the settings file keeps it.
    for (const char* place : {"200,200", "0,0", "-300,900", "1500,100"}) {
        const QList<QByteArray> xy = QByteArray(place).split(',');
        MainWindowRig rig(MainWindowRig::Grammar::None,
                          "[POSITION]\r\nLEFT=" + xy[0] + "\r\nTOP=" + xy[1] + "\r\n");
        TKukuForm& form = *rig.form;
        QApplication::processEvents();
        const QScreen* screen = form.screen();
        const QRect avail = screen->availableGeometry();
        const QRect frame = form.frameGeometry();
        // Wholly on the screen where it fits; where it cannot (a screen smaller than the window),
        // its top-left corner, with the menu and the name box, is on it.
        if (frame.width() <= avail.width() && frame.height() <= avail.height())
            EXPECT_TRUE(inside(frame, avail)) << screenName().toStdString() << " from " << place;
        else
            EXPECT_TRUE(avail.contains(frame.topLeft())) << screenName().toStdString() << " from " << place;
        // The settings keep the place as it was read.
        EXPECT_EQ(form.state().winLeft, xy[0].toInt());
        EXPECT_EQ(form.state().winTop, xy[1].toInt());
    }
}

TEST(ScreenFit, TheProgressWindowShowsEveryPartWhenItOpens) {
    HistoryFolder h;
    const QDate today(2026, 3, 20);
    fillHistory(h.store(), today);
    RecordingHost host;
    TGanbariForm form(h.store(), kLearner, today, host, true);
    form.show();
    QApplication::processEvents();
    const std::string on = screenName().toStdString();
    const QRect available = form.screen()->availableGeometry();
    EXPECT_TRUE(inside(form.frameGeometry(), available)) << on;
    const QRectF visible(form.rect());
    auto* map = form.findChild<FactHeatMap*>();
    auto* chart = form.findChild<DayChart*>();
    ASSERT_TRUE(map && chart);
    const MapLayout layout = map->mapLayout();
    auto inWindow = [&](QWidget* w, const QRectF& r) { return r.translated(w->mapTo(&form, QPoint(0, 0))); };
    for (int a = 1; a <= 9; ++a) {
        EXPECT_TRUE(inside(inWindow(map, layout.rowHeading(a)), visible)) << on << " row " << a;
        EXPECT_TRUE(inside(inWindow(map, layout.cellRect((a - 1) * 9 + 8)), visible)) << on << " row " << a;
    }
    for (int i = 0; i < MapLayout::kLegendLines; ++i)
        EXPECT_TRUE(inside(inWindow(map, layout.legendLine(i)), visible)) << on << " legend line " << i;
    // Inside the map's own widget too, where nothing else is drawn over it.
    EXPECT_TRUE(inside(layout.bounds(), QRectF(map->rect()))) << on;
    EXPECT_TRUE(inside(inWindow(chart, chart->titleRect()), visible)) << on;
    EXPECT_TRUE(inside(QRectF(chart->titleRect()), QRectF(chart->rect()))) << on;
    for (const char* list : {"slowest", "mostMissed", "title"}) {
        auto* label = form.findChild<QLabel*>(QString::fromLatin1(list));
        EXPECT_TRUE(inside(inWindow(label, QRectF(label->rect())), visible)) << on << " " << list;
        EXPECT_GE(label->height(), label->sizeHint().height()) << on << " " << list << " cut";
    }
    // Type large enough for a child to read in every cell.
    EXPECT_GE(layout.cell(), 40) << on;
    if (qEnvironmentVariable("RENTABO_TEST_SCREEN") == QStringLiteral("1366x768"))
        form.grab().save(testOutputPath(QStringLiteral("progress-%1.png").arg(screenName())));

    // It grows and shrinks with the window, down to a least size where all is still there.
    const double opened = layout.cell();
    form.resize(form.minimumSize());
    QApplication::processEvents();
    const MapLayout small = map->mapLayout();
    EXPECT_LT(small.cell(), opened) << on;
    EXPECT_GE(small.cell(), 32) << on;
    EXPECT_TRUE(inside(small.bounds(), QRectF(map->rect()))) << on;
    EXPECT_TRUE(inside(QRectF(chart->titleRect()), QRectF(chart->rect()))) << on;
    EXPECT_LE(form.minimumSize().width(), 1000);
    EXPECT_LE(form.minimumSize().height(), 600);
}

TEST(StockDialogs, QtsOwnButtonsSpeakJapaneseWhateverTheDesktopsLanguage) {
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    ASSERT_TRUE(installJapanese()) << "Qt's Japanese translations (qt6-translations-l10n) are missing";
    QMessageBox box(QMessageBox::Question, QStringLiteral(u"ご確認"), QStringLiteral(u"終了しますか？"),
                    QMessageBox::Ok | QMessageBox::Cancel);
    EXPECT_EQ(box.button(QMessageBox::Cancel)->text(), QStringLiteral(u"キャンセル"));
    QDialogButtonBox buttons(QDialogButtonBox::Save | QDialogButtonBox::Cancel);
    EXPECT_EQ(buttons.button(QDialogButtonBox::Cancel)->text(), QStringLiteral(u"キャンセル"));
    EXPECT_EQ(buttons.button(QDialogButtonBox::Save)->text(), QStringLiteral(u"保存"));
}

TEST(Splash, ItsNoticeLiesInsideTheYellowPanelInEveryJapaneseFontOfTheMachine) {
    auto* splash = new TSplashFForm;
    auto* panel = splash->findChild<QLabel*>(QStringLiteral("Label1"));
    ASSERT_TRUE(panel);
    const QString text = panel->text();
    // The panel with the blue all round it, and the text clear of the panel's right edge.
    const QRect inner = splash->rect().adjusted(8, 8, -8, -8);
    EXPECT_TRUE(inner.contains(panel->geometry()));
    const QSize room = inner.size() - QSize(8, 0);
    QStringList families = QFontDatabase::families(QFontDatabase::Japanese);
    families << QFont(QStringLiteral("IPAGothic")).defaultFamily();
    ASSERT_FALSE(families.isEmpty());
    for (const QString& family : families) {
        QFont wanted(family);
        wanted.setPixelSize(21);
        wanted.setBold(true);
        const QFont fitted = TSplashFForm::fittedFont(wanted, text, room);
        const QSize need = QFontMetrics(fitted).size(0, text);
        EXPECT_LE(need.width(), room.width()) << family.toStdString();
        EXPECT_LE(need.height(), room.height()) << family.toStdString();
        EXPECT_GE(fitted.pixelSize(), 12) << family.toStdString();
    }
    splash->show();
    const QImage shown = splash->grab().toImage();
    // The blue border below the panel, and the widest line short of the panel's right edge.
    EXPECT_EQ(shown.pixelColor(shown.width() / 2, shown.height() - 3), QColor(0, 0, 255));
    int widest = 0;
    for (const QString& line : text.split(u'\n'))
        widest = std::max(widest, panel->fontMetrics().horizontalAdvance(line));
    EXPECT_LE(widest, panel->width() - 6);
    EXPECT_LE(panel->fontMetrics().size(0, text).height(), panel->height());
    splash->closeAfterItsTime();
}
