#include "speech/platform/GrammarRecoContext.h"

#include "speech/platform/JapaneseReading.h"

namespace rentabo {

RecoResult commandResult(const QString& text, int command) {
    RecoResult r;
    r.text = text;
    PhraseProperty value{QStringLiteral("colourvalue"), QString::number(command), {}};
    r.properties.push_back({QStringLiteral("chosencolour"), QString(), {value}});
    return r;
}

int commandNumber(const GrammarPhrase& phrase) {
    return GetPropertyValue(RecoResult{phrase.text, phrase.properties}, QStringLiteral("chosencolour"),
                            QStringLiteral("colourvalue"))
        .toInt();
}

bool GrammarRecoContext::setEventInterests(int interests) {
    m_eventInterests = interests;
    return true;
}

bool GrammarRecoContext::CreateGrammar(int) {
    return true;
}

bool GrammarRecoContext::DictationLoad() {
    m_dictationLoaded = dictationAvailable();
    return m_dictationLoaded;
}

bool GrammarRecoContext::installGrammar(std::optional<CommandGrammar> grammar, const QString& error) {
    m_grammar = std::move(grammar);
    m_grammarError = error;
    m_ruleActive.clear();
    m_normalised.clear();
    m_only.reset();
    if (m_grammar) {
        for (const auto& r : m_grammar->rules()) m_ruleActive.push_back(r.topLevel && r.initiallyActive);
        for (const auto& p : m_grammar->phrases()) m_normalised.push_back(normalisePhrase(p.text));
        if (!grammarLoaded()) {
            m_grammar.reset();
            m_ruleActive.clear();
            m_normalised.clear();
        }
    }
    listeningChanged();
    return m_grammar.has_value();
}

bool GrammarRecoContext::CmdLoadFromFile(const QString& path) {
    QString error;
    auto g = CommandGrammar::fromFile(path, &error);
    return installGrammar(std::move(g), error);
}

bool GrammarRecoContext::loadGrammarXml(const QByteArray& xml) {
    QString error;
    auto g = CommandGrammar::fromXml(xml, &error);
    return installGrammar(std::move(g), error);
}

bool GrammarRecoContext::CmdSetRuleIdState(int ruleId, bool active) {
    // With no grammar loaded the call still succeeds: command listening is on, but hears nothing.
    if (!m_grammar) return ruleId == 0;
    bool found = false;
    const auto& rules = m_grammar->rules();
    for (std::size_t i = 0; i < rules.size(); ++i) {
        if (!rules[i].topLevel) continue;
        if (ruleId == 0 || rules[i].id == ruleId) {
            m_ruleActive[i] = active;
            found = true;
        }
    }
    if (found) listeningChanged();
    return found || ruleId == 0;
}

bool GrammarRecoContext::DictationSetState(bool active) {
    if (active && !m_dictationLoaded) return false;
    m_dictationActive = active;
    listeningChanged();
    return true;
}

void GrammarRecoContext::listenFor(const QString& text) {
    SpSharedRecoContext::listenFor(text);
    m_only.reset();
    const QString key = normalisePhrase(text);
    for (std::size_t i = 0; m_grammar && !key.isEmpty() && i < m_normalised.size(); ++i)
        if (m_normalised[i] == key) {
            m_only = i;
            break;
        }
    listeningChanged();
}

bool GrammarRecoContext::commandsActive() const {
    if (!listeningFor().isEmpty()) return m_only.has_value();
    for (bool a : m_ruleActive)
        if (a) return true;
    return false;
}

std::vector<std::size_t> GrammarRecoContext::activePhrases() const {
    std::vector<std::size_t> out;
    if (!m_grammar) return out;
    if (!listeningFor().isEmpty()) {
        if (m_only) out.push_back(*m_only);
        return out;
    }
    const auto& phrases = m_grammar->phrases();
    for (std::size_t i = 0; i < phrases.size(); ++i)
        if (m_ruleActive[phrases[i].ruleIndex]) out.push_back(i);
    return out;
}

std::optional<std::size_t> GrammarRecoContext::matchTyped(const QString& text) const {
    const QString key = normalisePhrase(text);
    if (key.isEmpty()) return std::nullopt;
    for (std::size_t i : activePhrases())
        if (m_normalised[i] == key) return i;
    return std::nullopt;
}

void GrammarRecoContext::deliverPhrase(std::size_t index, std::optional<double> confidence) {
    const GrammarPhrase& p = m_grammar->phrases().at(index);
    Q_EMIT Recognition(++m_stream, 0, SRTStandard, RecoResult{p.text, p.properties, confidence});
}

void GrammarRecoContext::deliverDictation(const QString& text) {
    Q_EMIT Recognition(++m_stream, 0, SRTStandard, RecoResult{text, {}});
}

void GrammarRecoContext::deliverNothing(const QString& text) {
    Q_EMIT FalseRecognition(++m_stream, 0, RecoResult{text, {}});
}

void GrammarRecoContext::acceptTypedPhrase(const QString& typed) {
    const QString text = typed.trimmed();
    if (text.isEmpty()) return;
    Q_EMIT PhraseComplete(0, 0);
    if (commandsActive()) {
        if (auto i = matchTyped(text)) {
            deliverPhrase(*i);
            return;
        }
    }
    if (m_dictationActive && listeningFor().isEmpty()) {
        deliverDictation(text);
        return;
    }
    deliverNothing(text);
}

}  // namespace rentabo
