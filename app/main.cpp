#include "app/SingleInstance.h"
#include "app/Startup.h"
#include "app/TKukuForm.h"

#include <QApplication>
#include <QMessageBox>

#include <exception>

int main(int argc, char** argv) {
    // The guard comes first: a second copy must not even open a window.
    QApplication app(argc, argv);
    rentabo::SingleInstance guard(QStringLiteral("RENTABO_V2"));
    if (!guard.acquired()) {
        QMessageBox::information(nullptr, QString(), QStringLiteral(u"すでに起動中です。"));
        return 1;
    }
    try {
        QApplication::setApplicationName(QStringLiteral("rentabo"));
        auto program = rentabo::startProgram(rentabo::StartOptions{});
        return app.exec();
    } catch (const std::exception& e) {
        QMessageBox::critical(nullptr, QStringLiteral("Rentabo"), QString::fromLocal8Bit(e.what()));
        return 0;
    }
}
