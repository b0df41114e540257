// svg-to-png IN.svg OUT.png SIZE: draws the SVG into a transparent square of SIZE pixels.
// The build makes the icon's PNG sizes with it, so the SVG is the only drawing kept.
#include <QImage>
#include <QPainter>
#include <QString>
#include <QSvgRenderer>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: svg-to-png IN.svg OUT.png SIZE\n");
        return 2;
    }
    const int size = QString::fromLocal8Bit(argv[3]).toInt();
    if (size < 1 || size > 4096) {
        std::fprintf(stderr, "svg-to-png: size must be 1 to 4096, not %s\n", argv[3]);
        return 2;
    }
    QSvgRenderer renderer(QString::fromLocal8Bit(argv[1]));
    if (!renderer.isValid()) {
        std::fprintf(stderr, "svg-to-png: cannot read %s\n", argv[1]);
        return 1;
    }
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter);
    }
    if (!image.save(QString::fromLocal8Bit(argv[2]), "PNG")) {
        std::fprintf(stderr, "svg-to-png: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
