#include "core/KukuTables.h"
#include "records/GanbariForm.h"
#include "tests/TestOutput.h"
#include "tests/records/HistoryRig.h"
#include "tests/records/PdfTools.h"
#include "tests/records/RecordingHost.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace rentabo;
using namespace rentabo::testing;
using namespace Qt::StringLiterals;

namespace {

const QDate kToday(2026, 3, 20);
const LearnerId kTaro{QStringLiteral(u"たろう"), 1234};

// 1×1 always right and quick, 3×6 mostly missed, 7×8 right but slow; 9×9 never asked.
void fillHistory(HistoryStore& store) {
    for (int i = 11; i >= 0; --i) {
        const QDateTime when(kToday.addDays(-i), QTime(17, 0));
        store.add(answerRow(when, kTaro, 0, AnswerOutcome::Right, 900));
        store.add(answerRow(when, kTaro, 23, i % 4 == 0 ? AnswerOutcome::Right : AnswerOutcome::Wrong, 2000));
        store.add(answerRow(when, kTaro, 61, AnswerOutcome::Right, 5200));
    }
}

QLabel* label(QWidget& w, const char* name) {
    return w.findChild<QLabel*>(QString::fromLatin1(name));
}

}  // namespace

TEST(ProgressWindow, ColoursEachFactByItsGradeAndNamesTheSlowAndTheMissed) {
    HistoryFolder h;
    fillHistory(h.store());
    RecordingHost host;
    TGanbariForm form(h.store(), kTaro, kToday, host, false);
    form.resize(form.sizeHint());
    form.show();
    auto* map = form.findChild<FactHeatMap*>();
    ASSERT_TRUE(map);
    const QImage image = map->grab().toImage();
    struct Case {
        int fact;
        FactGrade grade;
    };
    for (const Case& c : {Case{0, FactGrade::Mastered}, Case{23, FactGrade::Weak},
                          Case{61, FactGrade::Nearly}, Case{80, FactGrade::NotYet}}) {
        const QRectF cell = map->mapLayout().cellRect(c.fact);
        EXPECT_EQ(image.pixelColor(QPointF(cell.left() + 3, cell.center().y()).toPoint()),
                  FactHeatMap::colourOf(c.grade))
            << "fact " << c.fact;
    }
    EXPECT_TRUE(label(form, "title")->text().contains(u"たろうさん"));
    const QString slow = label(form, "slowest")->text();
    EXPECT_LT(slow.indexOf(u"７×８"), slow.indexOf(u"３×６"));
    EXPECT_TRUE(label(form, "mostMissed")->text().contains(QStringLiteral(u"３×６＝18　10回中7回まちがい")));
    EXPECT_FALSE(label(form, "mostMissed")->text().contains(u"１×１"));
    // Every fact was answered today: none is due again before tomorrow.
    EXPECT_EQ(label(form, "dueLabel")->text(), QStringLiteral(u"今日の復習はありません"));
    EXPECT_FALSE(form.keyReviewButton()->isEnabled());
}

TEST(ProgressWindow, TheReviewIsOfferedByKeysAndByVoiceOnlyWithAMicrophone) {
    HistoryFolder h;
    fillHistory(h.store());
    RecordingHost host;
    for (bool canListen : {false, true}) {
        TGanbariForm form(h.store(), kTaro, kToday.addDays(1), host, canListen);
        // 7×8 is slow: due the next day. 3×6 was right today after a miss: box 2, due in two days.
        EXPECT_EQ(form.report().dueToday, std::vector<int>{61});
        EXPECT_TRUE(form.keyReviewButton()->isEnabled());
        EXPECT_EQ(form.voiceReviewButton()->isEnabled(), canListen);
        form.voiceReviewButton()->click();
        EXPECT_EQ(form.review(), canListen ? TGanbariForm::Review::Voice : TGanbariForm::Review::None);
    }
}

