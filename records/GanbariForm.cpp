#include "records/GanbariForm.h"

#include "core/KukuTables.h"
#include "core/WindowPlacement.h"
#include "records/RecordsHost.h"

#include <QDir>
#include <QFileDialog>
#include <QFontMetricsF>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QScreen>
#include <QStandardPaths>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace rentabo {

namespace {

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
        case FactGrade::Few:
        case FactGrade::NotYet:
            return u"";
    }
    return u"";
}

}  // namespace

// ---- the heat map ----

namespace {

// The map in cells: a column of row headings one cell wide, a row of column headings half a cell
// high, the nine rows, then the legend's lines.
constexpr double kRowHeadingCells = 1.0;
constexpr double kColumnHeadingCells = 0.5;
constexpr double kLegendGapCells = 0.2;
constexpr double kLegendLineCells = 0.44;
constexpr double kMapWidthCells = kRowHeadingCells + 9;
constexpr double kMapHeightCells =
    kColumnHeadingCells + 9 + kLegendGapCells + MapLayout::kLegendLines * kLegendLineCells;
// Small enough for a laptop's screen, large enough to read the type in a cell.
constexpr int kMinCell = 32;
constexpr int kPreferredCell = 62;

QFont sizedFont(double px, bool bold = false) {
    return uiFont(std::max(1, static_cast<int>(std::lround(px))), bold);
}

constexpr FactGrade kLegendOrder[MapLayout::kLegendLines] = {FactGrade::Mastered, FactGrade::Nearly,
                                                             FactGrade::Practise, FactGrade::Weak,
                                                             FactGrade::Few,      FactGrade::NotYet};

}  // namespace

MapLayout::MapLayout(const QRectF& area) {
    m_cell = std::max(1.0, std::min(area.width() / kMapWidthCells, area.height() / kMapHeightCells));
    // Across, the map stands in the middle of its area; down, at its top.
    m_origin = QPointF(area.left() + (area.width() - m_cell * kMapWidthCells) / 2, area.top());
}

QRectF MapLayout::columnHeading(int b) const {
    return {m_origin.x() + m_cell * (kRowHeadingCells + b - 1), m_origin.y(), m_cell,
            m_cell * kColumnHeadingCells};
}

QRectF MapLayout::rowHeading(int a) const {
    return {m_origin.x(), m_origin.y() + m_cell * (kColumnHeadingCells + a - 1),
            m_cell * kRowHeadingCells * 0.94, m_cell};
}

QRectF MapLayout::cellRect(int kuku_n) const {
    const int a = kuku_n / 9 + 1, b = kuku_n % 9 + 1;
    const double gap = m_cell * 0.035;
    return {columnHeading(b).left(), rowHeading(a).top(), m_cell - gap, m_cell - gap};
}

QRectF MapLayout::legendLine(int line) const {
    const double top =
        m_origin.y() + m_cell * (kColumnHeadingCells + 9 + kLegendGapCells + line * kLegendLineCells);
    return {m_origin.x() + m_cell * kRowHeadingCells, top, m_cell * 9, m_cell * kLegendLineCells};
}

QRectF MapLayout::bounds() const {
    return {m_origin, QSizeF(m_cell * kMapWidthCells, m_cell * kMapHeightCells)};
}

