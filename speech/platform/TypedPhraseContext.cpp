#include "speech/platform/TypedPhraseContext.h"

#include <QFile>

namespace rentabo {

RecoResult commandResult(const QString& text, int command) {
    RecoResult r;
    r.text = text;
    PhraseProperty value{QStringLiteral("colourvalue"), QString::number(command), {}};
    r.properties.push_back({QStringLiteral("chosencolour"), QString(), {value}});
    return r;
}

TypedPhraseContext::TypedPhraseContext(QObject* parent) : SpSharedRecoContext(parent) {}

bool TypedPhraseContext::setEventInterests(int) {
    return true;
}

bool TypedPhraseContext::CreateGrammar(int) {
    return true;
}

bool TypedPhraseContext::DictationLoad() {
    return true;
}

bool TypedPhraseContext::CmdLoadFromFile(const QString& path) {
    // The phrase table comes from the grammar reader once it is wired in; until then a present
    // file counts as loaded and its phrases are added through addPhrase.
    return QFile::exists(path);
}

bool TypedPhraseContext::CmdSetRuleIdState(int, bool active) {
    m_commandsActive = active;
    return true;
}

bool TypedPhraseContext::DictationSetState(bool active) {
    m_dictationActive = active;
    return true;
}

void TypedPhraseContext::addPhrase(const QString& text, int command) {
    m_phrases.insert(text, command);
}

void TypedPhraseContext::acceptTypedPhrase(const QString& text) {
    const QString phrase = text.trimmed();
    if (phrase.isEmpty()) return;
    ++m_stream;
    if (m_commandsActive) {
        if (auto it = m_phrases.constFind(phrase); it != m_phrases.constEnd()) {
            Q_EMIT Recognition(m_stream, 0, SRTStandard, commandResult(phrase, it.value()));
            return;
        }
    }
    if (m_dictationActive || m_commandsActive) {
        RecoResult r;
        r.text = phrase;
        Q_EMIT Recognition(m_stream, 0, SRTStandard, r);
    }
}

}  // namespace rentabo
