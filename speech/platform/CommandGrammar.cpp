#include "speech/platform/CommandGrammar.h"

#include <QFile>
#include <QHash>
#include <QXmlStreamReader>

namespace rentabo {

namespace {

struct Node {
    enum class Kind { Text, Sequence, List, Optional, RuleRef };
    Kind kind = Kind::Sequence;
    QString text;
    QString propName;
    std::optional<QString> value;
    QString refName;
    int refId = 0;
    std::vector<Node> children;
};

struct ParsedRule {
    GrammarRule rule;
    Node body;
};

// One way through a part of a rule: the words said and the properties they carry. `pending`
// is a VAL still looking for the property it belongs to.
struct Alternative {
    QString text;
    std::vector<PhraseProperty> properties;
    std::optional<QString> pending;
};

class Parser {
public:
    explicit Parser(const QByteArray& xml) : m_xml(xml) {}

    bool parse(std::vector<ParsedRule>& rules, QString* error) {
        bool seenRoot = false;
        while (!m_xml.atEnd()) {
            switch (m_xml.readNext()) {
                case QXmlStreamReader::DTD:
                    // Entities of a DTD could point at other files; the grammar never needs one.
                    return fail(error, QStringLiteral("DTD (文書型宣言) は使えません"));
                case QXmlStreamReader::EntityReference:
                    return fail(error, QStringLiteral("未定義の実体参照 &%1;").arg(m_xml.name()));
                case QXmlStreamReader::StartElement:
                    if (seenRoot || tag() != u"GRAMMAR")
                        return fail(error, QStringLiteral("最上位の要素が GRAMMAR ではありません"));
                    seenRoot = true;
                    if (!parseGrammar(rules, error)) return false;
                    break;
                default:
                    break;
            }
        }
        if (m_xml.hasError()) return fail(error, QStringLiteral("XML の誤り: %1").arg(m_xml.errorString()));
        if (!seenRoot) return fail(error, QStringLiteral("GRAMMAR 要素がありません"));
        return true;
    }

private:
    QString tag() const { return m_xml.name().toString().toUpper(); }

    QString attr(const char16_t* name) const {
        for (const auto& a : m_xml.attributes())
            if (a.name().compare(QString::fromUtf16(name), Qt::CaseInsensitive) == 0)
                return a.value().toString();
        return {};
    }
    bool hasAttr(const char16_t* name) const {
        for (const auto& a : m_xml.attributes())
            if (a.name().compare(QString::fromUtf16(name), Qt::CaseInsensitive) == 0) return true;
        return false;
    }

    bool fail(QString* error, const QString& why) {
        if (error) {
            *error = why;
            if (m_xml.lineNumber() > 0) *error += QStringLiteral(" (%1 行目)").arg(m_xml.lineNumber());
        }
        return false;
    }

    bool parseGrammar(std::vector<ParsedRule>& rules, QString* error) {
        while (m_xml.readNextStartElement()) {
            const QString t = tag();
            if (t == u"RULE") {
                ParsedRule r;
                bool ok = true;
                r.rule.name = attr(u"NAME");
                if (hasAttr(u"ID")) {
                    r.rule.id = attr(u"ID").toInt(&ok);
                    if (!ok || r.rule.id <= 0)
                        return fail(error, QStringLiteral("RULE の ID が正の整数ではありません"));
                }
                if (r.rule.name.isEmpty() && r.rule.id == 0)
                    return fail(error, QStringLiteral("RULE に ID も NAME もありません"));
                const QString top = attr(u"TOPLEVEL").toUpper();
                r.rule.topLevel = top == u"ACTIVE" || top == u"INACTIVE";
                r.rule.initiallyActive = top == u"ACTIVE";
                r.body.kind = Node::Kind::Sequence;
                if (!parseChildren(r.body, error)) return false;
                rules.push_back(std::move(r));
            } else {
                // Word lists and constants of the full format are not used by the program's grammar.
                return fail(error, QStringLiteral("GRAMMAR の中に使えない要素 %1").arg(t));
            }
        }
        return !m_xml.hasError() || fail(error, m_xml.errorString());
    }

