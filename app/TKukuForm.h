#pragma once

#include "app/HistoryKeeper.h"
#include "app/MainBoard.h"
#include "app/Prompts.h"
#include "app/QtPacer.h"
#include "app/SettingsKeeper.h"
#include "app/SideWindows.h"
#include "core/Board.h"
#include "core/KukuState.h"
#include "core/LessonHost.h"
#include "core/QuestionBoard.h"
#include "core/WeakList.h"
#include "lessons/EffectSounds.h"
#include "lessons/LessonEngine.h"
#include "records/RecordWindowsHost.h"
#include "speech/Recognition.h"
#include "speech/Speaker.h"
#include "speech/VoiceCommands.h"
#include "speech/VoiceEnrolmentForm.h"
#include "speech/VoiceExams.h"
#include "speech/VoiceHost.h"
#include "speech/platform/SpSharedRecoContext.h"
#include "speech/platform/SpVoice.h"

#include <QElapsedTimer>
#include <QMainWindow>
#include <QSet>
#include <QTimer>

#include <functional>
#include <memory>
#include <utility>

namespace Ui {
class KukuForm;
}

namespace rentabo {

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
class TKukuForm final : public QMainWindow, public LessonHost, public VoiceHost, public RecordWindowsHost {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TKukuForm)
public:
    // The caption the window takes once created.
    static QString caption();

    TKukuForm(KukuServices services, const QString& exeDir, QWidget* parent = nullptr);
    ~TKukuForm() override;

    // LessonHost: the widgets are the board's, the windows the side windows'.
    void showAnswerWay(bool groupVisible, bool keyboardPicture) override {
        m_board->showAnswerWay(groupVisible, keyboardPicture);
    }
    void setAnswerWayVisible(bool visible) override { m_board->setAnswerWayVisible(visible); }
    void enableResultMenus(bool rowTable, bool levelTable) override {
        m_board->enableResultMenus(rowTable, levelTable);
    }
    void focusStartButton() override { m_board->focusStartButton(); }
    void focusMemo() override { m_board->focusMemo(); }
    void showMessage(const QString& text, const QString& caption) override {
        m_prompts->message(text, caption);
    }
    void setChoiceIndex(int mokuji_n) override;
    void openChart() override { m_windows->openChart(); }
    void Kekka_Dsp(KukuState& state) override { m_windows->showRowTable(state); }
    void KekkaD_Dsp(KukuState& state) override { m_windows->showLevelTable(state); }
    void ErrRec(int kuku_n) override { rentabo::ErrRec(m_state.errorsStr, kuku_n); }
    bool spokenAnswerTick() override { return m_commands->tick(); }
    bool stopVoiceReview() override {
        if (!m_voiceExams->reviewing()) return false;
        m_voiceExams->stopReview();
        return true;
    }
    void restoreExpressionFont() override { m_board->setExpressionStyle(34, 212); }

    // VoiceHost
    void setSettingsChoicesEnabled(bool enabled) override {
        if (m_windows) m_windows->setSettingsChoicesEnabled(enabled);
    }
    void setExpressionStyle(int fontPt, int top) override { m_board->setExpressionStyle(fontPt, top); }
    void setWindowColour(int bgr) override { m_board->setWindowColour(bgr); }
    int windowColour() const override { return m_board->windowColour(); }
    void restoreWindow() override;
    void answerHeardRight() override { m_services.reco->confirmLastPhrase(); }
    void beforeVoiceRun() override;
    void phraseHandled(bool acted, const QString& why) override { m_windows->typedPhraseHandled(acted, why); }
    void closeMainWindow() override;
    void enterCcMode() override;
    void enterDicMode() override;
    void chartDanRead(int row) override { m_windows->chartReadRow(row); }
    void chartReadWeak() override { m_windows->chartReadWeak(); }
    QDateTime currentDateTime() const override { return QDateTime::currentDateTime(); }

    // RecordWindowsHost
    QString nameBoxText() const override { return m_board->nameBoxText(); }
    void focusNameBox() override { m_board->focusNameBox(); }
    void ShowInfoPanel(int on) override;
    void message(const QString& text, const QString& caption) override { showMessage(text, caption); }
    bool openDocument(const QString& path) override;
    void runModal(QDialog& dialog) override;

