#include "core/KukuTables.h"
#include "speech/platform/EspeakSynth.h"
#include "speech/platform/KanaReading.h"

#include <QStringList>

#include "tests/voice/ProgramTexts.h"

#include <gtest/gtest.h>

using namespace rentabo;

TEST(KanaReading, NumbersAreReadAsJapaneseNumbers) {
    const struct {
        const char* digits;
        const char16_t* reading;
    } cases[] = {
        {"0", u"ぜろ"},
        {"1", u"いち"},
        {"10", u"じゅう"},
        {"18", u"じゅうはち"},
        {"20", u"にじゅう"},
        {"81", u"はちじゅういち"},
        {"100", u"ひゃく"},
        {"300", u"さんびゃく"},
        {"600", u"ろっぴゃく"},
        {"800", u"はっぴゃく"},
        {"1000", u"せん"},
        {"3000", u"さんぜん"},
        {"8000", u"はっせん"},
        {"10000", u"いちまん"},
        {"1234567", u"ひゃくにじゅうさんまんよんせんごひゃくろくじゅうなな"},
        {"007", u"なな"},
        {"123456789", u"いちにさんよんごろくななはちきゅう"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(numberToKana(QString::fromLatin1(c.digits)), QString::fromUtf16(c.reading)) << c.digits;
}

class KanaReaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        QString why;
        reader = KanaReader::open(&why);
        if (!reader) GTEST_SKIP() << why.toStdString();
    }
    std::unique_ptr<KanaReader> reader;
};

TEST_F(KanaReaderTest, TextsAreReadAsTheyAreSaid) {
    const struct {
        const char16_t* text;
        const char16_t* expected;
    } cases[] = {
        {u"九九をものにしちゃおうね。", u"ククヲものにしちゃおうね。"},
        {u"３×６は18です", u"さんカケルろくワじゅうはちです"},
        {u"4から6の", u"よんカラろくノ"},
        {u"道場を閉めます。", u"ドージョーヲシメます。"},
        {u"さぶろく じゅうはち", u"さぶろく じゅうはち"},
        {u"九九・きわむ", u"クク、きわむ"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(reader->toKana(QString::fromUtf16(c.text)), QString::fromUtf16(c.expected))
            << QString::fromUtf16(c.text).toStdString();
}

TEST_F(KanaReaderTest, NoKanjiReachesTheEngineFromAnyTextTheProgramSpeaks) {
    int checked = 0;
    for (const QString& text : rentabo::testing::programTexts()) {
        const QString kana = reader->toKana(text);
        for (QChar c : kana) ASSERT_FALSE(isKanji(c)) << text.toStdString() << " -> " << kana.toStdString();
        ++checked;
    }
    EXPECT_GE(checked, 81 * 3);
}

TEST(KanaReading, KanjiAreRecognised) {
    const struct {
        char16_t c;
        bool kanji;
    } cases[] = {{u'九', true},  {u'々', true},  {u'閉', true},  {u'く', false}, {u'ク', false},
                 {u'ー', false}, {u'・', false}, {u'１', false}, {u'A', false}};
    for (const auto& c : cases) EXPECT_EQ(isKanji(QChar(c.c)), c.kanji) << int(c.c);
}
