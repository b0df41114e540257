#include "app/TKukuForm.h"

#include "core/Board.h"
#include "core/Timing.h"
#include "core/WaitWithStops.h"
#include "core/WeakList.h"
#include "core/WindowPlacement.h"
#include "records/Learner.h"
#include "settings/Cp932.h"
#include "settings/SettingsFile.h"
#include "speech/VoiceEnrolmentForm.h"
#include "speech/platform/SpeechFailure.h"
#include "speech/platform/VoiceFolder.h"
#include "ui_KukuForm.h"

#include <QApplication>
#include <QCloseEvent>
#include <QColorDialog>
#include <QFile>
#include <QKeyEvent>
#include <QSessionManager>
#include <QThread>
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
    m_board->setUpWidgets();
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
    m_voiceExams = std::make_unique<VoiceExams>(m_state, *m_board, m_pacer, m_speaker,
                                                m_services.effects.get(), *this, *this);
    m_commands =
        std::make_unique<VoiceCommands>(m_state, *m_board, m_speaker, m_pacer, *m_voiceExams, *this, *this);
    m_recognition = std::make_unique<Recognition>(m_state, *m_board, *m_board, m_speaker, m_pacer,
                                                  *m_services.reco, *m_commands);
    // The effect sounds come back into the microphone as the master's words do.
    if (m_services.effects)
        m_services.effects->setPlayedListener(
            [reco = m_services.reco.get()](const MonoAudio& sound) { reco->rememberOwnSound(sound); });

    connectMenu();
    m_ui->Label5->installEventFilter(this);
    m_ui->central->installEventFilter(this);
    qApp->installEventFilter(this);
    connectSpeechEvents();

    loadAndStart();

    // The settings dialog is filled from the settings just loaded.
    m_windows = std::make_unique<SideWindows>(
        SideWindows::Parts{m_state, m_speaker, m_pacer, *m_services.voice, *m_services.reco,
                           m_services.effects.get(), *m_board, *this, *this},
        SideWindows::Actions{[this](int volume) { reloadEffects(volume); }, [this] { GamenClear(); }});

    m_timer1.setInterval(timing::kFirstTickMs);
    connect(&m_timer1, &QTimer::timeout, this, &TKukuForm::lessonTick);
    m_timer1.start();
}

TKukuForm::~TKukuForm() {
    setSpeechFailureHandler({});
    if (qApp) qApp->removeEventFilter(this);
}

