#include "app/Prompts.h"

#include "core/Pacer.h"

#include <QDesktopServices>
#include <QDialog>
#include <QMessageBox>
#include <QUrl>

namespace rentabo {

bool BoxPrompts::confirmClose() {
    return m_pacer.askOkCancel(QStringLiteral(u"終わっていいですか？"), QStringLiteral(u"ご確認"));
}

bool BoxPrompts::confirmNameChange(const QString& question) {
    return m_pacer.askOkCancel(question, QStringLiteral(u"かくにん!!"));
}

bool BoxPrompts::confirmSpeechFailure(const QString& text) {
    return m_pacer.askOkCancel(text, QStringLiteral(u"ご報告"));
}

void BoxPrompts::message(const QString& text, const QString& caption) {
    QMessageBox::information(m_parent, caption, text, QMessageBox::Ok);
}

bool BoxPrompts::openUrl(const QUrl& url) {
    return QDesktopServices::openUrl(url);
}

void BoxPrompts::runModal(QDialog& dialog) {
    dialog.exec();
}

}  // namespace rentabo
