#include "LessonRig.h"

#include "core/KukuTables.h"
#include "core/WeakList.h"
#include "lessons/ChartReading.h"

#include <gtest/gtest.h>

#include <functional>

using namespace rentabo;
using namespace rentabo::testing;

namespace {

struct RecordingView final : ChartView {
    void showMarker(int fact) override { markers.push_back(fact); }
    void hideMarker() override { ++hides; }
    void repaintGrid() override { ++repaints; }
    std::vector<int> markers;
    int hides = 0;
    int repaints = 0;
};

struct ChartRig {
    ChartRig() { voice.fixedDurationMs = 1000; }
    KukuState state;
    VirtualPacer pacer;
    VirtualVoice voice{pacer};
    Speaker speaker{state, voice, pacer};
    RecordingView view;
    RecordingEffects effects;
    ChartReader reader{speaker, pacer, view, &effects};
};

QStringList readingsOf(std::initializer_list<int> facts, int times = 1) {
    QStringList out;
    for (int n = 0; n < times; ++n)
        for (int k : facts) out << MakeYomi(k, 1);
    return out;
}

}  // namespace

TEST(ChartReading, EachWayOfReadingSaysItsFactsAtItsPace) {
    struct Case {
        const char* name;
        bool repeatOn;
        std::function<void(ChartReader&)> read;
        QStringList said;
        std::int64_t lasts;  // each utterance takes 1000 ms here
        int prompts;
    };
    const QStringList goNoDan = readingsOf({36, 37, 38, 39, 40, 41, 42, 43, 44});
    const Case cases[] = {
        {"one cell", false, [](ChartReader& r) { r.ReadCell(22); }, readingsOf({22}), 1800, 0},
        {"one cell repeated", true, [](ChartReader& r) { r.ReadCell(22); }, readingsOf({22}, 5), 9000, 0},
        {"a row", false, [](ChartReader& r) { r.DanRead(5); }, goNoDan, 9000, 0},
        {"a row repeated", true, [](ChartReader& r) { r.DanRead(5); }, goNoDan + goNoDan, 18000, 0},
        {"weak facts", false, [](ChartReader& r) { r.ReadWeakFacts(QStringLiteral("13:14:15:16:")); },
         readingsOf({13, 14, 15, 16}), 4 * 1800, 1},
        {"weak facts repeated", true, [](ChartReader& r) { r.ReadWeakFacts(QStringLiteral("13:14:")); },
         readingsOf({13, 14}, 3), 6 * 1800, 1},
        {"weak pieces that are no fact", false,
         [](ChartReader& r) { r.ReadWeakFacts(QStringLiteral("5:abc:90:")); }, readingsOf({5}), 1800, 1},
        {"no weak facts", false, [](ChartReader& r) { r.ReadWeakFacts(QString()); }, {}, 0, 1},
        {"a row that does not exist", false, [](ChartReader& r) { r.DanRead(10); }, {}, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ChartRig rig;
        rig.reader.repeatOn = c.repeatOn;
        c.read(rig.reader);
        EXPECT_EQ(rig.voice.texts(), c.said);
        EXPECT_EQ(rig.pacer.now(), c.lasts);
        EXPECT_EQ(static_cast<int>(rig.effects.played.size()), c.prompts);
        if (c.prompts) {
            EXPECT_EQ(rig.effects.played.back(), 2);
        }
        EXPECT_EQ(rig.view.markers.size(), static_cast<std::size_t>(c.said.size()));
    }
}

TEST(ChartReading, MarkerFollowsTheFactBeingRead) {
    ChartRig rig;
    rig.reader.DanRead(5);
    EXPECT_EQ(rig.view.markers.front(), 36);
    EXPECT_EQ(rig.reader.cur, 44);
    EXPECT_EQ(rig.voice.texts()[7], q(u"ご はっ しじゅう"));
    EXPECT_EQ(rig.view.hides, 9);

    ChartRig cell;
    cell.reader.repeatOn = true;
    cell.reader.ReadCell(80);
    EXPECT_EQ(cell.view.markers, std::vector<int>(5, 80));
    EXPECT_EQ(cell.view.hides, 1);
}

TEST(ChartReading, MarkerSitsInTheCellsLowerLeftCorner) {
    struct Case {
        int fact;
        int left;
        int top;
    };
    const Case cases[] = {{0, 25, 185}, {8, 25, 745}, {9, 155, 185}, {44, 545, 745}, {80, 1065, 745}};
    for (const auto& c : cases) {
        const MarkerPos p = markerPosition(c.fact);
        EXPECT_EQ(p.left, c.left) << c.fact;
        EXPECT_EQ(p.top, c.top) << c.fact;
    }
}

TEST(ChartReading, ColumnsInColourFollowTheLessonChoice) {
    struct Case {
        int chartFromLesson;
        int mokuji_n;
        const char* active;  // '1' for each of the nine columns in colour
    };
    const Case cases[] = {
        {0, 3, "111111111"},  {1, 3, "001000000"},  {1, 6, "000000010"},  {1, 9, "110010000"},
        {1, 10, "001101000"}, {1, 11, "000000111"}, {1, 12, "111111111"}, {1, 13, "000000000"},
    };
    for (const auto& c : cases) {
        QString got;
        for (int col = 0; col < 9; ++col)
            got += chartColumnActive(col, c.chartFromLesson, c.mokuji_n) ? u'1' : u'0';
        EXPECT_EQ(got, QString::fromLatin1(c.active)) << c.chartFromLesson << "/" << c.mokuji_n;
    }
}

TEST(ChartReading, CellTextAndWeakCells) {
    EXPECT_EQ(chartCellText(13), q(u"２×５＝１０\nに・ご\nじゅう"));
    EXPECT_EQ(chartCellText(35), q(u"４×９＝３６\nし・く\nさんじゅうろく"));
    const QString errors = QStringLiteral("13:14:15:16:");
    for (int k : {13, 14, 15, 16}) EXPECT_TRUE(errListed(errors, k)) << k;
    for (int k : {1, 3, 4, 6, 12, 17}) EXPECT_FALSE(errListed(errors, k)) << k;
    EXPECT_EQ(weakFacts(QStringLiteral("-1:81:7:80")), (std::vector<int>{7, 80}));
}
