#pragma once

#include "core/Pacer.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QSet>

#include <functional>

class QEventLoop;
class QWidget;

namespace rentabo {

class SpVoice;

// The pacer of the running program. Sleeping runs a nested event loop, so the window keeps
// painting and speech events keep arriving. While a run is active the pacer is also the input
// guard: keys and the right mouse button of every window of the program go into its key-state
// table and reach no control, so a run cannot be started twice, no menu opens underneath it and
// no other window (the weak-point list, the settings) starts anything inside the run's wait. The
// typed-phrase window alone keeps its input: what is typed there is heard as a spoken phrase,
// which the run treats as it treats speech. While the run waits in a modal window it opened (its result
// table, the chart of mode 1), that window's modality decides instead.
class QtPacer final : public QObject, public Pacer {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(QtPacer)
public:
    explicit QtPacer(QWidget* guarded, QObject* parent = nullptr);
    ~QtPacer() override;

    std::int64_t now() override;
    void sleep(int ms) override;
    bool keyDown(int key) override;
    bool keyPressedSince(int key) override;
    bool rightButtonDown() override { return keyDown(vk::RButton); }
    void processPendingMessages() override;
    bool askOkCancel(const QString& text, const QString& caption) override;
    void waitForSpeech() override;
    void beep() override;

    void setVoice(SpVoice* voice) { m_voice = voice; }

    // While a run is active, input to the guarded window feeds the key state.
    void beginRun();
    void endRun();
    bool runActive() const override { return m_runDepth > 0; }
    void stopHeard() override;

    // The program is being ended from outside (SIGTERM, SIGHUP, the session's log-out) with no
    // one there to answer: from now on Esc reads as held, so a run stops through its own Esc
    // path at its next poll; sleeps and the wait for speech return at once (a nested loop would
    // return at once too once the application quits, and a run polling it would spin); every
    // question is answered Cancel without a box, and every modal window is closed as it opens.
    void endFromOutside();
    bool endingFromOutside() const { return m_ending; }

    // The key code a key event stands for, or 0 for keys no run reads.
    static int keyCodeOf(int qtKey, bool keypad);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void clearKeys();
    // The run waits in a modal window it opened itself.
    static bool waitingInModalWindow();

    QPointer<QWidget> m_guarded;
    SpVoice* m_voice = nullptr;
    QElapsedTimer m_clock;
    QSet<int> m_down;
    QSet<int> m_pressedSince;
    int m_runDepth = 0;
    int m_modalDepth = 0;
    bool m_stopHeard = false;
    bool m_ending = false;
    QList<QEventLoop*> m_sleepLoops;  // the nested loops of the sleeps going on, innermost last
};

// Marks a run for as long as it lives.
class RunScope final {
public:
    explicit RunScope(QtPacer& pacer) : m_pacer(pacer) { m_pacer.beginRun(); }
    ~RunScope() { m_pacer.endRun(); }
    RunScope(const RunScope&) = delete;
    RunScope& operator=(const RunScope&) = delete;

private:
    QtPacer& m_pacer;
};

}  // namespace rentabo
