#include "app/TKukuForm.h"

#include "app/TAboutForm.h"
#include "core/Board.h"
#include "core/KukuTables.h"
#include "core/Timing.h"
#include "core/WindowPlacement.h"
#include "lessons/TDanCalcForm.h"
#include "records/Learner.h"
#include "records/NigateForm.h"
#include "records/ResultDspForms.h"
#include "records/SikakuCheckForm.h"
#include "records/WeakPoints.h"
#include "settings/SettingsFile.h"
#include "settings/TJoukenSetForm.h"
#include "speech/TypedPhraseForm.h"
#include "speech/VoiceEnrolmentForm.h"
#include "speech/platform/SpeechFailure.h"
#include "ui_KukuForm.h"

#include <QApplication>
#include <QCloseEvent>
#include <QColorDialog>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <QSessionManager>
#include <QSignalBlocker>
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

// Stands in for the effect sounds when none could be prepared.
struct NullEffects final : EffectPlayer {
    void PlayEffect(int) override {}
};

}  // namespace

QString TKukuForm::caption() {
    return QStringLiteral(u"『Rentabo(V)』R(音声版)Speak&Hear v2.48  ---Pelunari");
}

TKukuForm::TKukuForm(KukuServices services, const QString& exeDir, QWidget* parent)
    : QMainWindow(parent),
      m_ui(std::make_unique<Ui::KukuForm>()),
      m_services(std::move(services)),
      m_pacer(this),
      m_boxPrompts(this, m_pacer),
      m_settingsKeeper(m_state, m_pacer,
                       [this](const QString& text, const QString& caption) { showMessage(text, caption); }),
      m_speaker(m_state, *m_services.voice, m_pacer) {
    initPictureResources();
    m_ui->setupUi(this);
    m_board = std::make_unique<MainBoard>(*m_ui, m_state);
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

    // A failed speech call asks whether to go on or to abandon what was being done.
    setSpeechFailureHandler([this](const QString& operation, const QString& error) {
        const QString text = QStringLiteral(
                                 u"音声の処理「%1」に失敗しました。\n%2\n\nOK で続けます。"
                                 u"キャンセルでこの操作をやめます。")
                                 .arg(operation, error);
        return m_prompts->confirmSpeechFailure(text);
    });

    m_engine = std::make_unique<LessonEngine>(m_state, *m_board, m_pacer, m_speaker, m_services.effects.get(),
                                              *this);
    m_voiceTests = std::make_unique<VoiceTests>(m_state, *m_board, m_pacer, m_speaker,
                                                m_services.effects.get(), *this, *this);
    m_commands =
        std::make_unique<VoiceCommands>(m_state, *m_board, m_speaker, m_pacer, *m_voiceTests, *this, *this);
    m_recognition = std::make_unique<Recognition>(m_state, *m_board, *m_board, m_speaker, m_pacer,
                                                  *m_services.reco, *m_commands);

    buildMenuAndLists();
    m_ui->Label5->installEventFilter(this);
    m_ui->central->installEventFilter(this);
    qApp->installEventFilter(this);
    connectSpeechEvents();

    loadAndStart();

    // The settings dialog and the weak-point window live for the whole run. Creating the dialog
    // fills it from the settings just loaded, clamping them to its controls.
    static NullEffects silence;
    EffectPlayer& effects = m_services.effects ? static_cast<EffectPlayer&>(*m_services.effects) : silence;
    m_jouken = std::make_unique<TJoukenSetForm>(
        m_state, *m_services.voice, effects, m_pacer, [this](int volume) { reloadEffects(volume); },
        [this] { showHelp(); }, this);
    m_jouken->setWindowFlag(Qt::Tool);
    m_nigate = std::make_unique<TNigateForm>(m_state, m_speaker, m_pacer, this);

    m_timer1.setInterval(timing::kFirstTickMs);
    connect(&m_timer1, &QTimer::timeout, this, &TKukuForm::lessonTick);
    m_timer1.start();
}

