#pragma once

#include <QTimer>
#include <QWidget>

#include <memory>

namespace Ui {
class SplashFForm;
}

namespace rentabo {

// The start-up notice that the speech recogniser may take a while. It stays on top while the main
// window is created and goes away by itself 2 seconds after the message loop starts.
class TSplashFForm final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TSplashFForm)
public:
    explicit TSplashFForm(QWidget* parent = nullptr);
    ~TSplashFForm() override;

    // Called by the program just before the message loop: the splash closes and frees itself
    // when Timer1 fires.
    void enableTimer();
    // Left and top halving the free space of `screen` (truncated toward zero).
    void centreOn(const QRect& screen);

    QTimer& timer() { return m_timer1; }
    // `font` at the largest pixel size up to its own at which `text` (its lines as written) fits
    // `room`: whatever family the machine gives for it, the notice stays inside its panel.
    static QFont fittedFont(QFont font, const QString& text, const QSize& room);
    void closeAfterItsTime();

protected:
    // Steps aside for a message box or dialog opened while it is up.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::unique_ptr<Ui::SplashFForm> m_ui;
    QTimer m_timer1;
};

}  // namespace rentabo
