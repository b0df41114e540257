#include "app/TSplashFForm.h"

#include "settings/AuxPictures.h"
#include "ui_SplashFForm.h"

#include <QApplication>
#include <QDialog>

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
    m_ui->Label1->setFont(auxWindowFont(21, true));
    m_ui->Label1->setText(
        QStringLiteral(u"\n　音声認識システムが起動するまでに \n\n　時間がかかる場合があります。\n\n"
                       u"　それまでお待ち下さい。\n\n　『Rentabo』師範：九九きわむ\n"));
    m_ui->Label1->adjustSize();
    m_ui->Image1->setPixmap(auxPicture(AuxPicture::Splash));

    m_timer1.setInterval(2000);
    m_timer1.setSingleShot(true);
    connect(&m_timer1, &QTimer::timeout, this, &TSplashFForm::closeAfterItsTime);
    // A message raised while the program starts (a missing sound, an unreadable settings file)
    // must not open beneath a window that stays on top and covers its OK button.
    qApp->installEventFilter(this);
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