TKukuForm::~TKukuForm() {
    setSpeechFailureHandler({});
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

    connect(m_ui->B1, &QAction::triggered, this, &TKukuForm::chooseWindowColour);
    connect(m_ui->D1, &QAction::triggered, this, &TKukuForm::resetWindowColour);
    connect(m_ui->X1, &QAction::triggered, this, &TKukuForm::saveAndClose);
    connect(m_ui->L1, &QAction::triggered, this, [this] { Kekka_Dsp(m_state); });
    connect(m_ui->KekkaDDsp, &QAction::triggered, this, [this] { KekkaD_Dsp(m_state); });
    connect(m_ui->K1, &QAction::triggered, this, &TKukuForm::showQualification);
    connect(m_ui->A1, &QAction::triggered, this, &TKukuForm::openChartFromMenu);
    connect(m_ui->NigateShow, &QAction::triggered, this, [this] { m_nigate->showBeside(frameGeometry()); });
    connect(m_ui->J1, &QAction::triggered, this, &TKukuForm::showSettings);
    connect(m_ui->I1, &QAction::triggered, this, [this] { toggleInfoPanel(); });
    connect(m_ui->H2, &QAction::triggered, this, &TKukuForm::showHelp);
    connect(m_ui->N3, &QAction::triggered, this, &TKukuForm::sayWhereTheVoiceIsUsed);
    connect(m_ui->N1, &QAction::triggered, this, &TKukuForm::openHomePage);
    connect(m_ui->V1, &QAction::triggered, this, &TKukuForm::showAbout);
    connect(m_ui->TypedPhrase, &QAction::triggered, this, &TKukuForm::showTypedPhraseWindow);
    connect(m_ui->VoiceEnrolment, &QAction::triggered, this, &TKukuForm::showVoiceEnrolment);
    connect(m_ui->Ganbari, &QAction::triggered, this, &TKukuForm::showProgress);
    // The way back from chat listening for a child whose spoken mode change is not heard.
    connect(m_ui->CcModeBack, &QAction::triggered, this, [this] {
        if (m_state.cc_mode == Listening::Chat) enterCcMode();
    });
    connect(m_ui->TestT1, &QAction::triggered, this, [this] {
        ErrSort(m_state.errorsStr);
        m_nigate->update();
    });
    connect(m_ui->Button1, &QPushButton::clicked, this, &TKukuForm::startLesson);
    connect(m_ui->Button2, &QPushButton::clicked, this, &TKukuForm::GamenClear);
    connect(m_ui->Button3, &QPushButton::clicked, this,
            [this] { rentabo::ErrDel(m_state.errorsStr, m_state.kuku_n); });
    connect(m_ui->SpeedButton3, &QPushButton::clicked, this, &TKukuForm::showHelp);
    connect(m_ui->SpeedButton1, &QPushButton::clicked, this, &TKukuForm::changeLearnerName);
    connect(m_ui->HypoClrBtn, &QPushButton::clicked, this, [this] {
        m_board->clearMemo();
        m_board->setMemoWarning(false);
    });
    // Only a choice the learner makes runs the handlers; the program sets the lists quietly.
    connect(m_ui->ComboBox1, &QComboBox::activated, this,
            [this](int index) { m_engine->chooseRowOrLevel(index); });
    connect(m_ui->ComboBox2, &QComboBox::activated, this,
            [this](int index) { m_engine->chooseLesson(index); });
}

void TKukuForm::connectSpeechEvents() {
    SpVoice& voice = *m_services.voice;
    connect(&voice, &SpVoice::AudioLevel, this, [this](int, int level) {
        m_ui->ProgressBar1->setValue(level);
        m_ui->LabelVU->setText(QString::number(level));
    });
    connect(&voice, &SpVoice::Sentence, this, [this](int, int, int) { m_board->markSentence(); });
    // The recognition context's events reach m_recognition, which connects itself.
    connect(m_services.reco.get(), &SpSharedRecoContext::LearnerNote, this,
            [this](const QString& note) { m_board->appendMemo(note + u'\n'); });
    connect(m_services.reco.get(), &SpSharedRecoContext::DeviceNote, this,
            [this](const QString& note) { m_board->appendMemo(note + u'\n'); });
}