TEST(ProgressWindow, ExportsTheLearnersAnswersAsCsvASpreadsheetReadsAsJapanese) {
    HistoryFolder h;
    const LearnerId commaName{QStringLiteral(u"山田,\"たろう\""), 77};
    h.store().add(answerRow(QDateTime(kToday, QTime(9, 5, 1)), commaName, 23, AnswerOutcome::Wrong, 2500));
    h.store().add(answerRow(QDateTime(kToday, QTime(9, 5, 4)), kTaro, 0, AnswerOutcome::Right, 900));
    RecordingHost host;
    TGanbariForm form(h.store(), commaName, kToday, host, false);
    const QString path = h.dir.filePath(QStringLiteral("out.csv"));
    form.chooseCsvPath = [&](const QString& suggested) {
        EXPECT_TRUE(suggested.endsWith(u".csv"));
        return path;
    };
    ASSERT_TRUE(form.exportCsv());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    EXPECT_TRUE(bytes.startsWith("\xEF\xBB\xBF"));
    const QStringList lines =
        QString::fromUtf8(bytes.mid(3)).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2) << "a header and the one answer of this learner";
    EXPECT_EQ(lines[0],
              QStringLiteral(u"日時,名前,番号,テスト,式,正しい答え,答え,結果,秒,答え方,認識の確かさ,復習"));
    EXPECT_EQ(
        lines[1],
        QStringLiteral(
            u"2026-03-20 09:05:01.000,\"山田,\"\"たろう\"\"\",77,キー答・順,3×6,18,,まちがい,2.5,キー,,"));
    EXPECT_EQ(host.messages.back(), QStringLiteral(u"お知らせ|1問の答えを書き出しました。\n") + path);
}

// The file is offered in the learner's documents folder, or in the home folder when there is none.
TEST(ProgressWindow, TheCsvIsOfferedInTheDocumentsFolderOrElseTheHomeFolder) {
    HistoryFolder h;
    RecordingHost host;
    QTemporaryDir home;
    const QByteArray homeBefore = qgetenv("HOME"), configBefore = qgetenv("XDG_CONFIG_HOME");
    qputenv("HOME", QFile::encodeName(home.path()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(QStringLiteral(".config"))));
    QStringList offered;
    for (bool documents : {false, true}) {
        if (documents) QDir(home.path()).mkdir(QStringLiteral("Documents"));
        TGanbariForm form(h.store(), kTaro, kToday, host, false);
        form.chooseCsvPath = [&](const QString& suggested) {
            offered << QFileInfo(suggested).path();
            return QString();
        };
        EXPECT_FALSE(form.exportCsv()) << "cancelled";
    }
    qputenv("HOME", homeBefore);
    qputenv("XDG_CONFIG_HOME", configBefore);
    EXPECT_EQ(offered, (QStringList{home.path(), home.filePath(QStringLiteral("Documents"))}));
}

// The printed page, as a family's printer gets it.
struct PrintedPage {
    QString pdf;
    std::vector<PdfWord> words;
    QSizeF points;

    PrintedPage(TGanbariForm& form, const QString& folder) : pdf(folder + QStringLiteral("/page.pdf")) {
        QPrinter printer(QPrinter::HighResolution);
        form.preparePrinter(printer);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        EXPECT_TRUE(form.printTo(printer));
        words = pdfWords(pdf);
        points = pdfPageSize(pdf);
        QFile::remove(testOutputPath(QStringLiteral("progress-page.pdf")));
        QFile::copy(pdf, testOutputPath(QStringLiteral("progress-page.pdf")));
    }
    // The first run of words that begins with `text` (pdftotext cuts Japanese into pieces:
    // 一 の 段) and whose middle lies in `band` (points), else an empty box.
    QRectF find(const QString& text, const QRectF& band = QRectF(0, 0, 1e6, 1e6)) const {
        for (std::size_t i = 0; i < words.size(); ++i) {
            QString spelt;
            QRectF box;
            for (std::size_t j = i; j < words.size(); ++j) {
                const QString next = spelt + words[j].text;
                if (!next.startsWith(text) && !text.startsWith(next)) break;
                spelt = next;
                box |= words[j].box;
                if (spelt.startsWith(text)) {
                    if (band.contains(box.center())) return box;
                    break;
                }
            }
        }
        return {};
    }
};

