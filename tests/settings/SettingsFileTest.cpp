#include "core/Timing.h"
#include "settings/Cp932.h"
#include "settings/LearnerNumber.h"
#include "settings/ProfileFile.h"
#include "settings/SettingsFile.h"
#include "tests/support/FileBytes.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <climits>
#include <random>

namespace rentabo {
namespace {

using rentabo::testfiles::readAll;

void writeAll(const QString& path, const QByteArray& bytes) {
    ASSERT_TRUE(testfiles::writeAll(path, bytes)) << qPrintable(path);
}

bool allZero(const RecCheck& rec) {
    for (const auto& row : rec)
        for (int cell : row)
            if (cell != 0) return false;
    return true;
}

// Points the user's configuration folder at a temporary one for the test's lifetime.
class SettingsFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_oldConfig = qgetenv("XDG_CONFIG_HOME");
        m_hadConfig = qEnvironmentVariableIsSet("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", path("config").toLocal8Bit());
        QDir().mkpath(path("prog"));
    }
    void TearDown() override {
        if (m_hadConfig)
            qputenv("XDG_CONFIG_HOME", m_oldConfig);
        else
            qunsetenv("XDG_CONFIG_HOME");
    }
    QString path(const char* name) const { return m_dir.filePath(QString::fromUtf8(name)); }
    QString exeDir() const { return path("prog") + QLatin1Char('/'); }
    QString iniPath() const { return path("prog/RentaboV24.ini"); }

    QTemporaryDir m_dir;
    QByteArray m_oldConfig;
    bool m_hadConfig = false;
};

TEST(RecCheckCodec, RowZeroOffsetsForTheDefaultLearnerNumber) {
    // 1234567 + 2 is a multiple of 7.
    const int expected[14] = {0, 1, 2, 3, 4, 5, 6, 0, 1, 2, 3, 4, 5, 6};
    for (int c = 0; c < 14; ++c) EXPECT_EQ(recCheckOffset(1234567, 0, c), expected[c]) << c;
    EXPECT_EQ(recCheckOffset(1234567, 1, 0), 1);
}

TEST(RecCheckCodec, OffsetsStayWithinOneDigitAndDoNotOverflow) {
    EXPECT_EQ(recCheckOffset(-9, 0, 0), 0);   // -7
    EXPECT_EQ(recCheckOffset(-10, 0, 0), 6);  // -8: one below a multiple of 7
    EXPECT_EQ(recCheckOffset(INT_MAX, 6, 13), static_cast<int>((2147483647LL + 21) % 7));
    EXPECT_EQ(recCheckOffset(INT_MIN, 1, 0), static_cast<int>((-2147483648LL + 3) % 7 + 7));
}

TEST(RecCheckCodec, ANegativeLearnerNumberStillWritesNinetyEightDigitsThatReadBackTheSame) {
    std::mt19937 random(11);
    for (const int indivNum : {-1, -8, -1234567, INT_MIN, INT_MIN + 5}) {
        RecCheck rec{};
        for (auto& row : rec)
            for (int& cell : row) cell = static_cast<int>(random() % 2);
        const QByteArray text = encodeRecCheck(rec, indivNum);
        EXPECT_EQ(text.size(), 98) << indivNum;
        EXPECT_EQ(decodeRecCheck(text, indivNum), rec) << indivNum;
        // The file's own default (no record yet) still counts as nothing passed.
        for (const auto& row : decodeRecCheck("00000000000000", indivNum))
            for (int cell : row) EXPECT_LE(cell, 0) << indivNum;
    }
}

TEST(RecCheckCodec, AnAllZeroRecordIsWrittenAsNinetyEightDigits) {
    const QByteArray text = encodeRecCheck(RecCheck{}, 1234567);
    EXPECT_EQ(text.size(), 98);
    EXPECT_TRUE(text.startsWith("01234560123456"));
    EXPECT_EQ(text.mid(14, 14), "12345601234560");
}

