#include "app/TKukuForm.h"
#include "app/TSplashFForm.h"
#include "app/TerminationSignals.h"
#include "core/KukuTables.h"
#include "core/WindowPlacement.h"
#include "settings/Cp932.h"
#include "settings/SettingsFile.h"
#include "speech/platform/SpeechFailure.h"
#include "tests/support/MainWindowRig.h"
#include "tests/support/Text.h"
#include "tests/support/VirtualPacer.h"
#include "ui_KukuForm.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>

using namespace rentabo;

namespace {

using rentabo::testing::q;

using rentabo::testing::MainWindowRig;

// The main window without the grammar file.
struct MainWindowFixture : ::testing::Test, MainWindowRig {
    MainWindowFixture() : MainWindowRig(Grammar::None) {}
};

}  // namespace

TEST_F(MainWindowFixture, OpensWithCaptionDefaultsAndBoard) {
    EXPECT_EQ(form->windowTitle(), q(u"『Rentabo(V)』R(音声版)Speak&Hear v2.48  ---Pelunari"));
    EXPECT_EQ(form->pos(), QPoint(200, 200));
    EXPECT_EQ(form->ui().Edit2->text(), q(u"くく はじめ"));
    EXPECT_EQ(form->ui().StaticText6->text(), QStringLiteral("1234567"));
    EXPECT_EQ(form->ui().ComboBox1->currentText(), q(u"二の段"));
    EXPECT_EQ(form->ui().ComboBox2->currentText(), q(u"２.練 習（段級・順）"));
    EXPECT_EQ(form->ui().ComboBox1->count(), 13);
    EXPECT_EQ(form->ui().ComboBox2->count(), 10);
    // No grammar file beside the program: the memo says so and listening goes on.
    EXPECT_TRUE(form->ui().msgText->toPlainText().contains(q(u"Grammar の読み込みに失敗。")));
}

TEST_F(MainWindowFixture, InformationToggleSwitchesHeightAndEmptiesTheMemo) {
    form->board().appendMemo(QStringLiteral("x\n"));
    EXPECT_EQ(form->designHeight(), 790);
    const int tall = form->height();
    form->toggleInfoPanel();
    EXPECT_EQ(form->designHeight(), 634);
    EXPECT_EQ(tall - form->height(), 790 - 634);
    EXPECT_TRUE(form->ui().msgText->toPlainText().isEmpty());
    EXPECT_FALSE(form->ui().Panel3->isVisible());
    EXPECT_FALSE(form->ui().I1->isChecked());
    form->toggleInfoPanel();
    EXPECT_EQ(form->height(), tall);
    EXPECT_TRUE(form->ui().I1->isChecked());
}

TEST_F(MainWindowFixture, KeyLClearsTheScreenAndShowsTheLists) {
    form->board().CBoxDsp(0);
    form->board().setBoardText(BoardText::Expression, q(u"３×６＝"));
    form->state().testRec.fill(1);
    QTest::keyClick(form->ui().Button1, Qt::Key_L);
    EXPECT_TRUE(form->ui().StaticText11->text().isEmpty());
    EXPECT_TRUE(form->ui().ComboBox1->isVisible());
    EXPECT_EQ(form->state().testRec[0], 2);
}

TEST_F(MainWindowFixture, TypingTheLetterLIntoTheNameDoesNotClearTheScreen) {
    form->board().setBoardText(BoardText::Expression, q(u"３×６＝"));
    form->ui().Edit2->setFocus();
    QTest::keyClick(form->ui().Edit2, Qt::Key_L);
    EXPECT_EQ(form->ui().StaticText11->text(), q(u"３×６＝"));
}

TEST_F(MainWindowFixture, MemoCountsItsLines) {
    form->board().clearMemo();
    form->board().appendMemo(QStringLiteral("a\nb\n"));
    EXPECT_EQ(form->ui().StaticText21->text(), QStringLiteral("2"));
    form->ui().HypoClrBtn->click();
    EXPECT_EQ(form->board().memoLineCount(), 0);
}

TEST_F(MainWindowFixture, NameChangeCancelledKeepsTheOldName) {
    form->state().recCheck[0][0] = 1;
    prompts->nameChange = [](const QString& question) {
        EXPECT_TRUE(question.startsWith(q(u"<くく はじめ>を<たろう>に変えようとしています。")));
        return false;
    };
    form->ui().Edit2->setText(q(u"たろう"));
    form->changeLearnerName();
    EXPECT_EQ(form->state().studentName, q(u"くく はじめ"));
    EXPECT_EQ(form->state().recCheck[0][0], 1);
}