    // Reads the content of the current element into `into` up to its end tag.
    bool parseChildren(Node& into, QString* error) {
        while (!m_xml.atEnd()) {
            switch (m_xml.readNext()) {
                case QXmlStreamReader::Characters: {
                    const QString words = m_xml.text().toString().simplified().remove(u' ');
                    if (!words.isEmpty()) {
                        Node n;
                        n.kind = Node::Kind::Text;
                        n.text = words;
                        into.children.push_back(std::move(n));
                    }
                    break;
                }
                case QXmlStreamReader::EntityReference:
                    return fail(error, QStringLiteral("未定義の実体参照 &%1;").arg(m_xml.name()));
                case QXmlStreamReader::StartElement: {
                    Node n;
                    const QString t = tag();
                    if (t == u"P" || t == u"PHRASE")
                        n.kind = Node::Kind::Sequence;
                    else if (t == u"L" || t == u"LIST")
                        n.kind = Node::Kind::List;
                    else if (t == u"O" || t == u"OPT")
                        n.kind = Node::Kind::Optional;
                    else if (t == u"RULEREF")
                        n.kind = Node::Kind::RuleRef;
                    else
                        return fail(error, QStringLiteral("RULE の中に使えない要素 %1").arg(t));
                    n.propName = attr(u"PROPNAME");
                    if (n.propName.isEmpty() && hasAttr(u"PROPID")) n.propName = attr(u"PROPID");
                    if (hasAttr(u"VAL"))
                        n.value = attr(u"VAL");
                    else if (hasAttr(u"VALSTR"))
                        n.value = attr(u"VALSTR");
                    if (n.kind == Node::Kind::RuleRef) {
                        n.refName = attr(u"NAME");
                        bool ok = true;
                        if (hasAttr(u"REFID")) n.refId = attr(u"REFID").toInt(&ok);
                        if (!ok || (n.refName.isEmpty() && n.refId == 0))
                            return fail(error, QStringLiteral("RULEREF に NAME も REFID もありません"));
                    }
                    if (!parseChildren(n, error)) return false;
                    if (n.kind == Node::Kind::RuleRef && !n.children.empty())
                        return fail(error, QStringLiteral("RULEREF に中身があります"));
                    into.children.push_back(std::move(n));
                    break;
                }
                case QXmlStreamReader::EndElement:
                    return true;
                case QXmlStreamReader::Invalid:
                    return fail(error, QStringLiteral("XML の誤り: %1").arg(m_xml.errorString()));
                default:
                    break;
            }
        }
        return fail(error, QStringLiteral("XML の誤り: %1").arg(m_xml.errorString()));
    }

    QXmlStreamReader m_xml;
};

class Expander {
public:
    Expander(const std::vector<ParsedRule>& rules, QString* error) : m_rules(rules), m_error(error) {
        for (std::size_t i = 0; i < rules.size(); ++i) {
            if (!rules[i].rule.name.isEmpty()) m_byName.insert(rules[i].rule.name, i);
            if (rules[i].rule.id != 0) m_byId.insert(rules[i].rule.id, i);
        }
    }

    std::optional<std::vector<Alternative>> expandRule(std::size_t index) {
        if (m_active.contains(index)) {
            fail(QStringLiteral("規則 %1 が自分自身を参照しています").arg(label(index)));
            return std::nullopt;
        }
        m_active.insert(index, true);
        auto result = expand(m_rules[index].body);
        m_active.remove(index);
        return result;
    }

private:
    QString label(std::size_t index) const {
        const auto& r = m_rules[index].rule;
        return r.name.isEmpty() ? QString::number(r.id) : r.name;
    }

    void fail(const QString& why) {
        if (m_error && m_error->isEmpty()) *m_error = why;
    }

    bool tooMany(std::size_t n) {
        if (n <= CommandGrammar::kMaxPhrasesPerRule) return false;
        fail(QStringLiteral("一つの規則の言い方が多すぎます (%1 を超えます)")
                 .arg(CommandGrammar::kMaxPhrasesPerRule));
        return true;
    }

    std::optional<std::vector<Alternative>> sequence(const std::vector<Node>& parts) {
        std::vector<Alternative> acc(1);
        for (const Node& part : parts) {
            auto alts = expand(part);
            if (!alts) return std::nullopt;
            if (tooMany(acc.size() * alts->size())) return std::nullopt;
            std::vector<Alternative> next;
            next.reserve(acc.size() * alts->size());
            for (const auto& a : acc) {
                for (const auto& b : *alts) {
                    Alternative c = a;
                    c.text += b.text;
                    c.properties.insert(c.properties.end(), b.properties.begin(), b.properties.end());
                    if (b.pending) c.pending = b.pending;
                    next.push_back(std::move(c));
                }
            }
            acc = std::move(next);
        }
        return acc;
    }

