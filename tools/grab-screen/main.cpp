// Saves what the X display shows as a PNG: grab-screen FILE.png [DELAY_MS [X Y WIDTH HEIGHT]]
// Used with Xvfb to take screenshots of the running program; with a rectangle (in the display's
// pixels), only that part.
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <QThread>

#include <cstdlib>

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc < 2) return 2;
    if (argc > 2) QThread::msleep(static_cast<unsigned long>(std::atoi(argv[2])));
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return 1;
    QPixmap shot = screen->grabWindow(0);
    if (argc > 6)
        shot = shot.copy(std::atoi(argv[3]), std::atoi(argv[4]), std::atoi(argv[5]), std::atoi(argv[6]));
    return shot.save(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
}
