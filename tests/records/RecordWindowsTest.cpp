#include "core/KukuTables.h"
#include "records/CertForm2.h"
#include "records/NigateForm.h"
#include "records/RecordWindowsHost.h"
#include "records/ResultDspForms.h"
#include "records/SikakuCheckForm.h"
#include "speech/Speaker.h"
#include "tests/support/RecordingBoard.h"
#include "tests/support/Text.h"
#include "tests/support/VirtualPacer.h"
#include "tests/support/VirtualVoice.h"

#include "tests/TestOutput.h"
#include "tests/records/PdfTools.h"
#include "tests/records/RecordingHost.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <deque>

using namespace rentabo;

namespace {

using rentabo::testing::q;
using namespace rentabo::testing;

// The main window for the record windows: it keeps what was asked of it and runs each modal
// window through the next script instead of a nested event loop.
class ScriptedHost final : public RecordingHostOf<RecordWindowsHost> {
public:
    void runModal(QDialog& dialog) override {
        modals << dialog.windowTitle();
        dialog.show();
        QApplication::processEvents();
        if (!scripts.empty()) {
            auto script = std::move(scripts.front());
            scripts.pop_front();
            script(dialog);
        }
        if (dialog.isVisible()) dialog.close();
        stillOpen.push_back(dialog.isVisible());
        dialog.hide();
    }
    QDate today() const override { return QDate(2019, 1, 1); }

    QStringList modals;
    std::vector<bool> stillOpen;
    std::deque<std::function<void(QDialog&)>> scripts;
};

struct Fixture {
    KukuState state;
    RecordingBoard board;
    VirtualPacer pacer;
    ScriptedHost host;
};

// Prints the certificate on an A4 sheet into the PDF file `pdf`.
bool printOnA4(TCertForm2& form, const QString& pdf) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    printer.setPageSize(QPageSize(QPageSize::A4));
    return form.printTo(printer);
}

void saveGrab(QWidget& w, const QString& name) {
    w.grab().save(testOutputPath(name + QStringLiteral(".png")));
}

// A finished row test of row `dan` in mode `menu_n`, every answer `value`.
void finishRowTest(KukuState& s, int dan, int menu_n, int value) {
    s.mokuji_n = ChoiceOfDan[dan - 1];
    s.dan = dan;
    s.menu_n = menu_n;
    s.testRec.fill(2);
    for (int i = 0; i < 27; ++i) s.testRec[i] = value;
    s.testAborted = 0;
}

}  // namespace

TEST(ResultDsp1Window, ShowsThePerfectRowTestAndAsksBeforeClosing) {
    Fixture f;
    finishRowTest(f.state, 5, 3, 1);
    TResultDsp1Form form(f.state, f.board, f.host, f.pacer);
    form.show();
    EXPECT_EQ(form.windowTitle(), q(u"テスト結果（段別）の表示"));
    EXPECT_EQ(form.titlePanel()->text(), q(u"「五の段」(手答・順)のテスト結果"));
    EXPECT_EQ(form.grid()->item(3, 0)->text(), q(u"５×３　"));
    EXPECT_EQ(form.grid()->item(3, 2)->text(), q(u"○"));
    EXPECT_EQ(form.verdictLabel()->text(), q(u"☆パーペキだね。いうことなし!!"));
    EXPECT_TRUE(form.registerButton()->isEnabled());
    EXPECT_TRUE(form.registerAction()->isEnabled());
    EXPECT_EQ(form.nameEdit()->text(), q(u"くく はじめ"));
    saveGrab(form, QStringLiteral("result-table-1"));

    // Esc leaves the table open; C asks, and Cancel keeps it.
    QTest::keyClick(&form, Qt::Key_Escape);
    EXPECT_TRUE(form.isVisible());
    EXPECT_TRUE(f.pacer.questions.empty());
    f.pacer.answers = {false};
    QTest::keyClick(&form, Qt::Key_C);
    EXPECT_TRUE(form.isVisible());
    ASSERT_EQ(f.pacer.questions.size(), 1u);
    EXPECT_EQ(f.state.testRec[0], 1);
    // Delete closes after OK and clears the screen with the record.
    f.pacer.answers = {true};
    QTest::keyClick(&form, Qt::Key_Delete);
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(f.state.testRec[0], 2);
    EXPECT_EQ(f.board.comboShown, 1);
}

