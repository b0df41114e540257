#include "tests/support/VirtualPacer.h"

#include <gtest/gtest.h>

using namespace rentabo;

TEST(VirtualPacer, SleepFiresTimersAtTheirVirtualTimes) {
    VirtualPacer pacer;
    std::vector<std::int64_t> ticks;
    int id = 0;
    id = pacer.addTimer(1000, 1000, [&] {
        ticks.push_back(pacer.now());
        pacer.setTimerInterval(id, 300);  // the lesson timer's first tick sets its interval
    });
    pacer.sleep(2000);
    EXPECT_EQ(ticks, (std::vector<std::int64_t>{1000, 1300, 1600, 1900}));
    EXPECT_EQ(pacer.now(), 2000);
}

TEST(VirtualPacer, KeysAreSeenHeldAndPressedSince) {
    VirtualPacer pacer;
    pacer.pressKey(vk::KeyG, 100, 500);
    pacer.sleep(50);
    EXPECT_FALSE(pacer.keyActive(vk::KeyG));
    pacer.sleep(100);
    EXPECT_TRUE(pacer.keyDown(vk::KeyG));
    EXPECT_TRUE(pacer.keyPressedSince(vk::KeyG));
    EXPECT_FALSE(pacer.keyPressedSince(vk::KeyG));  // the query cleared it
    pacer.sleep(500);
    EXPECT_FALSE(pacer.keyDown(vk::KeyG));
}

TEST(VirtualPacer, ATapIsSeenByTheNextQueryEvenAfterItIsReleased) {
    VirtualPacer pacer;
    pacer.pressKey(vk::Escape, 10);
    pacer.sleep(300);
    EXPECT_FALSE(pacer.keyDown(vk::Escape));
    EXPECT_TRUE(pacer.keyActive(vk::Escape));
}

TEST(VirtualPacer, EventsInsideASleepRunInOrderAndMayNest) {
    VirtualPacer pacer;
    std::vector<std::int64_t> seen;
    pacer.at(100, [&] {
        seen.push_back(pacer.now());
        pacer.sleep(200);  // a handler that waits lets later events happen
        seen.push_back(pacer.now());
    });
    pacer.at(150, [&] { seen.push_back(pacer.now()); });
    pacer.sleep(1000);
    EXPECT_EQ(seen, (std::vector<std::int64_t>{100, 150, 300}));
}

TEST(VirtualPacer, QuestionsTakeScriptedAnswers) {
    VirtualPacer pacer;
    pacer.answers = {false};
    EXPECT_FALSE(pacer.askOkCancel(QStringLiteral("t"), QStringLiteral("c")));
    EXPECT_TRUE(pacer.askOkCancel(QStringLiteral("t"), QStringLiteral("c")));
    EXPECT_EQ(pacer.questions.size(), 2u);
}
