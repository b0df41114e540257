#include "app/SettingsKeeper.h"

#include "core/KukuState.h"
#include "core/Pacer.h"
#include "settings/SettingsFile.h"

#include <QApplication>

namespace rentabo {

void SettingsKeeper::started() {
    m_started = true;
    m_savedContent = writeSettings(m_state, QByteArray());
}

void SettingsKeeper::saveNow() {
    // A window that did not finish starting has nothing worth writing over the learner's file.
    if (!m_started) return;
    const SaveResult saved = SaveSettings(m_state, m_state.exeDir);
    if (saved.ok) m_savedContent = writeSettings(m_state, QByteArray());
    m_message = {};
    if (!saved.ok)
        m_show(saved.error, QStringLiteral(u"ご確認!!"));
    else if (!saved.notice.isEmpty())
        m_show(saved.notice, QStringLiteral(u"お知らせ"));
}

bool SettingsKeeper::saveIfChanged() {
    if (!m_started) return false;
    const QByteArray content = writeSettings(m_state, QByteArray());
    if (content == m_savedContent) {
        showPending();
        return false;
    }
    const SaveResult saved = SaveSettings(m_state, m_state.exeDir);
    if (saved.ok) {
        m_savedContent = content;
        m_failureShown = false;
        if (!saved.notice.isEmpty()) m_message = {saved.notice, QStringLiteral(u"お知らせ")};
    } else if (!m_failureShown) {
        // Told once, not at every try; the next change and the close try again.
        m_failureShown = true;
        m_message = {saved.error, QStringLiteral(u"ご確認!!")};
    }
    showPending();
    return saved.ok;
}

void SettingsKeeper::showPending() {
    // Not in the middle of a test or over another box: the message waits for a quiet moment.
    if (m_message.first.isEmpty() || m_pacer.runActive() || QApplication::activeModalWidget()) return;
    const auto [text, caption] = std::exchange(m_message, {});
    m_show(text, caption);
}

void SettingsKeeper::saveBeforeTermination() {
    // No one may be there to answer a box: the result goes to the error output only.
    if (!m_started) return;
    const SaveResult saved = SaveSettings(m_state, m_state.exeDir);
    if (saved.ok)
        m_savedContent = writeSettings(m_state, QByteArray());
    else
        qWarning("%s", qPrintable(saved.error));
}

}  // namespace rentabo