TEST(ResultDsp1Window, WrongAnswersShowRedCrossesAndNoRegistration) {
    Fixture f;
    finishRowTest(f.state, 3, 4, 1);
    f.state.testRec[9 + 6] = 0;  // 3×7 in round 2
    TResultDsp1Form form(f.state, f.board, f.host, f.pacer);
    form.show();
    QTableWidgetItem* cross = form.grid()->item(7, 2);
    EXPECT_EQ(cross->text(), q(u"×"));
    EXPECT_EQ(cross->foreground().color(), QColor(Qt::red));
    EXPECT_EQ(form.grid()->item(7, 1)->foreground().color(), QColor(Qt::black));
    EXPECT_FALSE(form.registerButton()->isEnabled());
    EXPECT_FALSE(form.registerAction()->isEnabled());
    saveGrab(form, QStringLiteral("result-table-1-wrong"));
    // Not perfect: its close button closes it and asks nothing.
    form.closeButton()->click();
    EXPECT_FALSE(form.isVisible());
    EXPECT_TRUE(f.pacer.questions.empty());
}

TEST(ResultDsp2Window, PerfectBeginnerTestRegistersAndOpensTheQualificationTable) {
    Fixture f;
    f.state.mokuji_n = 9;
    f.state.dan = 10;
    f.state.menu_n = 3;
    f.state.testRec.fill(2);
    for (int d : {1, 2, 5})
        for (int m = 0; m < 9; ++m)
            f.state.testRec[(d - 1) * 9 + m] = f.state.testRec[(d - 1) * 9 + m + 81] = 1;
    TResultDsp2Form form(f.state, f.board, f.host, f.pacer);
    form.show();
    EXPECT_EQ(form.windowTitle(), q(u"テスト結果（級別）の結果"));
    EXPECT_EQ(form.titlePanel()->text(), q(u"初級[１･２･５の段](手答・順)のテスト結果"));
    EXPECT_EQ(form.grid()->item(10, 5)->text(), q(u"◎"));
    EXPECT_EQ(form.grid()->item(10, 3)->text(), q(u"×"));
    EXPECT_EQ(form.grid()->item(10, 3)->foreground().color(), QColor(Qt::red));
    EXPECT_EQ(form.grid()->item(2, 3)->text(), q(u"－－"));
    EXPECT_EQ(form.grid()->item(2, 1)->foreground().color(), QColor(Qt::black));
    saveGrab(form, QStringLiteral("result-table-2"));

    f.pacer.answers = {true};  // the qualification table's closing question
    QString shown;
    int selected = -1;
    f.host.scripts.push_back([&](QDialog& d) {
        auto& sikaku = dynamic_cast<TSikakuCheckForm&>(d);
        shown = sikaku.grid()->item(10, 1)->text();
        selected = sikaku.grid()->currentRow();
    });
    form.registerButton()->click();
    EXPECT_EQ(f.state.recCheck[0][9], 1);
    EXPECT_EQ(shown, q(u"○"));
    EXPECT_EQ(selected, 10) << "the qualification table opens on the row just registered";
    EXPECT_EQ(f.host.modals, QStringList{q(u"資格チェック表")});
    EXPECT_TRUE(f.host.infoPanel.empty());  // table II leaves the memo alone
    EXPECT_TRUE(form.isVisible());          // and stays open underneath

    // Table II leaves the record alone when it closes, and does not remind the learner to
    // register what is registered.
    const std::size_t asked = f.pacer.questions.size();
    form.close();
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(f.pacer.questions.size(), asked);
    EXPECT_EQ(f.state.testRec[0], 1);
}

TEST(ResultDspWindows, OpeningHidesTheMemoAndRestoresItsSetting) {
    Fixture f;
    finishRowTest(f.state, 2, 3, 0);
    f.state.infoDsp = 1;
    QString title;
    f.host.scripts.push_back([&](QDialog& d) { title = d.windowTitle(); });
    Kekka_Dsp(f.state, f.board, f.host, f.pacer, nullptr);
    EXPECT_EQ(title, q(u"テスト結果（段別）の表示"));
    EXPECT_EQ(f.host.infoPanel, (std::vector<int>{0, 1}));
    // The other table's choice: nothing opens, nothing is said.
    KekkaD_Dsp(f.state, f.board, f.host, f.pacer, nullptr);
    EXPECT_EQ(f.host.modals.size(), 1u);
    EXPECT_TRUE(f.host.messages.isEmpty());
    // Without a name the learner is asked for one.
    f.host.nameBox.clear();
    Kekka_Dsp(f.state, f.board, f.host, f.pacer, nullptr);
    EXPECT_EQ(f.host.modals.size(), 1u);
    EXPECT_EQ(f.host.messages, QStringList{q(u"おねがい。。。|まず，なまえを記入してください。")});
    EXPECT_EQ(f.host.nameFocused, 1);
}

