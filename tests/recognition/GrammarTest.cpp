#include "speech/platform/CommandGrammar.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace rentabo;

namespace {

const QString kGrammarPath = QStringLiteral(RENTABO_SOURCE_DIR "/resources/KukuGrammar.xml");

int commandOf(const GrammarPhrase& p) {
    return GetPropertyValue(RecoResult{p.text, p.properties}, QStringLiteral("chosencolour"),
                            QStringLiteral("colourvalue"))
        .toInt();
}

std::optional<CommandGrammar> parse(const char* xml, QString* error = nullptr) {
    QString ignored;
    return CommandGrammar::fromXml(QByteArray(xml), error ? error : &ignored);
}

QStringList texts(const CommandGrammar& g) {
    QStringList out;
    for (const auto& p : g.phrases()) out << p.text;
    return out;
}

}  // namespace

TEST(KukuGrammar, AttachesEveryCommandNumberTheProgramHandles) {
    QString error;
    auto g = CommandGrammar::fromFile(kGrammarPath, &error);
    ASSERT_TRUE(g) << error.toStdString();
    QSet<int> numbers;
    for (const auto& p : g->phrases()) numbers.insert(commandOf(p));
    QSet<int> wanted;
    for (int c = 1; c <= 14; ++c) wanted.insert(c);
    wanted.insert(50);
    for (int c = 61; c <= 75; ++c) wanted.insert(c);
    for (int c : {78, 80, 85, 86, 88, 98, 99}) wanted.insert(c);
    for (int n = 0; n < 100; ++n) wanted.insert(100 + n);
    for (int k = 0; k < 81; ++k) wanted.insert(201 + k);
    for (int c = 301; c <= 310; ++c) wanted.insert(c);
    for (int c : wanted) EXPECT_TRUE(numbers.contains(c)) << "no phrase carries " << c;
    for (int c : numbers) EXPECT_TRUE(wanted.contains(c)) << "unexpected number " << c;
}

TEST(KukuGrammar, HoldsEveryPhraseOfThePhraseListWithItsNumber) {
    auto g = CommandGrammar::fromFile(kGrammarPath, nullptr);
    ASSERT_TRUE(g);
    QFile list(QStringLiteral("/work/shared/data/phrases/phrases.tsv"));
    if (!list.open(QIODevice::ReadOnly)) GTEST_SKIP() << "phrase list not present";
    int checked = 0;
    for (const QByteArray& line : list.readAll().split('\n')) {
        if (line.isEmpty() || line.startsWith('#')) continue;
        const QList<QByteArray> cols = line.split('\t');
        const int number = cols[0].toInt();
        const QString text = QString::fromUtf8(cols[1]);
        bool found = false;
        for (const auto& p : g->phrases()) found = found || (p.text == text && commandOf(p) == number);
        EXPECT_TRUE(found) << text.toStdString() << " as " << number;
        ++checked;
    }
    EXPECT_EQ(checked, 176);
}

TEST(KukuGrammar, NoPhraseCarriesTwoNumbers) {
    auto g = CommandGrammar::fromFile(kGrammarPath, nullptr);
    ASSERT_TRUE(g);
    QHash<QString, int> seen;
    for (const auto& p : g->phrases()) {
        const int c = commandOf(p);
        if (seen.contains(p.text)) {
            EXPECT_EQ(seen.value(p.text), c) << p.text.toStdString();
        }
        seen.insert(p.text, c);
    }
}

TEST(GrammarReader, NestsPropertiesAsTheElementsNest) {
    auto g = parse(R"(<GRAMMAR><RULE ID="7" NAME="r" TOPLEVEL="ACTIVE">
        <P PROPNAME="outer" VAL="1"><P PROPNAME="inner" VALSTR="x">あ</P><P PROPNAME="second">い</P></P>
      </RULE></GRAMMAR>)");
    ASSERT_TRUE(g);
    ASSERT_EQ(g->phrases().size(), 1u);
    const auto& p = g->phrases()[0];
    EXPECT_EQ(p.text, QStringLiteral(u"あい"));
    EXPECT_EQ(p.ruleId, 7);
    ASSERT_EQ(p.properties.size(), 1u);
    EXPECT_EQ(p.properties[0].name, QStringLiteral("outer"));
    EXPECT_EQ(p.properties[0].value, QStringLiteral("1"));
    ASSERT_EQ(p.properties[0].children.size(), 2u);
    EXPECT_EQ(p.properties[0].children[0].value, QStringLiteral("x"));
    EXPECT_EQ(p.properties[0].children[1].name, QStringLiteral("second"));
}

TEST(GrammarReader, ListItemValuesGoToTheListsProperty) {
    auto g = parse(R"(<GRAMMAR><RULE NAME="c" TOPLEVEL="ACTIVE">
        <P PROPNAME="chosencolour"><L PROPNAME="colourvalue">
          <P VAL="1"><L><P>あか</P><P>あかいろ</P></L></P><P VAL="2">あお</P>
        </L></P></RULE></GRAMMAR>)");
    ASSERT_TRUE(g);
    ASSERT_EQ(texts(*g), (QStringList{u"あか"_qs, u"あかいろ"_qs, u"あお"_qs}));
    EXPECT_EQ(commandOf(g->phrases()[1]), 1);
    EXPECT_EQ(commandOf(g->phrases()[2]), 2);
}