void TKukuForm::connectMenu() {
    connect(m_ui->B1, &QAction::triggered, this, &TKukuForm::chooseWindowColour);
    connect(m_ui->D1, &QAction::triggered, this, &TKukuForm::resetWindowColour);
    connect(m_ui->X1, &QAction::triggered, this, &TKukuForm::saveAndClose);
    connect(m_ui->L1, &QAction::triggered, this, [this] { Kekka_Dsp(m_state); });
    connect(m_ui->KekkaDDsp, &QAction::triggered, this, [this] { KekkaD_Dsp(m_state); });
    connect(m_ui->K1, &QAction::triggered, this, [this] { m_windows->showQualification(); });
    connect(m_ui->A1, &QAction::triggered, this, &TKukuForm::openChartFromMenu);
    connect(m_ui->NigateShow, &QAction::triggered, this, [this] { m_windows->showWeakPoints(); });
    connect(m_ui->J1, &QAction::triggered, this, &TKukuForm::showSettings);
    connect(m_ui->I1, &QAction::triggered, this, [this] { toggleInfoPanel(); });
    connect(m_ui->H2, &QAction::triggered, this, &TKukuForm::showHelp);
    connect(m_ui->N3, &QAction::triggered, this, &TKukuForm::sayWhereTheVoiceIsUsed);
    connect(m_ui->N1, &QAction::triggered, this, &TKukuForm::openHomePage);
    connect(m_ui->V1, &QAction::triggered, this, [this] { m_windows->showAbout(); });
    connect(m_ui->TypedPhrase, &QAction::triggered, this, &TKukuForm::showTypedPhraseWindow);
    connect(m_ui->VoiceEnrolment, &QAction::triggered, this, &TKukuForm::showVoiceEnrolment);
    connect(m_ui->Ganbari, &QAction::triggered, this, &TKukuForm::showProgress);
    // The way back from chat listening for a child whose spoken mode change is not heard.
    connect(m_ui->CcModeBack, &QAction::triggered, this, [this] {
        if (m_state.cc_mode == Listening::Chat) enterCcMode();
    });
    connect(m_ui->TestT1, &QAction::triggered, this, [this] { m_windows->sortWeakPoints(); });
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
    connect(&voice, &SpVoice::AudioLevel, this, [this](int, int level) { m_board->showVoiceLevel(level); });
    connect(&voice, &SpVoice::Sentence, this, [this](int, int, int) { m_board->markSentence(); });
    // The recognition context's events reach m_recognition, which connects itself.
    connect(m_services.reco.get(), &SpSharedRecoContext::LearnerNote, this,
            [this](const QString& note) { m_board->appendMemo(note + u'\n'); });
    connect(m_services.reco.get(), &SpSharedRecoContext::DeviceNote, this,
            [this](const QString& note) { m_board->appendMemo(note + u'\n'); });
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
    m_voiceExams->setAnswerLog(m_history->answerLog());
    move(m_state.winLeft, m_state.winTop);
    bringOntoAScreen(*this);
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

    m_board->setChoiceIndex(std::clamp(m_state.mokuji_n, 0, 12));
    m_board->setLessonIndex(std::clamp(m_state.menu_n, 0, 9));
    m_board->setNameBoxText(m_state.studentName);
    m_board->showLearnerNumber(m_state.indivNum);
    m_services.reco->setLearner(m_state.studentName, learnerVoiceFolderFor(m_state.exeDir));
    // The microphone chosen in the settings (opened on the default until the file was read).
    m_services.reco->useMicrophone(m_state.micDevice.toUtf8());
    m_engine->openOnLoadedChoice();
    reloadEffects(m_state.effectVolume);
    setTextColour(m_ui->StaticText21, QStringLiteral("black"));
    m_board->DrawStopHint();
    ShowInfoPanel(m_state.infoDsp);
    restoreExpressionFont();

    setWindowColour(m_state.orgColor);
    m_state.idleMs = 0;
    m_board->CBoxDsp(1);
    m_settingsKeeper.started();
    // The session is ending (log-out, shutdown): the records are saved and the program ends, a
    // run going on stopped first.
    connect(qApp, &QGuiApplication::commitDataRequest, this, [this](QSessionManager&) { endFromOutside(); });
    if (m_state.msgSpeakFlag > 0) m_speaker.SpeakMsg(QStringLiteral(u"Rentaboをオープンします。"));
}

void TKukuForm::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    // Fitted again with its frame: the title bar may take it over the edge. Some platforms know
    // the frame only once the window has been shown (its margins, a pixel at twice the scale),
    // so it is fitted once more after that.
    bringOntoAScreen(*this);
    QTimer::singleShot(0, this, [this] { bringOntoAScreen(*this); });
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

void TKukuForm::setChoiceIndex(int mokuji_n) {
    m_board->setChoiceIndex(mokuji_n);
    m_board->CBoxDsp(m_ui->ComboBox1->isVisible() ? 1 : 0);
}

// ---- VoiceHost ----

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
    if (m_state.AnsV_wait != VoiceTest::None || m_state.voiceRun != VoiceTest::None || m_pacer.runActive()) {
        const QString text = QStringLiteral(u"テストのとちゅうなので、おはなしモードにはなれません。");
        ShowMessageLine(*m_board, text);
        m_speaker.SpeakAsync(text);
        return;
    }
    m_recognition->EnterDicMode();
    m_ui->CcModeBack->setEnabled(m_state.cc_mode == Listening::Chat);
}

// ---- RecordWindowsHost ----

bool TKukuForm::openDocument(const QString& path) {
    return QFile::exists(path) && m_prompts->openUrl(QUrl::fromLocalFile(path));
}

void TKukuForm::runModal(QDialog& dialog) {
    m_prompts->runModal(dialog);
    // A result table or the qualification table may have registered or cleared records.
    saveIfChanged();
}

// ---- Shell ----

void TKukuForm::ShowInfoPanel(int on) {
    m_board->showInfoPanel(on);
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
    if (m_state.menu_n >= 5 && m_state.ans_way == 1) beforeVoiceRun();  // a voice mode starts
    RunScope run(m_pacer);
    m_engine->startLesson();
}

void TKukuForm::openChartFromMenu() {
    m_state.chartFromLesson = 0;
    openChart();
}