TEST(SikakuWindow, ShowsTheRecordAwardsAndCertificates) {
    Fixture f;
    f.state.recCheck[0][12] = f.state.recCheck[3][12] = 1;  // all rows, 手答(順) and 声答(乱)
    f.state.recCheck[4][3] = 1;                             // 四の段 recited in order
    f.state.recCheck[6][6] = 1;                             // 七の段 in full recitation
    TSikakuCheckForm form(f.state, f.host, f.pacer);
    form.show();
    EXPECT_EQ(form.sikakuLevel(), 1);
    EXPECT_EQ(form.messageText(), q(u"おめでとう。<九九術マスター> の資格をゲットできるぞ。"));
    EXPECT_TRUE(form.masterEnabled());
    EXPECT_FALSE(form.menkyoEnabled());
    EXPECT_EQ(form.grid()->item(14, 1)->text(), q(u"◎"));
    EXPECT_EQ(form.grid()->item(14, 1)->foreground().color(), QColor(Qt::red));
    EXPECT_EQ(form.grid()->item(14, 2)->text(), q(u"×"));
    EXPECT_EQ(form.grid()->item(0, 3)->text(), q(u"声答(順)"));
    saveGrab(form, QStringLiteral("sikaku-check"));

    // Row 7 (七の段) qualifies by full recitation: the certificate opens for it.
    QString subject;
    f.host.scripts.push_back(
        [&](QDialog& d) { subject = d.findChild<QLabel*>(QStringLiteral("SubjectLabel"))->text(); });
    form.selectRow(7);
    form.printRowCertificate();
    EXPECT_EQ(f.host.modals.last(), q(u"証明書フォーマット"));
    EXPECT_EQ(subject, q(u"九九術 七の段を　　"));
    EXPECT_EQ(f.state.certChoice, 7);
    EXPECT_EQ(f.state.certKind, -1);
    // Row 4, recited in order only, does not.
    form.selectRow(4);
    form.printRowCertificate();
    ASSERT_EQ(f.host.messages.size(), 1);
    EXPECT_TRUE(f.host.messages[0].contains(q(u"四の段の認定は"))) << f.host.messages[0].toStdString();
    // The マスター certificate.
    form.printMasterCertificate();
    EXPECT_EQ(f.state.certKind, 1);
    EXPECT_EQ(f.host.modals.size(), 2);
    // 免許皆伝 is not earned: its button does nothing.
    form.printLicenceCertificate();
    EXPECT_EQ(f.host.modals.size(), 2);
}

TEST(SikakuWindow, ClearAndWriteBackOnClosing) {
    Fixture f;
    f.state.recCheck[2][4] = 1;
    f.state.recCheck[5][13] = 1;  // a stale pass mark: the check on opening corrects it
    TSikakuCheckForm form(f.state, f.host, f.pacer);
    form.show();
    // Cancel on the clear question changes nothing.
    f.pacer.answers = {false};
    form.ClearRecord();
    EXPECT_EQ(form.grid()->item(5, 3)->text(), q(u"○"));
    // Closing with Cancel keeps the window, but the grid is written back already.
    f.pacer.answers = {false};
    form.close();
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(f.state.recCheck[5][13], 0);
    EXPECT_EQ(f.state.recCheck[2][4], 1);
    f.pacer.answers = {true};
    form.ClearRecord();
    EXPECT_EQ(form.grid()->item(5, 3)->text(), q(u"－"));
    EXPECT_EQ(f.state.recCheck[2][4], 0);
    // Esc closes (after the question).
    f.pacer.answers = {true};
    QTest::keyClick(&form, Qt::Key_Escape);
    EXPECT_FALSE(form.isVisible());
}

