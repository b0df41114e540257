#include "records/ResultDspForms.h"

#include "core/Pacer.h"
#include "core/QuestionBoard.h"
#include "records/RecordPictures.h"
#include "records/RecordWindowsHost.h"
#include "records/SikakuCheckForm.h"
#include "ui_ResultDsp1Form.h"
#include "ui_ResultDsp2Form.h"

#include <QCloseEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenuBar>
#include <QTableWidget>
#include <QTimer>

namespace rentabo {

namespace {

const QColor kCream(0xFF, 0xFB, 0xF0);
const QColor kCellYellow(0xFF, 0xFF, 0x80);
const QColor kAqua(0x00, 0xFF, 0xFF);

}  // namespace

ResultDspWindow::ResultDspWindow(KukuState& state, QuestionBoard& board, RecordWindowsHost& host,
                                 Pacer& pacer, QWidget* parent)
    : QDialog(parent), m_state(state), m_board(board), m_host(host), m_pacer(pacer) {
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
}

void ResultDspWindow::bindWidgets(QWidget* client, QLabel* title, QLineEdit* name, QTableWidget* grid,
                                  QLabel* verdict, QPushButton* registerButton, QPushButton* closeButton,
                                  QLabel* picture, const QString& menuTitle, bool menuCloses) {
    m_title = title;
    m_name = name;
    m_grid = grid;
    m_verdict = verdict;
    m_register = registerButton;
    m_close = closeButton;
    setFixedSize(size());

    QPalette pal = palette();
    pal.setColor(QPalette::Window, kCream);
    setPalette(pal);
    setAutoFillBackground(true);
    client->setAutoFillBackground(false);

    auto* bar = new QMenuBar(this);
    bar->setGeometry(0, 0, width(), client->y());
    m_resultMenu = bar->addMenu(menuTitle);
    QAction* closeAction = m_resultMenu->addAction(QStringLiteral(u"閉じる(&C)"));
    connect(closeAction, &QAction::triggered, this, &QWidget::close);
    if (menuCloses) {
        // Opening this menu closes the table, as it always has; the item inside does the same.
        connect(m_resultMenu, &QMenu::aboutToShow, this, [this] {
            QTimer::singleShot(0, this, [this] {
                m_resultMenu->hide();
                close();
            });
        });
    }
    QMenu* certMenu = bar->addMenu(QStringLiteral(u"証明書(&P)"));
    m_registerAction = certMenu->addAction(QStringLiteral(u"登録(&R)"));
    connect(m_registerAction, &QAction::triggered, this, &ResultDspWindow::RegisterResult);
    connect(m_register, &QPushButton::clicked, this, &ResultDspWindow::RegisterResult);
    connect(m_close, &QPushButton::clicked, this, &QWidget::close);

    QFont bold = font();
    bold.setBold(true);
    m_register->setFont(bold);
    // Red only while it can be pressed: a disabled button keeps the grey that says so.
    QPalette red = m_register->palette();
    red.setColor(QPalette::Active, QPalette::ButtonText, Qt::red);
    red.setColor(QPalette::Inactive, QPalette::ButtonText, Qt::red);
    m_register->setPalette(red);
    QPalette verdictPal = m_verdict->palette();
    verdictPal.setColor(QPalette::WindowText, Qt::red);
    m_verdict->setPalette(verdictPal);
    QFont verdictFont = bold;
    verdictFont.setPixelSize(15);
    m_verdict->setFont(verdictFont);
    picture->setPixmap(recordPicture(m_table.kind == ResultKind::Rows ? 0 : 1, picture->width()));
}

void ResultDspWindow::showTable(const QColor& titleColour, int firstColumnWidth, int columnWidth,
                                int rowHeight) {
    QFont titleFont(QStringLiteral("IPAGothic"));
    titleFont.setPixelSize(17);
    titleFont.setBold(true);
    m_title->setFont(titleFont);
    m_title->setAutoFillBackground(true);
    QPalette tp = m_title->palette();
    tp.setColor(QPalette::Window, titleColour);
    tp.setColor(QPalette::WindowText, Qt::white);
    m_title->setPalette(tp);
    m_title->setText(m_table.title);
    m_name->setText(m_state.studentName);

    const int rows = static_cast<int>(m_table.cells.size());
    const int cols = rows ? static_cast<int>(m_table.cells[0].size()) : 0;
    m_grid->setRowCount(rows);
    m_grid->setColumnCount(cols);
    m_grid->horizontalHeader()->hide();
    m_grid->verticalHeader()->hide();
    m_grid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_grid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setSelectionMode(QAbstractItemView::NoSelection);
    m_grid->setFocusPolicy(Qt::NoFocus);
    QFont cellFont(QStringLiteral("IPAGothic"));
    cellFont.setPixelSize(14);
    cellFont.setBold(true);
    m_grid->setFont(cellFont);
    for (int c = 0; c < cols; ++c) m_grid->setColumnWidth(c, c == 0 ? firstColumnWidth : columnWidth);
    for (int r = 0; r < rows; ++r) {
        m_grid->setRowHeight(r, rowHeight);
        for (int c = 0; c < cols; ++c) {
            auto* item = new QTableWidgetItem(m_table.cells[r][c]);
            item->setTextAlignment(Qt::AlignCenter);
            item->setBackground((r == 0 || c == 0) ? kAqua : kCellYellow);
            item->setForeground(resultCellRed(m_table.cells[r][c]) ? QColor(Qt::red) : QColor(Qt::black));
            m_grid->setItem(r, c, item);
        }
    }
    m_verdict->setText(m_table.verdict);
    m_register->setEnabled(m_table.registrationEnabled);
    m_registerAction->setEnabled(m_table.registrationEnabled);
}

void ResultDspWindow::RegisterResult() {
    if (!rentabo::RegisterResult(m_state, m_table, m_host)) return;
    m_table.registered = true;
    // The table opens on the row just registered: its certificate is one click away.
    ShowSikakuCheck(m_state, m_host, m_pacer, this, m_table.kind == ResultKind::Rows,
                    m_table.cell.column + 1);
    // Back to this table, so C and Delete close it again without a click first.
    raise();
    activateWindow();
    setFocus(Qt::ActiveWindowFocusReason);
}

void ResultDspWindow::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_C:
        case Qt::Key_Delete:
            close();
            return;
        case Qt::Key_Escape:
            // Esc belongs to the test that may still be polling it; the table stays open.
            m_pacer.keyDown(vk::Escape);
            m_pacer.processPendingMessages();
            event->accept();
            return;
        default:
            QDialog::keyPressEvent(event);
    }
}