TEST(RecCheckCodec, RecordsOfZerosAndOnesSurviveTheRoundTrip) {
    std::mt19937 random(7);
    for (const int indivNum : {0, 1, 5, 1234567, 130850, INT_MAX - 20, INT_MAX}) {
        RecCheck rec{};
        for (auto& row : rec)
            for (int& cell : row) cell = static_cast<int>(random() % 2);
        EXPECT_EQ(decodeRecCheck(encodeRecCheck(rec, indivNum), indivNum), rec) << indivNum;
    }
}

TEST(RecCheckCodec, ShortLongAndDamagedTextsAreReadAsTheFileRulesSay) {
    struct Case {
        QByteArray text;
        int r, c, expected;  // with indivNum 1234567
    };
    const Case cases[] = {
        {"00000000000000", 0, 1, 0 - 1},   // the file default: 0 minus the offset
        {"00000000000000", 6, 13, 0 - 5},  // padded with "0"
        {"1234", 0, 3, 4 - 3},
        {"1x34", 0, 1, 0 - 1},  // a non-digit reads as 0
        {"", 3, 3, -recCheckOffset(1234567, 3, 3)},
        {QByteArray(98, '0') + "999", 6, 13, 0 - 5},  // only the first 98 count
        {"\x82\xA0"
         "234",
         0, 2, 2 - 2},  // positions count bytes
    };
    for (const Case& c : cases)
        EXPECT_EQ(decodeRecCheck(c.text, 1234567)[c.r][c.c], c.expected) << c.text.constData();
}

TEST(ProfileInt, OnlyWholeIntegersAreRead) {
    struct Case {
        const char* text;
        int expected;
    };
    const Case cases[] = {
        {"42", 42},          {" -7 ", -7},       {"+3", 3},
        {"0x00F0F0", 61680}, {"$FF", 255},       {"0xFFFFFFFF", -1},
        {"abc", 99},         {"12abc", 99},      {"", 99},
        {"1.5", 99},         {"2147483648", 99}, {"0x", 99},
        {"0x1FFFFFFFF", 99}, {"0x-1", 99},
    };
    for (const Case& c : cases) EXPECT_EQ(parseProfileInt(c.text, 99), c.expected) << c.text;
}

TEST(SpeedPacing, EachSpeedHasItsPacing) {
    struct Case {
        int procFlag, pause, wait, timerWait;
    };
    const Case cases[] = {
        {0, 100, 100, 6000},  {1, 200, 4800, 4000}, {2, 200, 3000, 2700},
        {3, 100, 1800, 1500}, {-1, 100, 100, 6000}, {4, 100, 100, 6000},
    };
    for (const Case& c : cases) {
        const Pacing p = pacingOf(c.procFlag);
        EXPECT_EQ(p.speedPause, c.pause) << c.procFlag;
        EXPECT_EQ(p.speedWait, c.wait) << c.procFlag;
        EXPECT_EQ(p.speedTimerWait, c.timerWait) << c.procFlag;
    }
}

