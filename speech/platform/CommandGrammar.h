#pragma once

#include "speech/platform/SpSharedRecoContext.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

namespace rentabo {

// One phrase the command rules accept, with the properties the grammar attaches to it.
struct GrammarPhrase {
    QString text;
    std::vector<PhraseProperty> properties;
    int ruleId = 0;
    std::size_t ruleIndex = 0;  // into CommandGrammar::rules()
};

struct GrammarRule {
    int id = 0;
    QString name;
    bool topLevel = false;
    bool initiallyActive = false;
};

// A command grammar in the XML grammar format of the platform's speech API: GRAMMAR with RULE
// (ID, NAME, TOPLEVEL), L (alternatives), P (a sequence), O (optional), RULEREF (NAME or REFID)
// and the semantic attributes PROPNAME/PROPID and VAL/VALSTR. Properties nest as the elements do;
// a VAL without PROPNAME gives the value to the nearest enclosing property (as list items do).
// Every top-level rule is expanded into the finite list of its phrases, which both the recogniser
// and the typed-phrase matcher use.
class CommandGrammar {
public:
    // Nullopt with a reason in `error` when the text is not a valid grammar. A document type
    // declaration is refused outright, so no external entity is ever read.
    static std::optional<CommandGrammar> fromXml(const QByteArray& xml, QString* error);
    static std::optional<CommandGrammar> fromFile(const QString& path, QString* error);

    const std::vector<GrammarRule>& rules() const { return m_rules; }
    // The phrases of every top-level rule, rule by rule in file order.
    const std::vector<GrammarPhrase>& phrases() const { return m_phrases; }
    const GrammarRule* ruleById(int id) const;

    // More phrases than this in one rule is taken for a mistake in the file.
    static constexpr std::size_t kMaxPhrasesPerRule = 20000;

private:
    std::vector<GrammarRule> m_rules;
    std::vector<GrammarPhrase> m_phrases;
};

}  // namespace rentabo
