#include "records/GanbariForm.h"

#include "core/KukuTables.h"
#include "records/RecordsHost.h"

#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPicture>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QStandardPaths>
#include <QVBoxLayout>

namespace rentabo {

namespace {

constexpr int kCell = 62;
constexpr int kHeader = 58;

QFont uiFont(int px, bool bold = false) {
    QFont f(QStringLiteral("IPAGothic"));
    f.setPixelSize(px);
    f.setBold(bold);
    return f;
}

QString seconds(std::int64_t ms) {
    return QStringLiteral(u"%1秒").arg(double(ms) / 1000.0, 0, 'f', 1);
}

QString factLine(const ProgressReport& r, int k, bool bySpeed) {
    const FactProgress& p = r.facts[static_cast<std::size_t>(k)];
    const QString fact = kukuTables().shikiStr[static_cast<std::size_t>(k)] + u'＝' +
                         QString::number(kukuTables().kotae[static_cast<std::size_t>(k)]);
    return bySpeed ? QStringLiteral(u"%1　%2").arg(fact, seconds(p.meanRightMs))
                   : QStringLiteral(u"%1　%2回中%3回まちがい").arg(fact).arg(p.answers).arg(p.misses());
}

QString factList(const ProgressReport& r, const std::vector<int>& facts, bool bySpeed) {
    if (facts.empty()) return QStringLiteral(u"（まだありません）");
    QStringList lines;
    for (int k : facts) lines << factLine(r, k, bySpeed);
    return lines.join(u'\n');
}

const char16_t* gradeMark(FactGrade g) {
    switch (g) {
        case FactGrade::Mastered:
            return u"◎";
        case FactGrade::Nearly:
            return u"○";
        case FactGrade::Practise:
            return u"△";
        case FactGrade::Weak:
            return u"×";
        case FactGrade::NotYet:
            return u"";
    }
    return u"";
}

}  // namespace

// ---- the heat map ----

FactHeatMap::FactHeatMap(const ProgressReport& report, QWidget* parent) : QWidget(parent), m_report(report) {}

QSize FactHeatMap::sizeHint() const {
    return {kHeader + 9 * kCell + 2, kHeader / 2 + 9 * kCell + 5 * 26 + 14};
}

QColor FactHeatMap::colourOf(FactGrade grade) {
    switch (grade) {
        case FactGrade::Mastered:
            return QColor(0x66, 0xBB, 0x6A);
        case FactGrade::Nearly:
            return QColor(0xFF, 0xEE, 0x58);
        case FactGrade::Practise:
            return QColor(0xFF, 0xA7, 0x26);
        case FactGrade::Weak:
            return QColor(0xEF, 0x53, 0x50);
        case FactGrade::NotYet:
            return QColor(0xE6, 0xE6, 0xE6);
    }
    return Qt::white;
}

QRect FactHeatMap::cellRect(int kuku_n) {
    const int a = kuku_n / 9 + 1, b = kuku_n % 9 + 1;
    return {kHeader + (b - 1) * kCell, kHeader / 2 + (a - 1) * kCell, kCell - 2, kCell - 2};
}

void FactHeatMap::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const int top = kHeader / 2;
    p.setPen(Qt::black);
    p.setFont(uiFont(15, true));
    for (int b = 1; b <= 9; ++b)
        p.drawText(QRect(kHeader + (b - 1) * kCell, 0, kCell, top), Qt::AlignCenter,
                   QStringLiteral(u"×%1").arg(b));
    for (int a = 1; a <= 9; ++a) {
        p.setFont(uiFont(15, true));
        p.setPen(Qt::black);
        p.drawText(QRect(0, top + (a - 1) * kCell, kHeader - 4, kCell), Qt::AlignCenter,
                   kukuTables().danName[static_cast<std::size_t>(a - 1)]);
        for (int b = 1; b <= 9; ++b) {
            const int k = (a - 1) * 9 + (b - 1);
            const FactProgress& f = m_report.facts[static_cast<std::size_t>(k)];
            const FactGrade g = gradeOf(f);
            const QRect cell = cellRect(k);
            p.setPen(QPen(QColor(0x90, 0x90, 0x90), 1));
            p.setBrush(colourOf(g));
            p.drawRoundedRect(cell, 6, 6);
            p.setPen(Qt::black);
            p.setFont(uiFont(16, true));
            p.drawText(cell.adjusted(0, 3, 0, 0), Qt::AlignHCenter | Qt::AlignTop,
                       QStringLiteral("%1×%2").arg(a).arg(b));
            // Right answers of the recent ones, and how long the right ones took.
            p.setFont(uiFont(12));
            if (f.answers > 0)
                p.drawText(cell.adjusted(0, 24, 0, 0), Qt::AlignHCenter | Qt::AlignTop,
                           QStringLiteral("%1/%2").arg(f.right).arg(f.answers));
            if (f.right > 0)
                p.drawText(cell.adjusted(0, 0, 0, -3), Qt::AlignHCenter | Qt::AlignBottom,
                           seconds(f.meanRightMs));
            // The mark says it without the colour, in a corner the texts leave free.
            p.setFont(uiFont(12, true));
            p.drawText(cell.adjusted(4, 0, -3, -3), Qt::AlignLeft | Qt::AlignBottom,
                       QString::fromUtf16(gradeMark(g)));
        }
    }
    // The legend: the colour, its mark and what it means.
    int y = top + 9 * kCell + 10;
    for (FactGrade g :
         {FactGrade::Mastered, FactGrade::Nearly, FactGrade::Practise, FactGrade::Weak, FactGrade::NotYet}) {
        const QRect swatch(kHeader, y, 36, 22);
        p.setPen(QPen(QColor(0x90, 0x90, 0x90), 1));
        p.setBrush(colourOf(g));
        p.drawRoundedRect(swatch, 4, 4);
        p.setPen(Qt::black);
        p.setFont(uiFont(13, true));
        p.drawText(swatch, Qt::AlignCenter, QString::fromUtf16(gradeMark(g)));
        p.setFont(uiFont(15));
        p.drawText(QRect(swatch.right() + 10, y, 9 * kCell - 46, 22), Qt::AlignVCenter | Qt::AlignLeft,
                   gradeLabel(g));
        y += 26;
    }
}

