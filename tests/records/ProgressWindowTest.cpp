#include "records/GanbariForm.h"
#include "tests/records/HistoryRig.h"
#include "tests/records/RecordingHost.h"

#include <QFile>
#include <QLabel>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>

#include <gtest/gtest.h>

using namespace rentabo;
using namespace rentabo::testing;

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
        const QRect cell = FactHeatMap::cellRect(c.fact);
        EXPECT_EQ(image.pixelColor(cell.left() + 3, cell.center().y()), FactHeatMap::colourOf(c.grade))
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

TEST(ProgressWindow, PrintsItsSheetWithTheTextsAsText) {
    HistoryFolder h;
    fillHistory(h.store());
    RecordingHost host;
    TGanbariForm form(h.store(), kTaro, kToday, host, false);
    form.resize(form.sizeHint());
    form.printerAvailable = [] { return false; };
    form.Print();
    EXPECT_TRUE(host.messages.back().contains(u"プリンターが見つかりません"));

    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    const QString pdf = h.dir.filePath(QStringLiteral("sheet.pdf"));
    printer.setOutputFileName(pdf);
    ASSERT_TRUE(form.printTo(printer));
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    ASSERT_TRUE(text.waitForFinished());
    const QString printed = QString::fromUtf8(text.readAllStandardOutput());
    EXPECT_TRUE(printed.contains(u"がんばりの記録")) << printed.toStdString();
    EXPECT_TRUE(printed.contains(u"まちがえやすい九九"));
}