void paintFactMap(QPainter& p, const QRectF& area, const ProgressReport& report) {
    const MapLayout m(area);
    const double c = m.cell();
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const QPen frame(QColor(0x90, 0x90, 0x90), std::max(1.0, c / 62));
    p.setPen(Qt::black);
    p.setFont(sizedFont(c * 0.24, true));
    for (int b = 1; b <= 9; ++b)
        p.drawText(m.columnHeading(b), Qt::AlignCenter, QStringLiteral(u"×%1").arg(b));
    for (int a = 1; a <= 9; ++a)
        p.drawText(m.rowHeading(a), Qt::AlignCenter, kukuTables().danName[static_cast<std::size_t>(a - 1)]);
    for (int k = 0; k < 81; ++k) {
        const int a = k / 9 + 1, b = k % 9 + 1;
        const FactProgress& f = report.facts[static_cast<std::size_t>(k)];
        const FactGrade g = gradeOf(f);
        const QRectF cell = m.cellRect(k);
        p.setPen(frame);
        p.setBrush(FactHeatMap::colourOf(g));
        p.drawRoundedRect(cell, c * 0.1, c * 0.1);
        p.setPen(Qt::black);
        p.setFont(sizedFont(c * 0.26, true));
        p.drawText(cell.adjusted(0, c * 0.05, 0, 0), Qt::AlignHCenter | Qt::AlignTop,
                   QStringLiteral("%1×%2").arg(a).arg(b));
        p.setFont(sizedFont(c * 0.2));
        const QRectF middle = cell.adjusted(0, c * 0.39, 0, 0);
        if (g == FactGrade::Few) {
            // Too few answers for a grade: only how many there were.
            p.drawText(middle, Qt::AlignHCenter | Qt::AlignTop, QStringLiteral(u"%1回").arg(f.answers));
            continue;
        }
        // Right answers of the recent ones, and how long the right ones took.
        if (f.answers > 0)
            p.drawText(middle, Qt::AlignHCenter | Qt::AlignTop,
                       QStringLiteral("%1/%2").arg(f.right).arg(f.answers));
        if (f.right > 0)
            p.drawText(cell.adjusted(0, 0, 0, -c * 0.05), Qt::AlignHCenter | Qt::AlignBottom,
                       seconds(f.meanRightMs));
        // The mark says it without the colour, in a corner the texts leave free.
        p.setFont(sizedFont(c * 0.2, true));
        p.drawText(cell.adjusted(c * 0.065, 0, -c * 0.05, -c * 0.05), Qt::AlignLeft | Qt::AlignBottom,
                   QString::fromUtf16(gradeMark(g)));
    }
    // The legend: the colour, its mark and what it means.
    for (int i = 0; i < MapLayout::kLegendLines; ++i) {
        const FactGrade g = kLegendOrder[i];
        const QRectF line = m.legendLine(i);
        const QRectF swatch(line.left(), line.top() + c * 0.04, c * 0.6, line.height() - c * 0.08);
        p.setPen(frame);
        p.setBrush(FactHeatMap::colourOf(g));
        p.drawRoundedRect(swatch, c * 0.06, c * 0.06);
        p.setPen(Qt::black);
        p.setFont(sizedFont(c * 0.21, true));
        p.drawText(swatch, Qt::AlignCenter,
                   g == FactGrade::Few ? QStringLiteral(u"2回") : QString::fromUtf16(gradeMark(g)));
        p.setFont(sizedFont(c * 0.24));
        p.drawText(line.adjusted(swatch.width() + c * 0.16, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft,
                   gradeLabel(g));
    }
    p.restore();
}

FactHeatMap::FactHeatMap(const ProgressReport& report, QWidget* parent) : QWidget(parent), m_report(report) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

QSize FactHeatMap::sizeHint() const {
    return QSizeF(kPreferredCell * kMapWidthCells, kPreferredCell * kMapHeightCells).toSize();
}

QSize FactHeatMap::minimumSizeHint() const {
    return QSizeF(kMinCell * kMapWidthCells, kMinCell * kMapHeightCells).toSize() + QSize(1, 1);
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
        case FactGrade::Few:
            return QColor(0xCF, 0xDD, 0xEA);
        case FactGrade::NotYet:
            return QColor(0xE6, 0xE6, 0xE6);
    }
    return Qt::white;
}

void FactHeatMap::paintEvent(QPaintEvent*) {
    QPainter p(this);
    paintFactMap(p, QRectF(rect()), m_report);
}

// ---- the chart of the days ----

namespace {

const QString kChartTitle = QStringLiteral(u"毎日の答えた数（ぼう）と正かいの割合（線）");

// The title's type: 15 pixels, smaller when the chart is narrower than the title.
QFont chartTitleFont(double width, double unit) {
    double px = 15 * unit;
    QFont f = sizedFont(px, true);
    while (px > 6 && QFontMetricsF(f).horizontalAdvance(kChartTitle) > width - 4 * unit) {
        px -= 0.5;
        f = sizedFont(px, true);
    }
    return f;
}

}  // namespace

QRectF dayChartTitleRect(const QRectF& area, double unit) {
    const QFontMetricsF fm(chartTitleFont(area.width(), unit));
    const double w = fm.horizontalAdvance(kChartTitle);
    return {area.center().x() - w / 2, area.top() + (28 * unit - fm.height()) / 2, w, fm.height()};
}