// The heads (row 0) and the row labels (column 0) are aqua and cannot be selected; every record
// cell, the first column of ways included, is yellow and can.
TEST(SikakuWindow, OnlyTheRecordCellsCanBeSelectedNotTheHeadsAndLabels) {
    Fixture f;
    TSikakuCheckForm form(f.state, f.host, f.pacer);
    form.show();
    const QTableWidget* g = form.grid();
    for (int r = 0; r < 15; ++r)
        for (int c = 0; c < 8; ++c) {
            const bool fixed = r == 0 || c == 0;
            EXPECT_EQ(bool(g->item(r, c)->flags() & Qt::ItemIsSelectable), !fixed) << r << "/" << c;
            EXPECT_EQ(g->item(r, c)->background().color(),
                      fixed ? QColor(0x00, 0xFF, 0xFF) : QColor(0xFF, 0xFF, 0x80))
                << r << "/" << c;
        }
}

TEST(SikakuWindow, MissingHelpFileIsReported) {
    Fixture f;
    QTemporaryDir dir;
    f.state.exeDir = dir.path() + u'/';
    TSikakuCheckForm form(f.state, f.host, f.pacer);
    form.showHelp();
    EXPECT_EQ(f.host.messages, QStringList{q(u"お知らせ|kuku_V24.chm が見あたりません。")});
    EXPECT_TRUE(f.host.opened.isEmpty());
}

TEST(CertWindow, ThreeKindsRenderWithTheirTexts) {
    const struct {
        int kind;
        int mokuji_n;
        const char* file;
        const char16_t* subject;
    } cases[] = {
        {-1, 7, "certificate-row", u"九九術 七の段を　　"},
        {1, 1, "certificate-master", u"九九術 マスターを"},
        {0, 1, "certificate-licence", u"九九術 免許皆伝を"},
    };
    for (const auto& c : cases) {
        Fixture f;
        f.state.certKind = c.kind;
        f.state.certChoice = c.mokuji_n;
        TCertForm2 form(f.state, QDate(2019, 1, 1), f.host);
        form.show();
        EXPECT_EQ(form.dateLine(), q(u"令和1(2019)年01月1日"));
        EXPECT_EQ(form.findChild<QLabel*>(QStringLiteral("SubjectLabel"))->text(), q(c.subject));
        EXPECT_EQ(form.findChild<QLabel*>(QStringLiteral("TitleDankyu"))->isVisible(), c.kind == -1);
        EXPECT_EQ(form.findChild<QLabel*>(QStringLiteral("TitleMaster"))->isVisible(), c.kind == 1);
        EXPECT_EQ(form.findChild<QLabel*>(QStringLiteral("TitleMenkyo"))->isVisible(), c.kind == 0);
        EXPECT_TRUE(
            form.findChild<QLabel*>(QStringLiteral("NumberBox"))->text().contains(QStringLiteral("1234567")));
        saveGrab(form, QString::fromLatin1(c.file));
    }
}

TEST(CertWindow, WithoutAPrinterTheLearnerIsTold) {
    Fixture f;
    TCertForm2 form(f.state, QDate(2019, 1, 1), f.host);
    form.printerAvailable = [] { return false; };
    form.Print();
    ASSERT_EQ(f.host.messages.size(), 1);
    EXPECT_TRUE(f.host.messages[0].startsWith(q(u"お知らせ|プリンターが見つかりません。")));
}

