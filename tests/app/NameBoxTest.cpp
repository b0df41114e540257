// The learner's name typed into the real name box and taken with 決定: a name the settings file
// (code page 932) cannot hold is refused, or changed with the family's agreement, before anything
// is stored, so the name read back after a restart is the name taken.
#include "app/TKukuForm.h"
#include "settings/SettingsFile.h"
#include "tests/support/ScriptedPrompts.h"
#include "tests/support/SilentServices.h"
#include "ui_KukuForm.h"

#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace rentabo;

TEST(NameBox, ANameTheSettingsFileCannotHoldIsRefusedOrChangedWithAgreementBeforeAnythingIsStored) {
    const QString oldName = QStringLiteral(u"くく はじめ");
    const struct {
        const char* what;
        QString typed;
        bool agree;     // the answer to a question about changing characters
        QString told;   // what the refusal names; empty: nothing refused
        QString asked;  // what the question about changing characters names; empty: not asked
        QString taken;  // the learner's name afterwards, read back from the file after a restart
    } cases[] = {
        {"a kanji code page 932 lacks",
         QStringLiteral(u"もり 鷗子"),
         true,
         QStringLiteral(u"「鷗」"),
         {},
         oldName},
        {"an emoji", QStringLiteral(u"にこ😀ちゃん"), true, QStringLiteral(u"「😀」"), {}, oldName},
        {"a refused one among changeable ones",
         QStringLiteral(u"鷗〜"),
         true,
         QStringLiteral(u"「鷗」"),
         {},
         oldName},
        {"a wave dash, changed with agreement",
         QStringLiteral(u"ゆう〜"),
         true,
         {},
         QStringLiteral(u"「〜」→「～」"),
         QStringLiteral(u"ゆう～")},
        {"a yen sign, changed with agreement",
         QStringLiteral(u"¥たろう"),
         true,
         {},
         QStringLiteral(u"「¥」→「\\」"),
         QStringLiteral(u"\\たろう")},
        {"a wave dash, change declined",
         QStringLiteral(u"ゆう〜"),
         false,
         {},
         QStringLiteral(u"「〜」"),
         oldName},
        {"kanji of the vendor rows, held as they are",
         QStringLiteral(u"髙橋 﨑子"),
         true,
         {},
         {},
         QStringLiteral(u"髙橋 﨑子")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir dir;
        ASSERT_TRUE(QFile::copy(QStringLiteral(RENTABO_SOURCE_DIR "/resources/KukuGrammar.xml"),
                                dir.filePath(QStringLiteral("KukuGrammar.xml"))));
        KukuServices services = rentabo::testing::silentServices();
        TKukuForm form(std::move(services), dir.path() + u'/');
        rentabo::testing::ScriptedPrompts prompts(form.boxPrompts());
        QStringList boxes;
        QStringList fitQuestions;
        prompts.messages = [&](const QString& text, const QString& caption) {
            boxes << caption + u'|' + text;
        };
        prompts.nameChange = [&](const QString& question) {
            // The question of the name change itself is answered OK.
            if (question.contains(QStringLiteral(u"変えようとしています"))) return true;
            fitQuestions << question;
            return c.agree;
        };
        prompts.close = [] { return true; };
        form.setPrompts(&prompts);
        form.show();
        const int oldNumber = form.state().indivNum;

        form.ui().Edit2->setText(c.typed);
        QTest::mouseClick(form.ui().SpeedButton1, Qt::LeftButton);

        if (c.told.isEmpty()) {
            EXPECT_EQ(boxes, QStringList{});
        } else {
            ASSERT_EQ(boxes.size(), 1);
            EXPECT_TRUE(boxes[0].startsWith(QStringLiteral(u"ご確認|") + c.told)) << boxes[0].toStdString();
        }
        if (c.asked.isEmpty()) {
            EXPECT_EQ(fitQuestions, QStringList{});
        } else {
            ASSERT_EQ(fitQuestions.size(), 1);
            EXPECT_TRUE(fitQuestions[0].contains(c.asked)) << fitQuestions[0].toStdString();
        }
        EXPECT_EQ(form.state().studentName, c.taken);
        if (c.taken == oldName) {
            EXPECT_EQ(form.state().indivNum, oldNumber);
        }
        form.close();
        KukuState reread;
        LoadSettings(reread, dir.filePath(QString::fromLatin1(kSettingsFileName)));
        EXPECT_EQ(reread.studentName, c.taken);
    }
}
