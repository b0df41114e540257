#pragma once

#include <QString>

namespace rentabo {

// Hiragana for katakana (ー and other signs are kept).
QString toHiragana(const QString& text);

// The reading of a Japanese text in hiragana: kanji are read by MeCab (dictionary
// mecab-ipadic-utf8), kana are kept. Without MeCab the text comes back with only katakana
// turned into hiragana.
QString readingOf(const QString& text);

// True when MeCab and its dictionary could be opened.
bool readingAvailable();

// How a child says a number 0..99 ("じゅうはち"); empty outside that range.
QString numberReading(int n);

// A typed or recognised text reduced for comparison: width folded (NFKC), katakana as hiragana,
// blanks and punctuation removed, and a number written in digits (0..99) replaced by its reading.
QString normalisePhrase(const QString& text);

}  // namespace rentabo
