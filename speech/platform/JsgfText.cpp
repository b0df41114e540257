#include "speech/platform/JsgfText.h"

namespace rentabo {

namespace {
QString jsgf(const QString& grammar, const QString& rule, const QString& body) {
    return QStringLiteral("#JSGF V1.0;\ngrammar %1;\npublic <%2> = %3 ;\n").arg(grammar, rule, body);
}
}  // namespace

QString jsgfOneOf(const QString& grammar, const QString& rule, const QStringList& words) {
    return jsgf(grammar, rule, words.join(QStringLiteral(" | ")));
}

QString jsgfRunOf(const QString& grammar, const QString& rule, const QStringList& words) {
    return jsgf(grammar, rule, QStringLiteral("( %1 )+").arg(words.join(QStringLiteral(" | "))));
}

QString phraseWord(std::size_t i) {
    return QStringLiteral("w%1").arg(i);
}

QString loopWord(std::size_t i) {
    return QStringLiteral("m%1").arg(i);
}

QString chatWord(std::size_t i) {
    return QStringLiteral("d%1").arg(i);
}

std::optional<std::size_t> wordIndex(const QString& word) {
    bool ok = false;
    const std::size_t i = word.mid(1).toULongLong(&ok);
    if (!ok) return std::nullopt;
    return i;
}

}  // namespace rentabo