TEST_F(SettingsFileTest, AFirstRunHasEveryDefaultAndItsSaveWritesEveryKeyInOrder) {
    KukuState state;
    state.winLeft = -1;  // proves the load sets it
    state.studentName = QStringLiteral("x");
    const LoadResult loaded = LoadSettings(state, chooseSettingsPath(exeDir()));
    EXPECT_FALSE(loaded.found);
    EXPECT_TRUE(loaded.error.isEmpty());
    EXPECT_EQ(state.winLeft, 200);
    EXPECT_EQ(state.studentName, QStringLiteral(u"くく はじめ"));
    EXPECT_EQ(state.indivNum, 1234567);
    EXPECT_EQ(state.mokuji_n, 1);
    EXPECT_EQ(state.menu_n, 1);
    EXPECT_EQ(state.kaisuuMax, 2);
    EXPECT_EQ(state.procFlag, 0);
    EXPECT_EQ(state.yomiWay, 0);
    EXPECT_EQ(state.pinponFlag, 0);
    EXPECT_EQ(state.recCheck[0][1], -1);  // the default text decodes to 0 minus the offset

    const SaveResult saved = SaveSettings(state, exeDir());
    ASSERT_TRUE(saved.ok) << saved.error.toStdString();
    EXPECT_EQ(saved.path, iniPath());
    EXPECT_TRUE(saved.notice.isEmpty());
    const QByteArray expected = toCp932(
        QStringLiteral(
            u"[POSITION]\r\nLEFT=200\r\nTOP=200\r\nINFODSP=1\r\n\r\n"
            u"[SPEAK]\r\nSIKISPRATE=10\r\nSIKISPVOLUME=50\r\nEFFECTVOLUME=50\r\nPINPONFLAG=0\r\n"
            u"MSGSPEAKFLAG=0\r\nUSERSYOBINA=\r\n\r\n"
            u"[JOUKEN]\r\nKYUU_SET=1\r\nDAN_=0\r\nKAIMAX=2\r\nMOKUJIN=1\r\nMENUN=1\r\nINTERVAL=500\r\n"
            u"PROCFLAG=0\r\nANSWAY=0\r\nYOMIWAY=0\r\nORGCOLOR=61680\r\nDICCOLOR=61680\r\nCCCOLOR="
            u"61680\r\n\r\n"
            u"[TESTDATA]\r\nSTUDENTNAME=くく はじめ\r\nINDIVNUM=1234567\r\nRECCHECKARRAY=%1\r\n"
            u"ERRORS=13:14:15:16:\r\n\r\n"
            u"[RENTABO]\r\nMICROPHONE=\r\n")
            .arg(QString::fromLatin1(encodeRecCheck(state.recCheck, 1234567))));
    EXPECT_EQ(fromCp932(readAll(iniPath())), fromCp932(expected));
    // The default record is written back as the 98 zeros it was read from.
    EXPECT_NE(readAll(iniPath()).indexOf("RECCHECKARRAY=" + QByteArray(98, '0')), -1);
}

TEST_F(SettingsFileTest, ANewNameWithAZeroedRecordReadsBackAllZero) {
    KukuState state;
    state.recCheck[2][5] = 1;
    ASSERT_TRUE(SaveSettings(state, exeDir()).ok);

    state.studentName = QStringLiteral(u"さとう はなこ");
    state.indivNum = indivNumOf(state.studentName);
    state.recCheck = RecCheck{};
    ASSERT_TRUE(SaveSettings(state, exeDir()).ok);

    KukuState reread;
    LoadSettings(reread, chooseSettingsPath(exeDir()));
    EXPECT_EQ(reread.studentName, QStringLiteral(u"さとう はなこ"));
    EXPECT_EQ(reread.indivNum, state.indivNum);
    EXPECT_TRUE(allZero(reread.recCheck));
}

TEST(SettingsRead, ChoicesOutsideTheListsAreBroughtIntoRange) {
    struct Case {
        const char* key;
        const char* value;
        int KukuState::*field;
        int expected;
    };
    const Case cases[] = {
        {"MOKUJIN", "-1", &KukuState::mokuji_n, 0},  {"MOKUJIN", "13", &KukuState::mokuji_n, 12},
        {"MOKUJIN", "12", &KukuState::mokuji_n, 12}, {"MENUN", "-3", &KukuState::menu_n, 0},
        {"MENUN", "10", &KukuState::menu_n, 9},      {"MENUN", "9", &KukuState::menu_n, 9},
        {"INFODSP", "2", &KukuState::infoDsp, 1},    {"INFODSP", "-1", &KukuState::infoDsp, 1},
        {"INFODSP", "0", &KukuState::infoDsp, 0},
    };
    for (const Case& c : cases) {
        const char* section = std::string(c.key) == "INFODSP" ? "POSITION" : "JOUKEN";
        KukuState state;
        readSettings(state, QByteArray("[") + section + "]\r\n" + c.key + "=" + c.value + "\r\n");
        EXPECT_EQ(state.*c.field, c.expected) << c.key << "=" << c.value;
    }
}