TEST(GrammarReader, ExpandsOptionalPartsAndRuleReferences) {
    auto g = parse(R"(<GRAMMAR>
        <RULE NAME="polite"><L><P>ください</P><P>ね</P></L></RULE>
        <RULE ID="3" NAME="top" TOPLEVEL="INACTIVE"><P>みせて</P><O><RULEREF NAME="polite"/></O></RULE>
        <RULE ID="4" TOPLEVEL="ACTIVE"><P>よんで</P><RULEREF REFID="3"/></RULE>
      </GRAMMAR>)");
    ASSERT_TRUE(g);
    EXPECT_EQ(texts(*g), (QStringList{u"みせて"_qs, u"みせてください"_qs, u"みせてね"_qs, u"よんでみせて"_qs,
                                      u"よんでみせてください"_qs, u"よんでみせてね"_qs}));
    EXPECT_FALSE(g->ruleById(3)->initiallyActive);
    EXPECT_TRUE(g->ruleById(4)->initiallyActive);
    EXPECT_FALSE(g->rules()[0].topLevel);
}

TEST(GrammarReader, LooksUpPropertiesWithoutRegardToCaseFirstMatchWinning) {
    RecoResult r;
    r.properties = {
        {u"ChosenColour"_qs, {}, {{u"COLOURVALUE"_qs, u"63"_qs, {}}, {u"colourvalue"_qs, u"5"_qs, {}}}},
        {u"chosencolour"_qs, {}, {{u"colourvalue"_qs, u"7"_qs, {}}}}};
    struct Case {
        QString name, child, expected;
    };
    const Case cases[] = {
        {u"chosencolour"_qs, u"colourvalue"_qs, u"63"_qs},
        {u"CHOSENCOLOUR"_qs, u"ColourValue"_qs, u"63"_qs},
        {u"chosencolour"_qs, u"missing"_qs, {}},
        {u"missing"_qs, u"colourvalue"_qs, {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(GetPropertyValue(r, c.name, c.child), c.expected) << c.name.toStdString();
    EXPECT_EQ(GetPropertyValue(RecoResult{}, u"chosencolour"_qs, u"colourvalue"_qs).toInt(), 0);
}

TEST(GrammarReader, RefusesBrokenGrammarsWithAReason) {
    struct Case {
        const char* what;
        const char* xml;
    };
    const Case cases[] = {
        {"not XML", "this is not a grammar"},
        {"unclosed element", "<GRAMMAR><RULE NAME='a' TOPLEVEL='ACTIVE'><P>あ</RULE></GRAMMAR>"},
        {"wrong root", "<RULES><RULE NAME='a' TOPLEVEL='ACTIVE'><P>あ</P></RULE></RULES>"},
        {"unknown element", "<GRAMMAR><RULE NAME='a' TOPLEVEL='ACTIVE'><X>あ</X></RULE></GRAMMAR>"},
        {"no top-level rule", "<GRAMMAR><RULE NAME='a'><P>あ</P></RULE></GRAMMAR>"},
        {"missing reference",
         "<GRAMMAR><RULE NAME='a' TOPLEVEL='ACTIVE'><RULEREF NAME='b'/></RULE></GRAMMAR>"},
        {"recursive rule",
         "<GRAMMAR><RULE NAME='a' TOPLEVEL='ACTIVE'><P>あ</P><RULEREF NAME='a'/></RULE></GRAMMAR>"},
        {"duplicate id",
         "<GRAMMAR><RULE ID='1' TOPLEVEL='ACTIVE'><P>あ</P></RULE><RULE ID='1'><P>い</P></RULE></GRAMMAR>"},
        {"bad id", "<GRAMMAR><RULE ID='x' TOPLEVEL='ACTIVE'><P>あ</P></RULE></GRAMMAR>"},
        {"empty list", "<GRAMMAR><RULE NAME='a' TOPLEVEL='ACTIVE'><L/></RULE></GRAMMAR>"},
        {"empty file", ""},
    };
    for (const auto& c : cases) {
        QString error;
        EXPECT_FALSE(parse(c.xml, &error)) << c.what;
        EXPECT_FALSE(error.isEmpty()) << c.what;
    }
}

TEST(GrammarReader, RefusesAnExplosionOfAlternatives) {
    // Eight lists of ten in a row would be 10^8 phrases.
    QByteArray xml = "<GRAMMAR><RULE NAME='a' TOPLEVEL='ACTIVE'>";
    for (int i = 0; i < 8; ++i) {
        xml += "<L>";
        for (int j = 0; j < 10; ++j) xml += "<P>あ</P>";
        xml += "</L>";
    }
    xml += "</RULE></GRAMMAR>";
    QString error;
    EXPECT_FALSE(CommandGrammar::fromXml(xml, &error));
    EXPECT_FALSE(error.isEmpty());
}

TEST(GrammarReader, NeverReadsAnExternalEntity) {
    QTemporaryDir dir;
    const QString secret = dir.filePath(QStringLiteral("secret.txt"));
    QFile f(secret);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("ひみつ");
    f.close();
    const QByteArray xml = "<?xml version='1.0'?><!DOCTYPE GRAMMAR [<!ENTITY x SYSTEM 'file://" +
                           secret.toUtf8() +
                           "'>]><GRAMMAR><RULE NAME='a' TOPLEVEL='ACTIVE'><P>&x;</P></RULE></GRAMMAR>";
    QString error;
    auto g = CommandGrammar::fromXml(xml, &error);
    EXPECT_FALSE(g);
    EXPECT_TRUE(error.contains(u"DTD")) << error.toStdString();
}

TEST(GrammarReader, ReportsAMissingFile) {
    QString error;
    EXPECT_FALSE(CommandGrammar::fromFile(QStringLiteral("/nonexistent/KukuGrammar.xml"), &error));
    EXPECT_TRUE(error.contains(u"KukuGrammar.xml"));
}
