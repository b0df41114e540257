#include "lessons/TDanCalcForm.h"

#include "core/KukuTables.h"
#include "core/Pacer.h"
#include "core/QuestionBoard.h"
#include "core/WeakList.h"
#include "core/WindowPlacement.h"
#include "speech/Speaker.h"
#include "ui_DanCalcForm.h"

#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>

#include <algorithm>

namespace rentabo {

namespace {

const QColor kCream(255, 251, 240);
const QColor kGrey(128, 128, 128);
const QColor kYellow(255, 255, 0);
const QColor kRed(255, 0, 0);
const QColor kBlue(0, 0, 255);

QFont gothic(int pixels, bool bold = false) {
    QFont f(QStringLiteral(u"ＭＳ Ｐゴシック"));
    f.setPixelSize(pixels);
    f.setBold(bold);
    return f;
}

void setTextColour(QWidget* w, const QColor& colour) {
    QPalette p = w->palette();
    p.setColor(QPalette::ButtonText, colour);
    p.setColor(QPalette::WindowText, colour);
    w->setPalette(p);
}

}  // namespace

ChartGrid::ChartGrid(QWidget* parent) : QWidget(parent) {
    setFixedSize(1188, 680);
    setCursor(Qt::PointingHandCursor);
}

void ChartGrid::setSource(const KukuState* state, int chartFromLesson) {
    m_state = state;
    m_chartFromLesson = chartFromLesson;
    update();
}

QRect ChartGrid::headerRect(int column) {
    return {kLine + column * (kColWidth + kLine), kLine, kColWidth, kHeaderHeight};
}

QRect ChartGrid::cellRect(int fact) {
    const int column = fact / 9;
    const int row = fact % 9;
    return {kLine + column * (kColWidth + kLine), kLine + kHeaderHeight + kLine + row * (kRowHeight + kLine),
            kColWidth, kRowHeight};
}

int ChartGrid::factAt(const QPoint& p) {
    for (int fact = 0; fact < kFacts; ++fact)
        if (cellRect(fact).contains(p)) return fact;
    return -1;
}

bool ChartGrid::active(int column) const {
    const int mokuji = m_state ? m_state->mokuji_n : 12;
    return chartColumnActive(column, m_chartFromLesson, mokuji);
}

QColor ChartGrid::headerBackground(int column) const {
    return active(column) ? kYellow : kGrey;
}

QColor ChartGrid::cellBackground(int fact) const {
    const int column = fact / 9;
    if (!active(column)) return kGrey;
    if (m_state && errListed(m_state->errorsStr, fact)) return Qt::black;
    // column + 1 is the row of the table: red for the even rows, blue for the odd ones.
    return (column + 1) % 2 == 0 ? kRed : kBlue;
}

void ChartGrid::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), kCream);
    const QRect cells(0, 0, kLine + 9 * (kColWidth + kLine),
                      kLine + kHeaderHeight + kLine + 9 * (kRowHeight + kLine));
    p.fillRect(cells, Qt::black);  // the lines between the cells

    p.setFont(gothic(18, true));
    for (int column = 0; column < 9; ++column) {
        const QRect r = headerRect(column);
        p.fillRect(r, headerBackground(column));
        p.setPen(active(column) ? QColor(Qt::black) : kBlue);
        p.drawText(r, Qt::AlignCenter,
                   kukuTables().kanjiDigit[static_cast<std::size_t>(column)] + QStringLiteral(u"の段"));
    }
    p.setFont(gothic(16, true));
    p.setPen(Qt::white);
    for (int fact = 0; fact < kFacts; ++fact) {
        const QRect r = cellRect(fact);
        p.fillRect(r, cellBackground(fact));
        p.drawText(r, Qt::AlignCenter | Qt::TextWordWrap, chartCellText(fact));
    }
}

void ChartGrid::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const int fact = factAt(event->position().toPoint());
    if (fact >= 0 && onCellClicked) onCellClicked(fact);
}