void ResultDspWindow::closeEvent(QCloseEvent* event) {
    if (m_closing) {
        QDialog::closeEvent(event);
        return;
    }
    if (!CloseResultTable(m_state, m_table, m_board, m_pacer)) {
        event->ignore();
        return;
    }
    m_closing = true;
    QDialog::closeEvent(event);
}

void ResultDspWindow::paintEvent(QPaintEvent* event) {
    if (m_name && m_name->text() != m_state.studentName) m_name->setText(m_state.studentName);
    QDialog::paintEvent(event);
}

TResultDsp1Form::TResultDsp1Form(KukuState& state, QuestionBoard& board, RecordWindowsHost& host,
                                 Pacer& pacer, QWidget* parent)
    : ResultDspWindow(state, board, host, pacer, parent), m_ui(std::make_unique<Ui::ResultDsp1Form>()) {
    m_table = BuildResultTable1(state);
    m_ui->setupUi(this);
    bindWidgets(m_ui->client, m_ui->Panel1, m_ui->NameEdit, m_ui->StringGrid1, m_ui->VerdictLabel,
                m_ui->RegisterButton, m_ui->CloseButton, m_ui->Picture, QStringLiteral(u"段テスト結果(&T)"),
                true);
    showTable(QColor(0x00, 0x00, 0xFF), 85, 58, 24);
}

TResultDsp1Form::~TResultDsp1Form() = default;

TResultDsp2Form::TResultDsp2Form(KukuState& state, QuestionBoard& board, RecordWindowsHost& host,
                                 Pacer& pacer, QWidget* parent)
    : ResultDspWindow(state, board, host, pacer, parent), m_ui(std::make_unique<Ui::ResultDsp2Form>()) {
    m_table = BuildResultTable2(state);
    m_ui->setupUi(this);
    bindWidgets(m_ui->client, m_ui->Panel1, m_ui->NameEdit, m_ui->StringGrid1, m_ui->VerdictLabel,
                m_ui->RegisterButton, m_ui->CloseButton, m_ui->Picture, QStringLiteral(u"級テスト結果(&T)"),
                false);
    showTable(QColor(0xFF, 0x00, 0xFF), 85, 40, 26);
}

TResultDsp2Form::~TResultDsp2Form() = default;

namespace {

template <typename Form>
void openResultTable(ResultKind kind, KukuState& state, QuestionBoard& board, RecordWindowsHost& host,
                     Pacer& pacer, QWidget* parent) {
    if (!KekkaOpenCheck(state, kind, host)) return;
    host.ShowInfoPanel(0);
    {
        Form form(state, board, host, pacer, parent);
        host.runModal(form);
    }
    host.ShowInfoPanel(state.infoDsp);
}

}  // namespace

void Kekka_Dsp(KukuState& state, QuestionBoard& board, RecordWindowsHost& host, Pacer& pacer,
               QWidget* parent) {
    openResultTable<TResultDsp1Form>(ResultKind::Rows, state, board, host, pacer, parent);
}

void KekkaD_Dsp(KukuState& state, QuestionBoard& board, RecordWindowsHost& host, Pacer& pacer,
                QWidget* parent) {
    openResultTable<TResultDsp2Form>(ResultKind::Levels, state, board, host, pacer, parent);
}

}  // namespace rentabo