// The learner's voice is kept beside the settings file, or in the fallback folder when the
// program's folder cannot be written.
QString TKukuForm::learnerVoiceFolder() const {
    const SettingsLocation where = settingsLocationFor(m_state.exeDir);
    const QString beside = QFileInfo(where.primary).absolutePath();
    const QString dir = QFileInfo(beside).isWritable() ? beside : QFileInfo(where.fallback).absolutePath();
    return dir + QStringLiteral("/RentaboVoice");
}

void TKukuForm::loadAndStart() {
    const LoadResult loaded = LoadSettings(m_state, chooseSettingsPath(m_state.exeDir));
    if (!loaded.error.isEmpty()) showMessage(loaded.error, QStringLiteral(u"ご確認!!"));
    // The answer history: an addition, so nothing here can keep the program from starting.
    m_history = std::make_unique<HistoryKeeper>(m_state, *this);
    m_history->laterNotice = [this](const QString& text) {
        m_settingsKeeper.noticeLater(text, QStringLiteral(u"お知らせ"));
    };
    const QString historyNotice = m_history->open(HistoryKeeper::pathFor(m_state.exeDir));
    if (!historyNotice.isEmpty()) showMessage(historyNotice, QStringLiteral(u"お知らせ"));
    m_engine->setAnswerLog(m_history->answerLog());
    m_voiceTests->setAnswerLog(m_history->answerLog());
    move(m_state.winLeft, m_state.winTop);
    keepOnAScreen();
    setWindowColour(m_state.orgColor);
    setWindowTitle(caption());
    for (const QString& note : m_services.notes) m_board->appendMemo(note + u'\n');

    // Listening: without a recogniser the rest of start-up is skipped.
    if (!m_recognition->setUp(m_state.exeDir + QStringLiteral("KukuGrammar.xml"))) {
        showMessage(QStringLiteral(u"音声認識を始められませんでした。"), QStringLiteral(u"ご報告"));
        return;
    }

    SpVoice& voice = *m_services.voice;
    voice.setEventInterests(SVEAllEvents);
    voice.setRate(m_state.sikiSpRate);
    voice.setVolume(m_state.sikiSpVolume);

    {
        const QSignalBlocker b1(m_ui->ComboBox1);
        const QSignalBlocker b2(m_ui->ComboBox2);
        m_ui->ComboBox1->setCurrentIndex(std::clamp(m_state.mokuji_n, 0, 12));
        m_ui->ComboBox2->setCurrentIndex(std::clamp(m_state.menu_n, 0, 9));
    }
    m_engine->SetAnswerWay();
    m_ui->Edit2->setText(m_state.studentName);
    m_services.reco->setLearner(m_state.studentName, learnerVoiceFolder());

    m_board->DrawBoard();
    m_engine->AnnounceChoice();
    ResetResults(m_state);

    m_state.dan = DanOfChoice[std::clamp(m_state.mokuji_n, 0, 12)];
    m_state.kuku_n = std::max(0, 9 * m_state.dan - 9);
    m_state.qnum = 0;
    m_state.randomFlag = 0;

    m_ui->ProgressBar1->setStyleSheet(QStringLiteral("QProgressBar::chunk { background: blue; }"));
    m_ui->ProgressBar2->setStyleSheet(QStringLiteral("QProgressBar::chunk { background: red; }"));
    m_ui->ProgressBar3->setStyleSheet(QStringLiteral("QProgressBar::chunk { background: red; }"));

    reloadEffects(m_state.effectVolume);

    setTextColour(m_ui->StaticText21, QStringLiteral("black"));
    m_ui->StaticText6->setText(QString::number(m_state.indivNum));
    enableResultMenus(m_state.mokuji_n<9, m_state.mokuji_n> 8);

    m_board->DrawStopHint();
    ShowInfoPanel(m_state.infoDsp);
    restoreExpressionFont();

    setWindowColour(m_state.orgColor);
    m_state.idleMs = 0;
    m_board->CBoxDsp(1);
    m_settingsKeeper.started();
    connect(qApp, &QGuiApplication::commitDataRequest, this,
            [this](QSessionManager&) { saveBeforeTermination(); });
    if (m_state.msgSpeakFlag > 0) m_speaker.SpeakMsg(QStringLiteral(u"Rentaboをオープンします。"));
}

