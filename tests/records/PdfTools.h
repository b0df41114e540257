#pragma once

// What a PDF the program printed holds, read with the poppler tools: its pages, its words and
// where they stand, its page as pixels, and the resolution of its pictures.
#include <QImage>
#include <QProcess>
#include <QRectF>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

#include <vector>

namespace rentabo::testing {

inline QString runTool(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(60000)) return {};
    return QString::fromUtf8(p.readAllStandardOutput());
}

inline int pdfPages(const QString& pdf) {
    const auto m =
        QRegularExpression(QStringLiteral("Pages: +(\\d+)")).match(runTool(QStringLiteral("pdfinfo"), {pdf}));
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

// The first page's size in points.
inline QSizeF pdfPageSize(const QString& pdf) {
    const auto m = QRegularExpression(QStringLiteral("Page size: +([\\d.]+) x ([\\d.]+) pts"))
                       .match(runTool(QStringLiteral("pdfinfo"), {pdf}));
    return m.hasMatch() ? QSizeF(m.captured(1).toDouble(), m.captured(2).toDouble()) : QSizeF();
}

struct PdfWord {
    QString text;
    QRectF box;  // in points from the page's top-left corner
};

inline std::vector<PdfWord> pdfWords(const QString& pdf) {
    std::vector<PdfWord> words;
    const QString html =
        runTool(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
    static const QRegularExpression word(QStringLiteral(
        "<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" yMax=\"([\\d.]+)\">([^<]*)</word>"));
    for (auto it = word.globalMatch(html); it.hasNext();) {
        const auto m = it.next();
        const QPointF from(m.captured(1).toDouble(), m.captured(2).toDouble());
        const QPointF to(m.captured(3).toDouble(), m.captured(4).toDouble());
        words.push_back({m.captured(5), QRectF(from, to)});
    }
    return words;
}

// The first page at `dpi` dots per inch.
inline QImage pdfPageImage(const QString& pdf, int dpi, const QString& stem) {
    QProcess p;
    p.start(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-png"),
                                         QStringLiteral("-singlefile"), pdf, stem});
    p.waitForFinished(60000);
    return QImage(stem + QStringLiteral(".png"));
}

// The resolution across of each picture in the PDF (pdfimages -list's x-ppi).
inline std::vector<int> pdfImageResolutions(const QString& pdf) {
    std::vector<int> ppi;
    const QStringList lines =
        runTool(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdf}).split(u'\n');
    for (int i = 2; i < lines.size(); ++i) {
        const QStringList f = lines[i].split(u' ', Qt::SkipEmptyParts);
        if (f.size() >= 14) ppi.push_back(f[12].toInt());
    }
    return ppi;
}

}  // namespace rentabo::testing
