// Saves what the X display shows as a PNG: grab-screen FILE.png [DELAY_MS]
// Used with Xvfb to take screenshots of the running program.
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <QThread>

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc < 2) return 2;
    if (argc > 2) QThread::msleep(static_cast<unsigned long>(std::atoi(argv[2])));
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return 1;
    return screen->grabWindow(0).save(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
}
