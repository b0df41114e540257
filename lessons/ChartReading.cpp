#include "lessons/ChartReading.h"

#include "core/KukuTables.h"
#include "core/WeakList.h"
#include "speech/Speaker.h"

namespace rentabo {

namespace {
constexpr int kCellPauseMs = 800;
constexpr int kWeakPauseMs = 400;

bool isFact(int k) {
    return k >= 0 && k < kFacts;
}
}  // namespace

QString chartCellText(int fact) {
    if (!isFact(fact)) return {};
    const KukuTables& t = kukuTables();
    const auto k = static_cast<std::size_t>(fact);
    QString question = t.yomiFull[k].left(8);
    QString product = t.yomiFull[k].mid(9);
    question.remove(u'\u3000');
    product.remove(u'\u3000');
    return t.shikiStr[k] + u'＝' + t.ansStr[k] + u'\n' + question + u'\n' + product;
}

bool chartColumnActive(int column, int chartFromLesson, int mokuji_n) {
    if (column < 0 || column > 8) return false;
    if (chartFromLesson == 0) return true;
    const int row = column + 1;
    if (mokuji_n >= 0 && mokuji_n <= 8) return DanOfChoice[static_cast<std::size_t>(mokuji_n)] == row;
    switch (mokuji_n) {
        case 9:
            return row == 1 || row == 2 || row == 5;
        case 10:
            return row == 3 || row == 4 || row == 6;
        case 11:
            return row == 7 || row == 8 || row == 9;
        case 12:
            return true;
        default:
            return false;
    }
}

MarkerPos markerPosition(int fact) {
    const int column = (fact + 9) / 9;
    const int row = fact % 9;
    return {column * 130 - 105, row * 70 + 185};
}

void ChartReader::say(int fact) {
    m_speaker.SpeakWait(MakeYomi(fact, 1));
}

void ChartReader::ReadCell(int fact) {
    if (!isFact(fact)) return;
    cur = fact;
    m_view.repaintGrid();
    const int times = repeatOn ? 5 : 1;
    for (int n = 0; n < times; ++n) {
        m_view.showMarker(cur);
        say(cur);
        m_pacer.sleep(kCellPauseMs);
        m_view.repaintGrid();
    }
    m_view.hideMarker();
}

void ChartReader::DanRead(int d) {
    if (d < 1 || d > 9) return;
    m_view.repaintGrid();
    const int passes = repeatOn ? 2 : 1;
    for (int pass = 0; pass < passes; ++pass) {
        for (int fact = (d - 1) * 9; fact < d * 9; ++fact) {
            cur = fact;
            m_view.showMarker(cur);
            say(cur);
            m_view.hideMarker();
            m_view.repaintGrid();
        }
    }
    m_view.repaintGrid();
}

void ChartReader::ReadWeakFacts(const QString& errorsStr) {
    // A copy: the list must not change under the reading.
    const std::vector<int> facts = weakFacts(errorsStr);
    m_view.repaintGrid();
    const int passes = repeatOn ? 3 : 1;
    for (int pass = 0; pass < passes; ++pass) {
        for (int fact : facts) {
            cur = fact;
            m_view.showMarker(cur);
            m_pacer.sleep(kWeakPauseMs);
            say(cur);
            m_view.hideMarker();
            m_view.repaintGrid();
            m_pacer.sleep(kWeakPauseMs);
        }
    }
    m_view.repaintGrid();
    if (m_effects) m_effects->PlayEffect(2);
}

}  // namespace rentabo