TEST(ProgressWindow, PrintsAPageForPaperWhateverTheWindowsSize) {
    HistoryFolder h;
    fillHistory(h.store());
    RecordingHost host;
    TGanbariForm form(h.store(), kTaro, kToday, host, false);
    QPrinter* previewed = nullptr;
    form.showPreview = [&](QPrinter& printer) { previewed = &printer; };
    form.Print();
    ASSERT_TRUE(previewed) << "印刷 opens the preview, from which it prints or saves a PDF";

    for (QSize windowSize : {QSize(700, 500), QSize(1800, 1000)}) {
        form.resize(windowSize);
        const PrintedPage page(form, h.dir.path());
        EXPECT_EQ(pdfPages(page.pdf), 1);
        // A4 across: 842 × 595 points.
        EXPECT_NEAR(page.points.width(), 842, 1);
        EXPECT_NEAR(page.points.height(), 595, 1);
        // Everything inside the printable area (10 mm margins: 28 points).
        const QRectF printable(28, 28, page.points.width() - 56, page.points.height() - 56);
        QStringList expected{u"たろうさんの"_s, u"2026年3月20日"_s, u"時間がかかる九九"_s,
                             u"まちがえやすい九九"_s};
        for (int a = 1; a <= 9; ++a) expected << kukuTables().danName[static_cast<std::size_t>(a - 1)];
        for (int b = 1; b <= 9; ++b) expected << u"×%1"_s.arg(b);
        for (FactGrade g : {FactGrade::Mastered, FactGrade::Few, FactGrade::NotYet})
            expected << gradeLabel(g).section(u'（', 0, 0);
        for (const QString& text : expected) {
            const QRectF box = page.find(text);
            EXPECT_FALSE(box.isEmpty()) << text.toStdString() << " not printed";
            EXPECT_TRUE(printable.contains(box)) << text.toStdString() << " outside the printable area";
        }
        EXPECT_FALSE(page.find(u"毎日の答えた数（ぼう）と正かいの割合（線）"_s).isEmpty());
        // The day chart's count scale runs from 0 in round steps up to its top (three answers a
        // day: 0, 5, 10), each mark level with the share's 0 %, 50 % and 100 % on the right.
        for (const auto& [count, share] :
             {std::pair{u"0"_s, u"0%"_s}, {u"5"_s, u"50%"_s}, {u"10"_s, u"100%"_s}}) {
            const QRectF right = page.find(share);
            ASSERT_FALSE(right.isEmpty()) << share.toStdString();
            const QRectF level(0, right.top(), right.left() - 1, right.height());
            EXPECT_FALSE(page.find(count, level).isEmpty())
                << count.toStdString() << " beside " << share.toStdString();
        }
    }
}

TEST(ProgressWindow, EachFactIsDrawnWhereItsRowAndColumnHeadingsMeet) {
    HistoryFolder h;
    fillHistory(h.store());
    // 2×4 answered twice: too few answers for a grade.
    for (int i = 0; i < 2; ++i)
        h.store().add(answerRow(QDateTime(kToday, QTime(18, i)), kTaro, 12, AnswerOutcome::Right, 900));
    RecordingHost host;
    TGanbariForm form(h.store(), kTaro, kToday, host, false);
    const PrintedPage page(form, h.dir.path());
    const int dpi = 96;
    const QImage pixels = pdfPageImage(page.pdf, dpi, h.dir.filePath(QStringLiteral("page")));
    ASSERT_FALSE(pixels.isNull());
    pixels.save(testOutputPath(QStringLiteral("progress-printed.png")));
    const QRectF upperHalf(0, 0, page.points.width(), page.points.height() / 2);
    // The cells' pitch, from the first two column headings.
    const double pitch =
        page.find(u"×2"_s, upperHalf).center().x() - page.find(u"×1"_s, upperHalf).center().x();
    ASSERT_GT(pitch, 20);
    struct Case {
        int a, b;
        FactGrade grade;
    };
    // Pairs of a fact and its reverse tell a map drawn across from one drawn down.
    for (const Case& c :
         {Case{3, 6, FactGrade::Weak}, Case{6, 3, FactGrade::NotYet}, Case{7, 8, FactGrade::Nearly},
          Case{8, 7, FactGrade::NotYet}, Case{1, 1, FactGrade::Mastered}, Case{2, 4, FactGrade::Few},
          Case{4, 2, FactGrade::NotYet}}) {
        // The headings as printed: the row's name on the left, the column's "×b" above.
        const QRectF row = page.find(kukuTables().danName[static_cast<std::size_t>(c.a - 1)]);
        const QRectF column = page.find(u"×%1"_s.arg(c.b), upperHalf);
        ASSERT_FALSE(row.isEmpty() || column.isEmpty()) << c.a << "×" << c.b;
        // Under the column's heading, level with the row's: the cell's left side, clear of its
        // texts.
        const QPointF at((column.center().x() - 0.36 * pitch) * dpi / 72.0, row.center().y() * dpi / 72.0);
        const QColor seen = pixels.pixelColor(at.toPoint()), wanted = FactHeatMap::colourOf(c.grade);
        EXPECT_LE(std::abs(seen.red() - wanted.red()) + std::abs(seen.green() - wanted.green()) +
                      std::abs(seen.blue() - wanted.blue()),
                  6)
            << c.a << "×" << c.b << ": " << seen.name().toStdString() << " for "
            << wanted.name().toStdString();
        // And the fact written in it is that fact.
        const QRectF cell(column.left() - 8, row.top() - 18, column.width() + 16, row.height() + 36);
        EXPECT_FALSE(page.find(u"%1×%2"_s.arg(c.a).arg(c.b), cell).isEmpty()) << c.a << "×" << c.b;
    }
    // Too few answers: the count instead of a grade.
    EXPECT_FALSE(page.find(u"2回"_s).isEmpty());
}

