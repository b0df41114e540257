#include "core/KukuTables.h"
#include "records/Nigate.h"
#include "speech/Speaker.h"
#include "tests/support/VirtualPacer.h"
#include "tests/support/VirtualVoice.h"

#include <gtest/gtest.h>

using namespace rentabo;

// A fact is added to and taken from the list by its whole entry, never by a part of another.
TEST(Nigate, AddingAndRemovingTakeTheWholeEntryOnce) {
    const struct {
        const char* before;
        char op;  // '+' ErrRec, '-' ErrDel
        int fact;
        const char* after;
    } cases[] = {
        {"13:14:", '+', 3, "13:14:3:"},     // 3 is not in "13:"
        {"13:14:3:", '+', 13, "13:14:3:"},  // already there
        {"", '+', 40, "40:"},               // from an empty list
        {"13:14:", '+', -1, "13:14:"},      // outside the facts
        {"13:14:", '+', 81, "13:14:"},
        {"1:", '+', 11, "1:11:"},
        {"11:", '+', 1, "11:1:"},
        {"13", '+', 3, "13:3:"},  // a list that lost its last colon
        {"0:", '+', 0, "0:"},
        {"", '+', 80, "80:"},
        {"13:3:14:", '-', 3, "13:14:"},
        {"13:14:", '-', 3, "13:14:"},  // only "13" holds a 3
        {"40:", '-', 40, ""},          // the only entry
        {"1:11:", '-', 1, "11:"},      // deleting 1 must not touch 11
        {"11:1:", '-', 1, "11:"},
        {"11:21:1:", '-', 1, "11:21:"},
        {"11:", '-', 1, "11:"},
        {"13:14:15:16:", '-', 13, "14:15:16:"},
        {"13:14:15:16:", '-', 16, "13:14:15:"},
        {"", '-', 5, ""},
    };
    for (const auto& c : cases) {
        QString list = QString::fromLatin1(c.before);
        c.op == '+' ? ErrRec(list, c.fact) : ErrDel(list, c.fact);
        EXPECT_EQ(list, QString::fromLatin1(c.after)) << c.before << ' ' << c.op << ' ' << c.fact;
    }
}

TEST(Nigate, RemovingTheLastEntryThenAddingStartsAFreshList) {
    QString list = QStringLiteral("7:");
    ErrDel(list, 7);
    EXPECT_TRUE(list.isEmpty());
    ErrRec(list, 22);
    EXPECT_EQ(list, QStringLiteral("22:"));
}

TEST(Nigate, SortingOrdersNumbersAndDropsJunk) {
    const struct {
        const char* before;
        const char* after;
    } cases[] = {
        {"40:3:13:", "3:13:40:"},       {"", ""}, {"80:0:", "0:80:"}, {"9:abc:2:", "2:9:"},
        {"10:9:100:1:", "1:9:10:100:"},  // numeric, not text order
        {"5:4:3:2:1:", "1:2:3:4:5:"},
    };
    for (const auto& c : cases) {
        QString list = QString::fromLatin1(c.before);
        ErrSort(list);
        EXPECT_EQ(list, QString::fromLatin1(c.after)) << c.before;
    }
}

TEST(Nigate, WindowLinesShowTheFactAndStandInTwoColumns) {
    EXPECT_EQ(nigateLineText(13), QString::fromUtf16(u"■ 13 → 2×5"));
    EXPECT_EQ(nigateLineText(0), QString::fromUtf16(u"■ 0 → 1×1"));
    EXPECT_EQ(nigateLineText(80), QString::fromUtf16(u"■ 80 → 9×9"));
    const struct {
        int line;
        std::optional<QPoint> at;
    } cases[] = {
        {0, QPoint(18, 80)},    {19, QPoint(18, 840)}, {20, QPoint(198, 80)},
        {40, QPoint(198, 880)}, {41, std::nullopt},    {-1, std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(nigateLinePos(c.line), c.at) << c.line;
}

TEST(Nigate, ReadingAllSpeaksEachFactToItsEndThenPauses) {
    KukuState state;
    VirtualPacer pacer;
    VirtualVoice voice(pacer);
    voice.fixedDurationMs = 1000;
    Speaker speaker(state, voice, pacer);
    std::vector<int> marked;
    const int read =
        ReadWeakFacts(QStringLiteral("13:x:90:39:"), speaker, pacer, 1, [&](int k) { marked.push_back(k); });
    EXPECT_EQ(read, 2);
    EXPECT_EQ(marked, (std::vector<int>{13, 39}));
    ASSERT_EQ(voice.spoken.size(), 2u);
    EXPECT_EQ(voice.spoken[0].text, MakeYomi(13, 1));
    EXPECT_EQ(voice.spoken[1].text, MakeYomi(39, 1));
    // Each fact waits for the voice (1000 ms), then 800 ms before the next.
    EXPECT_EQ(voice.spoken[1].start, 1800);
    EXPECT_EQ(pacer.now(), 3600);
}

TEST(Nigate, AnEmptyListReadsNothing) {
    KukuState state;
    VirtualPacer pacer;
    VirtualVoice voice(pacer);
    Speaker speaker(state, voice, pacer);
    EXPECT_EQ(ReadWeakFacts(QString(), speaker, pacer, 3, {}), 0);
    EXPECT_TRUE(voice.spoken.empty());
    EXPECT_EQ(pacer.now(), 0);
}