namespace {

// The chart window's colours and fonts: a cream page, the title in yellow and blue, the marker.
void styleChart(Ui::DanCalcForm& ui) {
    ui.client->setAutoFillBackground(true);
    QPalette cream = ui.client->palette();
    cream.setColor(QPalette::Window, kCream);
    ui.client->setPalette(cream);

    QFont pop(QStringLiteral(u"HGP創英角ﾎﾟｯﾌﾟ体"));
    pop.setPixelSize(48);
    ui.Panel1->setFont(pop);
    ui.Panel1->setAutoFillBackground(true);
    QPalette title = ui.Panel1->palette();
    title.setColor(QPalette::Window, kYellow);
    title.setColor(QPalette::WindowText, kBlue);
    ui.Panel1->setPalette(title);

    ui.Panel2->setFont(gothic(18, true));
    ui.Panel2->setText(QStringLiteral(u"声に出しておぼえるといいよ。"));
    ui.StaticText1->setFont(gothic(13));
    ui.StaticText2->setFont(gothic(13));
    for (QPushButton* b :
         {ui.SpeedButton10, ui.SpeedButton11, ui.SpeedButton12, ui.Button1, ui.WeakListButton})
        b->setFont(gothic(15, true));

    ui.Panel3->setAutoFillBackground(true);
    QPalette marker = ui.Panel3->palette();
    marker.setColor(QPalette::Window, kYellow);
    ui.Panel3->setPalette(marker);
    ui.Panel3->hide();
    ui.Panel3->raise();
}

}  // namespace

TDanCalcForm::TDanCalcForm(KukuState& state, Speaker& speaker, Pacer& pacer, EffectPlayer* effects,
                           ChartCallbacks callbacks, QWidget* parent)
    : QDialog(parent),
      m_state(state),
      m_callbacks(std::move(callbacks)),
      m_ui(std::make_unique<Ui::DanCalcForm>()),
      m_reader(speaker, pacer, *this, effects) {
    m_ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint);
    // Only the main window waits for the chart; the settings, weak-point and typed-phrase windows
    // stay usable while it is open.
    setWindowModality(Qt::WindowModal);

    // The client area is 1212 × 812 below the menu bar.
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    m_ui->client->setFixedSize(1212, 812);
    layout->addWidget(m_ui->client);
    m_menuBar = new QMenuBar(this);
    QMenu* view = m_menuBar->addMenu(QStringLiteral(u"表示(&V)"));
    // The weak points stay out of the chart opened for lesson mode 1, as its にが手 reading does.
    const bool weakPointsOffered = m_callbacks.openWeakPoints && m_state.chartFromLesson != 1;
    if (weakPointsOffered)
        view->addAction(QStringLiteral(u"にが手リスト(&L)"), this, [this] {
            if (!m_reading) liftAboveChart(m_callbacks.openWeakPoints());
        });
    view->addAction(QStringLiteral(u"閉じる(&C)"), this, [this] { reject(); });
    layout->setMenuBar(m_menuBar);

    styleChart(*m_ui);

    QPushButton* const rowButtons[] = {m_ui->SpeedButton1, m_ui->SpeedButton2, m_ui->SpeedButton3,
                                       m_ui->SpeedButton4, m_ui->SpeedButton5, m_ui->SpeedButton6,
                                       m_ui->SpeedButton7, m_ui->SpeedButton8, m_ui->SpeedButton9};
    for (int d = 1; d <= 9; ++d) {
        QPushButton* b = rowButtons[d - 1];
        b->setFont(gothic(22, true));
        setTextColour(b, d % 2 == 0 ? kRed : kBlue);
        connect(b, &QPushButton::clicked, this, [this, d] { DanRead(d); });
    }

    m_ui->StringGrid1->setSource(&m_state, m_state.chartFromLesson);
    m_ui->StringGrid1->onCellClicked = [this](int fact) { readCell(fact); };

    connect(m_ui->SpeedButton10, &QPushButton::clicked, this, [this] { setRepeatOn(!repeatOn()); });
    connect(m_ui->SpeedButton11, &QPushButton::clicked, this, [this] { readWeakFacts(); });
    connect(m_ui->SpeedButton12, &QPushButton::clicked, this, [this] {
        if (!m_reading && m_callbacks.openSettings) liftAboveChart(m_callbacks.openSettings());
    });
    connect(m_ui->Button1, &QPushButton::clicked, this, [this] { reject(); });
    m_ui->WeakListButton->setVisible(weakPointsOffered);
    connect(m_ui->WeakListButton, &QPushButton::clicked, this, [this] {
        if (!m_reading && m_callbacks.openWeakPoints) liftAboveChart(m_callbacks.openWeakPoints());
    });
    m_ui->SpeedButton11->setVisible(m_state.chartFromLesson != 1);

    m_reader.repeatOn = false;
    SpeedButton10Dsp();
    m_state.chartOpen = 1;
}