// Each day with answers has its bar, as tall as its answers, in its own slot; a day without
// answers leaves its slot empty; the share right is marked inside its day's bar.
TEST(ProgressWindow, TheDayChartDrawsABarForEachDayWithAnswersInItsSlot) {
    ProgressReport report;
    const std::vector<std::pair<int, int>> answersRight{{10, 5}, {0, 0}, {6, 6}, {8, 2}};
    for (std::size_t i = 0; i < answersRight.size(); ++i)
        report.days.push_back({kToday.addDays(int(i) - 3), answersRight[i].first, answersRight[i].second});
    QImage image(800, 400, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter p(&image);
        paintDayChart(p, QRectF(image.rect()), report);
    }
    const QRgb bar = qRgb(0x64, 0x96, 0xE6), mark = qRgb(0xC8, 0x32, 0x32);
    struct Bar {
        int left, right, top, bottom;
    };
    std::vector<Bar> bars;
    for (int x = 0; x < image.width(); ++x) {
        int top = -1, bottom = -1;
        for (int y = 0; y < image.height(); ++y)
            if (image.pixel(x, y) == bar) {
                if (top < 0) top = y;
                bottom = y;
            }
        if (top < 0) continue;
        if (!bars.empty() && bars.back().right == x - 1) {
            Bar& b = bars.back();
            b.right = x, b.top = std::min(b.top, top), b.bottom = std::max(b.bottom, bottom);
        } else {
            bars.push_back({x, x, top, bottom});
        }
    }
    ASSERT_EQ(bars.size(), 3u) << "three days with answers, three bars";
    const auto centre = [](const Bar& b) { return (b.left + b.right) / 2.0; };
    const auto height = [](const Bar& b) { return double(b.bottom - b.top); };
    // Slots 0, 2 and 3: the empty day keeps its room between the first two.
    EXPECT_NEAR(centre(bars[1]) - centre(bars[0]), 2 * (centre(bars[2]) - centre(bars[1])), 3);
    EXPECT_NEAR(height(bars[1]) / height(bars[0]), 6.0 / 10, 0.03);
    EXPECT_NEAR(height(bars[2]) / height(bars[0]), 8.0 / 10, 0.03);
    // The share right marked over each bar's centre, at its height on the plot (the first bar,
    // ten answers, reaches the top of the scale).
    const std::vector<double> shares{0.5, 1.0, 0.25};
    for (std::size_t i = 0; i < bars.size(); ++i) {
        const int y = int(std::lround(bars[i].bottom - height(bars[0]) * shares[i]));
        bool marked = false;
        for (int dy = -2; dy <= 2 && !marked; ++dy)
            marked = image.pixel(int(centre(bars[i])), y + dy) == mark;
        EXPECT_TRUE(marked) << "day " << i << ": no share marked at y " << y;
    }
}
