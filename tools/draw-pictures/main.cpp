// Draws the main window's pictures (the master's face, the answer-way pictures and the two level
// icons) into JPEG files. Run it after changing a drawing and commit the files it writes:
//   draw-pictures resources/pictures
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace {

QImage canvas(int w, int h, QColor ground) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(ground);
    return img;
}

// The master: curly black hair, blue eyes, pink cheeks and a red mouth on a green ground.
QImage masterFace() {
    QImage img = canvas(128, 128, QColor(0x3c, 0xb3, 0x71));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x1e, 0x6b, 0x3c));
    p.drawEllipse(QPointF(64, 122), 58, 26);  // shoulders in a dark green robe
    p.setBrush(QColor(0xff, 0xdb, 0xb5));
    p.drawEllipse(QPointF(64, 68), 40, 44);  // face
    p.setBrush(Qt::black);
    for (int i = 0; i < 11; ++i) {  // curls along the hairline
        const double a = M_PI * (0.95 + i * 0.11);
        p.drawEllipse(QPointF(64 + 40 * std::cos(a), 56 + 38 * std::sin(a)), 11, 11);
    }
    p.drawEllipse(QPointF(64, 22), 22, 12);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(49, 64), 9, 10);
    p.drawEllipse(QPointF(79, 64), 9, 10);
    p.setBrush(QColor(0x1e, 0x64, 0xdc));
    p.drawEllipse(QPointF(50, 66), 5, 6);
    p.drawEllipse(QPointF(80, 66), 5, 6);
    p.setBrush(Qt::black);
    p.drawEllipse(QPointF(51, 67), 2, 2.5);
    p.drawEllipse(QPointF(81, 67), 2, 2.5);
    p.setBrush(QColor(0xff, 0x8c, 0xb4));
    p.drawEllipse(QPointF(38, 82), 8, 5);
    p.drawEllipse(QPointF(90, 82), 8, 5);
    QPainterPath mouth;
    mouth.moveTo(50, 88);
    mouth.quadTo(64, 104, 78, 88);
    mouth.quadTo(64, 95, 50, 88);
    p.setBrush(QColor(0xdc, 0x14, 0x28));
    p.drawPath(mouth);
    p.setPen(QPen(Qt::black, 2.5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(40, 52), QPointF(56, 50));  // eyebrows
    p.drawLine(QPointF(72, 50), QPointF(88, 52));
    return img;
}

// Answering by voice: a face in profile with sound waves.
QImage voicePicture() {
    QImage img = canvas(70, 62, QColor(0xff, 0xf8, 0xdc));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xff, 0xdb, 0xb5));
    p.drawEllipse(QPointF(22, 31), 17, 20);
    p.setBrush(Qt::black);
    p.drawEllipse(QPointF(26, 25), 2.5, 3);
    p.setBrush(QColor(0xdc, 0x14, 0x28));
    p.drawEllipse(QPointF(33, 40), 5, 4);
    p.setBrush(Qt::NoBrush);
    for (int i = 0; i < 3; ++i) {
        p.setPen(QPen(QColor(0x1e, 0x64, 0xdc), 3));
        p.drawArc(QRectF(30 + i * 8, 22 - i * 6, 16 + i * 4, 36 + i * 12), -45 * 16, 90 * 16);
    }
    return img;
}

// Answering on the keyboard: three keys with digits.
QImage keyboardPicture() {
    QImage img = canvas(70, 62, QColor(0xf0, 0xff, 0xf0));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QFont f(QStringLiteral("IPAPGothic"));
    f.setPixelSize(14);
    f.setBold(true);
    p.setFont(f);
    const char* digits[] = {"7", "8", "9", "4", "5", "6"};
    for (int i = 0; i < 6; ++i) {
        const QRectF key(6 + (i % 3) * 20, 10 + (i / 3) * 22, 18, 20);
        p.setPen(QPen(QColor(0x50, 0x50, 0x50), 1.5));
        p.setBrush(QColor(0xfa, 0xfa, 0xfa));
        p.drawRoundedRect(key, 3, 3);
        p.setPen(QColor(0x1e, 0x64, 0xdc));
        p.drawText(key, Qt::AlignCenter, QString::fromLatin1(digits[i]));
    }
    return img;
}

QImage speakerIcon() {
    QImage img = canvas(24, 24, QColor(0xf0, 0xf0, 0xf0));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x1e, 0x50, 0xdc));
    QPolygonF cone;
    cone << QPointF(3, 9) << QPointF(8, 9) << QPointF(14, 4) << QPointF(14, 20) << QPointF(8, 15)
         << QPointF(3, 15);
    p.drawPolygon(cone);
    p.setPen(QPen(QColor(0x1e, 0x50, 0xdc), 1.8));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(12, 7, 7, 10), -60 * 16, 120 * 16);
    p.drawArc(QRectF(12, 4, 11, 16), -60 * 16, 120 * 16);
    return img;
}

QImage microphoneIcon() {
    QImage img = canvas(24, 24, QColor(0xf0, 0xf0, 0xf0));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xdc, 0x1e, 0x28));
    p.drawRoundedRect(QRectF(8, 2, 8, 13), 4, 4);
    p.setPen(QPen(QColor(0xdc, 0x1e, 0x28), 1.8));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(5, 5, 14, 14), 180 * 16, 180 * 16);
    p.drawLine(QPointF(12, 19), QPointF(12, 22));
    p.drawLine(QPointF(8, 22), QPointF(16, 22));
    return img;
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    const struct {
        const char* name;
        QImage image;
    } pictures[] = {
        {"master.jpg", masterFace()},           {"answer-voice.jpg", voicePicture()},
        {"answer-keys.jpg", keyboardPicture()}, {"speaker.jpg", speakerIcon()},
        {"microphone.jpg", microphoneIcon()},
    };
    for (const auto& pic : pictures)
        if (!pic.image.save(dir + u'/' + QString::fromLatin1(pic.name), "JPEG", 92)) return 1;
    return 0;
}
