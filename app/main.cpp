#include "app/SingleInstance.h"

#include <QApplication>
#include <QMessageBox>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    rentabo::SingleInstance guard(QStringLiteral("RENTABO_V2"));
    if (!guard.acquired()) {
        QMessageBox::information(nullptr, QString(), QStringLiteral(u"すでに起動中です。"));
        return 1;
    }
    return 0;
}