    std::optional<std::vector<Alternative>> expand(const Node& node) {
        std::optional<std::vector<Alternative>> alts;
        switch (node.kind) {
            case Node::Kind::Text:
                alts = std::vector<Alternative>{Alternative{node.text, {}, {}}};
                break;
            case Node::Kind::Sequence:
                alts = sequence(node.children);
                break;
            case Node::Kind::Optional:
                alts = sequence(node.children);
                if (alts) alts->insert(alts->begin(), Alternative{});
                break;
            case Node::Kind::List: {
                alts.emplace();
                for (const Node& child : node.children) {
                    auto c = expand(child);
                    if (!c) return std::nullopt;
                    alts->insert(alts->end(), c->begin(), c->end());
                    if (tooMany(alts->size())) return std::nullopt;
                }
                if (alts->empty()) {
                    fail(QStringLiteral("中身のない L があります"));
                    return std::nullopt;
                }
                break;
            }
            case Node::Kind::RuleRef: {
                std::optional<std::size_t> target;
                if (!node.refName.isEmpty() && m_byName.contains(node.refName))
                    target = m_byName.value(node.refName);
                else if (node.refId != 0 && m_byId.contains(node.refId))
                    target = m_byId.value(node.refId);
                if (!target) {
                    fail(QStringLiteral("RULEREF の参照先 %1 がありません")
                             .arg(node.refName.isEmpty() ? QString::number(node.refId) : node.refName));
                    return std::nullopt;
                }
                alts = expandRule(*target);
                break;
            }
        }
        if (!alts) return std::nullopt;
        for (auto& a : *alts) {
            if (!node.propName.isEmpty()) {
                PhraseProperty p{node.propName, node.value.value_or(a.pending.value_or(QString())),
                                 std::move(a.properties)};
                a.properties = {std::move(p)};
                a.pending.reset();
            } else if (node.value) {
                a.pending = node.value;
            }
        }
        return alts;
    }

    const std::vector<ParsedRule>& m_rules;
    QString* m_error;
    QHash<QString, std::size_t> m_byName;
    QHash<int, std::size_t> m_byId;
    QHash<std::size_t, bool> m_active;
};

}  // namespace

std::optional<CommandGrammar> CommandGrammar::fromXml(const QByteArray& xml, QString* error) {
    QString why;
    std::vector<ParsedRule> parsed;
    Parser parser(xml);
    if (!parser.parse(parsed, &why)) {
        if (error) *error = why;
        return std::nullopt;
    }
    CommandGrammar g;
    QHash<int, bool> ids;
    bool anyTop = false;
    for (const auto& r : parsed) {
        if (r.rule.id != 0 && ids.contains(r.rule.id)) {
            if (error) *error = QStringLiteral("RULE の ID %1 が重複しています").arg(r.rule.id);
            return std::nullopt;
        }
        ids.insert(r.rule.id, true);
        anyTop = anyTop || r.rule.topLevel;
        g.m_rules.push_back(r.rule);
    }
    if (!anyTop) {
        if (error) *error = QStringLiteral("TOPLEVEL の規則がありません");
        return std::nullopt;
    }
    Expander expander(parsed, &why);
    for (std::size_t i = 0; i < parsed.size(); ++i) {
        if (!parsed[i].rule.topLevel) continue;
        auto alts = expander.expandRule(i);
        if (!alts) {
            if (error) *error = why;
            return std::nullopt;
        }
        for (auto& a : *alts) {
            if (a.text.isEmpty()) continue;  // an all-optional path says nothing
            g.m_phrases.push_back({std::move(a.text), std::move(a.properties), parsed[i].rule.id, i});
        }
    }
    return g;
}

std::optional<CommandGrammar> CommandGrammar::fromFile(const QString& path, QString* error) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        if (error) *error = QStringLiteral("%1 を開けません: %2").arg(path, f.errorString());
        return std::nullopt;
    }
    // A grammar is a few hundred kilobytes at most; refuse anything absurd before reading it.
    if (f.size() > 16 * 1024 * 1024) {
        if (error) *error = QStringLiteral("%1 が大きすぎます").arg(path);
        return std::nullopt;
    }
    return fromXml(f.readAll(), error);
}

const GrammarRule* CommandGrammar::ruleById(int id) const {
    for (const auto& r : m_rules)
        if (r.id == id) return &r;
    return nullptr;
}

}  // namespace rentabo
