#include "app/SideWindows.h"

#include "app/TAboutForm.h"
#include "core/WeakList.h"
#include "lessons/EffectSounds.h"
#include "lessons/TDanCalcForm.h"
#include "records/NigateForm.h"
#include "records/RecordWindowsHost.h"
#include "records/ResultDspForms.h"
#include "records/SikakuCheckForm.h"
#include "settings/TJoukenSetForm.h"
#include "speech/TypedPhraseForm.h"
#include "speech/platform/SpSharedRecoContext.h"

#include <QFile>
#include <QWidget>

namespace rentabo {

namespace {

// Stands in for the effect sounds when none could be prepared.
struct NullEffects final : EffectPlayer {
    void PlayEffect(int) override {}
};

}  // namespace

SideWindows::SideWindows(Parts parts, Actions actions) : m_parts(parts), m_actions(std::move(actions)) {
    static NullEffects silence;
    EffectPlayer& effects = m_parts.effects ? static_cast<EffectPlayer&>(*m_parts.effects) : silence;
    m_settings = std::make_unique<TJoukenSetForm>(
        m_parts.state, m_parts.voice, effects, m_parts.pacer, m_actions.reloadEffects, [this] { showHelp(); },
        &m_parts.main);
    m_settings->setWindowFlag(Qt::Tool);
    m_settings->microphoneChosen = [this](const QByteArray& id) { m_parts.reco.useMicrophone(id); };
    m_weakPoints =
        std::make_unique<TNigateForm>(m_parts.state, m_parts.speaker, m_parts.pacer, &m_parts.main);
}

SideWindows::~SideWindows() = default;

void SideWindows::showSettings() {
    const QRect mainFrame = m_parts.main.frameGeometry();
    m_settings->placeBeside(mainFrame);
    m_settings->show();
    m_settings->placeBeside(mainFrame);  // with its frame, now that it is known
    m_settings->raise();
}

void SideWindows::toggleSettings() {
    if (m_settings->isVisible())
        m_settings->hide();
    else
        showSettings();
}

void SideWindows::setSettingsChoicesEnabled(bool enabled) {
    m_settings->setChoicesEnabled(enabled);
}

void SideWindows::showWeakPoints() {
    m_weakPoints->showBeside(m_parts.main.frameGeometry());
}

void SideWindows::sortWeakPoints() {
    ErrSort(m_parts.state.errorsStr);
    m_weakPoints->update();
}

void SideWindows::openChart() {
    if (m_chart) return;
    ChartCallbacks callbacks;
    callbacks.openSettings = [this]() -> QWidget* {
        showSettings();
        return m_settings.get();
    };
    callbacks.clearMainScreen = m_actions.clearMainScreen;
    callbacks.openWeakPoints = [this]() -> QWidget* {
        showWeakPoints();
        return m_weakPoints.get();
    };
    TDanCalcForm chart(m_parts.state, m_parts.speaker, m_parts.pacer, m_parts.effects, std::move(callbacks),
                       &m_parts.main);
    m_chart = &chart;
    chart.placeBeside(m_parts.main.frameGeometry());
    m_parts.host.runModal(chart);
}

void SideWindows::chartReadRow(int row) {
    if (m_chart && m_parts.state.chartOpen == 1) m_chart->DanRead(row);
}

void SideWindows::chartReadWeak() {
    if (m_chart && m_parts.state.chartOpen == 1) m_chart->readWeakFacts();
}

void SideWindows::showRowTable(KukuState& state) {
    Kekka_Dsp(state, m_parts.board, m_parts.host, m_parts.pacer, &m_parts.main);
}

void SideWindows::showLevelTable(KukuState& state) {
    KekkaD_Dsp(state, m_parts.board, m_parts.host, m_parts.pacer, &m_parts.main);
}

void SideWindows::showQualification() {
    ShowSikakuCheck(m_parts.state, m_parts.host, m_parts.pacer, &m_parts.main, true);
}

void SideWindows::showTypedPhrases() {
    if (!m_typed) m_typed = std::make_unique<TTypedPhraseForm>(m_parts.reco, nullptr);
    m_typed->show();
    m_typed->raise();
    m_typed->activateWindow();
}

void SideWindows::typedPhraseHandled(bool acted, const QString& why) {
    if (m_typed) m_typed->handled(acted, why);
}

void SideWindows::showAbout() {
    TAboutForm about(&m_parts.main);
    about.exec();
}

void SideWindows::showHelp() {
    const QString help = m_parts.state.exeDir + QStringLiteral("kuku_V24.chm");
    if (!m_parts.host.openDocument(help))
        m_parts.host.message(QStringLiteral(u"kuku_V24.chm が見あたりません。"), QStringLiteral(u"お知らせ"));
}

void SideWindows::openHomePage() {
    const QString page = m_parts.state.exeDir + QStringLiteral("homepage/index.html");
    if (!m_parts.host.openDocument(page))
        m_parts.host.message(QStringLiteral(u"■ret=%1：\n◆iexplore.exe の起動に失敗しました。")
                                 .arg(QFile::exists(page) ? 0 : 2),
                             QStringLiteral(u"ご報告"));
}

void SideWindows::hideAll() {
    m_settings->hide();
    m_weakPoints->hide();
    if (m_typed) m_typed->hide();
}

}  // namespace rentabo
