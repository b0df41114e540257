// Siblings sharing the program: each keeps their own qualification table and weak list while the
// other uses it, across name changes and a restart.
#include "app/TKukuForm.h"
#include "tests/support/MainWindowRig.h"
#include "tests/support/Text.h"
#include "ui_KukuForm.h"

#include <QLineEdit>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <map>

using namespace rentabo;
using rentabo::testing::q;

namespace {

// The main window on a silent voice in `dir`; every name change is agreed to, its question kept.
struct Window : rentabo::testing::MainWindowRig {
    explicit Window(const QString& dir) : MainWindowRig(Grammar::None, {}, dir, false) {}
    ~Window() { form->close(); }
    void typeName(const QString& name) {
        form->ui().Edit2->setText(name);
        form->changeLearnerName();
    }
};

}  // namespace

TEST(Siblings, EachGetsTheirQualificationTableAndWeakListBackWhenTheirNameComesBack) {
    QTemporaryDir dir;
    const QString sister = q(u"やまだ はなこ"), brother = q(u"やまだ たろう");
    struct Records {
        RecCheck recCheck{};
        QString weak;
    };
    std::map<QString, Records> expected;
    auto window = std::make_unique<Window>(dir.path());
    // Three times each, turn about; the program is restarted once in the middle.
    for (int round = 0; round < 3; ++round) {
        for (const QString& who : {sister, brother}) {
            SCOPED_TRACE((who + QStringLiteral(" round %1").arg(round)).toStdString());
            const bool known = expected.count(who) > 0;
            window->typeName(who);
            KukuState& state = window->form->state();
            ASSERT_EQ(state.studentName, who);
            if (!known) expected[who] = {RecCheck{}, state.errorsStr};
            EXPECT_EQ(state.recCheck, expected[who].recCheck) << "the ○ marks of the qualification table";
            EXPECT_EQ(state.errorsStr, expected[who].weak);
            // The question says what happens to the tables.
            const QString& question = window->questions.back();
            EXPECT_TRUE(question.contains(u"資格チェック表とにが手な九九はとっておき"))
                << question.toStdString();
            EXPECT_EQ(question.contains(u"のものにもどします"), known) << question.toStdString();
            // This learner's test registered in the qualification table, and a fact missed.
            state.recCheck[round][who == sister ? 0 : 5] = 1;
            state.errorsStr += QString::number(30 + round * 2 + (who == sister ? 0 : 1)) + u':';
            expected[who] = {state.recCheck, state.errorsStr};
        }
        if (round == 1) {
            window.reset();
            window = std::make_unique<Window>(dir.path());
            EXPECT_EQ(window->form->state().studentName, brother) << "the settings file holds one learner";
            EXPECT_EQ(window->form->state().recCheck, expected[brother].recCheck);
        }
    }
    EXPECT_EQ(window->messages, QStringList{});
}