// ---- the chart of the days ----

DayChart::DayChart(const ProgressReport& report, QWidget* parent) : QWidget(parent), m_report(report) {}

QSize DayChart::sizeHint() const {
    return {440, 300};
}

void DayChart::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRect plot = rect().adjusted(44, 34, -44, -30);
    p.setFont(uiFont(15, true));
    p.setPen(Qt::black);
    p.drawText(QRect(0, 0, width(), 28), Qt::AlignCenter,
               QStringLiteral(u"毎日の答えた数（ぼう）と正かいの割合（線）"));
    const auto& days = m_report.days;
    if (days.empty()) return;
    int most = 10;
    for (const auto& d : days) most = std::max(most, d.answers);
    // A round top for the left scale.
    const int step = most <= 20 ? 5 : most <= 100 ? 20 : most <= 400 ? 100 : 500;
    most = (most + step - 1) / step * step;

    p.setPen(QPen(QColor(0xC0, 0xC0, 0xC0), 1, Qt::DotLine));
    p.setFont(uiFont(12));
    for (int v = 0; v <= most; v += step) {
        const int y = plot.bottom() - plot.height() * v / most;
        p.setPen(QPen(QColor(0xC0, 0xC0, 0xC0), 1, Qt::DotLine));
        p.drawLine(plot.left(), y, plot.right(), y);
        p.setPen(QColor(0x1E, 0x5A, 0xC8));
        p.drawText(QRect(0, y - 8, plot.left() - 4, 16), Qt::AlignRight | Qt::AlignVCenter,
                   QString::number(v));
    }
    p.setPen(QColor(0xC8, 0x32, 0x32));
    for (int pc : {0, 50, 100}) {
        const int y = plot.bottom() - plot.height() * pc / 100;
        p.drawText(QRect(plot.right() + 4, y - 8, 40, 16), Qt::AlignLeft | Qt::AlignVCenter,
                   QStringLiteral("%1%").arg(pc));
    }
    const double slot = double(plot.width()) / double(days.size());
    QPainterPath line;
    bool started = false;
    for (std::size_t i = 0; i < days.size(); ++i) {
        const DayProgress& d = days[i];
        const double x = plot.left() + slot * double(i);
        if (d.answers > 0) {
            const double h = double(plot.height()) * d.answers / most;
            p.fillRect(QRectF(x + slot * 0.15, plot.bottom() - h, slot * 0.7, h), QColor(0x64, 0x96, 0xE6));
            const QPointF point(x + slot / 2, plot.bottom() - double(plot.height()) * d.right / d.answers);
            if (!started)
                line.moveTo(point);
            else
                line.lineTo(point);
            started = true;
        }
        if (i % 7 == 0 || i + 1 == days.size()) {
            p.setPen(Qt::black);
            p.drawText(QRectF(x - 10, plot.bottom() + 4, slot + 20, 20), Qt::AlignHCenter | Qt::AlignTop,
                       QStringLiteral("%1/%2").arg(d.day.month()).arg(d.day.day()));
        }
    }
    p.setPen(QPen(QColor(0xC8, 0x32, 0x32), 2.5));
    p.setBrush(Qt::NoBrush);
    p.drawPath(line);
    p.setBrush(QColor(0xC8, 0x32, 0x32));
    for (int i = 0; i < line.elementCount(); ++i) p.drawEllipse(QPointF(line.elementAt(i)), 3, 3);
    p.setPen(Qt::black);
    p.setBrush(Qt::NoBrush);
    p.drawRect(plot);
}

