#include "app/QtPacer.h"

#include "speech/TypedPhraseForm.h"
#include "speech/platform/SpVoice.h"

#include <QApplication>
#include <QDialog>
#include <QEventLoop>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMouseEvent>
#include <QTimer>
#include <QWidget>

#include <utility>

namespace rentabo {

QtPacer::QtPacer(QWidget* guarded, QObject* parent) : QObject(parent), m_guarded(guarded) {
    m_clock.start();
    qApp->installEventFilter(this);
}

QtPacer::~QtPacer() {
    if (qApp) qApp->removeEventFilter(this);
}

std::int64_t QtPacer::now() {
    return m_clock.elapsed();
}

void QtPacer::sleep(int ms) {
    if (ms <= 0 || m_ending) {
        processPendingMessages();
        return;
    }
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    timer.start(ms);
    m_sleepLoops.append(&loop);
    loop.exec();
    m_sleepLoops.removeLast();
}

bool QtPacer::keyDown(int key) {
    if (key == vk::Escape && m_ending) return true;
    if (key == vk::Escape && m_stopHeard) {
        // Read once, like a press that was let go: the next poll finds Esc up again.
        m_stopHeard = false;
        return true;
    }
    return m_down.contains(key);
}

bool QtPacer::keyPressedSince(int key) {
    if (key == vk::Escape && m_ending) return true;
    if (key == vk::Escape && m_stopHeard) {
        m_stopHeard = false;
        m_pressedSince.remove(key);
        return true;
    }
    return m_pressedSince.remove(key);
}

void QtPacer::stopHeard() {
    if (m_runDepth > 0) m_stopHeard = true;
}

void QtPacer::processPendingMessages() {
    QApplication::processEvents(QEventLoop::AllEvents);
}

bool QtPacer::askOkCancel(const QString& text, const QString& caption) {
    // No one is there to answer: Cancel, which leaves things as they were.
    if (m_ending) return false;
    // The box must take clicks and keys even in the middle of a run.
    ++m_modalDepth;
    const auto answer = QMessageBox::question(m_guarded, caption, text, QMessageBox::Ok | QMessageBox::Cancel,
                                              QMessageBox::Ok);
    --m_modalDepth;
    // A button released while the box was up must not read as still held.
    clearKeys();
    return answer == QMessageBox::Ok;
}

void QtPacer::waitForSpeech() {
    if (m_voice && !m_ending) m_voice->WaitUntilDone();
}

namespace {

// Closes a modal window as Cancel or its close button would: a dialog is rejected.
void dismiss(QWidget* window) {
    if (auto* dialog = qobject_cast<QDialog*>(window))
        dialog->reject();
    else
        window->close();
}

}  // namespace

void QtPacer::endFromOutside() {
    if (m_ending) return;
    m_ending = true;
    m_stopHeard = false;
    for (QEventLoop* loop : std::as_const(m_sleepLoops)) loop->quit();
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->isVisible() && window->isModal()) dismiss(window);
}

void QtPacer::beep() {
    QApplication::beep();
}

void QtPacer::beginRun() {
    if (m_runDepth++ == 0) clearKeys();
}

void QtPacer::endRun() {
    if (m_runDepth > 0 && --m_runDepth == 0) clearKeys();
}

void QtPacer::clearKeys() {
    m_down.clear();
    m_pressedSince.clear();
    m_stopHeard = false;
}

bool QtPacer::waitingInModalWindow() {
    // No run can start while a modal window is up (it blocks the start button), so a modal
    // window seen during a run is one the run opened and now waits on: its result table, the
    // chart of mode 1. The window's own modality then decides what else takes input.
    return QApplication::activeModalWidget() != nullptr;
}

int QtPacer::keyCodeOf(int qtKey, bool keypad) {
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)
        return (keypad ? vk::Numpad0 : vk::Key0) + (qtKey - Qt::Key_0);
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) return 0x41 + (qtKey - Qt::Key_A);
    switch (qtKey) {
        case Qt::Key_Escape:
            return vk::Escape;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return vk::Return;
        case Qt::Key_Delete:
            return vk::Delete;
        case Qt::Key_Asterisk:
            return keypad ? vk::Multiply : 0;
        case Qt::Key_F1:
            return vk::F1;
        case Qt::Key_F2:
            return vk::F2;
        default:
            return 0;
    }
}

bool QtPacer::eventFilter(QObject* watched, QEvent* event) {
    auto* widget = qobject_cast<QWidget*>(watched);
    if (m_ending && widget && event->type() == QEvent::Show && widget->isWindow() && widget->isModal()) {
        // Shown after the end was asked for (the result table of a test just stopped, a
        // message): closed as soon as its own loop runs.
        QTimer::singleShot(0, widget, [widget] { dismiss(widget); });
        return false;
    }
    if (m_modalDepth > 0 || !m_guarded) return false;
    if (!widget) return false;
    // The key state of the main window is kept at all times (a voice test polls Esc between
    // runs); while a run is active every window of the program feeds it and input is held back
    // from the controls, except in the windows the run opened.
    const bool guardedWindow = widget->window() == m_guarded->window();
    // What is typed there is heard as speech: a stop stops the run, anything else is dropped
    // with a memo line, as the same phrase spoken would be.
    if (m_runDepth > 0 && qobject_cast<TTypedPhraseForm*>(widget->window())) return false;
    if (m_runDepth > 0) {
        if (waitingInModalWindow()) return false;
    } else if (!guardedWindow) {
        return false;
    }
    const bool swallow = m_runDepth > 0;
    switch (event->type()) {
        case QEvent::KeyPress: {
            auto* e = static_cast<QKeyEvent*>(event);
            if (const int code = keyCodeOf(e->key(), e->modifiers() & Qt::KeypadModifier)) {
                m_down.insert(code);
                if (!e->isAutoRepeat()) m_pressedSince.insert(code);
            }
            return swallow;
        }
        case QEvent::KeyRelease: {
            auto* e = static_cast<QKeyEvent*>(event);
            if (!e->isAutoRepeat())
                if (const int code = keyCodeOf(e->key(), e->modifiers() & Qt::KeypadModifier))
                    m_down.remove(code);
            return swallow;
        }
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
            if (static_cast<QMouseEvent*>(event)->button() == Qt::RightButton) {
                m_down.insert(vk::RButton);
                m_pressedSince.insert(vk::RButton);
            }
            return swallow;
        case QEvent::MouseButtonRelease:
            if (static_cast<QMouseEvent*>(event)->button() == Qt::RightButton) m_down.remove(vk::RButton);
            return swallow;
        case QEvent::ShortcutOverride:
            if (!swallow) return false;
            // Accepted, so no menu shortcut fires: the key arrives as a plain key press instead.
            event->accept();
            return true;
        case QEvent::Wheel:
        case QEvent::ContextMenu:
            return swallow;
        default:
            return false;
    }
}

}  // namespace rentabo
