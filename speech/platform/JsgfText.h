#pragma once

#include <QString>
#include <QStringList>

#include <cstddef>
#include <optional>

namespace rentabo {

// The text of a JSGF grammar, the form PocketSphinx takes its finite-state grammars in: one public
// rule over words of the decoder's dictionary. Every grammar the recogniser listens with is
// written here.

// Any one of `words`: "#JSGF V1.0;\ngrammar G;\npublic <R> = a | b | c ;\n".
QString jsgfOneOf(const QString& grammar, const QString& rule, const QStringList& words);
// Any run of one or more of `words` (a free loop): "public <R> = ( a | b | c )+ ;".
QString jsgfRunOf(const QString& grammar, const QString& rule, const QStringList& words);

// The decoder's names for its words: the grammar's phrases (w0, w1, ...), the morae of the free
// loop (m0, ...) and the words of chat listening (d0, ...), each by its index; wordIndex reads the
// index back (nullopt for any other name).
QString phraseWord(std::size_t i);
QString loopWord(std::size_t i);
QString chatWord(std::size_t i);
std::optional<std::size_t> wordIndex(const QString& word);

}  // namespace rentabo