TEST_F(SettingsFileTest, EveryStoredValueSurvivesSaveAndLoad) {
    KukuState state;
    int n = 1;
    for (const SettingKey& k : kSettingKeys)
        if (k.kind == SettingKey::Kind::Int && std::string(k.key) != "INDIVNUM")
            state.*k.intField = 1000 + n++;
    // The keys that pick an item keep a value that picks one (others are brought into range).
    state.mokuji_n = 12;
    state.menu_n = 9;
    state.infoDsp = 0;
    state.studentName = QStringLiteral(u" 表 ソ \"名\" ");
    state.userSyobina = QStringLiteral(u"はじめちゃん");
    state.errorsStr = QString();
    state.indivNum = indivNumOf(state.studentName);
    state.recCheck[6][13] = 1;
    ASSERT_TRUE(SaveSettings(state, exeDir()).ok);

    KukuState reread;
    LoadSettings(reread, iniPath());
    for (const SettingKey& k : kSettingKeys) {
        if (k.kind == SettingKey::Kind::Int) {
            EXPECT_EQ(reread.*k.intField, state.*k.intField) << k.key;
        } else if (k.kind == SettingKey::Kind::Text) {
            EXPECT_EQ(reread.*k.textField, state.*k.textField) << k.key;
        }
    }
    EXPECT_EQ(reread.recCheck, state.recCheck);
    EXPECT_TRUE(reread.errorsStr.isEmpty());  // an empty weak-point list stays empty
}

TEST_F(SettingsFileTest, TheChosenMicrophoneIsKeptInTheProgramsOwnSection) {
    KukuState state;
    state.micDevice = QStringLiteral("alsa_input.usb-Headset-00.mono-fallback");
    ASSERT_TRUE(SaveSettings(state, exeDir()).ok);
    const QByteArray written = readAll(iniPath());
    EXPECT_TRUE(written.endsWith("\r\n[RENTABO]\r\nMICROPHONE=alsa_input.usb-Headset-00.mono-fallback\r\n"));
    EXPECT_EQ(written.count("MICROPHONE="), 1);
    KukuState reread;
    LoadSettings(reread, iniPath());
    EXPECT_EQ(reread.micDevice, state.micDevice);
    // Only in its own section: the same key in a section of the file's own table is not it.
    KukuState misplaced;
    readSettings(misplaced, "[SPEAK]\r\nMICROPHONE=elsewhere\r\n");
    EXPECT_TRUE(misplaced.micDevice.isEmpty());
}

TEST_F(SettingsFileTest, AFileWrittenOnWindowsIsReadAndWrittenBackWithNothingLost) {
    const QByteArray original = readAll(QStringLiteral(RENTABO_TEST_DATA "/settings/windows-written.ini"));
    ASSERT_FALSE(original.isEmpty());
    writeAll(iniPath(), original);

    KukuState state;
    const LoadResult loaded = LoadSettings(state, chooseSettingsPath(exeDir()));
    EXPECT_TRUE(loaded.found);
    EXPECT_EQ(state.winLeft, 320);
    EXPECT_EQ(state.winTop, 96);
    EXPECT_EQ(state.infoDsp, 0);
    EXPECT_EQ(state.sikiSpRate, 3);
    EXPECT_EQ(state.sikiSpVolume, 70);
    EXPECT_EQ(state.effectVolume, 50);  // "abc" is no number
    EXPECT_EQ(state.userSyobina, QStringLiteral(u"たろうくん"));
    EXPECT_EQ(state.studentName, QStringLiteral(u"やまだ たろう"));
    EXPECT_EQ(state.indivNum, -42);
    EXPECT_TRUE(state.errorsStr.isEmpty());
    EXPECT_EQ(state.kaisuuMax, 2);  // no [JOUKEN] section

    ASSERT_TRUE(SaveSettings(state, exeDir()).ok);
    const QByteArray written = readAll(iniPath());
    EXPECT_EQ(written.count("\r\n"), written.count('\n'));  // CRLF throughout
    // Every line the program does not own is still there, in its order.
    qsizetype at = 0;
    for (const QString& line :
         {QStringLiteral(u"; 『Rentabo』の設定ファイル"), QStringLiteral(u"; 音量はあとで見直す"),
          QStringLiteral(u"[Family]\r\nSister=はなこ\r\nこれは キーではない行\r\n\r\n[TESTDATA]"),
          QStringLiteral(u"\r\n\r\n; おわり\r\n")}) {
        const qsizetype found = written.indexOf(toCp932(line), at);
        EXPECT_GE(found, at) << line.toStdString();
        if (found >= 0) at = found;
    }
    EXPECT_TRUE(written.startsWith(
        toCp932(QStringLiteral(u"; 『Rentabo』の設定ファイル\r\n[Position]\r\nLEFT=320\r\n"))));
    // The section the file lacked comes after everything that was there.
    EXPECT_NE(written.indexOf(toCp932(QStringLiteral(u"\r\n; おわり\r\n\r\n[JOUKEN]\r\nKYUU_SET=1\r\n"))),
              -1);

    KukuState reread;
    LoadSettings(reread, iniPath());
    EXPECT_EQ(reread.userSyobina, state.userSyobina);
    EXPECT_EQ(reread.studentName, state.studentName);
    EXPECT_EQ(reread.effectVolume, 50);
    // A second save changes nothing more.
    ASSERT_TRUE(SaveSettings(reread, exeDir()).ok);
    EXPECT_EQ(readAll(iniPath()), written);
}

