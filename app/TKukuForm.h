#pragma once

#include "app/HistoryKeeper.h"
#include "app/QtPacer.h"
#include "lessons/EffectSounds.h"
#include "lessons/KukuState.h"
#include "lessons/LessonEngine.h"
#include "lessons/LessonHost.h"
#include "lessons/QuestionBoard.h"
#include "records/RecordWindowsHost.h"
#include "speech/Recognition.h"
#include "speech/Speaking.h"
#include "speech/VoiceCommands.h"
#include "speech/VoiceHost.h"
#include "speech/VoiceTests.h"
#include "speech/platform/SpSharedRecoContext.h"
#include "speech/platform/SpVoice.h"

#include <QMainWindow>
#include <QPointer>
#include <QSet>
#include <QTimer>

#include <functional>
#include <memory>
#include <utility>

namespace Ui {
class KukuForm;
}

namespace rentabo {

class TJoukenSetForm;
class TNigateForm;
class TDanCalcForm;
class TTypedPhraseForm;

// The engines the main window speaks, listens and plays sounds through, chosen at start-up.
struct KukuServices {
    std::unique_ptr<SpVoice> voice;
    std::unique_ptr<SpSharedRecoContext> reco;
    std::unique_ptr<EffectSounds> effects;  // may be empty: no sounds
    // Lines for the information memo about engines that could not be used.
    QStringList notes;
};

// The main window: the question board, the menu, the shell keys, the information memo and the
// learner's name. It owns the state of a run, the speech objects and the runs; every other
// window works on them while it is open. It is the host each part of the program asks for what
// it needs of the window.
class TKukuForm final : public QMainWindow,
                        public QuestionBoard,
                        public LessonHost,
                        public VoiceHost,
                        public RecognitionView,
                        public CommandSink,
                        public RecordWindowsHost {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TKukuForm)
public:
    // The caption the window takes once created.
    static QString caption();

    TKukuForm(KukuServices services, const QString& exeDir, QWidget* parent = nullptr);
    ~TKukuForm() override;

    // QuestionBoard
    void setBoardText(BoardText field, const QString& text) override;
    QString boardText(BoardText field) const override;
    void setAnswerRed(bool red) override;
    void setProgressBar(int position) override;
    void appendMemo(const QString& text) override;
    void appendMemoLine(const QString& line) override;
    void clearMemo() override;
    int memoLineCount() const override;
    void setMemoWarning(bool red) override;
    void CBoxDsp(int show) override;
    void DrawBoard() override;
    void DrawStopHint() override;

    // LessonHost
    void showAnswerWay(bool groupVisible, bool keyboardPicture) override;
    void setAnswerWayVisible(bool visible) override;
    void enableResultMenus(bool rowTable, bool levelTable) override;
    void focusStartButton() override;
    void focusMemo() override;
    void showMessage(const QString& text, const QString& caption) override;
    void setChoiceIndex(int mokuji_n) override;
    void openChart() override;
    void Kekka_Dsp(KukuState& state) override;
    void KekkaD_Dsp(KukuState& state) override;
    void ErrRec(int kuku_n) override;
    bool spokenAnswerTick() override;
    void restoreExpressionFont() override;

    // VoiceHost
    void setSettingsChoicesEnabled(bool enabled) override;
    void setExpressionStyle(int fontPt, int top) override;
    void setWindowColour(int bgr) override;
    int windowColour() const override { return m_windowColour; }
    void restoreWindow() override;
    void answerHeardRight() override;
    void closeMainWindow() override;
    void enterCcMode() override;
    void enterDicMode() override;
    void chartDanRead(int row) override;
    void chartReadWeak() override;
    QDateTime currentDateTime() const override;

    // RecognitionView
    void showModeLabel(const QString& text, int colour) override;
    void showMicLevel(int level) override;
    void showMemoLineCount(int lines) override;
    void setBackgroundColour(int colour) override { setWindowColour(colour); }

    // CommandSink
    bool onRowChoice(int cValue) override;
    bool onNumber(int cValue) override;
    bool onReading(int cValue) override;
    void onCommand(int cValue, const QString& astr) override;
    void onChat(const QString& astr) override;

