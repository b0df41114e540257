#include "app/Startup.h"
#include "app/TKukuForm.h"
#include "tests/support/ScriptedPrompts.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>

namespace rentabo {
namespace {

// The program's half of the read-only install test: InstallTest runs this binary again inside a
// mount namespace where the installed folder is read-only, once to save and once to read back.
TEST(ReadOnlyProgramChild, StartsFromTheReadOnlyFolderAndKeepsTheLearner) {
    const QString step = qEnvironmentVariable("RENTABO_READONLY_STEP");
    if (step.isEmpty()) GTEST_SKIP() << "run by ReadOnlyInstallTest inside a read-only mount";
    const QString exeDir = qEnvironmentVariable("RENTABO_READONLY_DIR");
    const QString fallback =
        qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/rentabo/RentaboV24.ini");
    ASSERT_FALSE(QFileInfo(exeDir).isWritable());

    Program program = startProgram(StartOptions{exeDir});
    TKukuForm& form = *program.form;
    rentabo::testing::ScriptedPrompts prompts(form.boxPrompts());
    form.setPrompts(&prompts);
    QStringList notices;
    prompts.messages = [&](const QString& text, const QString& caption) { notices << caption + u'|' + text; };
    prompts.close = [] { return true; };
    const QString name = QStringLiteral(u"やまだ はなこ");

    if (step == u"save") {
        EXPECT_NE(form.state().studentName, name);
        form.state().studentName = name;
        form.close();
        EXPECT_TRUE(QFileInfo::exists(fallback));
        ASSERT_EQ(notices.size(), 1) << notices.join(u'\n').toStdString();
        EXPECT_TRUE(notices[0].startsWith(QStringLiteral(u"お知らせ|")));
        EXPECT_TRUE(notices[0].contains(fallback)) << "the learner is told where the records went";
    } else {
        EXPECT_EQ(form.state().studentName, name);
        form.close();
        EXPECT_TRUE(notices.isEmpty()) << "told only once: " << notices.join(u'\n').toStdString();
    }
    EXPECT_FALSE(QFileInfo::exists(exeDir + QStringLiteral("RentaboV24.ini")));
}

}  // namespace
}  // namespace rentabo