// ---- the window ----

TGanbariForm::TGanbariForm(const HistoryStore& store, const LearnerId& learner, const QDate& today,
                           RecordsHost& host, bool canListen, QWidget* parent)
    : QDialog(parent),
      m_store(store),
      m_learner(learner),
      m_host(host),
      m_report(readProgress(store, learner, today)) {
    setWindowTitle(QStringLiteral(u"がんばりの記録"));
    setObjectName(QStringLiteral("GanbariForm"));
    setStyleSheet(QStringLiteral("QDialog#GanbariForm, QWidget#sheet { background: #FFFDF5; }"));
    printerAvailable = [] {
        return !QPrinterInfo::availablePrinters().isEmpty() || !QPrinterInfo::defaultPrinter().isNull();
    };
    chooseCsvPath = [this](const QString& suggested) {
        return QFileDialog::getSaveFileName(this, QStringLiteral(u"CSVに書き出す"), suggested,
                                            QStringLiteral(u"CSV (*.csv)"));
    };

    auto* outer = new QVBoxLayout(this);
    m_sheet = new QWidget(this);
    m_sheet->setObjectName(QStringLiteral("sheet"));
    m_sheet->setAttribute(Qt::WA_StyledBackground);
    outer->addWidget(m_sheet);
    auto* grid = new QGridLayout(m_sheet);

    auto* title = new QLabel(QStringLiteral(u"%1さんの がんばりの記録").arg(learner.name), m_sheet);
    title->setFont(uiFont(28, true));
    title->setObjectName(QStringLiteral("title"));
    grid->addWidget(title, 0, 0, 1, 2);
    auto* total =
        new QLabel(QStringLiteral(u"これまでに答えた数：%1問　　九九の色は、それぞれの最近%2回の答えから。")
                       .arg(m_report.answers)
                       .arg(kRecentAnswers),
                   m_sheet);
    total->setFont(uiFont(15));
    grid->addWidget(total, 1, 0, 1, 2);
    grid->addWidget(new FactHeatMap(m_report, m_sheet), 2, 0, 3, 1);

    auto addList = [&](int row, const QString& heading, const QString& body, const QString& name) {
        auto* box = new QLabel(QStringLiteral("<b>%1</b><br>%2")
                                   .arg(heading, body.toHtmlEscaped().replace(u'\n', QStringLiteral("<br>"))),
                               m_sheet);
        box->setObjectName(name);
        box->setFont(uiFont(17));
        box->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        box->setStyleSheet(
            QStringLiteral("QLabel { background: white; border: 1px solid #C8C0A0; padding: 6px; }"));
        grid->addWidget(box, row, 1);
    };
    addList(2, QStringLiteral(u"時間がかかる九九"), factList(m_report, m_report.slowest, true),
            QStringLiteral("slowest"));
    addList(3, QStringLiteral(u"まちがえやすい九九"), factList(m_report, m_report.mostMissed, false),
            QStringLiteral("mostMissed"));
    grid->addWidget(new DayChart(m_report, m_sheet), 4, 1);
    grid->setColumnStretch(1, 1);

    // The buttons are not part of the printed sheet.
    auto* buttons = new QHBoxLayout;
    outer->addLayout(buttons);
    const int due = static_cast<int>(m_report.dueToday.size());
    auto* dueLabel = new QLabel(
        due > 0 ? QStringLiteral(u"今日の復習：%1問").arg(due) : QStringLiteral(u"今日の復習はありません"),
        this);
    dueLabel->setObjectName(QStringLiteral("dueLabel"));
    dueLabel->setFont(uiFont(18, true));
    buttons->addWidget(dueLabel);
    m_keyReview = new QPushButton(QStringLiteral(u"キーで復習(&K)"), this);
    m_voiceReview = new QPushButton(QStringLiteral(u"声で復習(&V)"), this);
    auto* csv = new QPushButton(QStringLiteral(u"CSVに書き出す(&S)"), this);
    auto* print = new QPushButton(QStringLiteral(u"印刷(&P)"), this);
    auto* close = new QPushButton(QStringLiteral(u"閉じる(&C)"), this);
    for (QPushButton* b : {m_keyReview, m_voiceReview, csv, print, close}) {
        b->setFont(uiFont(16));
        b->setMinimumHeight(40);
        buttons->addWidget(b);
    }
    m_keyReview->setEnabled(due > 0);
    m_voiceReview->setEnabled(due > 0 && canListen);
    if (!canListen)
        m_voiceReview->setToolTip(QStringLiteral(u"マイクが見つからないときは、キーで復習してね。"));
    connect(m_keyReview, &QPushButton::clicked, this, [this] { startReview(Review::Keyboard); });
    connect(m_voiceReview, &QPushButton::clicked, this, [this] { startReview(Review::Voice); });
    connect(csv, &QPushButton::clicked, this, [this] { exportCsv(); });
    connect(print, &QPushButton::clicked, this, &TGanbariForm::Print);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
}

