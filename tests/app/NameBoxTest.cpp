// The learner's name typed into the real name box and taken with 決定: a name the settings file
// (code page 932) cannot hold is refused, or changed with the family's agreement, before anything
// is stored, so the name read back after a restart is the name taken.
#include "app/TKukuForm.h"
#include "settings/SettingsFile.h"
#include "tests/support/MainWindowRig.h"
#include "tests/support/Text.h"
#include "ui_KukuForm.h"

#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

using namespace rentabo;
using rentabo::testing::q;

TEST(NameBox, ANameTheSettingsFileCannotHoldIsRefusedOrChangedWithAgreementBeforeAnythingIsStored) {
    const QString oldName = q(u"くく はじめ");
    const struct {
        const char* what;
        const char16_t* typed;
        bool agree;             // the answer to a question about changing characters
        const char16_t* told;   // what the refusal names; empty: nothing refused
        const char16_t* asked;  // what the question about changing characters names; empty: not asked
        const char16_t* taken;  // the learner's name afterwards, read back after a restart; null: the old
    } cases[] = {
        {"a kanji code page 932 lacks", u"もり 鷗子", true, u"「鷗」", u"", nullptr},
        {"an emoji", u"にこ😀ちゃん", true, u"「😀」", u"", nullptr},
        {"a refused one among changeable ones", u"鷗〜", true, u"「鷗」", u"", nullptr},
        {"a wave dash, changed with agreement", u"ゆう〜", true, u"", u"「〜」→「～」", u"ゆう～"},
        {"a yen sign, changed with agreement", u"¥たろう", true, u"", u"「¥」→「\\」", u"\\たろう"},
        {"a wave dash, change declined", u"ゆう〜", false, u"", u"「〜」", nullptr},
        {"kanji of the vendor rows, held as they are", u"髙橋 﨑子", true, u"", u"", u"髙橋 﨑子"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        rentabo::testing::MainWindowRig rig;
        TKukuForm& form = *rig.form;
        const QStringList& boxes = rig.messages;
        QStringList fitQuestions;
        rig.prompts->nameChange = [&](const QString& question) {
            // The question of the name change itself is answered OK.
            if (question.contains(QStringLiteral(u"変えようとしています"))) return true;
            fitQuestions << question;
            return c.agree;
        };
        const int oldNumber = form.state().indivNum;

        form.ui().Edit2->setText(q(c.typed));
        QTest::mouseClick(form.ui().SpeedButton1, Qt::LeftButton);

        if (*c.told == 0) {
            EXPECT_EQ(boxes, QStringList{});
        } else {
            ASSERT_EQ(boxes.size(), 1);
            EXPECT_TRUE(boxes[0].startsWith(q(u"ご確認|") + q(c.told))) << boxes[0].toStdString();
        }
        if (*c.asked == 0) {
            EXPECT_EQ(fitQuestions, QStringList{});
        } else {
            ASSERT_EQ(fitQuestions.size(), 1);
            EXPECT_TRUE(fitQuestions[0].contains(q(c.asked))) << fitQuestions[0].toStdString();
        }
        const QString taken = c.taken ? q(c.taken) : oldName;
        EXPECT_EQ(form.state().studentName, taken);
        if (!c.taken) {
            EXPECT_EQ(form.state().indivNum, oldNumber);
        }
        form.close();
        KukuState reread;
        LoadSettings(reread, rig.dir.filePath(QString::fromLatin1(kSettingsFileName)));
        EXPECT_EQ(reread.studentName, taken);
    }
}
