#pragma once

#include <QString>
#include <QStringList>

#include <vector>

namespace rentabo {

// The ways a kana reading is mapped onto the phones of the English acoustic model. Japanese
// speech lies between English phones, so each phrase gets up to three pronunciations:
//  Plain:        vowels AA IY UW EH OW, long vowels doubled, っ repeating the next consonant,
//                ん as N, palatal kana adding Y, し SH, ち CH, つ T S, じ JH, ふ F;
//  SoftNasal:    as Plain with じ as ZH and ん as UW before fricatives and vowels;
//  TappedR:      as Plain with r as D and u as UH.
enum class PhoneVariant { Plain, SoftNasal, TappedR };

// The phones of a hiragana or katakana reading; empty when it holds anything else.
QStringList kanaToPhones(const QString& kana, PhoneVariant variant = PhoneVariant::Plain);

// The distinct pronunciations of a reading, Plain first; empty when it cannot be pronounced.
std::vector<QStringList> pronunciationsOf(const QString& kana);

}  // namespace rentabo