void paintDayChart(QPainter& p, const QRectF& area, const ProgressReport& report, double unit) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF plot = area.adjusted(44 * unit, 34 * unit, -44 * unit, -30 * unit);
    p.setFont(chartTitleFont(area.width(), unit));
    p.setPen(Qt::black);
    p.drawText(dayChartTitleRect(area, unit).adjusted(-2 * unit, 0, 2 * unit, 0), Qt::AlignCenter,
               kChartTitle);
    const auto& days = report.days;
    if (days.empty() || plot.height() <= 0) {
        p.restore();
        return;
    }
    int most = 10;
    for (const auto& d : days) most = std::max(most, d.answers);
    // A round top for the left scale.
    const int step = most <= 20 ? 5 : most <= 100 ? 20 : most <= 400 ? 100 : 500;
    most = (most + step - 1) / step * step;

    const QPen grid(QColor(0xC0, 0xC0, 0xC0), unit, Qt::DotLine);
    p.setFont(sizedFont(12 * unit));
    for (int v = 0; v <= most; v += step) {
        const double y = plot.bottom() - plot.height() * v / most;
        p.setPen(grid);
        p.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
        p.setPen(QColor(0x1E, 0x5A, 0xC8));
        p.drawText(QRectF(area.left(), y - 8 * unit, plot.left() - area.left() - 4 * unit, 16 * unit),
                   Qt::AlignRight | Qt::AlignVCenter, QString::number(v));
    }
    p.setPen(QColor(0xC8, 0x32, 0x32));
    for (int pc : {0, 50, 100}) {
        const double y = plot.bottom() - plot.height() * pc / 100;
        p.drawText(QRectF(plot.right() + 4 * unit, y - 8 * unit, 40 * unit, 16 * unit),
                   Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("%1%").arg(pc));
    }
    const double slot = plot.width() / double(days.size());
    QPainterPath line;
    bool started = false;
    for (std::size_t i = 0; i < days.size(); ++i) {
        const DayProgress& d = days[i];
        const double x = plot.left() + slot * double(i);
        if (d.answers > 0) {
            const double h = plot.height() * d.answers / most;
            p.fillRect(QRectF(x + slot * 0.15, plot.bottom() - h, slot * 0.7, h), QColor(0x64, 0x96, 0xE6));
            const QPointF point(x + slot / 2, plot.bottom() - plot.height() * d.right / d.answers);
            if (!started)
                line.moveTo(point);
            else
                line.lineTo(point);
            started = true;
        }
        if (i % 7 == 0 || i + 1 == days.size()) {
            p.setPen(Qt::black);
            p.drawText(QRectF(x - 10 * unit, plot.bottom() + 4 * unit, slot + 20 * unit, 20 * unit),
                       Qt::AlignHCenter | Qt::AlignTop,
                       QStringLiteral("%1/%2").arg(d.day.month()).arg(d.day.day()));
        }
    }
    p.setPen(QPen(QColor(0xC8, 0x32, 0x32), 2.5 * unit));
    p.setBrush(Qt::NoBrush);
    p.drawPath(line);
    p.setBrush(QColor(0xC8, 0x32, 0x32));
    for (int i = 0; i < line.elementCount(); ++i)
        p.drawEllipse(QPointF(line.elementAt(i)), 3 * unit, 3 * unit);
    p.setPen(QPen(Qt::black, unit));
    p.setBrush(Qt::NoBrush);
    p.drawRect(plot);
    p.restore();
}

DayChart::DayChart(const ProgressReport& report, QWidget* parent) : QWidget(parent), m_report(report) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

QSize DayChart::sizeHint() const {
    return {440, 300};
}

QSize DayChart::minimumSizeHint() const {
    return {300, 170};
}

void DayChart::paintEvent(QPaintEvent*) {
    QPainter p(this);
    paintDayChart(p, QRectF(rect()), m_report);
}

// ---- the window ----

namespace {

QString listHtml(const QString& heading, const QString& body) {
    return QStringLiteral("<b>%1</b><br>%2")
        .arg(heading, body.toHtmlEscaped().replace(u'\n', QStringLiteral("<br>")));
}

const QString kSlowHeading = QStringLiteral(u"時間がかかる九九");
const QString kMissedHeading = QStringLiteral(u"まちがえやすい九九");

QString totalLine(const ProgressReport& r) {
    return QStringLiteral(u"これまでに答えた数：%1問　　九九の色は、それぞれの最近%2回の答えから。")
        .arg(r.answers)
        .arg(kRecentAnswers);
}

}  // namespace

