#include "app/Fonts.h"
#include "core/KukuTables.h"
#include "core/QuestionBoard.h"
#include "lessons/TDanCalcForm.h"
#include "speech/Speaker.h"
#include "tests/support/RecordingBoard.h"
#include "tests/support/Text.h"
#include "tests/support/VirtualPacer.h"
#include "tests/support/VirtualVoice.h"

#include "tests/TestOutput.h"

#include <QAction>
#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <set>

using namespace rentabo;

namespace {

const QColor kGrey(128, 128, 128);
const QColor kYellow(255, 255, 0);
const QColor kRed(255, 0, 0);
const QColor kBlue(0, 0, 255);
const QColor kBlack(0, 0, 0);

// The main window as the chart sees it: its state, its voice on the virtual clock and the
// callbacks, counted.
struct ChartRig {
    explicit ChartRig(int chartFromLesson, int mokuji_n, const QString& errors, bool weakPoints = false) {
        installJapaneseFonts();
        voice.fixedDurationMs = 1000;
        state.chartFromLesson = chartFromLesson;
        state.mokuji_n = mokuji_n;
        state.errorsStr = errors;
        ChartCallbacks callbacks;
        callbacks.openSettings = [this]() -> QWidget* {
            ++settingsOpened;
            return nullptr;
        };
        callbacks.clearMainScreen = [this] { ++screenCleared; };
        if (weakPoints)
            callbacks.openWeakPoints = [this]() -> QWidget* {
                ++weakPointsOpened;
                return nullptr;
            };
        form = std::make_unique<TDanCalcForm>(state, speaker, pacer, &effects, callbacks);
    }