TEST_F(MainWindowFixture, HelpWithoutTheFileSaysItIsMissing) {
    form->showHelp();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(messages[0], q(u"お知らせ|kuku_V24.chm が見あたりません。"));
}

TEST_F(MainWindowFixture, DefaultColourIsTeal) {
    form->resetWindowColour();
    EXPECT_EQ(form->state().orgColor, 0x808000);
    EXPECT_EQ(form->ui().central->palette().color(QPalette::Window), QColor(0, 0x80, 0x80));
}

TEST_F(MainWindowFixture, EverySpokenSentenceLeavesAMarkAndLevelsShowAsNumbers) {
    form->board().clearMemo();
    form->speaker().SpeakAsync(q(u"九九をものにしちゃおうね。道場を閉めます。またね。"));
    form->speaker().WaitUntilDone();
    EXPECT_EQ(form->ui().msgText->toPlainText().count(u'■'), 3);
    EXPECT_EQ(form->ui().LabelVU->text(), QStringLiteral("0"));
}

TEST(MainWindowListening, TypedPhrasesOfTheGrammarReachTheCommands) {
    MainWindowRig w;
    auto& form = w.form;
    form->reco().acceptTypedPhrase(q(u"あか"));
    EXPECT_EQ(form->state().orgColor, 0x0000FF);
    EXPECT_EQ(form->windowColour(), 0x0000FF);
    form->reco().acceptTypedPhrase(q(u"さんのだん"));
    EXPECT_EQ(form->ui().ComboBox1->currentIndex(), 3);
    EXPECT_TRUE(form->ui().msgText->toPlainText().contains(q(u"<◆astr=")));
}

TEST_F(MainWindowFixture, AFailedSpeechCallAsksAndCanAbandonTheAction) {
    QStringList asked;
    prompts->speechFailure = [&](const QString& text) {
        asked << text;
        return asked.size() == 1;  // continue the first time, abandon the second
    };
    EXPECT_EQ(reportSpeechFailure(QStringLiteral("Speak"), QStringLiteral("no device")),
              SpeechFailure::Continue);
    EXPECT_EQ(reportSpeechFailure(QStringLiteral("Speak"), QStringLiteral("no device")),
              SpeechFailure::Abandon);
    ASSERT_EQ(asked.size(), 2);
    EXPECT_TRUE(asked[0].contains(q(u"音声の処理「Speak」に失敗しました。")));
}

// ---- What the child sees on the main window ----

namespace {

// The part of `image` where `text`'s glyphs are drawn: pixels darker than the background.
QRect inkOf(const QImage& image) {
    const QRgb background = image.pixel(0, 0);
    QRect ink;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAbs(qGray(image.pixel(x, y)) - qGray(background)) > 80) ink |= QRect(x, y, 1, 1);
    return ink;
}

}  // namespace

TEST(MainWindowBoard, TheMessageLineAndRoundCounterStandOnYellowWhateverTheWindowColour) {
    MainWindowRig w;
    TKukuForm& form = *w.form;
    for (const int colour : {0x000000, 0x0000FF, 0x808000}) {
        form.setWindowColour(colour);
        const QImage shot = form.ui().central->grab().toImage();
        // Beside the message line's text, under the round counter, and the board's corners.
        for (const QPoint at : {QPoint(20, 104), QPoint(470, 120), QPoint(30, 380), QPoint(480, 370)})
            EXPECT_EQ(QColor(shot.pixel(at)), QColor(Qt::yellow))
                << colour << " at " << at.x() << "," << at.y();
        // The window colour itself is still shown around the board.
        EXPECT_EQ(shot.pixel(8, 200),
                  QColor::fromRgb(colour & 0xFF, (colour >> 8) & 0xFF, colour >> 16).rgb());
    }
}