TGanbariForm::TGanbariForm(const HistoryStore& store, const LearnerId& learner, const QDate& today,
                           RecordsHost& host, bool canListen, QWidget* parent)
    : QDialog(parent),
      m_store(store),
      m_learner(learner),
      m_today(today),
      m_host(host),
      m_report(readProgress(store, learner, today)) {
    setWindowTitle(QStringLiteral(u"がんばりの記録"));
    setObjectName(QStringLiteral("GanbariForm"));
    setStyleSheet(QStringLiteral("QDialog#GanbariForm { background: #FFFDF5; }"));
    chooseCsvPath = [this](const QString& suggested) {
        return QFileDialog::getSaveFileName(this, QStringLiteral(u"CSVに書き出す"), suggested,
                                            QStringLiteral(u"CSV (*.csv)"));
    };
    showPreview = [this](QPrinter& printer) {
        QPrintPreviewDialog preview(&printer, this);
        preview.setWindowTitle(QStringLiteral(u"印刷プレビュー　がんばりの記録"));
        connect(&preview, &QPrintPreviewDialog::paintRequested, this, [this](QPrinter* p) { printTo(*p); });
        if (const QScreen* s = screen()) preview.resize(s->availableGeometry().size() * 0.85);
        preview.exec();
    };

    auto* grid = addReport();
    addButtons(grid, canListen);
    openAtFittingSize(parent);
}

QGridLayout* TGanbariForm::addReport() {
    // The map on the left takes the room the lists and the chart leave; everything shrinks with
    // the window down to the layout's least size, so that nothing is ever cut off.
    auto* grid = new QGridLayout(this);
    auto* title = new QLabel(QStringLiteral(u"%1さんの がんばりの記録").arg(m_learner.name), this);
    title->setFont(uiFont(24, true));
    title->setObjectName(QStringLiteral("title"));
    grid->addWidget(title, 0, 0, 1, 3);
    auto* total = new QLabel(totalLine(m_report), this);
    total->setFont(uiFont(14));
    total->setWordWrap(true);
    grid->addWidget(total, 1, 0, 1, 3);
    grid->addWidget(new FactHeatMap(m_report, this), 2, 0, 2, 1);

    auto addList = [&](int column, const QString& heading, const QString& body, const QString& name) {
        auto* box = new QLabel(listHtml(heading, body), this);
        box->setObjectName(name);
        box->setFont(uiFont(15));
        box->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        box->setStyleSheet(
            QStringLiteral("QLabel { background: white; border: 1px solid #C8C0A0; padding: 4px; }"));
        box->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
        grid->addWidget(box, 2, column);
    };
    addList(1, kSlowHeading, factList(m_report, m_report.slowest, true), QStringLiteral("slowest"));
    addList(2, kMissedHeading, factList(m_report, m_report.mostMissed, false), QStringLiteral("mostMissed"));
    grid->addWidget(new DayChart(m_report, this), 3, 1, 1, 2);
    grid->setColumnStretch(0, 3);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(2, 1);
    grid->setRowStretch(3, 1);

    return grid;
}