void TKukuForm::keepOnAScreen() {
    // A position stored on a screen that is gone (or hand-edited) must not hide the window: when
    // no screen shows its title bar, it opens on the screen nearest to where it was asked for.
    const QRect titleBar(pos(), QSize(width(), 30));
    for (const QScreen* screen : QGuiApplication::screens())
        if (screen->availableGeometry().intersects(titleBar)) return;
    placeOnScreen(*this, pos());
    m_refitWhenShown = true;
}

void TKukuForm::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    // A window brought back onto a screen is fitted again with its frame, known only now.
    if (std::exchange(m_refitWhenShown, false)) placeOnScreen(*this, pos());
}

void TKukuForm::reloadEffects(int volume) {
    if (!m_services.effects) return;
    // The sounds are loaded again whenever the volume is set (the settings dialog sets it as it
    // is filled at start-up): a missing or broken file is told once, not at every load.
    for (const QString& error : m_services.effects->LoadSounds(volume)) {
        if (m_effectErrorsShown.contains(error)) continue;
        m_effectErrorsShown.insert(error);
        showMessage(error, QStringLiteral(u"ご確認"));
    }
}

// ---- LessonHost ----

void TKukuForm::showAnswerWay(bool groupVisible, bool keyboardPicture) {
    m_ui->GroupBox1->setVisible(groupVisible);
    m_ui->Image5->setVisible(keyboardPicture);
    m_ui->Image4->setVisible(!keyboardPicture);
}

void TKukuForm::setAnswerWayVisible(bool visible) {
    m_ui->GroupBox1->setVisible(visible);
}

void TKukuForm::enableResultMenus(bool rowTable, bool levelTable) {
    m_ui->L1->setEnabled(rowTable);
    m_ui->KekkaDDsp->setEnabled(levelTable);
}

void TKukuForm::focusStartButton() {
    m_ui->Button1->setFocus();
}

void TKukuForm::focusMemo() {
    m_ui->msgText->setFocus();
}

void TKukuForm::showMessage(const QString& text, const QString& caption) {
    m_prompts->message(text, caption);
}

void TKukuForm::setChoiceIndex(int mokuji_n) {
    const QSignalBlocker quiet(m_ui->ComboBox1);
    m_ui->ComboBox1->setCurrentIndex(mokuji_n);
    m_board->CBoxDsp(m_ui->ComboBox1->isVisible() ? 1 : 0);
}

void TKukuForm::openChart() {
    if (m_chart) return;
    ChartCallbacks callbacks;
    callbacks.openSettings = [this]() -> QWidget* {
        showSettings();
        return m_jouken.get();
    };
    callbacks.clearMainScreen = [this] { GamenClear(); };
    callbacks.openWeakPoints = [this]() -> QWidget* {
        m_nigate->showBeside(frameGeometry());
        return m_nigate.get();
    };
    TDanCalcForm chart(m_state, m_speaker, m_pacer, m_services.effects.get(), std::move(callbacks), this);
    m_chart = &chart;
    chart.placeBeside(frameGeometry());
    runModal(chart);
}

void TKukuForm::Kekka_Dsp(KukuState& state) {
    rentabo::Kekka_Dsp(state, *m_board, *this, m_pacer, this);
}

