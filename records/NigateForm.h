#pragma once

#include "core/KukuState.h"

#include <QWidget>

#include <memory>

namespace Ui {
class NigateForm;
}

namespace rentabo {

class Pacer;
class Speaker;

// The weak-point window: the learner's weak facts, one line each, read aloud on request. It is
// created with the main window and hidden between uses; Esc hides it again.
class TNigateForm final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TNigateForm)
public:
    TNigateForm(KukuState& state, Speaker& speaker, Pacer& pacer, QWidget* parent = nullptr);
    ~TNigateForm() override;

    // Places the window to the right of the main window, sized for the list, and shows it.
    void showBeside(const QRect& mainFrame);
    // Height for `entries` lines of the list, within what a screen can hold.
    static int heightFor(int entries);
    // "ぜんぶ読む(&A)"; returns the number of facts read.
    int ReadAll();
    bool repeatOn() const;
    // The fact being read, −1 between readings.
    int current() const { return m_cur; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    KukuState& m_state;
    Speaker& m_speaker;
    Pacer& m_pacer;
    std::unique_ptr<Ui::NigateForm> m_ui;
    int m_cur = -1;
    bool m_reading = false;
};

}  // namespace rentabo
