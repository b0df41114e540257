#include "records/CertForm2.h"

#include "records/Certificate.h"
#include "records/RecordPictures.h"
#include "records/RecordsHost.h"
#include "ui_CertForm2.h"

#include <QEvent>
#include <QKeyEvent>
#include <QMenuBar>
#include <QPainter>
#include <QPicture>
#include <QPrinter>
#include <QPrinterInfo>

#include <algorithm>
#include <functional>

namespace rentabo {

namespace {

const QString kBrush = QStringLiteral("AoyagiKouzanFontT");
const QString kMincho = QStringLiteral("IPAMincho");
constexpr int kNamePx = 24;
constexpr int kMinNamePx = 8;

QFont face(const QString& family, int px) {
    QFont f(family);
    f.setPixelSize(px);
    f.setBold(true);
    return f;
}

// Paints a label's picture itself, as shapes, in place of a pixmap: sharp on any screen and, when
// the certificate is recorded for the printer, at the printer's resolution.
class PaintedPicture final : public QObject {
public:
    PaintedPicture(QWidget* label, std::function<void(QPainter&, const QRectF&)> draw)
        : QObject(label), m_draw(std::move(draw)) {
        label->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Paint) return false;
        auto* label = static_cast<QWidget*>(watched);
        QPainter painter(label);
        m_draw(painter, QRectF(label->rect()));
        return true;
    }

private:
    std::function<void(QPainter&, const QRectF&)> m_draw;
};

void setColours(QWidget* w, const QColor& back, const QColor& text, bool fill = true) {
    w->setAutoFillBackground(fill);
    QPalette p = w->palette();
    p.setColor(QPalette::Window, back);
    p.setColor(QPalette::WindowText, text);
    w->setPalette(p);
}

}  // namespace

TCertForm2::TCertForm2(const KukuState& state, const QDate& date, RecordsHost& host, QWidget* parent)
    : QDialog(parent), m_state(state), m_host(host), m_ui(std::make_unique<Ui::CertForm2>()) {
    printerAvailable = [] {
        return !QPrinterInfo::availablePrinters().isEmpty() || !QPrinterInfo::defaultPrinter().isNull();
    };
    m_ui->setupUi(this);
    // No close box and no system menu: the menu's "閉じる(&C)" closes the certificate.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setFixedSize(size());
    m_dateLine = certDateLine(date);

    auto* bar = new QMenuBar(this);
    bar->setGeometry(0, 0, width(), m_ui->client->y());
    QMenu* menu = bar->addMenu(QStringLiteral(u"そうさ(&E)"));
    connect(menu->addAction(QStringLiteral(u"印刷(&P)")), &QAction::triggered, this, &TCertForm2::Print);
    connect(menu->addAction(QStringLiteral(u"閉じる(&C)")), &QAction::triggered, this, &QDialog::accept);

    setColours(m_ui->client, QColor(0xFF, 0xFE, 0xF6), Qt::black);
    m_ui->TitleMenkyo->setFont(face(kBrush, 35));
    setColours(m_ui->TitleMenkyo, QColor(0xFA, 0xF7, 0xB8), Qt::blue);
    m_ui->TitleDankyu->setFont(face(kBrush, 35));
    setColours(m_ui->TitleDankyu, QColor(0xFF, 0xFB, 0xF0), Qt::black);
    m_ui->TitleMaster->setFont(face(kMincho, 33));
    setColours(m_ui->TitleMaster, QColor(0xF1, 0xEE, 0x76), Qt::black);
    m_ui->NameLabel->setFont(face(kMincho, kNamePx));
    m_ui->HonorificLabel->setFont(face(kMincho, 24));
    setColours(m_ui->NameRule, QColor(0x00, 0x80, 0x80), Qt::black);
    m_ui->NumberBox->setFont(face(kMincho, 16));
    setColours(m_ui->NumberBox, QColor(0xFF, 0xFF, 0x00), Qt::black);
    m_ui->SubjectLabel->setFont(face(kMincho, 33));
    m_ui->AchievementLabel->setFont(face(kMincho, 32));
    m_ui->ClosingLabel->setFont(face(kMincho, 32));
    m_ui->DateLabel->setFont(face(kMincho, 19));
    m_ui->SignatureLeft->setFont(face(kMincho, 16));
    m_ui->SignatureName->setFont(face(kBrush, 32));
    new PaintedPicture(m_ui->Stamp, [](QPainter& p, const QRectF& r) { drawCertStamp(p, r); });
    new PaintedPicture(m_ui->Seal, [](QPainter& p, const QRectF& r) { drawCertSeal(p, r); });
    new PaintedPicture(m_ui->TopBanner, [this](QPainter& p, const QRectF& r) {
        drawCertBanner(p, r, m_state.certKind, true);
    });
    new PaintedPicture(m_ui->BottomBanner, [this](QPainter& p, const QRectF& r) {
        drawCertBanner(p, r, m_state.certKind, false);
    });
    m_ui->DateLabel->setText(m_dateLine);
    showTexts();
}

