#include "records/Sikaku.h"

#include "core/KukuTables.h"
#include "records/RecordsHost.h"

namespace rentabo {

namespace {

const QString kPassed = QStringLiteral(u"○");
const QString kNotPassed = QStringLiteral(u"－");
const QString kWayDone = QStringLiteral(u"◎");
const QString kWayNotDone = QStringLiteral(u"×");
const QString kCheckCaption = QStringLiteral(u"□ごかくにん□");

bool passed(const SikakuGrid& grid, int r, int c) {
    return grid[r][c] == kPassed;
}

bool groupCovered(const SikakuGrid& grid, int c, int firstRow, int levelRow) {
    return (passed(grid, firstRow, c) && passed(grid, firstRow + 1, c) && passed(grid, firstRow + 2, c)) ||
           passed(grid, levelRow, c);
}

}  // namespace

SikakuGrid MakeSikakuGrid(const RecCheck& recCheck) {
    SikakuGrid grid;
    static const std::array<const char16_t*, 7> heads{u"手答(順)", u"手答(乱)", u"声答(順)", u"声答(乱)",
                                                      u"暗唱(順)", u"暗唱(乱)", u"完全暗唱"};
    static const std::array<const char16_t*, 14> labels{
        u"一の段",         u"二の段",         u"三の段",     u"四の段", u"五の段",
        u"六の段",         u"七の段",         u"八の段",     u"九の段", u"一・二・五の段",
        u"三・四・六の段", u"八・七・九の段", u"すべての段", u"合否"};
    for (int c = 1; c <= 7; ++c) grid[0][c] = QString::fromUtf16(heads[c - 1]);
    for (int r = 1; r <= 14; ++r) grid[r][0] = QString::fromUtf16(labels[r - 1]);
    FillSikakuGrid(grid, recCheck);
    return grid;
}

void FillSikakuGrid(SikakuGrid& grid, const RecCheck& recCheck) {
    for (int c = 1; c <= 7; ++c) {
        for (int r = 1; r <= 13; ++r) grid[r][c] = recCheck[c - 1][r - 1] == 1 ? kPassed : kNotPassed;
        grid[kSikakuPassRow][c] = recCheck[c - 1][13] == 1 ? kWayDone : kWayNotDone;
    }
}

bool sikakuCellRed(const QString& text) {
    return text == kWayNotDone || text == kWayDone;
}

bool wayComplete(const SikakuGrid& grid, int c) {
    if (passed(grid, kSikakuAllRowsRow, c)) return true;
    return groupCovered(grid, c, 1, 10) && groupCovered(grid, c, 4, 11) && groupCovered(grid, c, 7, 12);
}

SikakuVerdict SikakuCheck(SikakuGrid& grid) {
    std::array<bool, 8> done{};
    for (int c = 1; c <= 7; ++c) {
        done[c] = wayComplete(grid, c);
        grid[kSikakuPassRow][c] = done[c] ? kWayDone : kWayNotDone;
    }
    SikakuVerdict v;
    const bool master = (done[1] || done[3]) && (done[2] || done[4]);
    if (master) v.sikakuLevel = (done[5] && done[6] && done[7]) ? 2 : 1;
    switch (v.sikakuLevel) {
        case 2:
            v.message = QStringLiteral(u"でかした。<九九術免許皆伝> をゲットできるぞ。");
            v.masterEnabled = v.menkyoEnabled = true;
            break;
        case 1:
            v.message = QStringLiteral(u"おめでとう。<九九術マスター> の資格をゲットできるぞ。");
            v.masterEnabled = true;
            break;
        default:
            v.message = QStringLiteral(u"名人や免許皆伝の位にはまだ修行がたらんぞ。");
            break;
    }
    return v;
}

bool rowQualifies(const SikakuGrid& grid, int r) {
    if (r < 1 || r > 12) return false;
    const bool inOrder = passed(grid, r, 1) || passed(grid, r, 3) || passed(grid, r, 5);
    const bool shuffled = passed(grid, r, 2) || passed(grid, r, 4) || passed(grid, r, 6);
    return (inOrder && shuffled) || passed(grid, r, 7);
}

bool DankyuCertificate(KukuState& state, const SikakuGrid& grid, int r, RecordsHost& host) {
    if (r >= 13 || r < 1) {
        host.message(QStringLiteral(u"この認定はありません。"), kCheckCaption);
        return false;
    }
    if (!rowQualifies(grid, r)) {
        // One box that names the row the learner chose.
        host.message(
            grid[r][0] + QStringLiteral(u"の認定は，<順>と<乱>の両方か，完全暗唱に通る必要があるよ。\n"
                                        u"まだ，条件がたりません。"),
            kCheckCaption);
        return false;
    }
    // Only the certificate takes the row: the lesson choice, its list and its round count stay as
    // the learner left them, and a result table still open registers the test it shows.
    state.certChoice = ChoiceOfDan[r - 1];
    state.certKind = -1;
    return true;
}

void WriteBackSikakuGrid(const SikakuGrid& grid, RecCheck& recCheck) {
    for (int c = 1; c <= 7; ++c)
        for (int r = 1; r <= 14; ++r)
            recCheck[c - 1][r - 1] = (grid[r][c] == kPassed || grid[r][c] == kWayDone) ? 1 : 0;
}

}  // namespace rentabo