TDanCalcForm::~TDanCalcForm() {
    // Voice commands look at chartOpen before calling into the chart: it must never outlive it.
    if (!m_closed) m_state.chartOpen = 0;
    lowerLiftedWindows();
}

void TDanCalcForm::liftAboveChart(QWidget* window) {
    if (!window || !window->isWindow()) return;
    const bool known = std::any_of(m_lifted.begin(), m_lifted.end(),
                                   [window](const Lifted& l) { return l.window == window; });
    if (!known) {
        m_lifted.push_back(
            {window, window->windowModality(), window->windowFlags().testFlag(Qt::WindowStaysOnTopHint)});
        // Modality and stacking only change on a hidden window; the newest modal window is the
        // one that takes input, and the chart stays on top of everything else.
        window->hide();
        window->setWindowModality(Qt::ApplicationModal);
        window->setWindowFlag(Qt::WindowStaysOnTopHint, true);
    }
    window->show();
    window->raise();
    window->activateWindow();
}

void TDanCalcForm::lowerLiftedWindows() {
    for (const Lifted& l : m_lifted) {
        if (!l.window) continue;
        const bool visible = l.window->isVisible();
        l.window->hide();
        l.window->setWindowModality(l.modality);
        l.window->setWindowFlag(Qt::WindowStaysOnTopHint, l.onTop);
        if (visible) l.window->show();
    }
    m_lifted.clear();
}

ChartGrid& TDanCalcForm::grid() {
    return *m_ui->StringGrid1;
}

void TDanCalcForm::placeBeside(const QRect& mainFrame) {
    placeOnScreen(*this, QPoint(mainFrame.left() + 60, mainFrame.top()), mainFrame);
}

void TDanCalcForm::setRepeatOn(bool on) {
    if (m_reading) return;
    m_reader.repeatOn = on;
    SpeedButton10Dsp();
}

void TDanCalcForm::SpeedButton10Dsp() {
    setTextColour(m_ui->SpeedButton10, m_reader.repeatOn ? kRed : kBlue);
}

bool TDanCalcForm::runReading(const std::function<void()>& read) {
    // The pacer keeps the window painting while the voice speaks, so clicks still arrive: a second
    // reading must not start inside the first.
    if (m_reading || m_closed) return false;
    m_reading = true;
    read();
    m_reading = false;
    return true;
}

bool TDanCalcForm::DanRead(int d) {
    if (d < 1 || d > 9) return false;
    return runReading([this, d] { m_reader.DanRead(d); });
}

bool TDanCalcForm::readWeakFacts() {
    // A copy, so a list changed meanwhile by the weak-point window does not move under the reading.
    const QString errors = m_state.errorsStr;
    return runReading([this, errors] { m_reader.ReadWeakFacts(errors); });
}

bool TDanCalcForm::readCell(int fact) {
    if (fact < 0 || fact >= kFacts) return false;
    return runReading([this, fact] { m_reader.ReadCell(fact); });
}

void TDanCalcForm::showMarker(int fact) {
    const MarkerPos at = markerPosition(fact);
    m_ui->Panel3->move(at.left, at.top);
    m_ui->Panel3->show();
    m_ui->Panel3->raise();
}

void TDanCalcForm::hideMarker() {
    m_ui->Panel3->hide();
}

void TDanCalcForm::repaintGrid() {
    m_ui->StringGrid1->update();
}

void TDanCalcForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (m_closed) {
        // Shown again after a close: it is open once more.
        m_closed = false;
        m_state.chartOpen = 1;
    }
}

void TDanCalcForm::done(int result) {
    if (m_reading) return;
    FormClose();
    QDialog::done(result);
}

void TDanCalcForm::FormClose() {
    if (m_closed) return;
    m_closed = true;
    m_state.chartOpen = 0;
    lowerLiftedWindows();
    if (m_callbacks.clearMainScreen) m_callbacks.clearMainScreen();
}

}  // namespace rentabo
