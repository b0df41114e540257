// The learner's name typed through an input method (ibus-mozc, fcitx5-mozc): what the method
// commits reaches なまえ the way the desktop delivers it, to the object with the focus, and is kept
// as the name once it is confirmed; a composition not yet committed changes nothing.
#include "app/TKukuForm.h"
#include "settings/Cp932.h"
#include "tests/support/MainWindowRig.h"
#include "tests/support/Text.h"
#include "ui_KukuForm.h"

#include <QApplication>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QInputMethodQueryEvent>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

using namespace rentabo;
using rentabo::testing::q;

namespace {

struct NameRig : rentabo::testing::MainWindowRig {
    NameRig() : MainWindowRig(Grammar::None) {
        EXPECT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        // The desktop gives the window the keyboard when the parent clicks it; a compositor
        // without a seat (Weston's headless one) never does, so the click is made here.
        form->activateWindow();
        if (QApplication::activeWindow() != form.get()) QApplication::setActiveWindow(form.get());
        QLineEdit* box = form->ui().Edit2;
        box->setFocus();
        box->end(false);
    }

    // As the platform's input context sends it: to whatever has the focus. Under a compositor
    // without a seat no window ever gets the keyboard, and that is the focus widget of the window
    // the program made active.
    static QObject* focus() {
        QObject* target = QGuiApplication::focusObject();
        return target ? target : QApplication::focusWidget();
    }
    static void send(QInputMethodEvent& event) {
        QObject* target = focus();
        ASSERT_NE(target, nullptr);
        QCoreApplication::sendEvent(target, &event);
    }
    static void compose(const QString& text) {
        QInputMethodEvent event(text,
                                {QInputMethodEvent::Attribute(QInputMethodEvent::Cursor, text.size(), 1)});
        send(event);
    }
    static void commit(const QString& text) {
        QInputMethodEvent event;
        event.setCommitString(text);
        send(event);
    }
};

}  // namespace

TEST(NameInputMethod, TheNameBoxAsksForAnInputMethod) {
    NameRig rig;
    ASSERT_EQ(NameRig::focus(), rig.form->ui().Edit2);
    // A method only starts composing for a focus object that says it takes input-method text.
    QInputMethodQueryEvent query(Qt::ImEnabled);
    QCoreApplication::sendEvent(NameRig::focus(), &query);
    EXPECT_TRUE(query.value(Qt::ImEnabled).toBool());
}

TEST(NameInputMethod, ACommittedCompositionBecomesTheName) {
    // The kana as typed, the kanji as converted, and a name composed in two parts.
    const struct {
        std::vector<QString> compositions;  // shown while composing, each replaced by the next
        std::vector<QString> commits;
        QString name;
    } cases[] = {
        {{q(u"わ"), q(u"わた"), q(u"わたなべ ゆういちろう")},
         {q(u"わたなべ ゆういちろう")},
         q(u"わたなべ ゆういちろう")},
        {{q(u"わたなべ"), q(u"渡辺")}, {q(u"渡辺")}, q(u"渡辺")},
        {{q(u"わたなべ")}, {q(u"渡辺"), q(u"　勇一郎")}, q(u"渡辺　勇一郎")},
    };
    for (const auto& c : cases) {
        NameRig rig;
        QLineEdit* box = rig.form->ui().Edit2;
        box->clear();  // the parent has deleted the old name
        const QString before = rig.form->ui().StaticText11->text();
        QString committed;
        for (const QString& part : c.commits) {
            for (const QString& shown : c.compositions) NameRig::compose(shown);
            // While composing the box holds only what was committed before.
            EXPECT_EQ(box->text(), committed) << c.name.toStdString();
            NameRig::commit(part);
            committed += part;
        }
        EXPECT_EQ(box->text(), c.name);
        EXPECT_EQ(rig.form->ui().StaticText11->text(), before) << "composing touched the board";

        rig.form->ui().SpeedButton1->click();
        EXPECT_EQ(rig.form->state().studentName, c.name);
        EXPECT_TRUE(rig.iniFile().contains("STUDENTNAME=" + toCp932(c.name))) << c.name.toStdString();
    }
}

TEST(NameInputMethod, ACompositionGivenUpLeavesTheNameAsItWas) {
    NameRig rig;
    NameRig::compose(q(u"たろう"));
    NameRig::compose(QString());  // the method cancelled with Esc: an empty composition, no commit
    EXPECT_EQ(rig.form->ui().Edit2->text(), q(u"くく はじめ"));
    rig.form->ui().SpeedButton1->click();
    EXPECT_EQ(rig.form->state().studentName, q(u"くく はじめ"));
    EXPECT_TRUE(rig.questions.isEmpty());
}
