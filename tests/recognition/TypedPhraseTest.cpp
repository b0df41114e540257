#include "RecognitionRig.h"

#include "speech/platform/TypedPhraseContext.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace rentabo;
using namespace rentabo::testing;

namespace {

struct Heard {
    QStringList texts;
    std::vector<int> numbers;
    QStringList unmatched;
};

void listen(SpSharedRecoContext& c, Heard& heard) {
    QObject::connect(
        &c, &SpSharedRecoContext::Recognition, &c, [&heard](int, qint64, int, const RecoResult& r) {
            heard.texts << r.text;
            heard.numbers.push_back(
                GetPropertyValue(r, QStringLiteral("chosencolour"), QStringLiteral("colourvalue")).toInt());
        });
    QObject::connect(&c, &SpSharedRecoContext::FalseRecognition, &c,
                     [&heard](int, qint64, const RecoResult& r) { heard.unmatched << r.text; });
}

}  // namespace

TEST(TypedPhrases, EveryCommandRangeArrivesWithItsNumber) {
    TypedPhraseContext c;
    ASSERT_TRUE(c.CmdLoadFromFile(kGrammarPath)) << c.grammarError().toStdString();
    ASSERT_TRUE(c.CmdSetRuleIdState(0, true));
    struct Case {
        QString typed;
        int number;
    };
    const Case cases[] = {
        {u"あか"_qs, 1},
        {u"アカ"_qs, 1},
        {u"きいろ"_qs, 4},
        {u"うぐいすいろ"_qs, 50},
        {u"さんのだん"_qs, 63},
        {u"三の段"_qs, 63},
        {u"しちのだん"_qs, 67},
        {u"テストはじめ"_qs, 70},
        {u"テスト始め"_qs, 70},
        {u"テストおわり"_qs, 71},
        {u"おはなしモード"_qs, 72},
        {u"あんしょうテスト"_qs, 73},
        {u"せいせきをみせて"_qs, 74},
        {u"ひらけごま"_qs, 75},
        {u"ええと"_qs, 78},
        {u"はい"_qs, 80},
        {u"よーいどん"_qs, 85},
        {u"ストップ"_qs, 86},
        {u"きほんのいろ"_qs, 88},
        {u"がめんクリア"_qs, 98},
        {u"さようなら"_qs, 99},
        {u"ぜろ"_qs, 100},
        {u"0"_qs, 100},
        {u"18"_qs, 118},
        {u"１８"_qs, 118},
        {u"じゅうく"_qs, 119},
        {u"しじゅうなな"_qs, 147},
        {u"きゅうじゅうきゅう"_qs, 199},
        {u"いんいちがいち"_qs, 201},
        {u"さぶろくじゅうはち"_qs, 224},
        {u"さんぱにじゅうよん"_qs, 226},
        {u"くくはちじゅういち"_qs, 281},
        {u"いちのだんをよんで"_qs, 301},
        {u"にがてをよんで"_qs, 310},
    };
    for (const auto& k : cases) {
        Heard heard;
        listen(c, heard);
        c.acceptTypedPhrase(k.typed);
        ASSERT_EQ(heard.numbers.size(), 1u) << k.typed.toStdString();
        EXPECT_EQ(heard.numbers[0], k.number) << k.typed.toStdString();
        c.disconnect();
    }
}

TEST(TypedPhrases, TheResultCarriesTheGrammarsTextNotTheTyping) {
    TypedPhraseContext c;
    ASSERT_TRUE(c.CmdLoadFromFile(kGrammarPath));
    c.CmdSetRuleIdState(0, true);
    Heard heard;
    listen(c, heard);
    c.acceptTypedPhrase(u" 三の段 "_qs);
    EXPECT_EQ(heard.texts, QStringList{u"さんのだん"_qs});
}

TEST(TypedPhrases, OnlyActiveRulesAreHeard) {
    TypedPhraseContext c;
    ASSERT_TRUE(c.CmdLoadFromFile(kGrammarPath));
    c.CmdSetRuleIdState(0, false);
    ASSERT_TRUE(c.CmdSetRuleIdState(4, true));  // the numbers
    EXPECT_FALSE(c.CmdSetRuleIdState(42, true));
    Heard heard;
    listen(c, heard);
    c.acceptTypedPhrase(u"あか"_qs);
    c.acceptTypedPhrase(u"じゅう"_qs);
    c.CmdSetRuleIdState(0, false);
    c.acceptTypedPhrase(u"じゅう"_qs);
    EXPECT_EQ(heard.numbers, std::vector<int>{110});
    EXPECT_EQ(heard.unmatched, (QStringList{u"あか"_qs, u"じゅう"_qs}));
}

TEST(TypedPhrases, DictationPassesTextThroughWithoutANumber) {
    TypedPhraseContext c;
    ASSERT_TRUE(c.CmdLoadFromFile(kGrammarPath));
    ASSERT_TRUE(c.DictationLoad());
    c.CmdSetRuleIdState(0, false);
    ASSERT_TRUE(c.DictationSetState(true));
    Heard heard;
    listen(c, heard);
    c.acceptTypedPhrase(u"おはようございます"_qs);
    c.acceptTypedPhrase(u"   "_qs);
    EXPECT_EQ(heard.texts, QStringList{u"おはようございます"_qs});
    EXPECT_EQ(heard.numbers, std::vector<int>{0});
}

TEST(TypedPhrases, DictationCannotListenBeforeItIsLoaded) {
    TypedPhraseContext c;
    EXPECT_FALSE(c.DictationSetState(true));
    EXPECT_FALSE(c.dictationActive());
}

TEST(TypedPhrases, WithoutAGrammarCommandListeningHearsNothing) {
    TypedPhraseContext c;
    EXPECT_FALSE(c.CmdLoadFromFile(QStringLiteral("/nonexistent/KukuGrammar.xml")));
    EXPECT_FALSE(c.grammarError().isEmpty());
    EXPECT_TRUE(c.CmdSetRuleIdState(0, true));
    Heard heard;
    listen(c, heard);
    c.acceptTypedPhrase(u"あか"_qs);
    EXPECT_TRUE(heard.texts.isEmpty());
    EXPECT_EQ(heard.unmatched, QStringList{u"あか"_qs});
}

TEST(TypedPhrases, AFailedReloadDropsTheOldGrammar) {
    TypedPhraseContext c;
    ASSERT_TRUE(c.CmdLoadFromFile(kGrammarPath));
    EXPECT_FALSE(c.loadGrammarXml("<GRAMMAR>"));
    c.CmdSetRuleIdState(0, true);
    Heard heard;
    listen(c, heard);
    c.acceptTypedPhrase(u"あか"_qs);
    EXPECT_TRUE(heard.texts.isEmpty());
}
