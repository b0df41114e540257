#include "speech/TypedPhraseForm.h"
#include "speech/platform/TypedPhraseContext.h"

#include "tests/TestOutput.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <map>

using namespace rentabo;

namespace {

const QString kGrammarPath = QStringLiteral(RENTABO_SOURCE_DIR "/resources/KukuGrammar.xml");

// The recognition context in command listening, with what it delivered.
struct TypedRig {
    TypedRig() {
        loaded = context.CmdLoadFromFile(kGrammarPath) && context.CmdSetRuleIdState(0, true);
        QObject::connect(&context, &SpSharedRecoContext::Recognition, &context,
                         [this](int, qint64, int, const RecoResult& r) {
                             texts << r.text;
                             numbers.push_back(GetPropertyValue(r, QStringLiteral("chosencolour"),
                                                                QStringLiteral("colourvalue"))
                                                   .toInt());
                         });
        QObject::connect(&context, &SpSharedRecoContext::FalseRecognition, &context,
                         [this](int, qint64, const RecoResult& r) { unmatched << r.text; });
    }
    template <typename T>
    T* child(const char* name) {
        T* w = form.findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    // Typed phrases arrive from the event loop, like spoken ones.
    void settle() { QCoreApplication::processEvents(); }

    TypedPhraseContext context;
    bool loaded = false;
    TTypedPhraseForm form{context};
    QStringList texts;
    std::vector<int> numbers;
    QStringList unmatched;
};

}  // namespace

TEST(TypedPhraseForm, EveryOfferedExampleIsUnderstoodWithItsCommandNumber) {
    const std::map<QString, int> expected{
        {QStringLiteral(u"さん"), 103},
        {QStringLiteral(u"じゅうはち"), 118},
        {QStringLiteral(u"テスト始め"), 70},
        {QStringLiteral(u"テストおわり"), 71},
        {QStringLiteral(u"三の段"), 63},
        {QStringLiteral(u"さぶろくじゅうはち"), 224},
        {QStringLiteral(u"いちのだんをよんで"), 301},
        {QStringLiteral(u"にがてをよんで"), 310},
        {QStringLiteral(u"おはなしモード"), 72},
        {QStringLiteral(u"がめんクリア"), 98},
        {QStringLiteral(u"せいせきをみせて"), 74},
        {QStringLiteral(u"さようなら"), 99},
    };
    TypedRig rig;
    ASSERT_TRUE(rig.loaded) << rig.context.grammarError().toStdString();
    const QList<QPushButton*> buttons = rig.child<QWidget>("ExampleBox")->findChildren<QPushButton*>();
    ASSERT_EQ(buttons.size(), TTypedPhraseForm::examplePhrases().size());
    for (QPushButton* b : buttons) {
        const QString phrase = b->text();
        SCOPED_TRACE(phrase.toStdString());
        ASSERT_EQ(expected.count(phrase), 1u) << "an example without an expected number";
        rig.texts.clear();
        rig.numbers.clear();
        b->click();
        rig.settle();
        ASSERT_EQ(rig.numbers.size(), 1u);
        EXPECT_EQ(rig.numbers[0], expected.at(phrase));
        EXPECT_TRUE(rig.unmatched.isEmpty());
    }
}

TEST(TypedPhraseForm, TypedTextGoesToTheContextOnceAndTheBoxClears) {
    struct Case {
        const char* name;
        QString typed;
        std::function<void(TypedRig&)> send;
        std::vector<int> numbers;
        QStringList unmatched;
    };
    const auto enter = [](TypedRig& r) { QTest::keyClick(r.child<QLineEdit>("PhraseEdit"), Qt::Key_Return); };
    const auto button = [](TypedRig& r) { r.child<QPushButton>("SayButton")->click(); };
    const Case cases[] = {
        {"Enter", QStringLiteral(u"しちのだん"), enter, {67}, {}},
        {"話す", QStringLiteral(u"はい"), button, {80}, {}},
        {"spaces around", QStringLiteral(u"  18 "), button, {118}, {}},
        {"nothing typed", QString(), button, {}, {}},
        {"only spaces", QStringLiteral(u"　 "), enter, {}, {}},
        {"a phrase no rule holds", QStringLiteral(u"ぽよぽよ"), enter, {}, {QStringLiteral(u"ぽよぽよ")}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TypedRig rig;
        ASSERT_TRUE(rig.loaded);
        rig.form.show();
        QLineEdit* edit = rig.child<QLineEdit>("PhraseEdit");
        edit->setFocus();
        edit->insert(c.typed);  // as an input method commits it
        EXPECT_EQ(edit->text(), c.typed);
        c.send(rig);
        EXPECT_TRUE(edit->text().isEmpty());
        rig.settle();
        EXPECT_EQ(rig.numbers, c.numbers);
        EXPECT_EQ(rig.unmatched, c.unmatched);
    }
}

TEST(TypedPhraseForm, TellsTheChildWhetherThePhraseWasUnderstood) {
    TypedRig rig;
    ASSERT_TRUE(rig.loaded);
    EXPECT_EQ(rig.form.windowTitle(), QStringLiteral(u"文字で話しかける"));
    EXPECT_FALSE(rig.form.isModal());
    QLabel* status = rig.child<QLabel>("StatusLabel");
    rig.form.say(QStringLiteral(u"テスト始め"));
    rig.settle();
    EXPECT_TRUE(status->text().contains(QStringLiteral(u"伝わりました"))) << status->text().toStdString();
    rig.form.say(QStringLiteral(u"ぽよぽよ"));
    rig.settle();
    EXPECT_TRUE(status->text().contains(QStringLiteral(u"わかりませんでした")))
        << status->text().toStdString();
    rig.form.show();
    rig.form.grab().save(testOutputPath(QStringLiteral("typed-phrase.png")));
}
