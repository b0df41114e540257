#include "settings/Cp932.h"
#include "settings/LearnerNumber.h"

#include <gtest/gtest.h>

namespace rentabo {
namespace {

TEST(Cp932, JapaneseTextSurvivesTheRoundTrip) {
    // Katakana and kanji whose second byte is '\' (0x5C) are the classic Shift-JIS traps.
    for (const QString& text :
         {QStringLiteral(u"くく はじめ"), QStringLiteral(u"ソフト表示能力"),
          QStringLiteral(u"九九きわむ：１２３ＡＢＣ"), QStringLiteral(u"ｶﾀｶﾅ"), QString()}) {
        EXPECT_EQ(fromCp932(toCp932(text)), text) << text.toStdString();
    }
}

TEST(Cp932, EncodesToShiftJisBytes) {
    EXPECT_EQ(toCp932(QStringLiteral(u"あ")), QByteArray("\x82\xA0"));
    EXPECT_EQ(toCp932(QStringLiteral(u"ソ")), QByteArray("\x83\x5C"));
}

TEST(Cp932, UnrepresentableCharactersBecomeOneQuestionMarkEach) {
    EXPECT_EQ(toCp932(QStringLiteral(u"あ😀い")), QByteArray("\x82\xA0?\x82\xA2"));
}

TEST(Cp932, InvalidBytesBecomeReplacementCharacters) {
    // Bytes that are no character, and a lead byte followed by no trail byte; the text around
    // them must not be lost.
    EXPECT_EQ(fromCp932(QByteArray("\xFF") + "ab" + "\x80"), QStringLiteral(u"\uFFFDab\uFFFD"));
    EXPECT_EQ(fromCp932(QByteArray("\x82 ") + "\x82\xA0"), QStringLiteral(u"\uFFFD あ"));
    // A lead byte cut off at the end of the text.
    EXPECT_EQ(fromCp932(QByteArray("ab\x82")), QStringLiteral(u"ab\uFFFD"));
}

TEST(Cp932, LearnerNumberSumsSignedBytesWidenedTo16Bits) {
    struct Case {
        QString name;
        int expected;
    };
    const Case cases[] = {
        {QString(), 0},
        {QStringLiteral("A"), 65},
        {QStringLiteral("ab"), 97 + 98},
        {QStringLiteral(u"あ"), 0xFF82 + 0xFFA0},  // 0x82 0xA0
        {QStringLiteral(u"ｱ"), 0xFFB1},            // half-width kana: one byte 0xB1
    };
    for (const Case& c : cases) EXPECT_EQ(indivNumOf(c.name), c.expected) << c.name.toStdString();
}

TEST(Cp932, LearnerNumberKeepsTheLow32Bits) {
    // 33 000 × (0xFF82 + 0xFFA0) = 4 318 050 000, past 2^32.
    const QString name(33000, QChar(u'あ'));
    EXPECT_EQ(indivNumOf(name), static_cast<int>(4318050000ULL - 4294967296ULL));
    // Past 2^31 the number reads as negative, as a 32-bit int does.
    const QString longer(17000, QChar(u'あ'));  // 2 224 450 000
    EXPECT_EQ(indivNumOf(longer), static_cast<int>(static_cast<unsigned>(2224450000U)));
    EXPECT_LT(indivNumOf(longer), 0);
}

}  // namespace
}  // namespace rentabo
