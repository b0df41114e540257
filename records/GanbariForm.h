#pragma once

#include "records/Progress.h"

#include <QDialog>

#include <functional>
#include <vector>

class QLabel;
class QPainter;
class QPrinter;
class QPushButton;

namespace rentabo {

class RecordsHost;

// The nine rows of the table as a 9×9 map of coloured cells, one per fact, with the legend.
class FactHeatMap final : public QWidget {
    Q_OBJECT
public:
    explicit FactHeatMap(const ProgressReport& report, QWidget* parent = nullptr);
    QSize sizeHint() const override;
    static QColor colourOf(FactGrade grade);
    // Where fact kuku_n is drawn.
    static QRect cellRect(int kuku_n);

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
    void Print();
    bool printTo(QPrinter& printer);
    // The sheet without its buttons, as it would be printed.
    QWidget* sheet() const { return m_sheet; }

    std::function<QString(const QString& suggested)> chooseCsvPath;
    std::function<bool()> printerAvailable;

    QPushButton* keyReviewButton() const { return m_keyReview; }
    QPushButton* voiceReviewButton() const { return m_voiceReview; }

private:
    const HistoryStore& m_store;
    LearnerId m_learner;
    RecordsHost& m_host;
    ProgressReport m_report;
    Review m_review = Review::None;
    QWidget* m_sheet = nullptr;
    QPushButton* m_keyReview = nullptr;
    QPushButton* m_voiceReview = nullptr;
};

}  // namespace rentabo
