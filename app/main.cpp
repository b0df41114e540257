#include "app/RentaboApplication.h"
#include "app/SingleInstance.h"
#include "app/Startup.h"
#include "app/TKukuForm.h"
#include "app/TSplashFForm.h"
#include "app/TerminationSignals.h"

#include <QApplication>
#include <QMessageBox>
#include <QScreen>

#include <exception>

int main(int argc, char** argv) {
    rentabo::RentaboApplication app(argc, argv);
    // The windows' app id on Wayland (and their class on X11): the name of the desktop entry, so
    // the desktop shows the program's own name and icon for them.
    QGuiApplication::setDesktopFileName(QStringLiteral(RENTABO_APP_ID));
    // The guard comes first: a second copy must not even open a window.
    rentabo::SingleInstance guard(QStringLiteral("RENTABO_V2"));
    // So does one started in another log-in of the same user, which has a runtime folder of its
    // own but the same settings file.
    rentabo::SettingsLock fileGuard(
        rentabo::SettingsLock::settingsPathToLock(QCoreApplication::applicationDirPath()));
    if (!guard.acquired() || !fileGuard.acquired()) {
        QMessageBox::information(nullptr, QString(), QStringLiteral(u"すでに起動中です。"));
        return 1;
    }
    try {
        QApplication::setApplicationName(QStringLiteral("rentabo"));
        // The splash stays up while the windows are created (the recogniser may take a while)
        // and closes itself two seconds after the message loop has started.
        auto* splash = new rentabo::TSplashFForm;
        if (QScreen* screen = QGuiApplication::primaryScreen()) splash->centreOn(screen->geometry());
        splash->show();
        QApplication::processEvents();
        auto program = rentabo::startProgram(rentabo::StartOptions{});
        // Shut down from outside (power off, log-out, kill): a run going on is stopped as Esc
        // stops it and the records are saved first.
        rentabo::TerminationSignals termination;
        rentabo::endFromOutsideOn(termination, *program.form);
        if (splash->isVisible()) splash->raise();
        splash->enableTimer();
        const int code = app.exec();
        // Whatever was still running when the end from outside was forced is stopped and saved.
        program.form->stopAndSaveAfterEnd();
        return code;
    } catch (const std::exception& e) {
        rentabo::showError(QString::fromUtf8(e.what()));
        return 0;
    }
}