void TKukuForm::KekkaD_Dsp(KukuState& state) {
    rentabo::KekkaD_Dsp(state, *m_board, *this, m_pacer, this);
}

void TKukuForm::ErrRec(int kuku_n) {
    rentabo::ErrRec(m_state.errorsStr, kuku_n);
}

bool TKukuForm::spokenAnswerTick() {
    return m_commands->tick();
}

void TKukuForm::restoreExpressionFont() {
    setExpressionStyle(34, 212);
}

// ---- VoiceHost ----

void TKukuForm::setSettingsChoicesEnabled(bool enabled) {
    if (m_jouken) m_jouken->setChoicesEnabled(enabled);
}

void TKukuForm::setExpressionStyle(int fontPt, int top) {
    QFont expression = m_ui->StaticText11->font();
    expression.setPointSize(fontPt);
    m_ui->StaticText11->setFont(expression);
    m_ui->StaticText11->move(m_ui->StaticText11->x(), top);
}

void TKukuForm::setWindowColour(int bgr) {
    m_board->setWindowColour(bgr);
}

void TKukuForm::restoreWindow() {
    showNormal();
    raise();
    activateWindow();
}

void TKukuForm::closeMainWindow() {
    // Closed once the phrase that asked for it has been handled.
    QTimer::singleShot(0, this, &QWidget::close);
}

void TKukuForm::enterCcMode() {
    m_recognition->EnterCcMode();
    m_ui->CcModeBack->setEnabled(m_state.cc_mode == Listening::Chat);
}

void TKukuForm::enterDicMode() {
    // Chat listening would leave a running test without its answers.
    if (m_state.AnsV_wait != VoiceTest::None || m_voiceTests->voiceTestKind() != VoiceTest::None ||
        m_pacer.runActive()) {
        const QString text = QStringLiteral(u"テストのとちゅうなので、おはなしモードにはなれません。");
        ShowMessageLine(*m_board, text);
        m_speaker.SpeakAsync(text);
        return;
    }
    m_recognition->EnterDicMode();
    m_ui->CcModeBack->setEnabled(m_state.cc_mode == Listening::Chat);
}

TDanCalcForm* TKukuForm::chart() {
    return m_chart;
}

void TKukuForm::chartDanRead(int row) {
    if (m_chart && m_state.chartOpen == 1) m_chart->DanRead(row);
}

void TKukuForm::chartReadWeak() {
    if (m_chart && m_state.chartOpen == 1) m_chart->readWeakFacts();
}

QDateTime TKukuForm::currentDateTime() const {
    return QDateTime::currentDateTime();
}

// ---- RecognitionView ----

// ---- RecordWindowsHost ----

QString TKukuForm::nameBoxText() const {
    return m_ui->Edit2->text();
}

void TKukuForm::focusNameBox() {
    m_ui->Edit2->setFocus();
}

bool TKukuForm::openDocument(const QString& path) {
    return QFile::exists(path) && m_prompts->openUrl(QUrl::fromLocalFile(path));
}

void TKukuForm::runModal(QDialog& dialog) {
    m_prompts->runModal(dialog);
    // A result table or the qualification table may have registered or cleared records.
    saveIfChanged();
}

// ---- Shell ----

void TKukuForm::GamenClear() {
    rentabo::GamenClear(m_state, *m_board);
}

void TKukuForm::ShowInfoPanel(int on) {
    m_ui->msgText->setEnabled(on);
    if (!on) m_board->clearMemo();
    m_ui->Panel3->setVisible(on);
    m_ui->StaticText21->setVisible(on);
    m_ui->HypoClrBtn->setVisible(on);
    m_ui->I1->setChecked(on);
    const int client = (on ? 790 : 634) - kOuterExtra;
    m_ui->central->setFixedSize(kClientWidth, client);
    setFixedSize(kClientWidth, client + (menuBar() ? menuBar()->sizeHint().height() : 0));
}

void TKukuForm::toggleInfoPanel() {
    m_state.infoDsp = 1 - m_state.infoDsp;
    ShowInfoPanel(m_state.infoDsp);
}