    // RecordWindowsHost
    QString nameBoxText() const override;
    void focusNameBox() override;
    void ShowInfoPanel(int on) override;
    void message(const QString& text, const QString& caption) override { showMessage(text, caption); }
    bool openDocument(const QString& path) override;
    void runModal(QDialog& dialog) override;

    KukuState& state() { return m_state; }
    Pacer& pacer() { return m_pacer; }
    QtPacer& qtPacer() { return m_pacer; }
    Speaker& speaker() { return m_speaker; }
    SpVoice& voice() { return *m_services.voice; }
    SpSharedRecoContext& reco() { return *m_services.reco; }
    LessonEngine& engine() { return *m_engine; }
    VoiceCommands& commands() { return *m_commands; }
    TJoukenSetForm& settingsDialog() { return *m_jouken; }
    TDanCalcForm* chart();
    Ui::KukuForm& ui() { return *m_ui; }

    // The window's outer height as the program has always set it: 790 with the information
    // memo, 634 without.
    int designHeight() const { return m_state.infoDsp ? 790 : 634; }

    // Shell operations.
    void GamenClear();
    void I1Click();
    void SpeedButton1Click();
    void ExecButtonClick();
    void C1Click();
    void A1Click();
    void K1Click();
    void H2Click();
    void N1Click();
    void N3Click();
    void D1Click();
    void V1Click();
    void showTypedPhraseWindow();
    void showVoiceEnrolment();
    // がんばりの記録, and today's review when the learner starts it there.
    void showProgress();
    HistoryKeeper& history() { return *m_history; }
    void SaveSettings();
    // Writes the settings file when what it would hold has changed since the last write; true
    // when it was written. Runs on every lesson tick and after records change.
    bool saveIfChanged();
    // The save when the program is being ended from outside (SIGTERM, the session's log-out): no
    // question, no box.
    void saveBeforeTermination();

    // Replaceable in tests: the close question, the name-change question, message boxes and the
    // desktop's opener. Unset, real boxes ask and the desktop opens files.
    std::function<bool()> confirmClose;
    std::function<bool(const QString&)> confirmNameChange;
    std::function<bool(const QString&)> confirmSpeechFailure;
    std::function<void(const QString& text, const QString& caption)> messageHook;
    std::function<bool(const QUrl&)> openUrl;
    // Drives a modal window instead of showing it (tests); unset, the window runs modally.
    std::function<void(QDialog&)> modalHook;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void FormCreate();
    QString learnerVoiceFolder() const;
    void buildMenuAndLists();
    void connectSpeechEvents();
    bool FormKeyDown(QObject* target, int key, Qt::KeyboardModifiers modifiers);
    void Timer1Timer();
    void paintBoard(QWidget* canvas);
    void paintWindowDecorations(QWidget* canvas);
    void B1Click();
    void X1Click();
    void FormActivate();
    void reloadEffects(int volume);
    void hearCommand(int cValue);
    void showSaveResult(bool ok, const QString& error, const QString& notice);
    void showPendingSaveMessage();
    void keepOnAScreen();

    std::unique_ptr<Ui::KukuForm> m_ui;
    KukuServices m_services;
    KukuState m_state;
    QtPacer m_pacer;
    Speaker m_speaker;
    QTimer m_timer1;
    int m_windowColour = 0;
    std::unique_ptr<LessonEngine> m_engine;
    std::unique_ptr<VoiceTests> m_voiceTests;
    std::unique_ptr<VoiceCommands> m_commands;
    std::unique_ptr<Recognition> m_recognition;
    std::unique_ptr<TJoukenSetForm> m_jouken;
    std::unique_ptr<TNigateForm> m_nigate;
    QPointer<TDanCalcForm> m_chart;
    std::unique_ptr<TTypedPhraseForm> m_typed;
    std::unique_ptr<HistoryKeeper> m_history;
    bool m_startupComplete = false;
    bool m_refitWhenShown = false;
    QByteArray m_savedContent;  // the keys as last written (or read)
    bool m_saveFailureShown = false;
    QSet<QString> m_effectErrorsShown;
    std::pair<QString, QString> m_saveMessage;  // text and caption waiting to be shown
};

}  // namespace rentabo
