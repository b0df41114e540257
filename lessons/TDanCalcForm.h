#pragma once

#include "core/KukuState.h"
#include "lessons/ChartReading.h"

#include <QColor>
#include <QDialog>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

class QLabel;
class QPushButton;
class QMenuBar;

namespace Ui {
class DanCalcForm;
}

namespace rentabo {

class Pacer;
class Speaker;
class EffectPlayer;

// What the chart asks of the main window. Any of them may be empty.
struct ChartCallbacks {
    // "条件(&J)": places the settings dialog beside the main window and returns it. The chart
    // shows it above itself and keeps it usable while the chart is open: a window of the main
    // window would otherwise wait behind the modal chart. Returning nullptr leaves it to the
    // callback (a modal dialog of its own, say).
    std::function<QWidget*()> openSettings;
    // The main window's "画面クリア", when the chart closes.
    std::function<void()> clearMainScreen;
    // The weak-point window, returned as openSettings does; without it the chart offers no way
    // there.
    std::function<QWidget*()> openWeakPoints;
};

// The 9 × 9 chart itself: one column per row of the table, a header row and nine rows of facts,
// every cell painted here from the chart rules. Clicking a body cell reports its fact.
class ChartGrid final : public QWidget {
    Q_DISABLE_COPY_MOVE(ChartGrid)
public:
    static constexpr int kColWidth = 130;
    static constexpr int kHeaderHeight = 30;
    static constexpr int kRowHeight = 70;
    static constexpr int kLine = 1;

    explicit ChartGrid(QWidget* parent = nullptr);

    // Set once by the chart window; the grid paints from them.
    void setSource(const KukuState* state, int chartFromLesson);
    std::function<void(int fact)> onCellClicked;

    // Where cells are, in the grid's own coordinates.
    static QRect headerRect(int column);
    static QRect cellRect(int fact);
    // The fact under a point, −1 for the header row, the lines and the margin.
    static int factAt(const QPoint& p);

    // The colours of the chart, the ones the paint uses.
    QColor headerBackground(int column) const;
    QColor cellBackground(int fact) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool active(int column) const;

    const KukuState* m_state = nullptr;
    int m_chartFromLesson = 0;
};

// The chart window "■段全部の計算": the whole table, a row or a cell read aloud, the weak facts
// read aloud. Created anew at each opening and shown modally by the main window.
class TDanCalcForm final : public QDialog, private ChartView {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TDanCalcForm)
public:
    // `state.chartFromLesson` must be set before; creation sets `state.chartOpen` to 1.
    TDanCalcForm(KukuState& state, Speaker& speaker, Pacer& pacer, EffectPlayer* effects,
                 ChartCallbacks callbacks, QWidget* parent = nullptr);
    ~TDanCalcForm() override;

    // Left edge 60 pixels right of the main window's, top at the main window's top. `mainFrame` is
    // the main window's frame geometry.
    void placeBeside(const QRect& mainFrame);

    // Reads row d (1..9); voice commands call it too. False when a reading is already running,
    // which it then leaves alone.
    bool DanRead(int d);
    // Reads the weak facts of the list ("にが手(&D)"); false while another reading runs.
    bool readWeakFacts();
    // Reads one cell as a click does; false while another reading runs.
    bool readCell(int fact);

    bool repeatOn() const { return m_reader.repeatOn; }
    void setRepeatOn(bool on);
    bool reading() const { return m_reading; }
    // The fact being read (shared with the weak-point window).
    int cur() const { return m_reader.cur; }

    ChartGrid& grid();

    // Closing by any way ends here; a reading in progress is finished first, so the close is
    // refused until it ends.
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void showMarker(int fact) override;
    void hideMarker() override;
    void repaintGrid() override;

    // Shows a window of the main window above the chart and lets it take input until the chart
    // closes; then it goes back to being an ordinary window.
    void liftAboveChart(QWidget* window);
    void lowerLiftedWindows();
    // Runs one reading with the other input shut out.
    bool runReading(const std::function<void()>& read);
    void SpeedButton10Dsp();
    void FormClose();

    KukuState& m_state;
    ChartCallbacks m_callbacks;
    std::unique_ptr<Ui::DanCalcForm> m_ui;
    QMenuBar* m_menuBar = nullptr;  // owned by the dialog
    ChartReader m_reader;
    bool m_reading = false;
    bool m_closed = false;
    struct Lifted {
        QPointer<QWidget> window;
        Qt::WindowModality modality;
        bool onTop;
    };
    std::vector<Lifted> m_lifted;
};

}  // namespace rentabo