void TKukuForm::resetWindowColour() {
    m_state.orgColor = 0x808000;
    setWindowColour(m_state.orgColor);
}

void TKukuForm::chooseWindowColour() {
    const QColor chosen = QColorDialog::getColor(colourOfBgr(m_state.orgColor), this);
    if (!chosen.isValid()) return;
    m_state.orgColor = bgrOfColour(chosen);
    setWindowColour(m_state.orgColor);
}

void TKukuForm::startLesson() {
    if (m_pacer.runActive()) return;
    RunScope run(m_pacer);
    m_engine->startLesson();
}

void TKukuForm::showSettings() {
    m_jouken->placeBeside(frameGeometry());
    m_jouken->show();
    m_jouken->placeBeside(frameGeometry());  // with its frame, now that it is known
    m_jouken->raise();
}

void TKukuForm::openChartFromMenu() {
    m_state.chartFromLesson = 0;
    openChart();
}

void TKukuForm::showQualification() {
    ShowSikakuCheck(m_state, *this, m_pacer, this, true);
}

void TKukuForm::showTypedPhraseWindow() {
    // A window of its own, so it still takes phrases while the chart is open.
    if (!m_typed) m_typed = std::make_unique<TTypedPhraseForm>(*m_services.reco, nullptr);
    m_typed->show();
    m_typed->raise();
    m_typed->activateWindow();
}

void TKukuForm::showVoiceEnrolment() {
    if (!m_services.reco->hasMicrophone()) {
        showMessage(QStringLiteral(u"マイクが見つからないので、声をおぼえることはできません。"),
                    QStringLiteral(u"お知らせ"));
        return;
    }
    // Phrases said for the voice are no answers and no commands: not in the middle of a run.
    if (m_pacer.runActive() || m_state.testUnderway || m_state.AnsV_wait != VoiceTest::None ||
        m_commands->busy()) {
        showMessage(QStringLiteral(u"練習やテストが終わってから使ってください。"),
                    QStringLiteral(u"お知らせ"));
        return;
    }
    TVoiceEnrolmentForm enrolment(*m_services.reco, this);
    enrolment.exec();
}

void TKukuForm::showProgress() {
    if (m_pacer.runActive() || m_state.AnsV_wait != VoiceTest::None) return;
    const HistoryKeeper::Review review = m_history->showProgress(this, m_services.reco->hasMicrophone());
    if (review.how == TGanbariForm::Review::Keyboard) {
        RunScope run(m_pacer);
        m_engine->RunReviewTest(review.facts);
    } else if (review.how == TGanbariForm::Review::Voice) {
        if (m_state.cc_mode == Listening::Chat) enterCcMode();
        m_voiceTests->StartReview(review.facts);
    }
}

void TKukuForm::showAbout() {
    TAboutForm about(this);
    about.exec();
}

void TKukuForm::SaveSettings() {
    m_settingsKeeper.saveNow();
}

bool TKukuForm::saveIfChanged() {
    return m_settingsKeeper.saveIfChanged();
}

void TKukuForm::saveBeforeTermination() {
    m_settingsKeeper.saveBeforeTermination();
}

void TKukuForm::saveAndClose() {
    SaveSettings();
    close();
}

void TKukuForm::showHelp() {
    const QString help = m_state.exeDir + QStringLiteral("kuku_V24.chm");
    if (!openDocument(help))
        showMessage(QStringLiteral(u"kuku_V24.chm が見あたりません。"), QStringLiteral(u"お知らせ"));
}

void TKukuForm::openHomePage() {
    const QString page = m_state.exeDir + QStringLiteral("homepage/index.html");
    if (!openDocument(page))
        showMessage(QStringLiteral(u"■ret=%1：\n◆iexplore.exe の起動に失敗しました。")
                        .arg(QFile::exists(page) ? 0 : 2),
                    QStringLiteral(u"ご報告"));
}