TEST(MainWindowBoard, TheExpressionShowsTheSizeItIsGiven) {
    MainWindowRig w;
    TKukuForm& form = *w.form;
    QLabel* expression = form.ui().StaticText11;
    struct Case {
        const char16_t* text;
        int points, top, pixels;
    };
    // 34 points at start and after Esc, 24 for the full recitation's row name.
    const Case cases[] = {{u"９×９＝", 34, 212, 45}, {u"三の段≫", 24, 218, 32}, {u"９×９＝", 34, 212, 45}};
    for (const Case& c : cases) {
        form.setExpressionStyle(c.points, c.top);
        form.board().setBoardText(BoardText::Expression, q(c.text));
        EXPECT_EQ(expression->y(), c.top);
        EXPECT_EQ(QFontInfo(expression->font()).pixelSize(), c.pixels) << c.points;
        const QRect ink = inkOf(expression->grab().toImage());
        ASSERT_FALSE(ink.isEmpty());
        // Drawn at that size: the glyphs are nearly as tall as the font's pixels.
        EXPECT_NEAR(ink.height(), c.pixels * 0.8, c.pixels * 0.2) << c.points;
        if (c.points == 24) {
            EXPECT_LT(ink.right(), expression->width() - 1) << "the row name is cut off";
        }
    }
}

TEST(MainWindowMemo, SpokenMarksAndRecognisedPhrasesEachCountAsLines) {
    MainWindowRig w;
    TKukuForm& form = *w.form;
    form.board().clearMemo();
    form.board().appendMemo(QStringLiteral("a\n"));
    form.speaker().SpeakAsync(q(u"九九をものにしちゃおうね。"));
    form.speaker().WaitUntilDone();
    EXPECT_EQ(form.ui().StaticText21->text(), QStringLiteral("2"));  // "a" and "■"
    form.reco().acceptTypedPhrase(q(u"あか"));
    form.reco().acceptTypedPhrase(q(u"あお"));
    const QStringList lines = form.ui().msgText->toPlainText().split(u'\n');
    ASSERT_GE(lines.size(), 5);
    EXPECT_EQ(lines[0], QStringLiteral("a"));
    EXPECT_EQ(lines[1], q(u"■"));
    EXPECT_TRUE(lines[2].startsWith(q(u"<◆astr=あか>"))) << lines[2].toStdString();
    EXPECT_TRUE(lines[3].startsWith(q(u"<◆cV=")));
    EXPECT_TRUE(lines[4].startsWith(q(u"<◆astr=あお>"))) << lines[4].toStdString();
    EXPECT_EQ(form.ui().StaticText21->text(), QString::number(form.board().memoLineCount()));
}

TEST(MainWindowListeningModes, ChatListeningHasAWayBackAndIsRefusedDuringATest) {
    MainWindowRig w;
    TKukuForm& form = *w.form;
    EXPECT_FALSE(form.ui().CcModeBack->isEnabled());

    form.state().AnsV_wait = VoiceTest::Oral;  // a spoken answer is awaited
    form.enterDicMode();
    EXPECT_EQ(form.state().cc_mode, Listening::Commands);
    EXPECT_TRUE(form.ui().StaticText3->text().contains(q(u"おはなしモードにはなれません")));
    form.state().AnsV_wait = VoiceTest::None;

    form.enterDicMode();
    EXPECT_EQ(form.state().cc_mode, Listening::Chat);
    ASSERT_TRUE(form.ui().CcModeBack->isEnabled());
    form.ui().CcModeBack->trigger();
    EXPECT_EQ(form.state().cc_mode, Listening::Commands);
    EXPECT_EQ(form.ui().Label3->text(), q(u"☆練習・テストモード"));
    EXPECT_FALSE(form.ui().CcModeBack->isEnabled());
    form.reco().acceptTypedPhrase(q(u"さんのだん"));  // commands are heard again
    EXPECT_EQ(form.ui().ComboBox1->currentIndex(), 3);
}

// ---- What is kept ----

TEST(MainWindowRecords, ANewNameAndChangedRecordsReachTheFileWithoutClosing) {
    MainWindowRig w;
    TKukuForm& form = *w.form;
    form.ui().Edit2->setText(q(u"たろう"));
    form.changeLearnerName();
    EXPECT_TRUE(w.iniFile().contains("STUDENTNAME=" + toCp932(q(u"たろう"))));

    // A finished test leaves a weak point and a registration a pass: the lesson tick saves them.
    form.state().errorsStr = QStringLiteral("40:");
    form.state().recCheck[0][3] = 1;
    EXPECT_TRUE(QTest::qWaitFor([&] { return w.iniFile().contains("ERRORS=40:"); }, 10000));
    KukuState reread;
    LoadSettings(reread, w.dir.filePath(QStringLiteral("RentaboV24.ini")));
    EXPECT_EQ(reread.recCheck[0][3], 1);
    EXPECT_TRUE(w.messages.isEmpty()) << w.messages.join(u'/').toStdString();
}