TGanbariForm::~TGanbariForm() = default;

void TGanbariForm::startReview(Review how) {
    if (m_report.dueToday.empty()) return;
    m_review = how;
    accept();
}

bool TGanbariForm::exportCsv() {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QDir(folder).exists()) folder = QDir::homePath();
    const QString suggested =
        folder + QStringLiteral(u"/がんばりの記録_%1_%2.csv")
                     .arg(m_learner.name, QDate::currentDate().toString(QStringLiteral("yyyyMMdd")));
    const QString path = chooseCsvPath ? chooseCsvPath(suggested) : QString();
    if (path.isEmpty()) return false;
    QString error;
    if (!m_store.exportCsv(m_learner, path, &error)) {
        m_host.message(QStringLiteral(u"CSVファイルを書けませんでした。\n%1\n(%2)").arg(path, error),
                       QStringLiteral(u"ご確認"));
        return false;
    }
    m_host.message(QStringLiteral(u"%1問の答えを書き出しました。\n%2").arg(m_report.answers).arg(path),
                   QStringLiteral(u"お知らせ"));
    return true;
}

bool TGanbariForm::printTo(QPrinter& printer) {
    printer.setPageOrientation(QPageLayout::Landscape);
    QPainter painter;
    if (!painter.begin(&printer)) return false;
    // As drawing commands, so that texts print sharp at the printer's resolution.
    QPicture drawing;
    {
        QPainter recorder(&drawing);
        m_sheet->render(&recorder, QPoint(), QRegion(),
                        QWidget::DrawWindowBackground | QWidget::DrawChildren);
    }
    const QRect page = painter.viewport();
    QSizeF size = m_sheet->size();
    size.scale(page.size(), Qt::KeepAspectRatio);
    const double dpiRatio = double(painter.device()->logicalDpiX()) / drawing.logicalDpiX();
    const double scale = size.width() / m_sheet->width() / dpiRatio;
    painter.translate(page.x() + (page.width() - size.width()) / 2, page.y());
    painter.scale(scale, scale);
    painter.drawPicture(0, 0, drawing);
    return painter.end();
}

void TGanbariForm::Print() {
    if (!m_host.printerReady(printerAvailable)) return;
    QPrinter printer(QPrinter::HighResolution);
    const QPrinterInfo def = QPrinterInfo::defaultPrinter();
    if (!def.isNull()) printer.setPrinterName(def.printerName());
    printer.setDocName(QStringLiteral(u"がんばりの記録"));
    if (!printTo(printer))
        m_host.message(QStringLiteral(u"印刷できませんでした。プリンターを確かめてください。"),
                       QStringLiteral(u"お知らせ"));
}

}  // namespace rentabo
