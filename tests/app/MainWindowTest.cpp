#include "app/TKukuForm.h"
#include "lessons/KukuTables.h"
#include "lessons/VirtualPacer.h"
#include "speech/platform/SilentVoice.h"
#include "speech/platform/SpeechFailure.h"
#include "speech/platform/TypedPhraseContext.h"
#include "ui_KukuForm.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace rentabo;

namespace {

QString q(const char16_t* s) {
    return QString::fromUtf16(s);
}

struct MainWindowFixture : ::testing::Test {
    QTemporaryDir dir;
    std::unique_ptr<TKukuForm> form;

    void SetUp() override {
        KukuServices services;
        services.voice = std::make_unique<SilentVoice>();
        services.reco = std::make_unique<TypedPhraseContext>();
        form = std::make_unique<TKukuForm>(std::move(services), dir.path() + u'/');
        form->confirmClose = [] { return true; };
        form->messageHook = [this](const QString& text, const QString& caption) {
            messages << caption + u'|' + text;
        };
        form->show();
    }
    QStringList messages;
};

}  // namespace

TEST_F(MainWindowFixture, OpensWithCaptionDefaultsAndBoard) {
    EXPECT_EQ(form->windowTitle(), q(u"『Rentabo(V)』R(音声版)Speak&Hear v2.48  ---Pelunari"));
    EXPECT_EQ(form->pos(), QPoint(200, 200));
    EXPECT_EQ(form->ui().Edit2->text(), q(u"くく はじめ"));
    EXPECT_EQ(form->ui().StaticText6->text(), QStringLiteral("1234567"));
    EXPECT_EQ(form->ui().ComboBox1->currentText(), q(u"二の段"));
    EXPECT_EQ(form->ui().ComboBox2->currentText(), q(u"２.練 習（段級・順）"));
    EXPECT_EQ(form->ui().ComboBox1->count(), 13);
    EXPECT_EQ(form->ui().ComboBox2->count(), 10);
    EXPECT_EQ(form->state().formReady, 1);
    // No grammar file beside the program: the memo says so and listening goes on.
    EXPECT_TRUE(form->ui().msgText->toPlainText().contains(q(u"Grammar の読み込みに失敗。")));
}

TEST_F(MainWindowFixture, InformationToggleSwitchesHeightAndEmptiesTheMemo) {
    form->appendMemo(QStringLiteral("x\n"));
    EXPECT_EQ(form->designHeight(), 790);
    const int tall = form->height();
    form->I1Click();
    EXPECT_EQ(form->designHeight(), 634);
    EXPECT_EQ(tall - form->height(), 790 - 634);
    EXPECT_TRUE(form->ui().msgText->toPlainText().isEmpty());
    EXPECT_FALSE(form->ui().Panel3->isVisible());
    EXPECT_FALSE(form->ui().I1->isChecked());
    form->I1Click();
    EXPECT_EQ(form->height(), tall);
    EXPECT_TRUE(form->ui().I1->isChecked());
}

TEST_F(MainWindowFixture, KeyLClearsTheScreenAndShowsTheLists) {
    form->CBoxDsp(0);
    form->setBoardText(BoardText::Expression, q(u"３×６＝"));
    form->state().testRec.fill(1);
    QTest::keyClick(form->ui().Button1, Qt::Key_L);
    EXPECT_TRUE(form->ui().StaticText11->text().isEmpty());
    EXPECT_TRUE(form->ui().ComboBox1->isVisible());
    EXPECT_EQ(form->state().testRec[0], 2);
}

TEST_F(MainWindowFixture, TypingTheLetterLIntoTheNameDoesNotClearTheScreen) {
    form->setBoardText(BoardText::Expression, q(u"３×６＝"));
    form->ui().Edit2->setFocus();
    QTest::keyClick(form->ui().Edit2, Qt::Key_L);
    EXPECT_EQ(form->ui().StaticText11->text(), q(u"３×６＝"));
}

TEST_F(MainWindowFixture, MemoCountsItsLines) {
    form->clearMemo();
    form->appendMemo(QStringLiteral("a\nb\n"));
    EXPECT_EQ(form->ui().StaticText21->text(), QStringLiteral("2"));
    form->ui().HypoClrBtn->click();
    EXPECT_EQ(form->memoLineCount(), 0);
}

TEST_F(MainWindowFixture, NameChangeCancelledKeepsTheOldName) {
    form->state().recCheck[0][0] = 1;
    form->confirmNameChange = [](const QString& question) {
        EXPECT_TRUE(question.startsWith(q(u"<くく はじめ>を<たろう>に変えようとしています。")));
        return false;
    };
    form->ui().Edit2->setText(q(u"たろう"));
    form->SpeedButton1Click();
    EXPECT_EQ(form->state().studentName, q(u"くく はじめ"));
    EXPECT_EQ(form->state().recCheck[0][0], 1);
}

TEST_F(MainWindowFixture, HelpWithoutTheFileSaysItIsMissing) {
    form->H2Click();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(messages[0], q(u"お知らせ|kuku_V24.chm が見あたりません。"));
}

TEST_F(MainWindowFixture, DefaultColourIsTeal) {
    form->D1Click();
    EXPECT_EQ(form->state().orgColor, 0x808000);
    EXPECT_EQ(form->ui().central->palette().color(QPalette::Window), QColor(0, 0x80, 0x80));
}

TEST_F(MainWindowFixture, EverySpokenSentenceLeavesAMarkAndLevelsShowAsNumbers) {
    form->clearMemo();
    form->speaker().SpeakAsync(q(u"九九をものにしちゃおうね。道場を閉めます。またね。"));
    form->speaker().WaitUntilDone();
    EXPECT_EQ(form->ui().msgText->toPlainText().count(u'■'), 3);
    EXPECT_EQ(form->ui().LabelVU->text(), QStringLiteral("0"));
}

TEST(MainWindowListening, TypedPhrasesOfTheGrammarReachTheCommands) {
    QTemporaryDir dir;
    ASSERT_TRUE(QFile::copy(QStringLiteral(RENTABO_SOURCE_DIR "/resources/KukuGrammar.xml"),
                            dir.filePath(QStringLiteral("KukuGrammar.xml"))));
    KukuServices services;
    services.voice = std::make_unique<SilentVoice>();
    services.reco = std::make_unique<TypedPhraseContext>();
    auto form = std::make_unique<TKukuForm>(std::move(services), dir.path() + u'/');
    form->confirmClose = [] { return true; };
    form->reco().acceptTypedPhrase(q(u"あか"));
    EXPECT_EQ(form->state().orgColor, 0x0000FF);
    EXPECT_EQ(form->windowColour(), 0x0000FF);
    form->reco().acceptTypedPhrase(q(u"さんのだん"));
    EXPECT_EQ(form->ui().ComboBox1->currentIndex(), 3);
    EXPECT_TRUE(form->ui().msgText->toPlainText().contains(q(u"<◆astr=")));
}

TEST_F(MainWindowFixture, AFailedSpeechCallAsksAndCanAbandonTheAction) {
    QStringList asked;
    form->confirmSpeechFailure = [&](const QString& text) {
        asked << text;
        return asked.size() == 1;  // continue the first time, abandon the second
    };
    EXPECT_NO_THROW(reportSpeechFailure(QStringLiteral("Speak"), QStringLiteral("no device")));
    EXPECT_THROW(reportSpeechFailure(QStringLiteral("Speak"), QStringLiteral("no device")), SpeechAbandoned);
    ASSERT_EQ(asked.size(), 2);
    EXPECT_TRUE(asked[0].contains(q(u"音声の処理「Speak」に失敗しました。")));
}
