#include "records/RecordPictures.h"

#include "records/Certificate.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace rentabo {

namespace {

QPainterPath starPath(QPointF centre, double outer, double inner) {
    QPainterPath path;
    for (int i = 0; i < 10; ++i) {
        const double r = (i % 2 == 0) ? outer : inner;
        const double a = -M_PI / 2 + i * M_PI / 5;
        const QPointF p(centre.x() + r * std::cos(a), centre.y() + r * std::sin(a));
        if (i == 0)
            path.moveTo(p);
        else
            path.lineTo(p);
    }
    path.closeSubpath();
    return path;
}

QFont boldFont(const QString& family, int px) {
    QFont f(family);
    f.setPixelSize(px);
    f.setBold(true);
    return f;
}

}  // namespace

namespace {

// Draws in the picture's own size (w × h) scaled to `area`; the painter is restored afterwards.
class ScaledTo {
public:
    ScaledTo(QPainter& p, const QRectF& area, double w, double h) : m_p(p) {
        m_p.save();
        m_p.translate(area.topLeft());
        m_p.scale(area.width() / w, area.height() / h);
        m_p.setRenderHint(QPainter::Antialiasing);
    }
    ~ScaledTo() { m_p.restore(); }
    ScaledTo(const ScaledTo&) = delete;
    ScaledTo& operator=(const ScaledTo&) = delete;

private:
    QPainter& m_p;
};

}  // namespace

void drawCertBanner(QPainter& p, const QRectF& area, int certKind, bool top) {
    const ScaledTo scaled(p, area, 393, 41);
    QColor a, b, motif;
    switch (certKind) {
        case kCertMenkyo:
            a = QColor(0xB0, 0x10, 0x20);
            b = QColor(0xF0, 0xC0, 0x30);
            motif = QColor(0xFF, 0xF0, 0xA0);
            break;
        case kCertMaster:
            a = QColor(0x30, 0x20, 0x90);
            b = QColor(0x60, 0xB0, 0xF0);
            motif = QColor(0xFF, 0xFF, 0x80);
            break;
        default:
            a = QColor(0x10, 0x70, 0x40);
            b = QColor(0xA0, 0xE0, 0x90);
            motif = QColor(0xFF, 0xFF, 0xFF);
            break;
    }
    QLinearGradient g(0, 0, 0, 41);
    g.setColorAt(0, top ? a : b);
    g.setColorAt(1, top ? b : a);
    p.fillRect(QRectF(0, 0, 393, 41), g);
    p.setPen(Qt::NoPen);
    p.setBrush(motif);
    for (int i = 0; i < 12; ++i) {
        const double x = 16 + i * 33;
        if (certKind == kCertMaster) {
            p.drawPath(starPath(QPointF(x, 20.5), 9, 4));
        } else if (certKind == kCertMenkyo) {
            // Clouds: three overlapping discs.
            p.drawEllipse(QPointF(x - 6, 22), 6, 5);
            p.drawEllipse(QPointF(x, 18), 7, 6);
            p.drawEllipse(QPointF(x + 6, 22), 6, 5);
        } else {
            // Waves.
            QPainterPath wave;
            wave.moveTo(x - 14, top ? 28 : 14);
            wave.quadTo(x - 7, top ? 12 : 30, x, top ? 28 : 14);
            wave.quadTo(x + 7, top ? 12 : 30, x + 14, top ? 28 : 14);
            p.setBrush(Qt::NoBrush);
            p.setPen(QPen(motif, 3));
            p.drawPath(wave);
            p.setPen(Qt::NoPen);
            p.setBrush(motif);
        }
    }
    p.setPen(QPen(top ? b.lighter(130) : a.darker(130), 2));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(1, 1, 391, 39));
}

void drawCertStamp(QPainter& p, const QRectF& area) {
    const ScaledTo scaled(p, area, 64, 64);
    const QColor red(0xD0, 0x20, 0x20);
    p.setPen(QPen(red, 3));
    p.setBrush(QColor(0xFF, 0xF4, 0xF0));
    p.drawEllipse(QRectF(3, 3, 58, 58));
    p.setPen(QPen(red, 1.5));
    p.drawEllipse(QRectF(8, 8, 48, 48));
    p.setFont(boldFont(QStringLiteral("IPAMincho"), 17));
    p.drawText(QRectF(8, 10, 48, 22), Qt::AlignCenter, QStringLiteral(u"合格"));
    p.setFont(boldFont(QStringLiteral("IPAMincho"), 11));
    p.drawText(QRectF(8, 32, 48, 20), Qt::AlignCenter, QStringLiteral(u"九九術"));
}

void drawCertSeal(QPainter& p, const QRectF& area) {
    const ScaledTo scaled(p, area, 64, 64);
    const QColor red(0xC8, 0x10, 0x18);
    p.setPen(QPen(red, 4));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(4, 4, 56, 56), 4, 4);
    p.setFont(boldFont(QStringLiteral("IPAMincho"), 22));
    // A seal reads in columns from the right: 九九 / 之印.
    p.drawText(QRectF(32, 7, 26, 26), Qt::AlignCenter, QStringLiteral(u"九"));
    p.drawText(QRectF(32, 31, 26, 26), Qt::AlignCenter, QStringLiteral(u"九"));
    p.drawText(QRectF(6, 7, 26, 26), Qt::AlignCenter, QStringLiteral(u"之"));
    p.drawText(QRectF(6, 31, 26, 26), Qt::AlignCenter, QStringLiteral(u"印"));
}

QPixmap recordPicture(int kind, int size) {
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const double s = size;
    switch (kind) {
        case 0: {
            // A pencil over a sheet.
            p.setPen(QPen(QColor(0x40, 0x40, 0x40), 1));
            p.setBrush(Qt::white);
            p.drawRect(QRectF(s * 0.15, s * 0.1, s * 0.6, s * 0.8));
            p.setPen(QPen(QColor(0x90, 0x90, 0xC0), 1));
            for (int i = 1; i <= 4; ++i)
                p.drawLine(QPointF(s * 0.22, s * (0.1 + 0.16 * i)), QPointF(s * 0.68, s * (0.1 + 0.16 * i)));
            p.save();
            p.translate(s * 0.7, s * 0.55);
            p.rotate(35);
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(0xF0, 0xB0, 0x20));
            p.drawRect(QRectF(-s * 0.07, -s * 0.4, s * 0.14, s * 0.6));
            p.setBrush(QColor(0xF0, 0xD0, 0xA0));
            QPolygonF tip{QPointF(-s * 0.07, s * 0.2), QPointF(s * 0.07, s * 0.2), QPointF(0, s * 0.35)};
            p.drawPolygon(tip);
            p.restore();
            break;
        }
        case 1:
            p.setPen(QPen(QColor(0xA0, 0x60, 0x00), 1.5));
            p.setBrush(QColor(0xFF, 0xD7, 0x00));
            p.drawPath(starPath(QPointF(s / 2, s / 2 + 1), s * 0.46, s * 0.2));
            break;
        default:
            p.setPen(QPen(QColor(0xC0, 0x20, 0x20), 1.5));
            p.setBrush(QColor(0xFF, 0xE0, 0x40));
            p.drawEllipse(QRectF(s * 0.08, s * 0.08, s * 0.84, s * 0.84));
            p.setFont(boldFont(QStringLiteral("IPAGothic"), size / 2));
            p.drawText(QRectF(0, 0, s, s), Qt::AlignCenter, QStringLiteral(u"九"));
            break;
    }
    return pm;
}

}  // namespace rentabo
