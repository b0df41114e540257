// The keyboard test through the real window: 始める pressed with the mouse, answers typed as
// key events, the run stopped with Esc, result table I opened.
#include "app/TKukuForm.h"
#include "core/KukuTables.h"
#include "tests/support/MainWindowRig.h"
#include "ui_KukuForm.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace rentabo;

TEST(KeyboardTestWindow, StartButtonAndTypedAnswersFillTheRecord) {
    rentabo::testing::MainWindowRig rig(rentabo::testing::MainWindowRig::Grammar::None);
    TKukuForm& form = *rig.form;
    int tables = 0;
    KukuState atTable;
    rig.prompts->modal = [&](QDialog&) {
        ++tables;
        atTable = form.state();
    };

    // 二の段 (the default row), "４.テスト[キー答・順]".
    form.ui().ComboBox2->setCurrentIndex(3);
    Q_EMIT form.ui().ComboBox2->activated(3);
    ASSERT_EQ(form.state().menu_n, 3);

    // The learner: types each product when its expression appears; Esc after the ninth mark.
    const auto& t = kukuTables();
    QString answeredFor;
    QString pendingDigit;
    QElapsedTimer sinceDigit;
    int typed = 0;
    int clicksWhileRunning = 0;
    QTimer learner;
    QObject::connect(&learner, &QTimer::timeout, &form, [&] {
        // A child types the second digit a moment after the first: keys read in one poll of
        // the run would come in key order, not typing order.
        if (!pendingDigit.isEmpty()) {
            if (sinceDigit.elapsed() < 400) return;
            QTest::keyClick(form.ui().Button1, Qt::Key(Qt::Key_0 + pendingDigit.at(0).digitValue()));
            pendingDigit.clear();
            return;
        }
        const QString shown = form.ui().StaticText11->text();
        if (typed == 9 && !form.ui().StaticText13->text().isEmpty()) {
            QTest::keyClick(form.ui().Button1, Qt::Key_Escape);
            return;
        }
        if (shown.isEmpty() || shown == answeredFor || typed >= 9) return;
        if (typed == 3) {
            // A second click on 始める in the middle of the run must not start another run.
            QTest::mouseClick(form.ui().Button1, Qt::LeftButton);
            ++clicksWhileRunning;
        }
        answeredFor = shown;
        const QString product = QString::number(t.kotae[form.state().kuku_n]);
        QTest::keyClick(form.ui().Button1, Qt::Key(Qt::Key_0 + product.at(0).digitValue()));
        pendingDigit = product.mid(1);
        sinceDigit.start();
        ++typed;
    });
    learner.start(50);

    QTest::mouseClick(form.ui().Button1, Qt::LeftButton);  // returns when the run has ended
    learner.stop();

    EXPECT_EQ(typed, 9);
    EXPECT_EQ(clicksWhileRunning, 1);
    ASSERT_EQ(tables, 1);
    EXPECT_EQ(atTable.testAborted, 1);
    for (int cell = 0; cell < 9; ++cell) EXPECT_EQ(atTable.testRec[cell], 1) << cell;
    EXPECT_EQ(atTable.testRec[9], 2);
    EXPECT_EQ(form.ui().StaticText3->text(), QString::fromUtf16(u"◎テストを中止しました。"));
    EXPECT_TRUE(form.ui().ComboBox1->isVisibleTo(&form));
}
