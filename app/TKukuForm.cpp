#include "app/TKukuForm.h"

#include "lessons/Board.h"
#include "lessons/KukuTables.h"
#include "ui_KukuForm.h"

#include <QCloseEvent>
#include <QColorDialog>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QFile>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPainter>
#include <QScrollBar>
#include <QUrl>

// The pictures are compiled into a static library, whose resources must be registered by hand
// (and outside any namespace).
static void initPictureResources() {
    Q_INIT_RESOURCE(pictures);
}

namespace rentabo {

namespace {

constexpr int kClientWidth = 618;
constexpr int kClientHeight = 730;
// The window's outer height counts title and menu bars as the program has always sized it;
// the client area is that much smaller.
constexpr int kOuterExtra = 790 - kClientHeight;

QColor colourOfBgr(int bgr) {
    return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
}

int bgrOfColour(const QColor& c) {
    return c.red() | (c.green() << 8) | (c.blue() << 16);
}

void setTextColour(QWidget* w, const QString& colour) {
    QString sheet = w->styleSheet();
    static const QRegularExpression colourRule(QStringLiteral("(^|;)\\s*color:[^;]*;?"));
    sheet.remove(colourRule);
    w->setStyleSheet(sheet + QStringLiteral(";color: ") + colour + u';');
}

}  // namespace

QString TKukuForm::caption() {
    return QStringLiteral(u"『Rentabo(V)』R(音声版)Speak&Hear v2.48  ---Pelunari");
}

TKukuForm::TKukuForm(KukuServices services, const QString& exeDir, QWidget* parent)
    : QMainWindow(parent),
      m_ui(std::make_unique<Ui::KukuForm>()),
      m_services(std::move(services)),
      m_pacer(this),
      m_speaker(m_state, *m_services.voice, m_pacer) {
    initPictureResources();
    m_ui->setupUi(this);
    // The choice lists lie over the labels that stand in for them while they are hidden.
    m_ui->ComboBox1->raise();
    m_ui->ComboBox2->raise();
    m_state.exeDir = exeDir;
    m_pacer.setVoice(m_services.voice.get());
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    QFont base(QStringLiteral(u"ＭＳ Ｐゴシック"));
    base.setPixelSize(13);
    setFont(base);

    showMessage = [this](const QString& text, const QString& title) {
        QMessageBox::information(this, title, text, QMessageBox::Ok);
    };
    openUrl = [](const QUrl& url) { return QDesktopServices::openUrl(url); };

    buildMenuAndLists();
    m_ui->Label5->installEventFilter(this);
    m_ui->central->installEventFilter(this);
    qApp->installEventFilter(this);
    connectSpeechEvents();

    FormCreate();

    m_timer1.setInterval(1000);
    connect(&m_timer1, &QTimer::timeout, this, &TKukuForm::Timer1Timer);
    m_timer1.start();
}

TKukuForm::~TKukuForm() {
    if (qApp) qApp->removeEventFilter(this);
}

void TKukuForm::buildMenuAndLists() {
    const auto& t = kukuTables();
    for (const auto& name : t.choiceName) m_ui->ComboBox1->addItem(name);
    for (const auto& name : t.menuName) m_ui->ComboBox2->addItem(name);

    m_ui->Image3->setPixmap(QPixmap(QStringLiteral(":/pictures/master.jpg")));
    m_ui->Image4->setPixmap(QPixmap(QStringLiteral(":/pictures/answer-voice.jpg")));
    m_ui->Image5->setPixmap(QPixmap(QStringLiteral(":/pictures/answer-keys.jpg")));
    m_ui->Image2->setPixmap(QPixmap(QStringLiteral(":/pictures/speaker.jpg")));
    m_ui->Image1->setPixmap(QPixmap(QStringLiteral(":/pictures/microphone.jpg")));

    connect(m_ui->B1, &QAction::triggered, this, &TKukuForm::B1Click);
    connect(m_ui->D1, &QAction::triggered, this, &TKukuForm::D1Click);
    connect(m_ui->X1, &QAction::triggered, this, &TKukuForm::X1Click);
    connect(m_ui->I1, &QAction::triggered, this, [this] {
        I1Click();
    });
    connect(m_ui->H2, &QAction::triggered, this, &TKukuForm::H2Click);
    connect(m_ui->N3, &QAction::triggered, this, &TKukuForm::N3Click);
    connect(m_ui->N1, &QAction::triggered, this, &TKukuForm::N1Click);
    connect(m_ui->Button2, &QPushButton::clicked, this, &TKukuForm::GamenClear);
    connect(m_ui->SpeedButton3, &QPushButton::clicked, this, &TKukuForm::H2Click);
    connect(m_ui->SpeedButton1, &QPushButton::clicked, this, &TKukuForm::SpeedButton1Click);
    connect(m_ui->HypoClrBtn, &QPushButton::clicked, this, [this] {
        clearMemo();
        setMemoWarning(false);
    });
}

void TKukuForm::connectSpeechEvents() {
    SpVoice& voice = *m_services.voice;
    connect(&voice, &SpVoice::AudioLevel, this, [this](int, int level) {
        m_ui->ProgressBar1->setValue(level);
        m_ui->LabelVU->setText(QString::number(level));
    });
    connect(&voice, &SpVoice::Sentence, this, [this](int, int, int) {
        // Every spoken sentence leaves one mark at the memo's caret.
        m_ui->msgText->insertPlainText(QStringLiteral(u"■"));
    });
    SpSharedRecoContext& reco = *m_services.reco;
    connect(&reco, &SpSharedRecoContext::AudioLevel, this, [this](int, qint64, int level) {
        m_ui->ProgressBar2->setValue(level);
        m_ui->Label2->setText(QString::number(level));
    });
    connect(&reco, &SpSharedRecoContext::Recognition, this, &TKukuForm::onRecognition);
}

void TKukuForm::FormCreate() {
    m_state.formReady = 0;
    // Settings: the defaults until the settings file is read here.
    move(m_state.winLeft, m_state.winTop);
    setWindowColour(m_state.orgColor);
    setWindowTitle(caption());

    // Listening: the context, its grammar and command listening.
    SpSharedRecoContext& reco = *m_services.reco;
    if (!reco.setEventInterests(SREAllEvents)) return;  // the rest of start-up is skipped
    reco.CreateGrammar(0);
    reco.DictationLoad();
    if (!reco.CmdLoadFromFile(m_state.exeDir + QStringLiteral("KukuGrammar.xml")))
        appendMemo(QStringLiteral(u"Grammar の読み込みに失敗。\n"));
    reco.CmdSetRuleIdState(0, true);
    reco.DictationSetState(false);

    SpVoice& voice = *m_services.voice;
    voice.setEventInterests(SVEAllEvents);
    voice.setRate(m_state.sikiSpRate);
    voice.setVolume(m_state.sikiSpVolume);

    m_ui->ComboBox1->setCurrentIndex(m_state.mokuji_n);
    m_ui->ComboBox2->setCurrentIndex(m_state.menu_n);
    m_ui->Edit2->setText(m_state.studentName);

    DrawBoard();
    ResetResults(m_state);

    m_state.dan = DanOfChoice[std::clamp(m_state.mokuji_n, 0, 12)];
    m_state.kuku_n = 9 * m_state.dan - 9;
    m_state.qnum = 0;
    m_state.randomFlag = 0;

    m_ui->ProgressBar1->setStyleSheet(QStringLiteral("QProgressBar::chunk { background: blue; }"));
    m_ui->ProgressBar2->setStyleSheet(QStringLiteral("QProgressBar::chunk { background: red; }"));
    m_ui->ProgressBar3->setStyleSheet(QStringLiteral("QProgressBar::chunk { background: red; }"));

    m_state.setList = BuildSetList();

    setTextColour(m_ui->StaticText21, QStringLiteral("black"));
    m_ui->StaticText6->setText(QString::number(m_state.indivNum));
    m_ui->L1->setEnabled(m_state.mokuji_n < 9);
    m_ui->KekkaDDsp->setEnabled(m_state.mokuji_n > 8);

    DrawStopHint();
    ShowInfoPanel(m_state.infoDsp);

    QFont expression = m_ui->StaticText11->font();
    expression.setPixelSize(34);
    m_ui->StaticText11->setFont(expression);
    m_ui->StaticText11->move(m_ui->StaticText11->x(), 212);

    setWindowColour(m_state.orgColor);
    m_state.formReady = 1;
    m_state.idleMs = 0;
    CBoxDsp(1);
    if (m_state.msgSpeakFlag > 0) m_speaker.SpeakMsg(QStringLiteral(u"Rentaboをオープンします。"));
}

// ---- QuestionBoard ----

void TKukuForm::setBoardText(BoardText field, const QString& text) {
    switch (field) {
    case BoardText::MessageLine: m_ui->StaticText3->setText(text); break;
    case BoardText::Reading: m_ui->StaticText14->setText(text); break;
    case BoardText::Expression: m_ui->StaticText11->setText(text); break;
    case BoardText::Answer: m_ui->StaticText12->setText(text); break;
    case BoardText::Mark: m_ui->StaticText13->setText(text); break;
    case BoardText::Hint: m_ui->StaticText9->setText(text); break;
    case BoardText::Round: m_ui->StaticText10->setText(text); break;
    case BoardText::Progress: m_ui->StaticText2->setText(text); break;
    }
}

QString TKukuForm::boardText(BoardText field) const {
    switch (field) {
    case BoardText::MessageLine: return m_ui->StaticText3->text();
    case BoardText::Reading: return m_ui->StaticText14->text();
    case BoardText::Expression: return m_ui->StaticText11->text();
    case BoardText::Answer: return m_ui->StaticText12->text();
    case BoardText::Mark: return m_ui->StaticText13->text();
    case BoardText::Hint: return m_ui->StaticText9->text();
    case BoardText::Round: return m_ui->StaticText10->text();
    case BoardText::Progress: return m_ui->StaticText2->text();
    }
    return {};
}

void TKukuForm::setAnswerRed(bool red) {
    setTextColour(m_ui->StaticText12, red ? QStringLiteral("red") : QStringLiteral("blue"));
}

void TKukuForm::setProgressBar(int position) {
    m_ui->ProgressBar3->setValue(position);
}

void TKukuForm::appendMemo(const QString& text) {
    QPlainTextEdit* memo = m_ui->msgText;
    QTextCursor end = memo->textCursor();
    end.movePosition(QTextCursor::End);
    memo->setTextCursor(end);
    memo->insertPlainText(text);
    memo->verticalScrollBar()->setValue(memo->verticalScrollBar()->maximum());
    m_ui->StaticText21->setText(QString::number(memoLineCount()));
}

void TKukuForm::clearMemo() {
    m_ui->msgText->clear();
    m_ui->StaticText21->setText(QStringLiteral("0"));
}

int TKukuForm::memoLineCount() const {
    const QString text = m_ui->msgText->toPlainText();
    if (text.isEmpty()) return 0;
    int lines = static_cast<int>(text.count(u'\n'));
    if (!text.endsWith(u'\n')) ++lines;
    return lines;
}

void TKukuForm::setMemoWarning(bool red) {
    m_ui->msgText->setStyleSheet(red ? QStringLiteral("color: red;") : QStringLiteral("color: black;"));
}

void TKukuForm::CBoxDsp(int show) {
    m_ui->ComboBox1->setVisible(show == 1);
    m_ui->ComboBox2->setVisible(show == 1);
    m_ui->Label1->setText(m_ui->ComboBox2->itemText(m_state.menu_n));
    m_ui->Label4->setText(m_ui->ComboBox1->itemText(m_state.mokuji_n));
}

void TKukuForm::DrawBoard() {
    m_ui->Label5->update();
    m_ui->central->update();
}

void TKukuForm::DrawStopHint() {
    m_ui->central->update();
    m_ui->StaticText18->show();
    m_ui->StaticText19->show();
    m_ui->StaticText20->show();
}

void TKukuForm::paintBoard(QWidget* canvas) {
    QPainter p(canvas);
    p.setPen(QPen(Qt::blue, 1));
    p.setBrush(Qt::yellow);
    p.drawRect(QRect(QPoint(10, 50), QPoint(465, 250)));
    p.setPen(QPen(Qt::red, 1));
    p.drawRect(QRect(QPoint(20, 180), QPoint(430, 215)));
}

void TKukuForm::paintWindowDecorations(QWidget* canvas) {
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

// ---- Shell ----

void TKukuForm::setWindowColour(int bgr) {
    QPalette pal = m_ui->central->palette();
    pal.setColor(QPalette::Window, colourOfBgr(bgr));
    m_ui->central->setAutoFillBackground(true);
    m_ui->central->setPalette(pal);
}

void TKukuForm::GamenClear() {
    rentabo::GamenClear(m_state, *this);
}

void TKukuForm::ShowInfoPanel(int on) {
    m_ui->msgText->setEnabled(on);
    if (!on) clearMemo();
    m_ui->Panel3->setVisible(on);
    m_ui->StaticText21->setVisible(on);
    m_ui->HypoClrBtn->setVisible(on);
    m_ui->I1->setChecked(on);
    const int client = designHeight() - kOuterExtra;
    m_ui->central->setFixedSize(kClientWidth, client);
    setFixedSize(kClientWidth, client + (menuBar() ? menuBar()->sizeHint().height() : 0));
}

void TKukuForm::I1Click() {
    m_state.infoDsp = 1 - m_state.infoDsp;
    ShowInfoPanel(m_state.infoDsp);
}

void TKukuForm::D1Click() {
    m_state.orgColor = 0x808000;
    setWindowColour(m_state.orgColor);
}

void TKukuForm::B1Click() {
    const QColor chosen = QColorDialog::getColor(colourOfBgr(m_state.orgColor), this);
    if (!chosen.isValid()) return;
    m_state.orgColor = bgrOfColour(chosen);
    setWindowColour(m_state.orgColor);
}

void TKukuForm::SaveSettings() {
    // The settings file is written here once it is in place.
}

void TKukuForm::X1Click() {
    SaveSettings();
    close();
}

void TKukuForm::H2Click() {
    const QString help = m_state.exeDir + QStringLiteral("kuku_V24.chm");
    if (!QFile::exists(help) || !openUrl(QUrl::fromLocalFile(help)))
        showMessage(QStringLiteral(u"kuku_V24.chm が見あたりません。"), QStringLiteral(u"お知らせ"));
}

void TKukuForm::N1Click() {
    const QString page = m_state.exeDir + QStringLiteral("homepage/index.html");
    if (!QFile::exists(page) || !openUrl(QUrl::fromLocalFile(page)))
        showMessage(QStringLiteral(u"■ret=%1：\n◆iexplore.exe の起動に失敗しました。").arg(QFile::exists(page) ? 0 : 2),
                    QStringLiteral(u"ご報告"));
}

void TKukuForm::N3Click() {
    m_speaker.SpeakMsg(QStringLiteral(u"音声入力は、目次の、4から6の、テストで、使用されます。"
                                      u"その他は、ふつうの、ヘルプを、ご利用ください。"));
}

void TKukuForm::SpeedButton1Click() {
    const QString oldName = m_state.studentName;
    const QString newName = m_ui->Edit2->text();
    m_state.studentName = newName;
    if (oldName == newName) return;
    const QString question =
        QStringLiteral(u"<%1>を<%2>に変えようとしています。\n変えると現在の成績表は消されます。\n変えてもいいですか。")
            .arg(oldName, newName);
    const bool ok = confirmNameChange
                        ? confirmNameChange(question)
                        : QMessageBox::question(this, QStringLiteral(u"かくにん!!"), question,
                                                QMessageBox::Ok | QMessageBox::Cancel) == QMessageBox::Ok;
    if (!ok) {
        m_state.studentName = oldName;
        return;
    }
    ResetResults(m_state);
    for (auto& row : m_state.recCheck) row.fill(0);
    m_state.indivNum = 0;  // replaced by the learner number rule once the CP932 helpers are wired
    m_ui->StaticText6->setText(QString::number(m_state.indivNum));
}

bool TKukuForm::FormKeyDown(int key, Qt::KeyboardModifiers modifiers) {
    if (key == Qt::Key_E && (modifiers & Qt::AltModifier)) {
        m_pacer.processPendingMessages();
        return true;
    }
    if (modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return false;
    // Typing the learner's name must not clear the screen or open the settings.
    if (m_ui->Edit2->hasFocus() && key != Qt::Key_Delete) return false;
    switch (key) {
    case Qt::Key_L:
    case Qt::Key_Delete:
        GamenClear();
        CBoxDsp(1);
        return true;
    case Qt::Key_I:
        I1Click();
        return true;
    case Qt::Key_Escape:
        // Esc while idle only processes pending messages; the runs read it themselves.
        m_pacer.keyPressedSince(vk::Escape);
        m_pacer.processPendingMessages();
        return true;
    default:
        return false;
    }
}

void TKukuForm::Timer1Timer() {
    m_timer1.setInterval(300);
    m_state.idleMs += 300;
    if (m_state.idleMs > 3000) {
        DrawBoard();
        DrawStopHint();
        m_state.idleMs = 0;
    }
}

void TKukuForm::onRecognition(int, qint64, int, const RecoResult& result) {
    appendMemo(QStringLiteral(u"<◆astr=") + result.text + QStringLiteral(">\n"));
    checkMemoLimits(*this);
}

void TKukuForm::FormActivate() {
    DrawBoard();
    DrawStopHint();
    m_state.formReady = 1;
}

bool TKukuForm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Paint) {
        if (watched == m_ui->Label5) {
            paintBoard(m_ui->Label5);
            return true;
        }
        if (watched == m_ui->central) {
            paintWindowDecorations(m_ui->central);
            return false;
        }
    }
    if (event->type() == QEvent::KeyPress && !m_pacer.runActive()) {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget && widget->window() == this) {
            auto* e = static_cast<QKeyEvent*>(event);
            if (FormKeyDown(e->key(), e->modifiers())) return true;
        }
    }
    if (event->type() == QEvent::MouseButtonPress && watched == m_ui->central) DrawBoard();
    return QMainWindow::eventFilter(watched, event);
}

void TKukuForm::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) FormActivate();
    QMainWindow::changeEvent(event);
}

void TKukuForm::closeEvent(QCloseEvent* event) {
    if (m_pacer.runActive()) {
        // A run is still going: it is stopped with Esc, not by closing underneath it.
        event->ignore();
        return;
    }
    const bool ok = confirmClose ? confirmClose()
                                 : QMessageBox::question(this, QStringLiteral(u"ご確認"),
                                                         QStringLiteral(u"終わっていいですか？"),
                                                         QMessageBox::Ok | QMessageBox::Cancel) ==
                                       QMessageBox::Ok;
    if (!ok) {
        event->ignore();
        return;
    }
    m_soundsFreed = true;
    if (m_state.msgSpeakFlag >= 1) m_speaker.SpeakWait(QStringLiteral(u"道場を閉めます。またね。"));
    m_timer1.stop();
    SaveSettings();
    event->accept();
}

}  // namespace rentabo