TEST(MainWindowRecords, ATerminationSignalIsDeliveredThroughTheEventLoop) {
    TerminationSignals termination;
    std::vector<int> received;
    QObject::connect(&termination, &TerminationSignals::terminationRequested,
                     [&](int sig) { received.push_back(sig); });
    ::raise(SIGTERM);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !received.empty(); }, 10000));
    EXPECT_EQ(received[0], SIGTERM);
}

TEST(MainWindowRecords, AStoredPositionOffEveryScreenOpensOnAScreen) {
    struct Case {
        const char* left;
        const char* top;
        bool moved;
    };
    const Case cases[] = {{"-5000", "200", true},
                          {"200", "9000", true},
                          {"4000", "100", true},
                          {"300", "100", false},
                          {"2000", "50", false}};
    for (const Case& c : cases) {
        MainWindowRig w(MainWindowRig::Grammar::Beside,
                        QByteArray("[POSITION]\r\nLEFT=") + c.left + "\r\nTOP=" + c.top + "\r\n");
        const QRect frame = w.form->frameGeometry();
        bool onAScreen = false;
        for (const QScreen* s : QGuiApplication::screens())
            onAScreen |= s->availableGeometry().contains(frame.topLeft()) &&
                         s->availableGeometry().contains(frame.topRight());
        EXPECT_TRUE(onAScreen) << c.left << "," << c.top;
        EXPECT_EQ(w.form->pos() != QPoint(atoi(c.left), atoi(c.top)), c.moved) << c.left << "," << c.top;
        // The file keeps the position as it was read.
        EXPECT_EQ(w.form->state().winLeft, atoi(c.left));
    }
}

TEST(MainWindowRecords, AWindowIsKeptWhollyOnAScreenAndALargerOneByItsTopLeftCorner) {
    // The test screens: 1920 × 1200 at the left, 1280 × 1024 to its right (x from 1920).
    struct Case {
        const char* name;
        QPoint wanted;
        QSize size;
        QPoint placed;
    };
    const Case cases[] = {
        {"fits", {100, 100}, {800, 600}, {100, 100}},
        {"over the right edge", {1500, 100}, {800, 600}, {1120, 100}},
        {"over the bottom edge", {100, 900}, {800, 600}, {100, 600}},
        {"above and left of the screen", {-300, -200}, {800, 600}, {0, 0}},
        {"on the small screen, over its bottom", {2300, 700}, {600, 500}, {2300, 524}},
        // Larger than the screen: its corner, with the title bar and the close box, on it.
        {"larger, its corner on the screen", {300, 100}, {2000, 1300}, {0, 0}},
        {"larger, its corner off the screen", {-300, -200}, {2000, 1300}, {0, 0}},
        {"larger than the small screen", {2100, 50}, {1400, 1100}, {1920, 0}},
        {"larger than the small screen, corner on the large one", {1800, -100}, {1400, 1100}, {1920, 0}},
    };
    for (const Case& c : cases) EXPECT_EQ(fitOnScreen(c.wanted, c.size, QRect()), c.placed) << c.name;
}

TEST(StartUpMessages, AMessageRaisedWhileTheSplashIsUpIsNotCoveredByIt) {
    auto* splash = new TSplashFForm;
    splash->show();
    QMessageBox box(QMessageBox::Information, q(u"ご確認"), q(u"Seikai00.wav が見つかりません。"));
    box.open();
    QApplication::processEvents();
    EXPECT_TRUE(box.isVisible());
    EXPECT_FALSE(splash->isVisible());
    box.accept();
    // It goes away by itself as before, and a later window does not bring it back.
    splash->enableTimer();
    QPointer<TSplashFForm> watched(splash);
    EXPECT_TRUE(QTest::qWaitFor([&] { return watched.isNull(); }, 10000));
}