TEST_F(SettingsFileTest, ASaveBrokenOffBeforeTheRenameLeavesTheOldFileWhole) {
    const QByteArray old = "; mine\r\n[POSITION]\r\nLEFT=5\r\n";
    writeAll(iniPath(), old);
    KukuState state;
    state.winLeft = 77;

    QByteArray seenInTemp;
    const SaveResult result = SaveSettings(state, settingsLocationFor(exeDir()), [&](const QString& temp) {
        seenInTemp = readAll(temp);
        EXPECT_EQ(readAll(iniPath()), old);  // not yet touched
        return false;
    });
    EXPECT_FALSE(result.ok);
    EXPECT_FALSE(result.error.isEmpty());
    EXPECT_TRUE(seenInTemp.contains("LEFT=77"));  // the new content was complete before the rename
    EXPECT_EQ(readAll(iniPath()), old);
    EXPECT_EQ(QDir(path("prog")).entryList(QDir::Files), QStringList{QStringLiteral("RentaboV24.ini")});
}

TEST_F(SettingsFileTest, ALeftoverTemporaryFileIsIgnored) {
    writeAll(iniPath(), "[POSITION]\r\nLEFT=5\r\n");
    writeAll(iniPath() + QStringLiteral(".Ab12Cd"), "[POSITION]\r\nLEFT=");  // a crash's remains
    KukuState state;
    LoadSettings(state, chooseSettingsPath(exeDir()));
    EXPECT_EQ(state.winLeft, 5);
    state.winLeft = 6;
    ASSERT_TRUE(SaveSettings(state, exeDir()).ok);
    KukuState reread;
    LoadSettings(reread, chooseSettingsPath(exeDir()));
    EXPECT_EQ(reread.winLeft, 6);
}

TEST_F(SettingsFileTest, AnUnwritableProgramFolderSendsTheFileToTheUserConfigurationOnce) {
    // A program "folder" below a plain file cannot be written, not even by root.
    writeAll(path("plainfile"), "x");
    const QString badExeDir = path("plainfile/prog/");
    const SettingsLocation where = settingsLocationFor(badExeDir);
    EXPECT_EQ(where.fallback, path("config/rentabo/RentaboV24.ini"));
    EXPECT_EQ(chooseSettingsPath(where), where.primary);  // nothing saved yet

    KukuState state;
    state.studentName = QStringLiteral(u"たなか");
    state.recCheck[1][1] = 1;
    const SaveResult first = SaveSettings(state, badExeDir);
    ASSERT_TRUE(first.ok) << first.error.toStdString();
    EXPECT_EQ(first.path, where.fallback);
    EXPECT_TRUE(first.notice.contains(where.fallback)) << first.notice.toStdString();

    const SaveResult second = SaveSettings(state, badExeDir);
    ASSERT_TRUE(second.ok);
    EXPECT_TRUE(second.notice.isEmpty());  // told once, also across runs

    EXPECT_EQ(chooseSettingsPath(badExeDir), where.fallback);
    KukuState reread;
    EXPECT_TRUE(LoadSettings(reread, chooseSettingsPath(badExeDir)).found);
    EXPECT_EQ(reread.studentName, QStringLiteral(u"たなか"));
    EXPECT_EQ(reread.recCheck[1][1], 1);
}

