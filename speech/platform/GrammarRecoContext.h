#pragma once

#include "speech/platform/CommandGrammar.h"
#include "speech/platform/SpSharedRecoContext.h"

#include <optional>
#include <vector>

namespace rentabo {

// What every recognition context shares: the loaded command grammar, the states of its rules and
// of dictation, and typed phrases matched against the active rules. Back ends add audio.
class GrammarRecoContext : public SpSharedRecoContext {
    Q_OBJECT
public:
    using SpSharedRecoContext::SpSharedRecoContext;

    bool setEventInterests(int interests) override;
    bool CreateGrammar(int id) override;
    bool DictationLoad() override;
    bool CmdLoadFromFile(const QString& path) override;
    bool CmdSetRuleIdState(int ruleId, bool active) override;
    bool DictationSetState(bool active) override;
    void acceptTypedPhrase(const QString& text) override;
    void listenFor(const QString& text) override;

    // Loads a grammar given as text (the tools and tests use it; CmdLoadFromFile reads a file).
    bool loadGrammarXml(const QByteArray& xml);
    // Why the last grammar load failed, for the memo and the tools.
    QString grammarError() const { return m_grammarError; }
    const CommandGrammar* grammar() const { return m_grammar ? &*m_grammar : nullptr; }

    bool commandsActive() const;
    bool dictationActive() const { return m_dictationActive; }
    int eventInterests() const { return m_eventInterests; }

    // Indices into grammar()->phrases() of the phrases the active rules accept.
    std::vector<std::size_t> activePhrases() const;
    // The active phrase a typed text names, compared by reading (so 三の段, サンノダン and
    // さんのだん are one phrase, and 18 is じゅうはち).
    std::optional<std::size_t> matchTyped(const QString& text) const;

protected:
    // The back end's chance to follow a change of grammar or of the listening states.
    virtual bool grammarLoaded() { return true; }
    virtual void listeningChanged() {}
    virtual bool dictationAvailable() const { return true; }

    void deliverPhrase(std::size_t index, std::optional<double> confidence = {});
    void deliverDictation(const QString& text);
    void deliverNothing(const QString& text);

private:
    bool installGrammar(std::optional<CommandGrammar> grammar, const QString& error);

    std::optional<CommandGrammar> m_grammar;
    std::vector<bool> m_ruleActive;     // by index into grammar()->rules()
    std::vector<QString> m_normalised;  // by phrase index
    std::optional<std::size_t> m_only;  // the phrase listened for alone (listenFor)
    QString m_grammarError;
    bool m_dictationActive = false;
    bool m_dictationLoaded = false;
    int m_eventInterests = 0;
    int m_stream = 0;
};

// The result a command phrase yields: its text and the command number as a property.
RecoResult commandResult(const QString& text, int command);
// The command number a phrase of the grammar carries (0 when none).
int commandNumber(const GrammarPhrase& phrase);

}  // namespace rentabo
