#include "speech/platform/JapaneseReading.h"
#include "speech/platform/KanaPhones.h"

#include <gtest/gtest.h>

using namespace rentabo;

TEST(KanaPhones, MapsKanaOntoTheModelsPhones) {
    struct Case {
        QString kana;
        PhoneVariant variant;
        QString phones;
    };
    const Case cases[] = {
        {u"じゅう"_qs, PhoneVariant::Plain, u"JH UW UW"_qs},
        {u"きゅう"_qs, PhoneVariant::Plain, u"K Y UW UW"_qs},
        {u"はっぱ"_qs, PhoneVariant::Plain, u"HH AA P P AA"_qs},
        {u"しち"_qs, PhoneVariant::Plain, u"SH IY CH IY"_qs},
        {u"つ"_qs, PhoneVariant::Plain, u"T S UW"_qs},
        {u"ふ"_qs, PhoneVariant::Plain, u"F UW"_qs},
        {u"さんし"_qs, PhoneVariant::Plain, u"S AA N SH IY"_qs},
        {u"テスト"_qs, PhoneVariant::Plain, u"T EH S UW T OW"_qs},
        {u"グレー"_qs, PhoneVariant::Plain, u"G UW R EH EH"_qs},
        {u"しょう"_qs, PhoneVariant::Plain, u"SH OW UW"_qs},
        {u"ごっく"_qs, PhoneVariant::Plain, u"G OW K K UW"_qs},
        // じ as ZH; ん as UW before a fricative or a vowel but N before a stop.
        {u"にじゅう"_qs, PhoneVariant::SoftNasal, u"N IY ZH UW UW"_qs},
        {u"さんし"_qs, PhoneVariant::SoftNasal, u"S AA UW SH IY"_qs},
        {u"いんいち"_qs, PhoneVariant::SoftNasal, u"IY UW IY CH IY"_qs},
        {u"さんご"_qs, PhoneVariant::SoftNasal, u"S AA N G OW"_qs},
        {u"ろく"_qs, PhoneVariant::TappedR, u"D OW K UH"_qs},
    };
    for (const auto& c : cases)
        EXPECT_EQ(kanaToPhones(c.kana, c.variant).join(u' '), c.phones) << c.kana.toStdString();
}

TEST(KanaPhones, GivesNothingForWhatItCannotSay) {
    for (const QString& s : {u"abc"_qs, u"三"_qs, u"ーあ"_qs, QString()})
        EXPECT_TRUE(kanaToPhones(s).isEmpty()) << s.toStdString();
    EXPECT_TRUE(pronunciationsOf(u"x"_qs).empty());
}

TEST(KanaPhones, KeepsOnlyDistinctPronunciations) {
    // あお has no じ, ん, r or u: all three variants agree.
    EXPECT_EQ(pronunciationsOf(u"あお"_qs).size(), 1u);
    EXPECT_EQ(pronunciationsOf(u"ろくじゅう"_qs).size(), 3u);
}

TEST(JapaneseReading, NormalisesTypedTextToAReading) {
    struct Case {
        QString typed, expected;
    };
    const Case cases[] = {
        {u"18"_qs, u"じゅうはち"_qs},
        {u"１８"_qs, u"じゅうはち"_qs},
        {u"0"_qs, u"ぜろ"_qs},
        {u"40"_qs, u"よんじゅう"_qs},
        {u" テスト はじめ！"_qs, u"てすとはじめ"_qs},
        {u"ﾃｽﾄ"_qs, u"てすと"_qs},
        {u"三の段"_qs, u"さんのだん"_qs},
    };
    for (const auto& c : cases) EXPECT_EQ(normalisePhrase(c.typed), c.expected) << c.typed.toStdString();
}
