#include "app/MainBoard.h"

#include "core/KukuTables.h"
#include "ui_KukuForm.h"

#include <QPainter>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSignalBlocker>

#include <algorithm>

namespace rentabo {

void setTextColour(QWidget* w, const QString& colour) {
    QString sheet = w->styleSheet();
    static const QRegularExpression colourRule(QStringLiteral("(^|;)\\s*color:[^;]*;?"));
    sheet.remove(colourRule);
    w->setStyleSheet(sheet + QStringLiteral(";color: ") + colour + u';');
}

QColor colourOfBgr(int bgr) {
    return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
}

int bgrOfColour(const QColor& c) {
    return c.red() | (c.green() << 8) | (c.blue() << 16);
}

QLabel* MainBoard::label(BoardText field) const {
    switch (field) {
        case BoardText::MessageLine:
            return m_ui.StaticText3;
        case BoardText::Reading:
            return m_ui.StaticText14;
        case BoardText::Expression:
            return m_ui.StaticText11;
        case BoardText::Answer:
            return m_ui.StaticText12;
        case BoardText::Mark:
            return m_ui.StaticText13;
        case BoardText::Hint:
            return m_ui.StaticText9;
        case BoardText::Round:
            return m_ui.StaticText10;
        case BoardText::Progress:
            return m_ui.StaticText2;
    }
    return nullptr;
}

void MainBoard::setUpWidgets() {
    const auto& t = kukuTables();
    for (const auto& name : t.choiceName) m_ui.ComboBox1->addItem(name);
    for (const auto& name : t.menuName) m_ui.ComboBox2->addItem(name);
    // The choice lists lie over the labels that stand in for them while they are hidden.
    m_ui.ComboBox1->raise();
    m_ui.ComboBox2->raise();
    m_ui.Image3->setPixmap(QPixmap(QStringLiteral(":/pictures/master.jpg")));
    m_ui.Image4->setPixmap(QPixmap(QStringLiteral(":/pictures/answer-voice.jpg")));
    m_ui.Image5->setPixmap(QPixmap(QStringLiteral(":/pictures/answer-keys.jpg")));
    m_ui.Image2->setPixmap(QPixmap(QStringLiteral(":/pictures/speaker.jpg")));
    m_ui.Image1->setPixmap(QPixmap(QStringLiteral(":/pictures/microphone.jpg")));
    m_ui.ProgressBar1->setStyleSheet(QStringLiteral("QProgressBar::chunk { background: blue; }"));
    m_ui.ProgressBar2->setStyleSheet(QStringLiteral("QProgressBar::chunk { background: red; }"));
    m_ui.ProgressBar3->setStyleSheet(QStringLiteral("QProgressBar::chunk { background: red; }"));
}

void MainBoard::showAnswerWay(bool groupVisible, bool keyboardPicture) {
    m_ui.GroupBox1->setVisible(groupVisible);
    m_ui.Image5->setVisible(keyboardPicture);
    m_ui.Image4->setVisible(!keyboardPicture);
}

void MainBoard::setAnswerWayVisible(bool visible) {
    m_ui.GroupBox1->setVisible(visible);
}

void MainBoard::enableResultMenus(bool rowTable, bool levelTable) {
    m_ui.L1->setEnabled(rowTable);
    m_ui.KekkaDDsp->setEnabled(levelTable);
}

void MainBoard::focusStartButton() {
    m_ui.Button1->setFocus();
}

void MainBoard::focusMemo() {
    m_ui.msgText->setFocus();
}

void MainBoard::setChoiceIndex(int mokuji_n) {
    const QSignalBlocker quiet(m_ui.ComboBox1);
    m_ui.ComboBox1->setCurrentIndex(mokuji_n);
}

void MainBoard::setLessonIndex(int menu_n) {
    const QSignalBlocker quiet(m_ui.ComboBox2);
    m_ui.ComboBox2->setCurrentIndex(menu_n);
}

void MainBoard::setExpressionStyle(int fontPt, int top) {
    QFont expression = m_ui.StaticText11->font();
    expression.setPointSize(fontPt);
    m_ui.StaticText11->setFont(expression);
    m_ui.StaticText11->move(m_ui.StaticText11->x(), top);
}

void MainBoard::showInfoPanel(bool on) {
    m_ui.msgText->setEnabled(on);
    if (!on) clearMemo();
    m_ui.Panel3->setVisible(on);
    m_ui.StaticText21->setVisible(on);
    m_ui.HypoClrBtn->setVisible(on);
    m_ui.I1->setChecked(on);
}

QString MainBoard::nameBoxText() const {
    return m_ui.Edit2->text();
}

void MainBoard::setNameBoxText(const QString& name) {
    m_ui.Edit2->setText(name);
}

void MainBoard::focusNameBox() {
    m_ui.Edit2->setFocus();
}

void MainBoard::showLearnerNumber(int number) {
    m_ui.StaticText6->setText(QString::number(number));
}

void MainBoard::showVoiceLevel(int level) {
    m_ui.ProgressBar1->setValue(level);
    m_ui.LabelVU->setText(QString::number(level));
}

void MainBoard::setBoardText(BoardText field, const QString& text) {
    if (QLabel* shown = label(field)) shown->setText(text);
}

QString MainBoard::boardText(BoardText field) const {
    const QLabel* shown = label(field);
    return shown ? shown->text() : QString();
}

void MainBoard::setAnswerRed(bool red) {
    setTextColour(m_ui.StaticText12, red ? QStringLiteral("red") : QStringLiteral("blue"));
}

void MainBoard::setProgressBar(int position) {
    m_ui.ProgressBar3->setValue(position);
}

void MainBoard::appendMemo(const QString& text) {
    QPlainTextEdit* memo = m_ui.msgText;
    QTextCursor end = memo->textCursor();
    end.movePosition(QTextCursor::End);
    memo->setTextCursor(end);
    memo->insertPlainText(text);
    memo->verticalScrollBar()->setValue(memo->verticalScrollBar()->maximum());
    m_ui.StaticText21->setText(QString::number(memoLineCount()));
}

void MainBoard::appendMemoLine(const QString& line) {
    const QString text = m_ui.msgText->toPlainText();
    appendMemo((text.isEmpty() || text.endsWith(u'\n') ? QString() : QStringLiteral("\n")) + line + u'\n');
}

void MainBoard::clearMemo() {
    m_ui.msgText->clear();
    m_ui.StaticText21->setText(QStringLiteral("0"));
}

int MainBoard::memoLineCount() const {
    const QString text = m_ui.msgText->toPlainText();
    if (text.isEmpty()) return 0;
    int lines = static_cast<int>(text.count(u'\n'));
    if (!text.endsWith(u'\n')) ++lines;
    return lines;
}

void MainBoard::setMemoWarning(bool red) {
    m_ui.msgText->setStyleSheet(red ? QStringLiteral("color: red;") : QStringLiteral("color: black;"));
}

void MainBoard::CBoxDsp(int show) {
    // The lists always show the choice in force, however it was made (a phrase, a command).
    {
        const QSignalBlocker b1(m_ui.ComboBox1);
        const QSignalBlocker b2(m_ui.ComboBox2);
        m_ui.ComboBox1->setCurrentIndex(std::clamp(m_state.mokuji_n, 0, 12));
        m_ui.ComboBox2->setCurrentIndex(std::clamp(m_state.menu_n, 0, 9));
    }
    m_ui.ComboBox1->setVisible(show == 1);
    m_ui.ComboBox2->setVisible(show == 1);
    m_ui.Label1->setText(m_ui.ComboBox2->itemText(m_state.menu_n));
    m_ui.Label4->setText(m_ui.ComboBox1->itemText(m_state.mokuji_n));
}

void MainBoard::DrawBoard() {
    m_ui.Label5->update();
    m_ui.central->update();
}

void MainBoard::DrawStopHint() {
    m_ui.central->update();
    m_ui.StaticText18->show();
    m_ui.StaticText19->show();
    m_ui.StaticText20->show();
}

void MainBoard::paintBoard(QWidget* canvas) {
    QPainter p(canvas);
    // The whole board is a yellow label: the message line and the round counter stand on it, not
    // on the window colour the child may have changed.
    p.fillRect(canvas->rect(), Qt::yellow);
    p.setPen(QPen(Qt::blue, 1));
    p.setBrush(Qt::yellow);
    p.drawRect(QRect(QPoint(10, 50), QPoint(465, 250)));
    p.setPen(QPen(Qt::red, 1));
    p.drawRect(QRect(QPoint(20, 180), QPoint(430, 215)));
}

void MainBoard::paintWindowDecorations(QWidget* canvas) {
    QPainter p(canvas);
    p.setRenderHint(QPainter::Antialiasing);
    // The master's speech balloon and its tail.
    p.setPen(Qt::yellow);
    p.setBrush(Qt::yellow);
    p.drawRoundedRect(QRect(QPoint(197, 405), QPoint(322, 485)), 10, 10);
    const QPoint tail[] = {{165, 453}, {200, 433}, {200, 443}};
    p.drawPolygon(tail, 3);
    // The stop hint's rounded plate.
    const QColor plate = colourOfBgr(0xF0FBFF);
    p.setPen(plate);
    p.setBrush(plate);
    const int w = canvas->width();
    p.drawRoundedRect(QRect(QPoint(w - 124, 132), QPoint(w - 20, 190)), 10, 10);
}

void MainBoard::showModeLabel(const QString& text, int colour) {
    m_ui.Label3->setText(text);
    m_ui.Label3->setStyleSheet(
        QStringLiteral("font-weight: bold; color: %1;").arg(colourOfBgr(colour).name()));
}

void MainBoard::showMicLevel(int level) {
    m_ui.ProgressBar2->setValue(level);
    m_ui.Label2->setText(QString::number(level));
}

void MainBoard::showMemoLineCount(int lines) {
    m_ui.StaticText21->setText(QString::number(lines));
}

void MainBoard::setWindowColour(int bgr) {
    m_windowColour = bgr;
    QPalette pal = m_ui.central->palette();
    pal.setColor(QPalette::Window, colourOfBgr(bgr));
    m_ui.central->setAutoFillBackground(true);
    m_ui.central->setPalette(pal);
}

void MainBoard::markSentence() {
    // Every spoken sentence leaves one mark at the memo's caret; a mark that starts a line
    // makes a line the counter must show.
    m_ui.msgText->insertPlainText(QStringLiteral(u"■"));
    m_ui.StaticText21->setText(QString::number(memoLineCount()));
}

}  // namespace rentabo
