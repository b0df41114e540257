#pragma once

#include "core/Pacer.h"
#include "core/QuestionBoard.h"

#include <QString>

#include <vector>

namespace rentabo {

class Speaker;

// The rules of the times-table chart that do not need a window: what each cell shows, which
// columns are in colour, where the reading marker goes, and the three ways of reading aloud.

// Three lines: "２×５＝１０", "に・ご", "じゅう".
QString chartCellText(int fact);
// Column c (0-based, the row of the table c + 1) is in colour: every column when the chart was
// opened from the menu, otherwise only the rows of the lesson's row or level choice.
bool chartColumnActive(int column, int chartFromLesson, int mokuji_n);

// The top-left corner of the marker square for a fact, in the chart window's coordinates.
struct MarkerPos {
    int left;
    int top;
};
MarkerPos markerPosition(int fact);

// What the chart window does while it reads.
class ChartView {
public:
    virtual ~ChartView() = default;
    virtual void showMarker(int fact) = 0;
    virtual void hideMarker() = 0;
    virtual void repaintGrid() = 0;
};

// The chart's reading aloud. Every fact is said to its end before the next step; the chart does
// not respond to other input meanwhile.
class ChartReader {
public:
    ChartReader(Speaker& speaker, Pacer& pacer, ChartView& view, EffectPlayer* effects)
        : m_speaker(speaker), m_pacer(pacer), m_view(view), m_effects(effects) {}

    // A clicked cell: once, or five times with repeat on.
    void ReadCell(int fact);
    // Row d (1..9) of the table: once, or twice with repeat on.
    void DanRead(int d);
    // The weak facts in list order: once, or three times with repeat on; then the prompt sound.
    void ReadWeakFacts(const QString& errorsStr);

    // The fact being read; the weak-point window shares it.
    int cur = 0;
    // The リピート toggle.
    bool repeatOn = false;

private:
    void say(int fact);

    Speaker& m_speaker;
    Pacer& m_pacer;
    ChartView& m_view;
    EffectPlayer* m_effects;
};

}  // namespace rentabo