TEST_F(SettingsFileTest, AWritableProgramFileIsPreferredToAnOldFallback) {
    writeAll(iniPath(), "[POSITION]\r\nLEFT=1\r\n");
    QDir().mkpath(path("config/rentabo"));
    writeAll(path("config/rentabo/RentaboV24.ini"), "[POSITION]\r\nLEFT=2\r\n");
    EXPECT_EQ(chooseSettingsPath(exeDir()), iniPath());
    QFile::remove(iniPath());
    EXPECT_EQ(chooseSettingsPath(exeDir()), path("config/rentabo/RentaboV24.ini"));
}

TEST_F(SettingsFileTest, ASaveThatFailsEverywhereSaysSoInJapanese) {
    writeAll(path("plainfile"), "x");
    qputenv("XDG_CONFIG_HOME", path("plainfile/config").toLocal8Bit());
    const SaveResult result = SaveSettings(KukuState{}, path("plainfile/prog/"));
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.error.startsWith(QStringLiteral(u"設定ファイルを保存できませんでした。")));
    EXPECT_TRUE(result.error.contains(QStringLiteral("plainfile/prog/RentaboV24.ini")));
}

TEST_F(SettingsFileTest, AnUnreadableFileGivesDefaultsAndAMessage) {
    QDir().mkpath(iniPath());  // a folder where the file should be
    KukuState state;
    state.winLeft = 3;
    const LoadResult result = LoadSettings(state, iniPath());
    EXPECT_FALSE(result.found);
    EXPECT_FALSE(result.error.isEmpty());
    EXPECT_EQ(state.winLeft, 200);
}

TEST_F(SettingsFileTest, ADamagedFileIsSaidAndKeptButAHandWrittenOneIsReadQuietly) {
    KukuState learner;
    learner.studentName = QStringLiteral(u"やまだ はなこ");
    learner.winLeft = 321;
    const QByteArray whole = writeSettings(learner, {});
    const qsizetype recordsAt = whole.indexOf("RECCHECKARRAY");
    const struct {
        const char* what;
        QByteArray content;
        const char* said;  // nullptr: read without a word
        bool kept;
        int winLeft;
    } cases[] = {
        {"as the program wrote it", whole, nullptr, false, 321},
        {"written by hand, without records", "[POSITION]\r\nLEFT=5\r\n", nullptr, false, 5},
        {"cut in the middle of the records", whole.left(recordsAt + 20), "後ろが欠けて", true, 321},
        {"cut in the middle of a line before them", whole.left(recordsAt - 3), "後ろが欠けて", true, 321},
        {"emptied", "", "壊れていて", false, 200},
        {"overwritten with noise", QByteArray("\x9f\x00\xffPK\x03\x04", 8).repeated(40), "壊れていて", true,
         200},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QFile::remove(iniPath() + QStringLiteral(".damaged"));
        writeAll(iniPath(), c.content);
        KukuState state;
        const LoadResult result = LoadSettings(state, iniPath());
        EXPECT_TRUE(result.found);
        EXPECT_EQ(state.winLeft, c.winLeft);
        if (c.said) {
            EXPECT_TRUE(result.error.contains(QString::fromUtf8(c.said))) << result.error.toStdString();
        } else {
            EXPECT_EQ(result.error, QString());
        }
        EXPECT_EQ(readAll(iniPath() + QStringLiteral(".damaged")), c.kept ? c.content : QByteArray());
        EXPECT_EQ(result.error.contains(QStringLiteral("RentaboV24.ini.damaged")), c.kept);
    }
}

}  // namespace
}  // namespace rentabo
