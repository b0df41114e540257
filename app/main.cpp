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
    if (!guard.acquired()) {
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
        // Shut down from outside (power off, log-out, kill): the records are saved first.
        rentabo::TerminationSignals termination;
        QObject::connect(&termination, &rentabo::TerminationSignals::terminationRequested, program.form.get(),
                         [&program] {
                             program.form->saveBeforeTermination();
                             // exit, not quit: quit would close the windows, and the main window
                             // would ask whether to end, with no one there to answer.
                             QApplication::exit(0);
                         });
        if (splash->isVisible()) splash->raise();
        splash->enableTimer();
        return app.exec();
    } catch (const std::exception& e) {
        rentabo::showError(QString::fromUtf8(e.what()));
        return 0;
    }
}