TCertForm2::~TCertForm2() = default;

QWidget* TCertForm2::client() const {
    return m_ui->client;
}

void TCertForm2::showTexts() {
    const int kind = m_state.certKind;
    const CertTexts t = MakeCertTexts(m_state);
    m_ui->TitleMenkyo->setVisible(kind == kCertMenkyo);
    m_ui->TitleMaster->setVisible(kind == kCertMaster);
    m_ui->TitleDankyu->setVisible(kind != kCertMenkyo && kind != kCertMaster);
    m_ui->TitleMenkyo->setText(QStringLiteral(u"九九術 免許皆伝書"));
    m_ui->TitleMaster->setText(QStringLiteral(u"九九術 マスター認定書"));
    m_ui->TitleDankyu->setText(QStringLiteral(u"九九術 段級位認定書"));
    m_ui->NameLabel->setText(t.name);
    fitNameToField();
    m_ui->NumberBox->setText(QStringLiteral("<span style=\"color:#ff0000\">No.</span>"
                                            "<span style=\"color:#0000ff\">&nbsp;") +
                             t.number.toHtmlEscaped() + QStringLiteral("</span>"));
    m_ui->SubjectLabel->setText(t.subject);
    m_ui->AchievementLabel->setText(t.achievement);
    m_ui->ClosingLabel->setText(t.closing);
}

void TCertForm2::fitNameToField() {
    // A long name shrinks until it fits between the field's ends instead of losing both.
    QLabel* field = m_ui->NameLabel;
    QFont f = face(kMincho, kNamePx);
    const int room = field->contentsRect().width() - 2;
    while (f.pixelSize() > kMinNamePx && QFontMetrics(f).horizontalAdvance(field->text()) > room)
        f.setPixelSize(f.pixelSize() - 1);
    if (field->font() != f) field->setFont(f);
}

void TCertForm2::paintEvent(QPaintEvent* event) {
    showTexts();
    QDialog::paintEvent(event);
}

void TCertForm2::keyPressEvent(QKeyEvent* event) {
    // Without a close box, Esc would be the only other way out; the menu item closes.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

QImage TCertForm2::certificateImage() {
    showTexts();
    return m_ui->client->grab().toImage();
}

bool TCertForm2::printTo(QPrinter& printer) {
    showTexts();
    QPainter painter;
    if (!painter.begin(&printer)) return false;
    // In the middle of the sheet: the printable area made even on both sides (printers often
    // leave more margin at one edge), in the painter's coordinates, which start at the
    // printable area's corner.
    const QPageLayout layout = printer.pageLayout();
    const QRect paint = layout.paintRectPixels(printer.resolution());
    const QRect full = layout.fullRectPixels(printer.resolution());
    const int mx = std::max(paint.left() - full.left(), full.right() - paint.right());
    const int my = std::max(paint.top() - full.top(), full.bottom() - paint.bottom());
    renderCertificate(painter, full.adjusted(mx, my, -mx, -my).translated(-paint.topLeft()));
    return painter.end();
}

void TCertForm2::renderCertificate(QPainter& painter, const QRect& page) {
    // The certificate is drawn again at the device's own resolution (texts as texts, the pictures
    // as shapes), with the window's layout scaled to the page and standing in its middle: a
    // screen grab of 402 pixels stretched over A4 would print at about 49 dots per inch. The window is
    // recorded as drawing commands first: drawn straight onto a printer, Qt would rasterise the whole page
    // instead.
    QWidget* client = m_ui->client;
    QPicture drawing;
    {
        QPainter recorder(&drawing);
        client->render(&recorder, QPoint(), QRegion(), QWidget::DrawWindowBackground | QWidget::DrawChildren);
    }
    QSizeF size = client->size();
    size.scale(page.size(), Qt::KeepAspectRatio);
    // A picture plays back scaled by the device's resolution over its own; the rest of the scale
    // is ours.
    const double dpiRatio = double(painter.device()->logicalDpiX()) / drawing.logicalDpiX();
    const double scale = size.width() / client->width() / dpiRatio;
    painter.save();
    painter.translate(page.x() + (page.width() - size.width()) / 2,
                      page.y() + (page.height() - size.height()) / 2);
    painter.scale(scale, scale);
    painter.drawPicture(0, 0, drawing);
    painter.restore();
}

void TCertForm2::Print() {
    if (!m_host.printerReady(printerAvailable)) return;
    QPrinter printer(QPrinter::HighResolution);
    const QPrinterInfo def = QPrinterInfo::defaultPrinter();
    const QList<QPrinterInfo> all = QPrinterInfo::availablePrinters();
    if (!def.isNull())
        printer.setPrinterName(def.printerName());
    else if (!all.isEmpty())
        printer.setPrinterName(all.first().printerName());
    printer.setDocName(QStringLiteral(u"九九術 認定書"));
    if (!printTo(printer))
        m_host.message(QStringLiteral(u"印刷できませんでした。プリンターを確かめてください。"),
                       QStringLiteral(u"お知らせ"));
}

}  // namespace rentabo