namespace {

// Types a phrase into the typed-phrase window and ends it with the Enter keys, the way keys from
// the keyboard arrive: through the window, so every filter of the program sees them first.
void sayWithEnter(TKukuForm& form) {
    form.showTypedPhraseWindow();
    QWidget* typed = nullptr;
    for (QWidget* top : QApplication::topLevelWidgets())
        if (top->isVisible() && top->windowTitle() == q(u"文字で話しかける")) typed = top;
    ASSERT_NE(typed, nullptr);
    auto* edit = typed->findChild<QLineEdit*>(QStringLiteral("PhraseEdit"));
    ASSERT_NE(edit, nullptr);
    for (const Qt::Key enter : {Qt::Key_Return, Qt::Key_Enter}) {
        form.ui().ComboBox1->setCurrentIndex(0);
        typed->activateWindow();
        edit->setFocus();
        edit->setText(q(u"さんのだん"));
        QTest::keyClick(typed->windowHandle(), enter,
                        enter == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
        EXPECT_TRUE(QTest::qWaitFor([&] { return form.ui().ComboBox1->currentIndex() == 3; }, 5000)) << enter;
        EXPECT_TRUE(edit->text().isEmpty());
    }
}

}  // namespace

TEST(MainWindowListeningModes, EnterInTheTypedPhraseWindowSaysThePhrase) {
    MainWindowRig w;
    sayWithEnter(*w.form);
    // Also while the chart, opened from the menu, keeps the main window waiting.
    bool chartShown = false;
    w.prompts->modal = [&](QDialog& chart) {
        QTimer::singleShot(0, &chart, [&] {
            chartShown = true;
            sayWithEnter(*w.form);
            chart.reject();
        });
        chart.exec();
    };
    w.form->openChartFromMenu();
    EXPECT_TRUE(chartShown);
}

namespace {

struct PaintCounter final : QObject {
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++paints;
        return false;
    }
};

}  // namespace

TEST(MainWindowWeakPoints, TheOpenListIsDrawnAgainAfterTestSortsIt) {
    MainWindowRig w;
    TKukuForm& form = *w.form;
    form.state().errorsStr = QStringLiteral("40:13:7:");
    form.ui().NigateShow->trigger();
    QWidget* list = nullptr;
    for (QWidget* top : QApplication::topLevelWidgets())
        if (top->isVisible() && top->windowTitle() == q(u"にが手な九九")) list = top;
    ASSERT_NE(list, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(list));
    PaintCounter counter;
    list->installEventFilter(&counter);
    QTest::qWait(100);
    ASSERT_EQ(counter.paints, 0) << "the list is drawn again without a reason";
    form.ui().TestT1->trigger();
    EXPECT_EQ(form.state().errorsStr, QStringLiteral("7:13:40:"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return counter.paints > 0; }, 5000));
}

TEST_F(MainWindowFixture, TheProgressWindowShowsTheHistoryOfTheLearnerOfTheMoment) {
    ASSERT_TRUE(form->history().store());
    EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("RentaboHistory.sqlite"))));
    HistoryRow row;
    row.when = QDateTime::currentDateTime();
    row.learner = {form->state().studentName, form->state().indivNum};
    row.mode = QStringLiteral("key-ordered");
    for (int k : {3, 4, 5}) {
        row.answer.kuku_n = k;
        ASSERT_TRUE(form->history().store()->add(row));
    }
    QStringList shown;
    prompts->modal = [&](QDialog& dialog) {
        auto* ganbari = qobject_cast<TGanbariForm*>(&dialog);
        ASSERT_TRUE(ganbari);
        shown << QStringLiteral("%1 %2")
                     .arg(ganbari->findChild<QLabel*>(QStringLiteral("title"))->text())
                     .arg(ganbari->report().answers);
    };
    form->ui().Ganbari->trigger();
    // A brother's name: his own, empty history; the sister's answers are kept for her.
    form->ui().Edit2->setText(q(u"くく じろう"));
    form->changeLearnerName();
    form->ui().Ganbari->trigger();
    EXPECT_EQ(shown, (QStringList{q(u"くく はじめさんの がんばりの記録 3"),
                                  q(u"くく じろうさんの がんばりの記録 0")}));
    EXPECT_EQ(form->history().store()->answerCount({q(u"くく はじめ"), 1234567}), 3);
}

TEST(MainWindowHistory, ABrokenHistoryFileIsToldOnceAndTheProgramStartsAsEver) {
    QTemporaryDir dir;
    {
        QFile broken(dir.filePath(QStringLiteral("RentaboHistory.sqlite")));
        ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
        broken.write(QByteArray("not a database\n").repeated(200));
    }
    KukuServices services = rentabo::testing::silentServices();
    // The window tells while it is being made, before any hook can be set: the box is read and
    // closed as a learner would.
    QStringList messages;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, &closer, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            messages << box->windowTitle() + u'|' + box->text();
            box->accept();
        }
    });
    closer.start(20);
    TKukuForm form(std::move(services), dir.path() + u'/');
    closer.stop();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages.front().startsWith(q(u"お知らせ|がんばりの記録のファイルが読めなかったので")));
    EXPECT_EQ(QDir(dir.path()).entryList({QStringLiteral("RentaboHistory.sqlite.broken-*")}).size(), 1);
    EXPECT_TRUE(form.history().store());
}
