#include "tests/speech/VoiceRig.h"

#include <gtest/gtest.h>

using namespace rentabo;
using namespace rentabo::testing;

namespace {
struct VoiceCommandsTest : ::testing::Test {
    VoiceRig rig;
};
}  // namespace

TEST_F(VoiceCommandsTest, RowChoiceWhileIdleChangesTheRowAndSaysSo) {
    rig.chooseVoice(1, 5);
    rig.commands.handleCommand(63);
    EXPECT_EQ(rig.state.dan, 3);
    EXPECT_EQ(rig.state.mokuji_n, 3);
    EXPECT_EQ(rig.host.choiceIndex, 3);
    EXPECT_EQ(rig.voice.texts().last(), q(u"さんの段にしました。"));
    // A start command now tests 三の段.
    rig.commands.handleCommand(70);
    ASSERT_TRUE(rig.untilAwaiting());
    EXPECT_EQ(rig.state.kuku_n, 18);
}

TEST_F(VoiceCommandsTest, RowChoiceWhileASpokenAnswerWaitsIsRefused) {
    rig.chooseVoice(1, 5);
    rig.commands.handleCommand(70);
    ASSERT_TRUE(rig.untilAwaiting());
    rig.commands.handleCommand(63);
    EXPECT_EQ(rig.state.dan, 2);
    EXPECT_EQ(rig.voice.texts().last(), q(u"テストを終えてから，段を変えてね。"));
}

TEST_F(VoiceCommandsTest, ColoursAndTheDefaultStep) {
    struct Case {
        int command;
        int colour;
        int saved;
    };
    const Case cases[] = {
        {1, 0x0000FF, 0x0000FF},  {14, 0x008080, 0x008080}, {50, 0x008080, 0x008080},
        {88, 0x808000, 0x808000}, {77, 0x123456, 0x123456},  // no command: the current colour is saved
    };
    for (const auto& c : cases) {
        rig.voiceHost.colour = 0x123456;
        rig.commands.handleCommand(c.command);
        EXPECT_EQ(rig.voiceHost.colour, c.colour) << c.command;
        EXPECT_EQ(rig.state.orgColor, c.saved) << c.command;
    }
}

TEST_F(VoiceCommandsTest, ChatModeTurnsTealWithoutChangingTheSavedColour) {
    rig.state.orgColor = 0x00F0F0;
    rig.commands.handleCommand(72);
    EXPECT_EQ(rig.voiceHost.dicModes, 1);
    EXPECT_EQ(rig.voiceHost.colour, 0x808000);
    EXPECT_EQ(rig.state.orgColor, 0x00F0F0);
    rig.commands.handleCommand(2);
    EXPECT_EQ(rig.state.orgColor, 0xFF0000);
}

TEST_F(VoiceCommandsTest, StopByVoiceEndsTheTestAndOpensTheTable) {
    rig.chooseVoice(10, 5);  // 中級
    rig.commands.handleCommand(70);
    ASSERT_TRUE(rig.untilAwaiting());
    rig.commands.handleCommand(71);
    EXPECT_EQ(rig.state.AnsV_wait, VoiceTest::None);
    EXPECT_EQ(rig.state.testAborted, 1);
    ASSERT_EQ(rig.host.tables.size(), 1u);
    EXPECT_EQ(rig.host.tables[0].table, 2);
    EXPECT_EQ(rig.board.boardText(BoardText::MessageLine), q(u"◎テストを中止しました。"));
}

TEST_F(VoiceCommandsTest, CommandsThatDoNothingAndChartCommandsWithoutAChart) {
    rig.voiceHost.colour = 0x111111;
    for (int c : {78, 80, 305, 310}) rig.commands.handleCommand(c);
    EXPECT_EQ(rig.state.orgColor, 0x00F0F0);
    EXPECT_TRUE(rig.voiceHost.chartRows.empty());
    rig.state.chartOpen = 1;
    rig.commands.handleCommand(305);
    rig.commands.handleCommand(310);
    EXPECT_EQ(rig.voiceHost.chartRows, (std::vector<int>{5}));
    EXPECT_EQ(rig.voiceHost.chartWeak, 1);
}

TEST_F(VoiceCommandsTest, StartCommandOutsideAVoiceModeSaysSo) {
    rig.chooseVoice(1, 2);
    rig.commands.handleCommand(85);
    EXPECT_EQ(rig.board.boardText(BoardText::MessageLine), q(u"◎もくじが　音声テストモードではありません。"));
    EXPECT_EQ(rig.state.AnsV_wait, VoiceTest::None);
}

TEST_F(VoiceCommandsTest, ChatReplies) {
    struct Case {
        const char16_t* heard;
        const char16_t* reply;
        const char16_t* memo;
    };
    const Case cases[] = {
        {u"おはようございます", u"おはようございます。", u"<■astr=おはようございます> "},
        {u"あなたのお名前は？", u"しはんの・くくきわむ・名前名前と申します。",
         u"[しはん] しはんの 九九 きわむ と申します。"},
        {u"テスト始め", u"「モードチェンジ」と言って，コマンド モードに してからね。",
         u"[しはん] 「モードチェンジ」"},
        {u"いま何時？", u"今は，午前12時5分9秒です。", u"◇今は，午前12時5分9秒です。"},
        {u"今日は何日？", u"今日は2019年1月1日火曜日です。", u"今日は2019年1月1日火曜日です。"},
        {u"ありがとう", u"どう致しまして。", u"\n(しはん)：どう致しまして。\n"},
    };
    for (const auto& c : cases) {
        rig.board.memo.clear();
        rig.commands.handleChat(q(c.heard));
        EXPECT_EQ(rig.voice.texts().last(), q(c.reply)) << q(c.heard).toStdString();
        EXPECT_TRUE(rig.board.memo.contains(q(c.memo))) << rig.board.memo.toStdString();
    }
    EXPECT_EQ(rig.board.boardText(BoardText::MessageLine),
              q(u"◎「モードチェンジ」と言って，コマンド モードに してからね。"));
}

TEST_F(VoiceCommandsTest, ChatKeywordAnywhereReturnsToCommandListening) {
    const auto before = rig.voice.spoken.size();
    rig.commands.handleChat(q(u"えーとモードチェンジしてね"));
    EXPECT_EQ(rig.voiceHost.ccModes, 1);
    EXPECT_EQ(rig.voice.spoken.size(), before);  // the mode switch says its own acknowledgement
    rig.commands.handleChat(q(u"なにもない"));
    EXPECT_EQ(rig.voice.spoken.size(), before);
}

TEST(TimeAndDateTexts, TwelveHourClockAndWeekday) {
    struct Case {
        QDateTime at;
        const char16_t* time;
        const char16_t* date;
    };
    const Case cases[] = {
        {{QDate(2019, 1, 1), QTime(0, 5, 9)},
         u"今は，午前12時5分9秒です。",
         u"今日は2019年1月1日火曜日です。"},
        {{QDate(2026, 12, 7), QTime(12, 0, 0)},
         u"今は，午後12時0分0秒です。",
         u"今日は2026年12月7日月曜日です。"},
        {{QDate(2026, 12, 13), QTime(23, 59, 30)},
         u"今は，午後11時59分30秒です。",
         u"今日は2026年12月13日日曜日です。"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(timeText(c.at), q(c.time));
        EXPECT_EQ(dateText(c.at), q(c.date));
    }
}
