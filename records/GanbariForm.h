#pragma once

#include "records/Progress.h"

#include <QDialog>
#include <QRectF>

#include <functional>
#include <vector>

class QLabel;
class QPainter;
class QPrinter;
class QGridLayout;
class QPushButton;

namespace rentabo {

class RecordsHost;

// Where the parts of the heat map lie in an area: the cells take the most room the area gives
// (square, the headings and the legend in proportion), so the map and its type grow and shrink
// with the window, and the same map fills its part of a printed page.
class MapLayout {
public:
    explicit MapLayout(const QRectF& area);
    double cell() const { return m_cell; }
    QRectF columnHeading(int b) const;  // "×b", b = 1..9
    QRectF rowHeading(int a) const;     // "a の段", a = 1..9
    QRectF cellRect(int kuku_n) const;
    QRectF legendLine(int line) const;  // one line for each of kLegendLines
    QRectF bounds() const;
    static constexpr int kLegendLines = 6;

private:
    QPointF m_origin;
    double m_cell = 0;
};

// Draws the map of the nine rows and its legend in `area`.
void paintFactMap(QPainter& painter, const QRectF& area, const ProgressReport& report);

// The chart of the days: its title's font fits the area's width; `unit` is the size of a pixel
// of type (1 on screen).
void paintDayChart(QPainter& painter, const QRectF& area, const ProgressReport& report, double unit = 1);
// Where the chart's title is written, as wide as its text.
QRectF dayChartTitleRect(const QRectF& area, double unit = 1);

// The nine rows of the table as a 9×9 map of coloured cells, one per fact, with the legend.
class FactHeatMap final : public QWidget {
    Q_OBJECT
public:
    explicit FactHeatMap(const ProgressReport& report, QWidget* parent = nullptr);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    static QColor colourOf(FactGrade grade);
    // Where the parts are drawn at the widget's present size.
    MapLayout mapLayout() const { return MapLayout(QRectF(rect())); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const ProgressReport& m_report;
};

// Answers per day as bars and the share of right answers as a line, over the last weeks.
class DayChart final : public QWidget {
    Q_OBJECT
public:
    explicit DayChart(const ProgressReport& report, QWidget* parent = nullptr);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    QRect titleRect() const { return dayChartTitleRect(QRectF(rect())).toAlignedRect(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const ProgressReport& m_report;
};

// がんばりの記録: how each fact is going (the heat map), the answers of the last weeks, the slowest
// and the most missed facts, today's review, and the export of the answers as CSV. Printable.
class TGanbariForm final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TGanbariForm)
public:
    enum class Review { None, Keyboard, Voice };

    TGanbariForm(const HistoryStore& store, const LearnerId& learner, const QDate& today, RecordsHost& host,
                 bool canListen, QWidget* parent = nullptr);
    ~TGanbariForm() override;

    const ProgressReport& report() const { return m_report; }
    // The review the learner chose to start when the window closed.
    Review review() const { return m_review; }

    void startReview(Review how);
    // "CSVに書き出す": asks where (chooseCsvPath, replaceable in tests) and writes the answers.
    bool exportCsv();
    // 印刷: the page laid out for paper (A4 landscape unless the dialog changes it), shown in a
    // preview from which it is printed or saved as PDF (showPreview, replaceable in tests).
    void Print();
    // The paper's defaults: A4 landscape, the document's name.
    void preparePrinter(QPrinter& printer) const;
    // Draws the page on the printer's paper, whatever the window's size: one page.
    bool printTo(QPrinter& printer);
    void paintPage(QPainter& painter, const QRectF& page) const;

    std::function<QString(const QString& suggested)> chooseCsvPath;
    std::function<void(QPrinter& printer)> showPreview;

    QPushButton* keyReviewButton() const { return m_keyReview; }
    QPushButton* voiceReviewButton() const { return m_voiceReview; }

private:
    void showEvent(QShowEvent* event) override;
    // The title, the map, the two lists and the chart, in the window's grid.
    QGridLayout* addReport();
    // The row of buttons under them, with today's review count.
    void addButtons(QGridLayout* grid, bool canListen);
    void openAtFittingSize(QWidget* parent);

    const HistoryStore& m_store;
    LearnerId m_learner;
    QDate m_today;
    RecordsHost& m_host;
    ProgressReport m_report;
    Review m_review = Review::None;
    QPushButton* m_keyReview = nullptr;
    QPushButton* m_voiceReview = nullptr;
};

}  // namespace rentabo
