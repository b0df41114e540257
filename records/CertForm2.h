#pragma once

#include "core/KukuState.h"

#include <QDate>
#include <QDialog>

#include <functional>
#include <memory>

class QPainter;
class QPrinter;

namespace Ui {
class CertForm2;
}

namespace rentabo {

class RecordsHost;

// The certificate: a row or level certificate, the マスター or the 免許皆伝 certificate, by
// certKind. It prints its own image on one page of the current printer.
class TCertForm2 final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TCertForm2)
public:
    // `date` is the day the certificate is made.
    TCertForm2(const KukuState& state, const QDate& date, RecordsHost& host, QWidget* parent = nullptr);
    ~TCertForm2() override;

    // "印刷(&P)": on the current printer, with no dialog; without a printer the learner is told.
    void Print();
    // Draws the certificate on one page of `printer`, scaled in proportion and centred.
    bool printTo(QPrinter& printer);
    // The window's client area as it shows on screen.
    QImage certificateImage();
    // Draws the certificate into `page` of any device at that device's resolution, in
    // proportion and centred at the top.
    void renderCertificate(QPainter& painter, const QRect& page);
    // Whether the machine has a printer; tests replace it.
    std::function<bool()> printerAvailable;

    QString dateLine() const { return m_dateLine; }
    QWidget* client() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void showTexts();
    void fitNameToField();

    const KukuState& m_state;
    RecordsHost& m_host;
    std::unique_ptr<Ui::CertForm2> m_ui;
    QString m_dateLine;
};

}  // namespace rentabo