void TKukuForm::showVoiceEnrolment() {
    const bool runGoing = m_pacer.runActive() || m_state.testUnderway ||
                          m_state.AnsV_wait != VoiceTest::None || m_commands->busy();
    TVoiceEnrolmentForm::offer(
        *m_services.reco, runGoing,
        [this](const QString& text) { showMessage(text, QStringLiteral(u"お知らせ")); }, this);
}

void TKukuForm::beforeVoiceRun() {
    // Before a learner's first spoken run of the session, while the master does not know the voice.
    m_voiceOffer.beforeVoiceRun(*m_services.reco, m_speaker, m_state.studentName, this);
}

void TKukuForm::showProgress() {
    if (m_pacer.runActive() || m_state.AnsV_wait != VoiceTest::None) return;
    const HistoryKeeper::Review review = m_history->showProgress(this, m_services.reco->hasMicrophone());
    if (review.how == TGanbariForm::Review::Keyboard) {
        RunScope run(m_pacer);
        m_engine->RunReviewTest(review.facts);
    } else if (review.how == TGanbariForm::Review::Voice) {
        if (m_state.cc_mode == Listening::Chat) enterCcMode();
        m_voiceExams->StartReview(review.facts);
    }
}

void TKukuForm::saveAndClose() {
    SaveSettings();
    close();
}

void TKukuForm::sayWhereTheVoiceIsUsed() {
    m_speaker.SpeakMsg(
        QStringLiteral(u"音声入力は、目次の、4から6の、テストで、使用されます。"
                       u"その他は、ふつうの、ヘルプを、ご利用ください。"));
}

void TKukuForm::changeLearnerName() {
    const auto confirm = [this](const QString& question) { return m_prompts->confirmNameChange(question); };
    // A name the settings file cannot hold would come back as another name after a restart,
    // its records and voice left behind: it is refused, or changed with the family's agreement,
    // before anything is stored.
    const std::optional<QString> typed =
        fitNameForSettingsFile(m_board->nameBoxText(), confirm,
                               [this](const QString& text) { showMessage(text, QStringLiteral(u"ご確認")); });
    if (!typed) {
        focusNameBox();
        return;
    }
    if (*typed != m_board->nameBoxText()) m_board->setNameBoxText(*typed);
    const QString before = m_state.studentName;
    if (!rentabo::changeLearnerName(m_state, *typed, confirm, m_history->store())) return;
    // The one time a voice is deleted: its learner's name really changed, and the folder says,
    // read whole, that it is theirs.
    const QString voiceFolder = learnerVoiceFolderFor(m_state.exeDir);
    if (m_state.studentName != before && forgetSpeakerModelOf(voiceFolder, before))
        m_board->appendMemo(QStringLiteral(u"<声のモデル: 名前が変わったので消しました>\n"));
    m_services.reco->setLearner(m_state.studentName, voiceFolder);
    m_board->showLearnerNumber(m_state.indivNum);
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
            m_windows->toggleSettings();
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
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        m_board->DrawBoard();
        m_board->DrawStopHint();
    }
    QMainWindow::changeEvent(event);
}

void TKukuForm::endFromOutside() {
    if (std::exchange(m_ending, true)) return;
    m_endingSince.start();
    m_pacer.endFromOutside();
    finishEnding();
}

void TKukuForm::finishEnding() {
    // A run (or a spoken test's handler) still on the stack ends at its next poll, which sees
    // Esc; the end waits for it, so the stop it shows and records is saved too. Should something
    // still wait in a loop of its own (a voice finishing a sentence), the loops are ended anyway
    // and the rest is done once the event loop has returned.
    const bool unwinding =
        m_pacer.runActive() || m_commands->busy() || QThread::currentThread()->loopLevel() > 1;
    if (unwinding && m_endingSince.elapsed() < timing::kEndFromOutsideMs) {
        QTimer::singleShot(kPollMs, this, &TKukuForm::finishEnding);
        return;
    }
    if (!unwinding) stopAndSaveAfterEnd();
    // exit, not quit: quit would close the windows, and the main window would ask whether to
    // end, with no one there to answer.
    QApplication::exit(0);
}

void TKukuForm::stopAndSaveAfterEnd() {
    if (!m_ending) return;
    // A spoken test waiting for an answer is stopped as Esc stops it.
    if (m_state.AnsV_wait != VoiceTest::None) m_engine->EscKeyDown();
    m_timer1.stop();
    saveBeforeTermination();
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
    m_windows->hideAll();
    event->accept();
}

}  // namespace rentabo
