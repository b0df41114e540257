// Closing the main window asks "終わっていいですか？" in a real box, answered with keys sent to the
// box's window as the desktop sends them: Esc (キャンセル) leaves everything as it was, Return
// (OK) closes and writes the settings file.
#include "app/TKukuForm.h"
#include "tests/support/SilentServices.h"
#include "tests/support/Text.h"
#include "ui_KukuForm.h"

#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <gtest/gtest.h>

using namespace rentabo;
using rentabo::testing::q;

namespace {

// Answers the next modal box with `key` once it is shown; what it asked lands in `seen`.
void answerNextBox(Qt::Key key, QString& seen) {
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, poll, [poll, key, &seen] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible() || !box->windowHandle() || !box->windowHandle()->isExposed()) return;
        seen = box->windowTitle() + u'|' + box->text();
        QTest::keyClick(box->windowHandle(), key);
        poll->deleteLater();
    });
    poll->start(50);
}

}  // namespace

TEST(ClosingQuestion, CancelKeepsTheWindowAndOkClosesAndSaves) {
    QTemporaryDir dir;
    KukuServices services = rentabo::testing::silentServices();
    TKukuForm form(std::move(services), dir.path() + u'/');
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    const QString ini = dir.filePath(QStringLiteral("RentaboV24.ini"));
    QFile::remove(ini);

    const struct {
        Qt::Key key;
        bool closed;
    } answers[] = {{Qt::Key_Escape, false}, {Qt::Key_Return, true}};
    for (const auto& a : answers) {
        QString asked;
        answerNextBox(a.key, asked);
        form.close();
        EXPECT_EQ(asked, q(u"ご確認|終わっていいですか？"));
        EXPECT_EQ(form.isVisible(), !a.closed) << int(a.key);
        EXPECT_EQ(QFile::exists(ini), a.closed) << int(a.key);
    }
}