TEST(CertWindow, PrintsTheWholeCertificateSharpInTheMiddleOfOnePage) {
    const struct {
        int kind;
        const char* file;
        bool (*bannerColour)(QRgb);
    } cases[] = {
        // The licence's banners are red and gold, the row's green, the master's blue.
        {0, "certificate-printed", [](QRgb c) { return qRed(c) > qBlue(c) + 40; }},
        {-1, "certificate-row-printed", [](QRgb c) { return qGreen(c) > qRed(c) + 40; }},
        {1, "certificate-master-printed", [](QRgb c) { return qBlue(c) > qRed(c) + 40; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        Fixture f;
        f.state.certKind = c.kind;
        f.state.certChoice = 3;
        TCertForm2 form(f.state, QDate(2019, 1, 1), f.host);
        form.show();
        QTemporaryDir dir;
        const QString pdf = dir.filePath(QStringLiteral("cert.pdf"));
        ASSERT_TRUE(printOnA4(form, pdf));
        const QImage shown = form.certificateImage();
        QFile::copy(pdf, testOutputPath(QString::fromLatin1(c.file) + QStringLiteral(".pdf")));
        EXPECT_EQ(pdfPages(pdf), 1);
        // The banners, the stamp and the seal are drawn, not pasted in from the screen: any
        // picture left in the page must be at least as sharp as a photo print.
        for (int ppi : pdfImageResolutions(pdf)) EXPECT_GE(ppi, 300);

        const QImage page = pdfPageImage(pdf, 40, dir.filePath(QStringLiteral("page")));
        ASSERT_FALSE(page.isNull());
        page.save(testOutputPath(QString::fromLatin1(c.file) + QStringLiteral(".png")));
        // The inked area is the certificate: inside the page, and in the window's proportions.
        QRect ink;
        for (int y = 0; y < page.height(); ++y)
            for (int x = 0; x < page.width(); ++x)
                if (qGray(page.pixel(x, y)) < 245) ink |= QRect(x, y, 1, 1);
        ASSERT_FALSE(ink.isEmpty());
        const double shownRatio = double(shown.width()) / shown.height();
        const double inkRatio = double(ink.width()) / ink.height();
        EXPECT_NEAR(inkRatio, shownRatio, 0.06);
        // Scaled to the page, and in its middle both ways: the window's own blank edges (its
        // drawing is not quite even) are measured on the window and taken off each side.
        EXPECT_GT(ink.width(), page.width() * 8 / 10);
        QRect shownInk;
        for (int y = 0; y < shown.height(); ++y)
            for (int x = 0; x < shown.width(); ++x)
                if (qGray(shown.pixel(x, y)) < 245) shownInk |= QRect(x, y, 1, 1);
        ASSERT_FALSE(shownInk.isEmpty());
        const double s = double(ink.width()) / shownInk.width();
        EXPECT_NEAR(ink.left() - shownInk.left() * s,
                    page.width() - 1 - ink.right() - (shown.width() - 1 - shownInk.right()) * s, 3);
        EXPECT_NEAR(ink.top() - shownInk.top() * s,
                    page.height() - 1 - ink.bottom() - (shown.height() - 1 - shownInk.bottom()) * s, 3);
        // Both banners made it onto the page.
        EXPECT_TRUE(c.bannerColour(page.pixel(ink.center().x(), ink.bottom() - 3)));
        EXPECT_TRUE(c.bannerColour(page.pixel(ink.center().x(), ink.top() + 3)));
    }
}

TEST(NigateWindow, DrawsTheListAndReadsItAloud) {
    KukuState state;
    VirtualPacer pacer;
    VirtualVoice voice(pacer);
    voice.fixedDurationMs = 1000;
    Speaker speaker(state, voice, pacer);
    TNigateForm form(state, speaker, pacer);
    form.showBeside(QRect(100, 50, 600, 700));
    EXPECT_EQ(form.windowTitle(), q(u"にが手な九九"));
    EXPECT_EQ(form.frameGeometry().left(), 100 + 600 + 300);
    EXPECT_EQ(form.width(), 380);
    EXPECT_EQ(form.height(), 320);  // four entries
    saveGrab(form, QStringLiteral("nigate"));

    EXPECT_EQ(form.ReadAll(), 4);
    EXPECT_EQ(voice.texts(),
              (QStringList{MakeYomi(13, 1), MakeYomi(14, 1), MakeYomi(15, 1), MakeYomi(16, 1)}));
    EXPECT_EQ(pacer.now(), 4 * 1800);
    EXPECT_EQ(form.current(), -1);

    form.findChild<QPushButton*>(QStringLiteral("RepeatButton"))->click();
    EXPECT_EQ(form.ReadAll(), 12);

    QTest::keyClick(&form, Qt::Key_Escape);
    EXPECT_FALSE(form.isVisible());
}

TEST(NigateWindow, HeightFollowsTheListWithinTheScreen) {
    const struct {
        int entries;
        int height;
    } cases[] = {{0, 303}, {3, 303}, {4, 320}, {11, 880}, {81, 900}};
    for (const auto& c : cases) EXPECT_EQ(TNigateForm::heightFor(c.entries), c.height) << c.entries;
}

// ---- Result table I after registering, and the look of its registration ----

namespace {

int redPixels(const QImage& image) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c(image.pixel(x, y));
            if (c.red() > 180 && c.green() < 90 && c.blue() < 90) ++n;
        }
    return n;
}

}  // namespace

