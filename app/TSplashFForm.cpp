#include "app/TSplashFForm.h"

#include "settings/AuxPictures.h"
#include "ui_SplashFForm.h"

#include <QApplication>
#include <QDialog>
#include <QFontMetrics>

#include <algorithm>

namespace {
// The widest line with its trailing spaces, which the label's own size hint leaves out.
int widestLine(const QFontMetrics& metrics, const QString& text) {
    int widest = 0;
    for (const QString& line : text.split(u'\n')) widest = std::max(widest, metrics.horizontalAdvance(line));
    return widest;
}
}  // namespace

namespace rentabo {

TSplashFForm::TSplashFForm(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      m_ui(std::make_unique<Ui::SplashFForm>()) {
    m_ui->setupUi(this);
    setFixedSize(394, 207);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(0, 0, 255));
    setPalette(pal);
    setAutoFillBackground(true);

    QPalette labelPal = m_ui->Label1->palette();
    labelPal.setColor(QPalette::Window, QColor(255, 255, 0));
    labelPal.setColor(QPalette::WindowText, QColor(0, 0, 128));
    m_ui->Label1->setPalette(labelPal);
    const QString text = QStringLiteral(
        u"\n　音声認識システムが起動するまでに \n\n　時間がかかる場合があります。\n\n"
        u"　それまでお待ち下さい。\n\n　『Rentabo』師範：九九きわむ\n");
    // The yellow panel sizes itself to its text, which keeps clear of its right edge, and the
    // blue shows all round it: the text is made smaller when the machine's font is wider or
    // taller than the one the panel was drawn for.
    constexpr int kBorder = 8, kRightPad = 8;
    m_ui->Label1->setContentsMargins(0, 0, kRightPad, 0);
    m_ui->Label1->setFont(fittedFont(auxWindowFont(21, true), text,
                                     QSize(width() - 2 * kBorder - kRightPad, height() - 2 * kBorder)));
    m_ui->Label1->setText(text);
    m_ui->Label1->adjustSize();
    const int wanted = widestLine(m_ui->Label1->fontMetrics(), text) + kRightPad;
    if (m_ui->Label1->width() < wanted) m_ui->Label1->resize(wanted, m_ui->Label1->height());
    m_ui->Image1->setPixmap(auxPicture(AuxPicture::Splash));

    m_timer1.setInterval(2000);
    m_timer1.setSingleShot(true);
    connect(&m_timer1, &QTimer::timeout, this, &TSplashFForm::closeAfterItsTime);
    // A message raised while the program starts (a missing sound, an unreadable settings file)
    // must not open beneath a window that stays on top and covers its OK button.
    qApp->installEventFilter(this);
}

QFont TSplashFForm::fittedFont(QFont font, const QString& text, const QSize& room) {
    while (font.pixelSize() > 8) {
        const QFontMetrics metrics(font);
        if (widestLine(metrics, text) <= room.width() && metrics.size(0, text).height() <= room.height())
            break;
        font.setPixelSize(font.pixelSize() - 1);
    }
    return font;
}

bool TSplashFForm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Show && watched != this) {
        auto* w = qobject_cast<QWidget*>(watched);
        if (w && w->isWindow() && (qobject_cast<QDialog*>(w) || w->isModal())) {
            qApp->removeEventFilter(this);
            hide();
        }
    }
    return QWidget::eventFilter(watched, event);
}

TSplashFForm::~TSplashFForm() {
    qApp->removeEventFilter(this);
}

void TSplashFForm::enableTimer() {
    m_timer1.start();
}

void TSplashFForm::centreOn(const QRect& screen) {
    move(screen.x() + (screen.width() - width()) / 2, screen.y() + (screen.height() - height()) / 2);
}

void TSplashFForm::closeAfterItsTime() {
    m_timer1.stop();
    close();
    deleteLater();
}

}  // namespace rentabo
