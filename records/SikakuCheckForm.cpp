#include "records/SikakuCheckForm.h"

#include "core/Pacer.h"
#include "records/CertForm2.h"
#include "records/Certificate.h"
#include "records/RecordPictures.h"
#include "records/RecordWindowsHost.h"
#include "ui_SikakuCheckForm.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenuBar>
#include <QTableWidget>

namespace rentabo {

namespace {

const QColor kCellYellow(0xFF, 0xFF, 0x80);
const QColor kAqua(0x00, 0xFF, 0xFF);

void setColours(QWidget* w, const QColor& back, const QColor& text) {
    w->setAutoFillBackground(true);
    QPalette p = w->palette();
    p.setColor(QPalette::Window, back);
    p.setColor(QPalette::WindowText, text);
    w->setPalette(p);
}

QFont boldFace(const QString& family, int px) {
    QFont f(family);
    f.setPixelSize(px);
    f.setBold(true);
    return f;
}

}  // namespace

TSikakuCheckForm::TSikakuCheckForm(KukuState& state, RecordWindowsHost& host, Pacer& pacer, QWidget* parent)
    : QDialog(parent),
      m_state(state),
      m_host(host),
      m_pacer(pacer),
      m_ui(std::make_unique<Ui::SikakuCheckForm>()) {
    m_ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(size());
    setColours(this, QColor(0xF0, 0xF0, 0xF0), Qt::black);

    auto* bar = new QMenuBar(this);
    bar->setGeometry(0, 0, width(), m_ui->client->y());
    QMenu* table = bar->addMenu(QStringLiteral(u"資格表(&T)"));
    connect(table->addAction(QStringLiteral(u"閉じる(&C)")), &QAction::triggered, this, &QWidget::close);
    connect(table->addAction(QStringLiteral(u"表をクリア(&N)")), &QAction::triggered, this,
            &TSikakuCheckForm::ClearRecord);
    QMenu* help = bar->addMenu(QStringLiteral(u"ヘルプ(&H)"));
    connect(help->addAction(QStringLiteral(u"ヘルプ表示(&H)")), &QAction::triggered, this,
            &TSikakuCheckForm::showHelp);

    connect(m_ui->Button1, &QPushButton::clicked, this, &TSikakuCheckForm::showHelp);
    connect(m_ui->Button6, &QPushButton::clicked, this, &QWidget::close);
    connect(m_ui->Button4, &QPushButton::clicked, this, &TSikakuCheckForm::runCheck);
    connect(m_ui->Button3, &QPushButton::clicked, this, &TSikakuCheckForm::printRowCertificate);
    connect(m_ui->Button5, &QPushButton::clicked, this, &TSikakuCheckForm::printMasterCertificate);
    connect(m_ui->Button2, &QPushButton::clicked, this, &TSikakuCheckForm::printLicenceCertificate);

    m_ui->Panel1->setFont(boldFace(QStringLiteral("IPAGothic"), 22));
    setColours(m_ui->Panel1, QColor(0xFF, 0xFF, 0x00), Qt::red);
    m_ui->Panel1->setText(QStringLiteral(u"《資格チェック表》"));
    m_ui->NameEdit->setText(m_state.studentName);
    m_ui->MessagePanel->setFont(boldFace(QStringLiteral("IPAGothic"), 16));
    setColours(m_ui->MessagePanel, QColor(0xE1, 0xFF, 0xFD), Qt::red);
    m_ui->Icon->setPixmap(recordPicture(2, m_ui->Icon->width()));
    for (QPushButton* b : {m_ui->Button4, m_ui->Button3, m_ui->Button5, m_ui->Button2})
        b->setFont(boldFace(QStringLiteral("IPAGothic"), 14));

    QTableWidget* g = m_ui->StringGrid1;
    g->setRowCount(15);
    g->setColumnCount(8);
    g->horizontalHeader()->hide();
    g->verticalHeader()->hide();
    g->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    g->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    g->setEditTriggers(QAbstractItemView::NoEditTriggers);
    g->setSelectionBehavior(QAbstractItemView::SelectRows);
    g->setSelectionMode(QAbstractItemView::SingleSelection);
    g->setFont(boldFace(QStringLiteral("IPAGothic"), 14));
    g->setColumnWidth(0, 120);
    for (int c = 1; c < 8; ++c) g->setColumnWidth(c, 70);
    for (int r = 0; r < 15; ++r) g->setRowHeight(r, 24);

    m_grid = MakeSikakuGrid(m_state.recCheck);
    runCheck();
    selectRow(1);
}

TSikakuCheckForm::~TSikakuCheckForm() = default;

QTableWidget* TSikakuCheckForm::grid() const {
    return m_ui->StringGrid1;
}
QString TSikakuCheckForm::messageText() const {
    return m_ui->MessagePanel->text();
}
bool TSikakuCheckForm::masterEnabled() const {
    return m_ui->Button5->isEnabled();
}
bool TSikakuCheckForm::menkyoEnabled() const {
    return m_ui->Button2->isEnabled();
}

void TSikakuCheckForm::selectRow(int r) {
    m_ui->StringGrid1->setCurrentCell(r, 1);
}

void TSikakuCheckForm::showGrid() {
    QTableWidget* g = m_ui->StringGrid1;
    for (int r = 0; r < 15; ++r) {
        for (int c = 0; c < 8; ++c) {
            QTableWidgetItem* item = g->item(r, c);
            if (!item) {
                item = new QTableWidgetItem;
                item->setTextAlignment(Qt::AlignCenter);
                const bool fixed = r == 0 || c == 0;
                item->setBackground(fixed ? kAqua : kCellYellow);
                // The heads and labels cannot be selected; a click picks the row below them.
                if (fixed) item->setFlags(Qt::ItemIsEnabled);
                g->setItem(r, c, item);
            }
            item->setText(m_grid[r][c]);
            item->setForeground(sikakuCellRed(m_grid[r][c]) ? QColor(Qt::red) : QColor(Qt::black));
        }
    }
}

void TSikakuCheckForm::runCheck() {
    m_verdict = SikakuCheck(m_grid);
    showGrid();
    m_ui->MessagePanel->setText(m_verdict.message);
    m_ui->Button5->setEnabled(m_verdict.masterEnabled);
    m_ui->Button2->setEnabled(m_verdict.menkyoEnabled);
}

void TSikakuCheckForm::openCertificate(int certKind) {
    if (certKind != kCertDankyu) m_state.certKind = certKind;
    TCertForm2 cert(m_state, m_host.today(), m_host, this);
    m_host.runModal(cert);
}

void TSikakuCheckForm::printRowCertificate() {
    if (!DankyuCertificate(m_state, m_grid, m_ui->StringGrid1->currentRow(), m_host)) return;
    openCertificate(kCertDankyu);
}

void TSikakuCheckForm::printMasterCertificate() {
    if (m_verdict.masterEnabled) openCertificate(kCertMaster);
}

void TSikakuCheckForm::printLicenceCertificate() {
    if (m_verdict.menkyoEnabled) openCertificate(kCertMenkyo);
}

void TSikakuCheckForm::showHelp() {
    const QString path = m_state.exeDir + QStringLiteral("kuku_V24.chm");
    if (!QFileInfo::exists(path) || !m_host.openDocument(path))
        m_host.message(QStringLiteral(u"kuku_V24.chm が見あたりません。"), QStringLiteral(u"お知らせ"));
}

void TSikakuCheckForm::ClearRecord() {
    if (!m_pacer.askOkCancel(QStringLiteral(u"ＯＫをクリックすると，記録はすべて消されます。\n\nCancelをクリ"
                                            u"ックすると，このままもどります。"),
                             QStringLiteral(u"ご確認!!")))
        return;
    for (auto& row : m_state.recCheck) row.fill(0);
    FillSikakuGrid(m_grid, m_state.recCheck);
    showGrid();
}

void TSikakuCheckForm::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        close();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TSikakuCheckForm::closeEvent(QCloseEvent* event) {
    WriteBackSikakuGrid(m_grid, m_state.recCheck);
    if (!m_pacer.askOkCancel(QStringLiteral(u"閉じていいですか。"), QStringLiteral(u"ご確認!!"))) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void ShowSikakuCheck(KukuState& state, RecordWindowsHost& host, Pacer& pacer, QWidget* parent, bool hideMemo,
                     int row) {
    if (hideMemo) host.ShowInfoPanel(0);
    {
        TSikakuCheckForm form(state, host, pacer, parent);
        if (row >= 1 && row <= 13) form.selectRow(row);
        host.runModal(form);
    }
    if (hideMemo) host.ShowInfoPanel(state.infoDsp);
}

}  // namespace rentabo
