#pragma once

#include "core/KukuState.h"

#include <QPointer>

#include <functional>
#include <memory>

class QWidget;

namespace rentabo {

class EffectPlayer;
class EffectSounds;
class Pacer;
class QuestionBoard;
class RecordWindowsHost;
class Speaker;
class SpSharedRecoContext;
class SpVoice;
class TDanCalcForm;
class TJoukenSetForm;
class TNigateForm;
class TTypedPhraseForm;

// The windows the main window opens beside itself: the settings dialog and the weak-point window
// (both live for the whole run), the chart, the result and qualification tables, the typed-phrase
// window, the About box and the documents beside the program. Modal ones run through the host's runModal, so
// records a table changed are saved when it closes.
class SideWindows {
public:
    struct Parts {
        KukuState& state;
        Speaker& speaker;
        Pacer& pacer;
        SpVoice& voice;
        SpSharedRecoContext& reco;
        EffectSounds* effects;  // may be null: no sounds
        QuestionBoard& board;
        RecordWindowsHost& host;
        QWidget& main;  // the main window: the windows open beside it
    };
    struct Actions {
        std::function<void(int volume)> reloadEffects;  // the settings dialog's volume changed
        std::function<void()> clearMainScreen;          // when the chart closes
    };

    // Creating the settings dialog fills it from the settings already loaded, clamping them to its
    // controls: so it is created once they are.
    SideWindows(Parts parts, Actions actions);
    ~SideWindows();
    SideWindows(const SideWindows&) = delete;
    SideWindows& operator=(const SideWindows&) = delete;

    TJoukenSetForm& settings() { return *m_settings; }
    void showSettings();
    // The settings' key: shows the dialog, or hides it when it is open.
    void toggleSettings();
    // While a run goes, the presentation and the speed stay as they are.
    void setSettingsChoicesEnabled(bool enabled);

    void showWeakPoints();
    // The weak-point list sorted, and the open window drawn again.
    void sortWeakPoints();

    // The chart, modal; state.chartFromLesson is set beforehand. Does nothing when it is open.
    void openChart();
    // Reads a row, or the weak facts, in the open chart (voice commands).
    void chartReadRow(int row);
    void chartReadWeak();

    // Result table I (one row), II (a level or all rows), and the qualification table.
    void showRowTable(KukuState& state);
    void showLevelTable(KukuState& state);
    void showQualification();

    // A window of its own, so it still takes phrases while the chart is open.
    void showTypedPhrases();
    // What became of the phrase just handled, for the typed-phrase window when it is open.
    void typedPhraseHandled(bool acted, const QString& why);
    void showAbout();
    // The help file and the home page beside the program; a box says when they cannot be opened.
    void showHelp();
    void openHomePage();

    // Every window that outlives a single use hidden, as the program closes.
    void hideAll();

private:
    Parts m_parts;
    Actions m_actions;
    std::unique_ptr<TJoukenSetForm> m_settings;
    std::unique_ptr<TNigateForm> m_weakPoints;
    QPointer<TDanCalcForm> m_chart;
    std::unique_ptr<TTypedPhraseForm> m_typed;
};

}  // namespace rentabo