void TKukuForm::sayWhereTheVoiceIsUsed() {
    m_speaker.SpeakMsg(
        QStringLiteral(u"音声入力は、目次の、4から6の、テストで、使用されます。"
                       u"その他は、ふつうの、ヘルプを、ご利用ください。"));
}

void TKukuForm::answerHeardRight() {
    m_services.reco->confirmLastPhrase();
}

void TKukuForm::changeLearnerName() {
    const QString oldName = m_state.studentName;
    const QString newName = m_ui->Edit2->text();
    m_state.studentName = newName;
    if (oldName == newName) return;
    const QString question = nameChangeQuestion(oldName, newName);
    const bool ok = m_prompts->confirmNameChange(question);
    if (!ok) {
        m_state.studentName = oldName;
        return;
    }
    startNewLearner(m_state, newName);
    m_services.reco->setLearner(newName, learnerVoiceFolder());
    m_ui->StaticText6->setText(QString::number(m_state.indivNum));
    saveIfChanged();
}

bool TKukuForm::handleShellKey(QObject* target, int key, Qt::KeyboardModifiers modifiers) {
    if (modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return false;
    // Typing the learner's name must not clear the screen or open the settings.
    if (target == m_ui->Edit2 && key != Qt::Key_Escape) return false;
    switch (key) {
        case Qt::Key_L:
        case Qt::Key_Delete:
            GamenClear();
            m_board->CBoxDsp(1);
            return true;
        case Qt::Key_J:
            if (m_jouken->isVisible())
                m_jouken->hide();
            else
                showSettings();
            return true;
        case Qt::Key_I:
            toggleInfoPanel();
            return true;
        case Qt::Key_Escape:
            m_engine->EscKeyDown();
            return true;
        default:
            return false;
    }
}

void TKukuForm::lessonTick() {
    m_timer1.setInterval(m_engine->lessonTick());
    // Records and settings reach the file soon after they change (a registration, a finished
    // test, a new name), so switching the computer off loses nothing.
    saveIfChanged();
    // A voice test stopped with Esc leaves nothing running: the settings' presentation and speed
    // may change again (between two questions a handler is still busy, so they stay locked).
    if (m_state.AnsV_wait == VoiceTest::None && !m_commands->busy()) setSettingsChoicesEnabled(true);
}

void TKukuForm::redrawOnActivation() {
    m_board->DrawBoard();
    m_board->DrawStopHint();
}

bool TKukuForm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Paint) {
        if (watched == m_ui->Label5) {
            m_board->paintBoard(m_ui->Label5);
            return true;
        }
        if (watched == m_ui->central) {
            m_board->paintWindowDecorations(m_ui->central);
            return false;
        }
    }
    if (event->type() == QEvent::KeyPress && !m_pacer.runActive()) {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget && widget->window() == this) {
            auto* e = static_cast<QKeyEvent*>(event);
            if (handleShellKey(watched, e->key(), e->modifiers())) return true;
        }
    }
    if (event->type() == QEvent::MouseButtonPress && watched == m_ui->central) m_board->DrawBoard();
    return QMainWindow::eventFilter(watched, event);
}

void TKukuForm::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) redrawOnActivation();
    QMainWindow::changeEvent(event);
}

void TKukuForm::closeEvent(QCloseEvent* event) {
    if (m_pacer.runActive()) {
        // A run is still going: it is stopped with Esc, not by closing underneath it.
        event->ignore();
        return;
    }
    const bool ok = m_prompts->confirmClose();
    if (!ok) {
        event->ignore();
        return;
    }
    if (m_state.msgSpeakFlag >= 1) m_speaker.SpeakWait(QStringLiteral(u"道場を閉めます。またね。"));
    m_timer1.stop();
    SaveSettings();
    if (m_jouken) m_jouken->hide();
    if (m_nigate) m_nigate->hide();
    if (m_typed) m_typed->hide();
    event->accept();
}

}  // namespace rentabo
