#include "app/HistoryKeeper.h"

#include "records/RecordWindowsHost.h"
#include "settings/SettingsFile.h"

#include <QDir>
#include <QFileInfo>
#include <QTimer>

namespace rentabo {

HistoryKeeper::HistoryKeeper(const KukuState& state, RecordWindowsHost& host)
    : m_state(state), m_host(host) {}

HistoryKeeper::~HistoryKeeper() = default;

QString HistoryKeeper::pathFor(const QString& exeDir) {
    // Beside the settings file, by the same rule: the program's folder, or the fallback folder
    // when the program's folder cannot be written.
    const SettingsLocation where = settingsLocationFor(exeDir);
    const QString beside = QFileInfo(where.primary).absolutePath();
    QString dir = beside;
    if (!QFileInfo(beside).isWritable()) {
        dir = QFileInfo(where.fallback).absolutePath();
        QDir().mkpath(dir);
    }
    return dir + u'/' + QString::fromLatin1(kHistoryFileName);
}

QString HistoryKeeper::open(const QString& path) {
    HistoryStore::Opened opened = HistoryStore::open(path);
    m_store = std::move(opened.store);
    if (m_store) {
        m_retry = std::make_unique<QTimer>();
        m_retry->setInterval(kRetryMs);
        QObject::connect(m_retry.get(), &QTimer::timeout, m_retry.get(), [this] {
            if (m_store->flush()) m_retry->stop();
        });
        m_store->onPending = [this] {
            if (!m_retry->isActive()) m_retry->start();
        };
        if (opened.trouble == HistoryStore::Trouble::InUse) m_retry->start();
        m_log = std::make_unique<HistoryLog>(*m_store, m_state, [this] { return clock(); });
        m_log->onFailure = [this](const QString& text) {
            if (laterNotice)
                laterNotice(text);
            else
                m_host.message(text, QStringLiteral(u"お知らせ"));
        };
        if (opened.trouble == HistoryStore::Trouble::InUse) m_log->inUseAlreadyTold();
    }
    return opened.notice;
}

HistoryKeeper::Review HistoryKeeper::showProgress(QWidget* parent, bool canListen) {
    if (!m_store) {
        m_host.message(
            QStringLiteral(u"がんばりの記録はありません。\n答えを記録するファイルを開けませんでした。"),
            QStringLiteral(u"お知らせ"));
        return {};
    }
    TGanbariForm form(*m_store, learnerOf(m_state), clock().date(), m_host, canListen, parent);
    m_host.runModal(form);
    return {form.review(), form.report().dueToday};
}

}  // namespace rentabo
