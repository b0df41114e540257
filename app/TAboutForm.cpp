#include "app/TAboutForm.h"

#include "settings/AuxPictures.h"
#include "ui_AboutForm.h"

namespace rentabo {

namespace {

void setLook(QWidget* w, int pixelSize, bool bold, const QColor& colour) {
    w->setFont(auxWindowFont(pixelSize, bold));
    QPalette pal = w->palette();
    pal.setColor(QPalette::WindowText, colour);
    w->setPalette(pal);
}

}  // namespace

TAboutForm::TAboutForm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      m_ui(std::make_unique<Ui::AboutForm>()) {
    m_ui->setupUi(this);
    setFixedSize(190, 129);
    setFont(auxWindowFont(12));
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(255, 255, 225));
    setPalette(pal);
    setAutoFillBackground(true);
    QPalette panel = m_ui->Panel1->palette();
    panel.setColor(QPalette::Window, QColor(255, 192, 203));
    m_ui->Panel1->setPalette(panel);

    setLook(m_ui->Label3, 12, false, QColor(128, 0, 0));
    setLook(m_ui->Label2, 21, true, QColor(0, 0, 255));
    setLook(m_ui->StaticText1, 16, true, QColor(0, 0, 0));
    setLook(m_ui->Label5, 19, true, QColor(0, 128, 0));
    m_ui->Image1->setPixmap(auxPicture(AuxPicture::About));
    m_ui->Image2->setPixmap(auxPicture(AuxPicture::Icon));
    connect(m_ui->Button1, &QPushButton::clicked, this, &QDialog::accept);
}

TAboutForm::~TAboutForm() = default;

}  // namespace rentabo