    template <typename T>
    T* child(const char* name) {
        T* w = form->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    QImage gridImage() { return form->grid().grab().toImage(); }
    // A pixel near the top-left corner of a cell, clear of its text.
    static QPoint cornerOf(int fact) { return ChartGrid::cellRect(fact).topLeft() + QPoint(4, 4); }
    void clickCell(int fact) {
        QTest::mouseClick(&form->grid(), Qt::LeftButton, {}, ChartGrid::cellRect(fact).center());
    }

    KukuState state;
    VirtualPacer pacer;
    VirtualVoice voice{pacer};
    Speaker speaker{state, voice, pacer};
    RecordingEffects effects;
    int settingsOpened = 0;
    int screenCleared = 0;
    int weakPointsOpened = 0;
    std::unique_ptr<TDanCalcForm> form;
};

QStringList readingsOf(std::vector<int> facts, int times = 1) {
    QStringList out;
    for (int n = 0; n < times; ++n)
        for (int k : facts) out << MakeYomi(k, 1);
    return out;
}

std::vector<int> rowFacts(int d) {
    std::vector<int> facts;
    for (int b = 0; b < 9; ++b) facts.push_back((d - 1) * 9 + b);
    return facts;
}

}  // namespace

TEST(ChartWindow, PaintsEachColumnAndCellInTheColourOfItsChoiceAndTheWeakList) {
    struct Case {
        const char* name;
        int chartFromLesson;
        int mokuji_n;
        QString errors;
        std::set<int> activeColumns;
        std::set<int> blackFacts;
    };
    const std::set<int> all{0, 1, 2, 3, 4, 5, 6, 7, 8};
    const Case cases[] = {
        {"from the menu, no weak facts", 0, 10, QString(), all, {}},
        {"from the menu, 2×5 to 2×8 weak", 0, 10, QStringLiteral("13:14:15:16:"), all, {13, 14, 15, 16}},
        {"lesson, 中級", 1, 10, QStringLiteral("13:14:15:16:"), {2, 3, 5}, {}},
        {"lesson, 初級 with 2×5 to 2×8 weak",
         1,
         9,
         QStringLiteral("13:14:15:16:"),
         {0, 1, 4},
         {13, 14, 15, 16}},
        {"lesson, 上級", 1, 11, QString(), {6, 7, 8}, {}},
        {"lesson, 全段", 1, 12, QStringLiteral("80:"), all, {80}},
        {"lesson, 五の段 (third in the list)", 1, 2, QStringLiteral("36:"), {4}, {36}},
        {"lesson, 七の段 (eighth in the list)", 1, 7, QString(), {6}, {}},
        {"lesson, a choice that does not exist", 1, 13, QStringLiteral("13:"), {}, {}},
        {"whole entries only: 3 is not 13", 0, 0, QStringLiteral("3:"), all, {3}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ChartRig rig(c.chartFromLesson, c.mokuji_n, c.errors);
        const QImage img = rig.gridImage();
        for (int column = 0; column < 9; ++column) {
            const bool active = c.activeColumns.count(column) > 0;
            const QPoint header = ChartGrid::headerRect(column).topLeft() + QPoint(3, 3);
            EXPECT_EQ(img.pixelColor(header), active ? kYellow : kGrey) << "header of column " << column;
            for (int fact = column * 9; fact < column * 9 + 9; ++fact) {
                QColor expected = kGrey;
                if (active)
                    expected = c.blackFacts.count(fact) ? kBlack : ((column + 1) % 2 == 0 ? kRed : kBlue);
                EXPECT_EQ(img.pixelColor(ChartRig::cornerOf(fact)), expected) << "fact " << fact;
            }
        }
    }
}

TEST(ChartWindow, OffersTheWeakReadingOnlyWhenOpenedFromTheMenu) {
    struct Case {
        int chartFromLesson;
        bool weakCallback;
        bool weakReadingShown;
        bool weakListShown;
    };
    const Case cases[] = {
        {0, false, true, false}, {1, false, false, false}, {1, true, false, false}, {0, true, true, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.chartFromLesson * 10 + c.weakCallback);
        ChartRig rig(c.chartFromLesson, 10, QString(), c.weakCallback);
        rig.form->show();
        EXPECT_EQ(rig.child<QPushButton>("SpeedButton11")->isVisible(), c.weakReadingShown);
        EXPECT_EQ(rig.child<QPushButton>("WeakListButton")->isVisible(), c.weakListShown);
        // Mode 1 hides the weak points in the menu too.
        bool listInMenu = false;
        for (const QAction* a : rig.form->findChildren<QAction*>())
            listInMenu |= a->text() == QStringLiteral(u"にが手リスト(&L)");
        EXPECT_EQ(listInMenu, c.weakListShown);
        if (c.weakListShown) {
            rig.child<QPushButton>("WeakListButton")->click();
            EXPECT_EQ(rig.weakPointsOpened, 1);
        }
        rig.child<QPushButton>("SpeedButton12")->click();
        EXPECT_EQ(rig.settingsOpened, 1);
    }
}

TEST(ChartWindow, IsAnAlwaysOnTopWindowWithItsFullClientAreaBesideTheMainWindow) {
    ChartRig rig(0, 0, QString());
    rig.form->placeBeside(QRect(200, 150, 900, 700));
    rig.form->show();
    EXPECT_EQ(rig.form->windowTitle(), QStringLiteral(u"■段全部の計算"));
    EXPECT_TRUE(rig.form->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(rig.form->pos(), QPoint(260, 150));
    // The menu bar must not eat into the 1212 × 812 the chart is laid out in.
    QWidget* client = rig.child<QWidget>("client");
    EXPECT_EQ(client->size(), QSize(1212, 812));
    EXPECT_GE(rig.form->height(), 812 + rig.form->findChild<QMenuBar*>()->height());
    EXPECT_EQ(rig.form->grid().geometry(), QRect(16, 114, 1188, 680));
    EXPECT_EQ(rig.child<QLabel>("Panel2")->text(), QStringLiteral(u"声に出しておぼえるといいよ。"));
    EXPECT_FALSE(rig.child<QLabel>("Panel3")->isVisible());
    EXPECT_FALSE(rig.child<QPushButton>("GuruguruButton")->isVisible());
}

TEST(ChartWindow, EachControlReadsWhatItShowsAtItsRepeatCount) {
    struct Case {
        const char* name;
        bool repeat;
        QString errors;
        std::function<void(ChartRig&)> act;
        QStringList said;
        int prompts;
    };
    const Case cases[] = {
        {"a cell", false, QString(), [](ChartRig& r) { r.clickCell(22); }, readingsOf({22}), 0},
        {"a cell with repeat", true, QString(), [](ChartRig& r) { r.clickCell(22); }, readingsOf({22}, 5), 0},
        {"a cell in a grey column", false, QString(),
         [](ChartRig& r) {
             r.form->grid().setSource(&r.state, 1);  // as lesson mode 1 with 中級: column 1 is grey
             r.clickCell(0);
         },
         readingsOf({0}), 0},
        {"the header row reads nothing",
         false,
         QString(),
         [](ChartRig& r) {
             QTest::mouseClick(&r.form->grid(), Qt::LeftButton, {}, ChartGrid::headerRect(3).center());
         },
         {},
         0},
        {"▼ of 三の段", false, QString(), [](ChartRig& r) { r.child<QPushButton>("SpeedButton3")->click(); },
         readingsOf(rowFacts(3)), 0},
        {"▼ of 八の段 with repeat", true, QString(),
         [](ChartRig& r) { r.child<QPushButton>("SpeedButton8")->click(); }, readingsOf(rowFacts(8), 2), 0},
        {"にが手", false, QStringLiteral("13:14:"),
         [](ChartRig& r) { r.child<QPushButton>("SpeedButton11")->click(); }, readingsOf({13, 14}), 1},
        {"にが手 with repeat", true, QStringLiteral("13:14:"),
         [](ChartRig& r) { r.child<QPushButton>("SpeedButton11")->click(); }, readingsOf({13, 14}, 3), 1},
        {"にが手 with an empty list",
         false,
         QString(),
         [](ChartRig& r) { r.child<QPushButton>("SpeedButton11")->click(); },
         {},
         1},
        {"にが手 skipping pieces that are no fact", false, QStringLiteral("5:abc:90:"),
         [](ChartRig& r) { r.child<QPushButton>("SpeedButton11")->click(); }, readingsOf({5}), 1},
        {"a voice command for a row", false, QString(), [](ChartRig& r) { r.form->DanRead(9); },
         readingsOf(rowFacts(9)), 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ChartRig rig(0, 10, c.errors);
        rig.form->show();
        if (c.repeat) rig.child<QPushButton>("SpeedButton10")->click();
        EXPECT_EQ(rig.form->repeatOn(), c.repeat);
        c.act(rig);
        EXPECT_EQ(rig.voice.texts(), c.said);
        EXPECT_EQ(static_cast<int>(rig.effects.played.size()), c.prompts);
        EXPECT_FALSE(rig.child<QLabel>("Panel3")->isVisible()) << "the marker is hidden after reading";
    }
}

TEST(ChartWindow, RepeatToggleShowsItsStateInTheCaptionColour) {
    ChartRig rig(0, 0, QString());
    QPushButton* repeat = rig.child<QPushButton>("SpeedButton10");
    const QColor expected[] = {kBlue, kRed, kBlue};
    for (int clicks = 0; clicks < 3; ++clicks) {
        SCOPED_TRACE(clicks);
        EXPECT_EQ(repeat->palette().color(QPalette::ButtonText), expected[clicks]);
        EXPECT_EQ(rig.form->repeatOn(), clicks % 2 == 1);
        repeat->click();
    }
    // A new opening starts with repeat off.
    ChartRig again(0, 0, QString());
    EXPECT_FALSE(again.form->repeatOn());
}

TEST(ChartWindow, TheMarkerSitsInsideTheCellBeingRead) {
    ChartRig rig(0, 0, QString());
    rig.form->show();
    QLabel* marker = rig.child<QLabel>("Panel3");
    std::vector<int> seen;
    // Each fact takes 1000 ms of speech: sample the marker in the middle of each.
    for (int n = 0; n < kFacts; ++n) {
        rig.pacer.at(n * 1000 + 500, [&, n] {
            SCOPED_TRACE(n);
            ASSERT_TRUE(marker->isVisible());
            const QRect inGrid(rig.form->grid().mapFrom(marker->parentWidget(), marker->pos()),
                               marker->size());
            EXPECT_TRUE(ChartGrid::cellRect(rig.form->cur()).contains(inGrid))
                << "fact " << rig.form->cur() << " marker at " << inGrid.x() << "," << inGrid.y();
            seen.push_back(rig.form->cur());
        });
    }
    for (int d = 1; d <= 9; ++d) rig.form->DanRead(d);
    ASSERT_EQ(seen.size(), 81u);
    for (int n = 0; n < kFacts; ++n) EXPECT_EQ(seen[static_cast<std::size_t>(n)], n);
}

TEST(ChartWindow, EveryWayOfClosingMarksItClosedAndClearsTheMainScreen) {
    struct Case {
        const char* name;
        std::function<void(ChartRig&)> close;
    };
    const Case cases[] = {
        {"閉じる button", [](ChartRig& r) { r.child<QPushButton>("Button1")->click(); }},
        {"menu item",
         [](ChartRig& r) {
             QMenu* menu = r.form->findChild<QMenuBar*>()->actions().front()->menu();
             ASSERT_NE(menu, nullptr);
             EXPECT_EQ(menu->title(), QStringLiteral(u"表示(&V)"));
             menu->actions().back()->trigger();
         }},
        {"close box", [](ChartRig& r) { r.form->close(); }},
        {"Esc", [](ChartRig& r) { QTest::keyClick(r.form.get(), Qt::Key_Escape); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ChartRig rig(1, 10, QString());
        EXPECT_EQ(rig.state.chartOpen, 1);
        rig.form->show();
        c.close(rig);
        EXPECT_FALSE(rig.form->isVisible());
        EXPECT_EQ(rig.state.chartOpen, 0);
        EXPECT_EQ(rig.screenCleared, 1);
    }
}

TEST(ChartWindow, AReadingRunsToItsEndBeforeAnythingElse) {
    ChartRig rig(0, 0, QString());
    rig.form->show();
    bool secondStarted = true;
    bool closedMidway = true;
    rig.pacer.at(1500, [&] {
        // A voice command and a close arrive while row 2 is being read.
        secondStarted = rig.form->DanRead(5);
        rig.form->close();
        closedMidway = !rig.form->isVisible();
    });
    EXPECT_TRUE(rig.form->DanRead(2));
    EXPECT_FALSE(secondStarted);
    EXPECT_FALSE(closedMidway);
    EXPECT_EQ(rig.state.chartOpen, 1);
    EXPECT_EQ(rig.voice.texts(), readingsOf(rowFacts(2)));
    // Once the reading is over the chart closes as usual.
    rig.form->close();
    EXPECT_EQ(rig.state.chartOpen, 0);
}

TEST(ChartWindow, ChartOpenNeverOutlivesTheWindow) {
    KukuState* state = nullptr;
    {
        ChartRig rig(0, 0, QString());
        state = &rig.state;
        EXPECT_EQ(state->chartOpen, 1);
        rig.form.reset();
        EXPECT_EQ(state->chartOpen, 0);
        EXPECT_EQ(rig.screenCleared, 0);
    }
}

TEST(ChartWindow, GrabShowsTheTitleTheGridAndItsJapaneseText) {
    ChartRig rig(1, 10, QStringLiteral("13:14:15:16:"));
    rig.form->show();
    const QImage shot = rig.form->grab().toImage();
    shot.save(testOutputPath(QStringLiteral("chart.png")));
    const QImage grid = rig.gridImage();
    // White text is drawn in each coloured cell and dark text in each header.
    for (int fact : {18, 27, 45}) {
        const QRect r = ChartGrid::cellRect(fact);
        int white = 0;
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x) white += grid.pixelColor(x, y) == QColor(Qt::white);
        EXPECT_GT(white, 100) << "fact " << fact;
    }
    QLabel* title = rig.child<QLabel>("Panel1");
    const QImage titleImage = title->grab().toImage();
    int blue = 0;
    for (int y = 0; y < titleImage.height(); ++y)
        for (int x = 0; x < titleImage.width(); ++x) blue += titleImage.pixelColor(x, y) == kBlue;
    EXPECT_GT(blue, 500) << "the title's blue lettering";
    EXPECT_EQ(titleImage.pixelColor(6, titleImage.height() / 2), kYellow);
}

TEST(ChartWindow, WindowsOpenedFromTheChartTakeInputWhileTheMainWindowWaits) {
    QWidget mainWindow;
    mainWindow.setGeometry(100, 100, 400, 300);
    QPushButton mainButton(QStringLiteral(u"始める"), &mainWindow);
    // The settings and weak-point windows are tool windows of the main window.
    QWidget settings(&mainWindow, Qt::Tool);
    QPushButton settingsButton(QStringLiteral(u"ふつう"), &settings);
    settings.setGeometry(600, 100, 200, 100);
    mainWindow.show();
    int mainClicks = 0;
    int settingsClicks = 0;
    QObject::connect(&mainButton, &QPushButton::clicked, &mainButton, [&] { ++mainClicks; });
    QObject::connect(&settingsButton, &QPushButton::clicked, &settingsButton, [&] { ++settingsClicks; });
    // Through the windowing system, where a window blocked by a modal one loses its input.
    const auto clickMain = [&] {
        QTest::mouseClick(mainWindow.windowHandle(), Qt::LeftButton, {}, mainButton.geometry().center());
    };
    const auto clickSettings = [&] {
        QTest::mouseClick(settings.windowHandle(), Qt::LeftButton, {}, settingsButton.geometry().center());
    };

    KukuState state;
    VirtualPacer pacer;
    VirtualVoice voice(pacer);
    Speaker speaker(state, voice, pacer);
    ChartCallbacks callbacks;
    callbacks.openSettings = [&]() -> QWidget* {
        settings.show();
        return &settings;
    };
    TDanCalcForm chart(state, speaker, pacer, nullptr, callbacks, &mainWindow);
    chart.setWindowModality(Qt::ApplicationModal);  // as exec() would have it
    chart.show();
    QApplication::processEvents();
    chart.findChild<QPushButton*>(QStringLiteral("SpeedButton12"))->click();
    QApplication::processEvents();
    ASSERT_TRUE(settings.isVisible());
    clickMain();
    clickSettings();
    EXPECT_EQ(mainClicks, 0);
    EXPECT_EQ(settingsClicks, 1);

    // After the chart the settings window is an ordinary one again and blocks nothing.
    chart.close();
    QApplication::processEvents();
    EXPECT_TRUE(settings.isVisible());
    EXPECT_EQ(settings.windowModality(), Qt::NonModal);
    EXPECT_FALSE(settings.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    clickMain();
    clickSettings();
    EXPECT_EQ(mainClicks, 1);
    EXPECT_EQ(settingsClicks, 2);
}