TEST(ResultDsp1Window, AfterTheQualificationTableClosesTheKeysReachTheTableAgain) {
    Fixture f;
    finishRowTest(f.state, 5, 3, 1);
    TResultDsp1Form form(f.state, f.board, f.host, f.pacer);
    form.show();
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    f.pacer.answers = {true};  // the qualification table's closing question
    form.registerButton()->click();
    ASSERT_EQ(f.host.modals, QStringList{q(u"資格チェック表")});
    QApplication::processEvents();
    EXPECT_EQ(QApplication::activeWindow(), &form);
    // C now asks to close the table, without a click on it first.
    f.pacer.answers = {true};
    QWidget* target =
        QApplication::focusWidget() ? QApplication::focusWidget() : QApplication::activeWindow();
    ASSERT_NE(target, nullptr);
    QTest::keyClick(target, Qt::Key_C);
    EXPECT_FALSE(form.isVisible());
}

TEST(ResultDsp1Window, TheRegisterButtonIsRedOnlyWhileItCanBePressed) {
    for (const int value : {1, 0}) {
        Fixture f;
        finishRowTest(f.state, 3, 4, value);
        TResultDsp1Form form(f.state, f.board, f.host, f.pacer);
        form.show();
        QPushButton* button = form.registerButton();
        EXPECT_EQ(button->isEnabled(), value == 1);
        const int red = redPixels(button->grab().toImage());
        if (value == 1)
            EXPECT_GT(red, 20) << "an enabled button has red text";
        else
            EXPECT_EQ(red, 0) << "a disabled button looks disabled";
    }
}

// ---- The weak-point window on a small screen ----

TEST(NigateWindow, OpensWhollyOnTheScreenOfTheMainWindow) {
    KukuState state;
    VirtualPacer pacer;
    VirtualVoice voice(pacer);
    Speaker speaker(state, voice, pacer);
    TNigateForm form(state, speaker, pacer);
    // The second test screen is 1280 × 1024 at x = 1920; the main window stands at its left.
    const QRect smallScreen(1920, 0, 1280, 1024);
    for (const QRect main : {QRect(1920 + 200, 100, 618, 790), QRect(1920 + 600, 300, 618, 790)}) {
        form.showBeside(main);
        EXPECT_TRUE(smallScreen.contains(form.frameGeometry())) << main.x() << "," << main.y();
        // As far right as the screen allows, at the main window's top.
        EXPECT_EQ(form.frameGeometry().right(), smallScreen.right());
        EXPECT_EQ(form.y(), main.y());
        form.hide();
    }
}

// ---- Certificates ----

TEST(CertWindow, ALongNameShrinksToFitItsField) {
    for (const char16_t* name :
         {u"くく はじめ", u"わたなべ ゆういちろう", u"ながいながい なまえの ひとりの こども"}) {
        Fixture f;
        f.state.certKind = -1;
        f.state.studentName = q(name);
        TCertForm2 form(f.state, QDate(2019, 1, 1), f.host);
        form.show();
        auto* field = form.findChild<QLabel*>(QStringLiteral("NameLabel"));
        const QImage drawn = field->grab().toImage();
        int left = drawn.width(), right = -1;
        for (int y = 0; y < drawn.height(); ++y)
            for (int x = 0; x < drawn.width(); ++x)
                if (qGray(drawn.pixel(x, y)) < 100) {
                    left = std::min(left, x);
                    right = std::max(right, x);
                }
        ASSERT_GE(right, 0) << "no name drawn";
        // Both ends of the name are inside the field, not cut at its edges.
        EXPECT_GT(left, 0);
        EXPECT_LT(right, drawn.width() - 1);
        EXPECT_LE(QFontMetrics(field->font()).horizontalAdvance(q(name)), field->width());
        if (QString::fromUtf16(name).size() < 8) {
            EXPECT_EQ(field->font().pixelSize(), 24);
        }
        if (QString::fromUtf16(name) == q(u"わたなべ ゆういちろう"))
            saveGrab(form, QStringLiteral("certificate-long-name"));
    }
}

TEST(CertWindow, PrintsItsTextsAsTextsAtThePrintersResolution) {
    Fixture f;
    f.state.certKind = -1;
    f.state.studentName = q(u"わたなべ ゆういちろう");
    TCertForm2 form(f.state, QDate(2019, 1, 1), f.host);
    form.show();
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("cert.pdf"));
    ASSERT_TRUE(printOnA4(form, pdf));
    QProcess fonts;
    fonts.start(QStringLiteral("pdffonts"), {pdf});
    ASSERT_TRUE(fonts.waitForFinished(30000));
    // A screen grab on the page would carry no fonts; the drawn certificate carries the Mincho
    // of its texts.
    EXPECT_TRUE(QString::fromLocal8Bit(fonts.readAllStandardOutput()).contains(QStringLiteral("Mincho")));
}
