#pragma once

#include "app/QtPacer.h"
#include "lessons/KukuState.h"
#include "lessons/QuestionBoard.h"
#include "speech/Speaking.h"
#include "speech/platform/SpSharedRecoContext.h"
#include "speech/platform/SpVoice.h"

#include <QMainWindow>
#include <QTimer>

#include <memory>

namespace Ui {
class KukuForm;
}

namespace rentabo {

// The engines the main window speaks, listens and plays sounds through, chosen at start-up.
struct KukuServices {
    std::unique_ptr<SpVoice> voice;
    std::unique_ptr<SpSharedRecoContext> reco;
    std::unique_ptr<EffectPlayer> effects;  // may be empty: no sounds
};

// The main window: the question board, the menu, the shell keys, the information memo and the
// learner's name. It owns the state of a run and the speech objects; every other window works
// on them while it is open.
class TKukuForm final : public QMainWindow, public QuestionBoard {
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
    void clearMemo() override;
    int memoLineCount() const override;
    void setMemoWarning(bool red) override;
    void CBoxDsp(int show) override;
    void DrawBoard() override;
    void DrawStopHint() override;

    KukuState& state() { return m_state; }
    Pacer& pacer() { return m_pacer; }
    Speaker& speaker() { return m_speaker; }
    SpVoice& voice() { return *m_services.voice; }
    SpSharedRecoContext& reco() { return *m_services.reco; }
    Ui::KukuForm& ui() { return *m_ui; }

    // The window's outer height as the program has always set it: 790 with the information
    // memo, 634 without.
    int designHeight() const { return m_state.infoDsp ? 790 : 634; }

    // Shell operations.
    void GamenClear();
    void ShowInfoPanel(int on);
    void I1Click();
    void SpeedButton1Click();
    void H2Click();
    void N1Click();
    void N3Click();
    void D1Click();
    void setWindowColour(int bgr);
    void SaveSettings();

    // Answers the close question without a box (tests); unset, a box asks.
    std::function<bool()> confirmClose;
    // Answers the name-change question without a box (tests); unset, a box asks.
    std::function<bool(const QString&)> confirmNameChange;
    // Shows an information box; replaced in tests.
    std::function<void(const QString& text, const QString& caption)> showMessage;
    // Opens a file or address with the desktop's opener; replaced in tests.
    std::function<bool(const QUrl&)> openUrl;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void FormCreate();
    void buildMenuAndLists();
    void connectSpeechEvents();
    bool FormKeyDown(int key, Qt::KeyboardModifiers modifiers);
    void Timer1Timer();
    void onRecognition(int stream, qint64 position, int type, const RecoResult& result);
    void paintBoard(QWidget* canvas);
    void paintWindowDecorations(QWidget* canvas);
    void B1Click();
    void X1Click();
    void FormActivate();

    std::unique_ptr<Ui::KukuForm> m_ui;
    KukuServices m_services;
    KukuState m_state;
    QtPacer m_pacer;
    Speaker m_speaker;
    QTimer m_timer1;
    bool m_closing = false;
    bool m_soundsFreed = false;
};

}  // namespace rentabo
