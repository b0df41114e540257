#pragma once

#include "settings/JoukenSettings.h"
#include "speech/platform/MicrophoneInput.h"

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

    // The microphone choice: the system's default first, then each input by its description.
    // Called with the system's inputs at creation and whenever one comes or goes; a remembered
    // input that is not there leaves the default shown and the remembered one kept.
    void setMicrophones(const std::vector<MicrophoneChoice>& inputs);
    // Told the id of each microphone the user chooses (empty: the default), after it is stored.
    std::function<void(const QByteArray&)> microphoneChosen;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    JoukenControls controls() const;
    void showControls(const JoukenControls& c);
    void connectControls();
    void addMicrophoneChoice();
    // The level meter listens to the chosen microphone while the dialog is shown.
    void listenForLevel();

    MicrophoneInput m_meterInput;
    LevelMeter m_meter;

    std::unique_ptr<Ui::JoukenSetForm> m_ui;
    JoukenSettings m_settings;
    std::function<void()> m_openHelp;
};

}  // namespace rentabo