void TGanbariForm::addButtons(QGridLayout* grid, bool canListen) {
    auto* buttons = new QHBoxLayout;
    grid->addLayout(buttons, 4, 0, 1, 3);
    const int due = static_cast<int>(m_report.dueToday.size());
    auto* dueLabel = new QLabel(
        due > 0 ? QStringLiteral(u"今日の復習：%1問").arg(due) : QStringLiteral(u"今日の復習はありません"),
        this);
    dueLabel->setObjectName(QStringLiteral("dueLabel"));
    dueLabel->setFont(uiFont(17, true));
    buttons->addWidget(dueLabel);
    m_keyReview = new QPushButton(QStringLiteral(u"キーで復習(&K)"), this);
    m_voiceReview = new QPushButton(QStringLiteral(u"声で復習(&V)"), this);
    auto* csv = new QPushButton(QStringLiteral(u"CSVに書き出す(&S)"), this);
    auto* print = new QPushButton(QStringLiteral(u"印刷(&P)"), this);
    auto* close = new QPushButton(QStringLiteral(u"閉じる(&C)"), this);
    for (QPushButton* b : {m_keyReview, m_voiceReview, csv, print, close}) {
        b->setFont(uiFont(15));
        b->setMinimumHeight(36);
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

void TGanbariForm::openAtFittingSize(QWidget* parent) {
    // It opens as large as it likes to be, but never larger than the screen it opens on leaves
    // room for (its frame and title bar included).
    setMinimumSize(layout()->minimumSize());
    const QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
    QSize size(1240, 860);
    if (screen) size = size.boundedTo(screen->availableGeometry().size() - QSize(24, 56));
    resize(size.expandedTo(minimumSize()));
}

TGanbariForm::~TGanbariForm() = default;

void TGanbariForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // Centred over its parent, it may still stand over a screen's edge.
    placeOnScreen(*this, pos(), parentWidget() ? parentWidget()->frameGeometry() : QRect());
}

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

void TGanbariForm::paintPage(QPainter& p, const QRectF& page) const {
    // The page in units of 1/96 inch, as the screen's pixels: an A4 sheet across is about
    // 1040 × 720 inside its margins.
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::black);
    const double gap = 12;
    p.setFont(uiFont(22, true));
    const QRectF titleLine(page.left(), page.top(), page.width(), 32);
    p.drawText(titleLine, Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral(u"%1さんの がんばりの記録").arg(m_learner.name));
    p.setFont(uiFont(14));
    p.drawText(titleLine, Qt::AlignRight | Qt::AlignVCenter,
               QStringLiteral(u"%1年%2月%3日").arg(m_today.year()).arg(m_today.month()).arg(m_today.day()));
    const QRectF totalRect(page.left(), titleLine.bottom() + 2, page.width(), 20);
    p.setFont(uiFont(12));
    p.drawText(totalRect, Qt::AlignLeft | Qt::AlignVCenter, totalLine(m_report));
    const QRectF body(page.left(), totalRect.bottom() + gap, page.width(),
                      page.bottom() - totalRect.bottom() - gap);

    // Across: the map on the left, the lists over the chart on the right. Down (a portrait
    // sheet): the map on top, the lists and the chart beneath it.
    const bool across = page.width() >= page.height();
    QRectF mapArea, rest;
    if (across) {
        mapArea = QRectF(body.left(), body.top(), body.width() * 0.56, body.height());
        mapArea.setWidth(std::min(mapArea.width(), MapLayout(mapArea).bounds().width()));
        rest = QRectF(mapArea.right() + gap * 2, body.top(), body.right() - mapArea.right() - gap * 2,
                      body.height());
    } else {
        mapArea = QRectF(body.left(), body.top(), body.width(), body.height() * 0.6);
        mapArea.setHeight(MapLayout(mapArea).bounds().height());
        rest =
            QRectF(body.left(), mapArea.bottom() + gap, body.width(), body.bottom() - mapArea.bottom() - gap);
    }
    paintFactMap(p, mapArea, m_report);

    auto drawList = [&](const QRectF& box, const QString& heading, const QString& text) {
        p.setPen(QPen(QColor(0xC8, 0xC0, 0xA0), 1));
        p.setBrush(Qt::NoBrush);
        p.drawRect(box);
        p.setPen(Qt::black);
        p.setFont(uiFont(13, true));
        const QRectF inner = box.adjusted(6, 4, -6, -4);
        p.drawText(inner, Qt::AlignLeft | Qt::AlignTop, heading);
        p.setFont(uiFont(12));
        p.drawText(inner.adjusted(0, 20, 0, 0), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, text);
    };
    const double listHeight = 20 + 5 * QFontMetricsF(uiFont(12)).lineSpacing() + 12;
    const double half = (rest.width() - gap) / 2;
    drawList(QRectF(rest.left(), rest.top(), half, listHeight), kSlowHeading,
             factList(m_report, m_report.slowest, true));
    drawList(QRectF(rest.left() + half + gap, rest.top(), half, listHeight), kMissedHeading,
             factList(m_report, m_report.mostMissed, false));
    const double chartTop = rest.top() + listHeight + gap * 2;
    const double chartHeight = std::min(rest.bottom() - chartTop, rest.width() * 0.75);
    paintDayChart(p, QRectF(rest.left(), chartTop, rest.width(), chartHeight), m_report);
    p.restore();
}

void TGanbariForm::preparePrinter(QPrinter& printer) const {
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageOrientation(QPageLayout::Landscape);
    printer.setPageMargins(QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter);
    printer.setDocName(QStringLiteral(u"がんばりの記録"));
}

bool TGanbariForm::printTo(QPrinter& printer) {
    QPainter painter;
    if (!painter.begin(&printer)) return false;
    // Drawn afresh for the paper (texts as texts, the map as shapes), in units of 1/96 inch.
    const QRect area = printer.pageLayout().paintRectPixels(printer.resolution());
    const double scale = printer.resolution() / 96.0;
    painter.scale(scale, scale);
    paintPage(painter, QRectF(0, 0, area.width() / scale, area.height() / scale));
    return painter.end();
}

void TGanbariForm::Print() {
    QPrinter printer(QPrinter::HighResolution);
    const QPrinterInfo def = QPrinterInfo::defaultPrinter();
    if (!def.isNull()) printer.setPrinterName(def.printerName());
    preparePrinter(printer);
    if (showPreview) showPreview(printer);
}

}  // namespace rentabo
