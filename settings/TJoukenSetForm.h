#pragma once

#include "settings/JoukenSettings.h"

#include <QWidget>

#include <functional>
#include <memory>

namespace Ui {
class JoukenSetForm;
}

namespace rentabo {

// The settings dialog: a tool window beside the main window, living for the whole run. It has no
// OK or Cancel; every control writes its setting when it changes (the rules are JoukenSettings').
// Nothing is saved here; the settings file is written when the program ends.
class TJoukenSetForm final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TJoukenSetForm)
public:
    // Fills the controls from `state` at once; see JoukenSettings::fill. `reloadEffects` prepares
    // the effect sounds again at a volume in percent; `openHelp` opens the help file (and reports
    // a missing one).
    TJoukenSetForm(KukuState& state, SpVoice& voice, EffectPlayer& effects, Pacer& pacer,
                   std::function<void(int)> reloadEffects, std::function<void()> openHelp,
                   QWidget* parent = nullptr);
    ~TJoukenSetForm() override;

    // Left edge at the main window's right edge, top 50 pixels below its top. `mainFrame` is the
    // main window's frame geometry. Does not show the dialog.
    void placeBeside(const QRect& mainFrame);

    JoukenSettings& settings() { return m_settings; }

    // The presentation and speed choices, locked while a voice test runs.
    void setChoicesEnabled(bool enabled);
    bool choicesEnabled() const;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    JoukenControls controls() const;
    void showControls(const JoukenControls& c);
    void connectControls();

    std::unique_ptr<Ui::JoukenSetForm> m_ui;
    JoukenSettings m_settings;
    std::function<void()> m_openHelp;
};

}  // namespace rentabo