    KukuState& state() { return m_state; }
    // The question board and recognition view on the window's widgets.
    MainBoard& board() { return *m_board; }
    Pacer& pacer() { return m_pacer; }
    QtPacer& qtPacer() { return m_pacer; }
    Speaker& speaker() { return m_speaker; }
    SpVoice& voice() { return *m_services.voice; }
    SpSharedRecoContext& reco() { return *m_services.reco; }
    LessonEngine& engine() { return *m_engine; }
    VoiceCommands& commands() { return *m_commands; }
    VoiceExams& voiceExams() { return *m_voiceExams; }
    Ui::KukuForm& ui() { return *m_ui; }

    // The window's outer height as the program has always set it: 790 with the information
    // memo, 634 without.
    int designHeight() const { return m_state.infoDsp ? 790 : 634; }

    // Shell operations.
    void GamenClear() { rentabo::GamenClear(m_state, *m_board); }
    void toggleInfoPanel();
    void changeLearnerName();
    void startLesson();
    void showSettings() { m_windows->showSettings(); }
    void openChartFromMenu();
    void showHelp() { m_windows->showHelp(); }
    void openHomePage() { m_windows->openHomePage(); }
    void sayWhereTheVoiceIsUsed();
    void resetWindowColour();
    void showTypedPhraseWindow() { m_windows->showTypedPhrases(); }
    void showVoiceEnrolment();
    // がんばりの記録, and today's review when the learner starts it there.
    void showProgress();
    HistoryKeeper& history() { return *m_history; }
    void SaveSettings() { m_settingsKeeper.saveNow(); }
    // Writes the settings file when what it would hold has changed since the last write; true
    // when it was written. Runs on every lesson tick and after records change.
    bool saveIfChanged() { return m_settingsKeeper.saveIfChanged(); }
    // The save when the program is being ended from outside (SIGTERM, the session's log-out): no
    // question, no box.
    void saveBeforeTermination() { m_settingsKeeper.saveBeforeTermination(); }
    // The program is being ended from outside (SIGTERM, SIGHUP, the session's log-out), with no
    // one there to answer: a run or a spoken test going on is stopped as Esc stops it, open boxes
    // are cancelled, the records are saved and the application's event loop is ended.
    void endFromOutside();
    bool endingFromOutside() const { return m_ending; }
    // After the event loop has returned from an end from outside: what was still running when
    // the loops were ended is stopped and saved.
    void stopAndSaveAfterEnd();

    // Who answers the window's questions and shows its boxes: real boxes unless set (tests
    // script them); null puts the real boxes back. The prompts must outlive their use.
    void setPrompts(Prompts* prompts) { m_prompts = prompts ? prompts : &m_boxPrompts; }
    Prompts& boxPrompts() { return m_boxPrompts; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void loadAndStart();
    void connectMenu();
    void connectSpeechEvents();
    bool handleShellKey(QObject* target, int key, Qt::KeyboardModifiers modifiers);
    void lessonTick();
    void chooseWindowColour();
    void saveAndClose();
    void reloadEffects(int volume);
    // The end from outside once whatever was running has unwound.
    void finishEnding();

    std::unique_ptr<Ui::KukuForm> m_ui;
    std::unique_ptr<MainBoard> m_board;
    KukuServices m_services;
    KukuState m_state;
    QtPacer m_pacer;
    BoxPrompts m_boxPrompts;
    Prompts* m_prompts = &m_boxPrompts;
    SettingsKeeper m_settingsKeeper;
    Speaker m_speaker;
    VoiceEnrolmentOffer m_voiceOffer;
    QTimer m_timer1;
    std::unique_ptr<LessonEngine> m_engine;
    std::unique_ptr<VoiceExams> m_voiceExams;
    std::unique_ptr<VoiceCommands> m_commands;
    std::unique_ptr<Recognition> m_recognition;
    std::unique_ptr<SideWindows> m_windows;
    std::unique_ptr<HistoryKeeper> m_history;
    bool m_ending = false;
    QElapsedTimer m_endingSince;
    QSet<QString> m_effectErrorsShown;
};

}  // namespace rentabo
