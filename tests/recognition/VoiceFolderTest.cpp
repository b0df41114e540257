// The learner's voice folder leaves its place only in two ways: deleted when its own learner's
// name really changed, set aside with the date when it is another's or cannot be read. No model
// and no audio: the folder's description is all that decides.
#include "speech/platform/VoiceFolder.h"
#include "speech/platform/VoiceLearning.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace rentabo;

namespace {

QByteArray descriptionOf(const QString& learner) {
    return "rentabo-speaker 1\nlearner " + learner.toUtf8().toBase64() + "\nwarp 1.00\nphrases 30\n";
}

// A voice folder with its description and one model file; false when it could not be made.
bool makeVoiceFolder(const QString& dir, const QByteArray& description) {
    QFile info(dir + QStringLiteral("/speaker.txt"));
    QFile means(dir + QStringLiteral("/means"));
    return QDir().mkpath(dir) && info.open(QIODevice::WriteOnly) &&
           info.write(description) == description.size() && means.open(QIODevice::WriteOnly) &&
           means.write("means") == 5;
}

QStringList setAside(const QString& home) {
    return QDir(home).entryList({QStringLiteral("RentaboVoice-*")}, QDir::Dirs);
}

}  // namespace

TEST(VoiceFolder, ANotTheLearnersOrUnreadableVoiceIsSetAsideWholeAndNeverDeleted) {
    const QByteArray taro = descriptionOf(QStringLiteral(u"たろう"));
    const struct {
        const char* what;
        QByteArray description;
        QString listener;  // the name the program starts listening for
        const char16_t* note;
        bool setAside;
    } cases[] = {
        // The settings file could not be read: the program starts with its default name.
        {"another learner's, the name not read", taro, QStringLiteral(u"くく はじめ"),
         u"「たろう」の声なので", true},
        {"cut in the middle of its learner line", taro.left(taro.indexOf("learner ") + 12),
         QStringLiteral(u"たろう"), u"読めなかったので", true},
        {"another format", "rentabo-speaker 9\n", QStringLiteral(u"たろう"), u"読めなかったので", true},
        {"empty", "", QStringLiteral(u"たろう"), u"読めなかったので", true},
        {"the learner's own (kept where it is)", taro, QStringLiteral(u"たろう"), u"声のモデル", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir home;
        const QString dir = home.filePath(QStringLiteral("RentaboVoice"));
        ASSERT_TRUE(makeVoiceFolder(dir, c.description));
        VoiceLearning learning(home.filePath(QStringLiteral("model")),
                               [](const std::optional<SpeakerModel>&, QString*) { return true; });
        QSignalSpy notes(&learning, &VoiceLearning::Note);
        learning.setLearner(c.listener, dir);
        ASSERT_EQ(notes.size(), 1);
        EXPECT_TRUE(notes.front().front().toString().contains(QString::fromUtf16(c.note)))
            << notes.front().front().toString().toStdString();
        EXPECT_FALSE(learning.speakerModel().has_value());
        EXPECT_EQ(QFileInfo::exists(dir), !c.setAside);
        const QStringList aside = setAside(home.path());
        ASSERT_EQ(aside.size(), c.setAside ? 1 : 0);
        if (c.setAside) {
            QFile kept(home.filePath(aside.front() + QStringLiteral("/speaker.txt")));
            ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
            EXPECT_EQ(kept.readAll(), c.description);
            EXPECT_TRUE(QFileInfo::exists(home.filePath(aside.front() + QStringLiteral("/means"))));
        }
    }
}

TEST(VoiceFolder, OnlyTheVoiceOfALearnerWhoseNameReallyChangedIsDeleted) {
    const QByteArray taro = descriptionOf(QStringLiteral(u"たろう"));
    const struct {
        const char* what;
        QByteArray description;
        bool deleted;
    } cases[] = {
        {"the old name's, read whole", taro, true},
        {"another learner's", descriptionOf(QStringLiteral(u"はなこ")), false},
        {"cut in the middle of its learner line", taro.left(taro.indexOf("learner ") + 12), false},
        {"cut after its learner line but before its end", taro.left(taro.size() - 1), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir home;
        const QString dir = home.filePath(QStringLiteral("RentaboVoice"));
        ASSERT_TRUE(makeVoiceFolder(dir, c.description));
        EXPECT_EQ(forgetSpeakerModelOf(dir, QStringLiteral(u"たろう")), c.deleted);
        EXPECT_EQ(QFileInfo::exists(dir), !c.deleted);
    }
}

TEST(VoiceFolder, SettingAsideTwiceInTheSameSecondKeepsBoth) {
    QTemporaryDir home;
    const QString dir = home.filePath(QStringLiteral("RentaboVoice"));
    const QDateTime now(QDate(2026, 12, 9), QTime(15, 30));
    ASSERT_TRUE(makeVoiceFolder(dir, descriptionOf(QStringLiteral(u"たろう"))));
    EXPECT_EQ(QFileInfo(setSpeakerModelAside(dir, now)).fileName(),
              QStringLiteral("RentaboVoice-20261209-153000"));
    ASSERT_TRUE(makeVoiceFolder(dir, descriptionOf(QStringLiteral(u"はなこ"))));
    EXPECT_EQ(QFileInfo(setSpeakerModelAside(dir, now)).fileName(),
              QStringLiteral("RentaboVoice-20261209-153000-2"));
    EXPECT_EQ(setAside(home.path()).size(), 2);
}
