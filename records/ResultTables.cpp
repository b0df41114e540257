#include "records/ResultTables.h"

#include "core/Board.h"
#include "core/KukuTables.h"
#include "core/Pacer.h"
#include "core/WeakList.h"
#include "records/RecordsHost.h"

namespace rentabo {

namespace {

const QString kAbortedVerdict = QStringLiteral(u"残念！まだとちゅうだったね。");
const QString kUnderwayVerdict = QStringLiteral(u"まだテストのとちゅうだよ。さいごまでがんばろう!!");

bool isAsked(int value) {
    return value == 0 || value == 1;
}

QString testKindOf(int menu_n) {
    if (menu_n < 3 || menu_n > 9) return {};
    return kukuTables().testKindName[menu_n - 3];
}

QString levelText(int mokuji_n) {
    switch (mokuji_n) {
        case 9:
            return QStringLiteral(u"初級[１･２･５の段]");
        case 10:
            return QStringLiteral(u"中級[３･４･６の段]");
        case 11:
            return QStringLiteral(u"上級[８･７･９の段]");
        default:
            return QStringLiteral(u"全級[１～９の段]");
    }
}

// The rows of the times table whose column in table II decides a level.
std::vector<int> levelRows(int mokuji_n) {
    switch (mokuji_n) {
        case 9:
            return {1, 2, 5};
        case 10:
            return {3, 4, 6};
        case 11:
            return {8, 7, 9};
        default:
            return {};
    }
}

}  // namespace

QString answerMark(int value) {
    switch (value) {
        case 0:
            return QStringLiteral(u"×");
        case 1:
            return QStringLiteral(u"○");
        default:
            return QStringLiteral(u"－");
    }
}

bool resultCellRed(const QString& text) {
    return text == QStringLiteral(u"×");
}

ResultTable BuildResultTable1(KukuState& state) {
    const KukuTables& t = kukuTables();
    ResultTable table;
    table.kind = ResultKind::Rows;
    table.cells.assign(10, std::vector<QString>(4));
    table.cells[0][0] = QStringLiteral(u"【九・九】");
    table.cells[0][1] = QStringLiteral(u"１回目");
    table.cells[0][2] = QStringLiteral(u"２回目");
    table.cells[0][3] = QStringLiteral(u"３回目");

    // A row test always has a row; anything else would index outside the fact tables.
    const int dan = (state.dan >= 1 && state.dan <= 9) ? state.dan : 0;
    if (dan > 0)
        table.title =
            u'「' + t.danName[dan - 1] + u'」' + testKindOf(state.menu_n) + QStringLiteral(u"のテスト結果");

    for (int m = 1; m <= 9; ++m) {
        const int k = dan > 0 ? (dan - 1) * 9 + (m - 1) : -1;
        table.cells[m][0] = k >= 0 ? t.shikiStr[k] + QChar(0x3000) : QString();
        int product = 1;
        for (int r = 1; r <= 3; ++r) {
            const int v = state.testRec[(r - 1) * 9 + (m - 1)];
            table.cells[m][r] = answerMark(v);
            if (v == 0) ++table.wrongCount;
            if (isAsked(v)) ++table.askedCount;
            product *= v;
        }
        if (product == 1 && k >= 0) {
            ErrDel(state.errorsStr, k);
            table.pruned.push_back(k);
        }
    }

    table.cell = registrationCell(state.menu_n, state.dan);
    table.underway = state.testUnderway;
    if (state.testAborted == 1) {
        table.verdict = kAbortedVerdict;
    } else if (table.underway) {
        table.verdict = kUnderwayVerdict;
    } else if (table.askedCount == 0) {
        table.verdict = QStringLiteral(u"まだ１つもやってないよ。テストしよう!!");
    } else if (table.wrongCount > 0) {
        table.verdict = QStringLiteral(u"★できなかったところがあるよ。がんぼ!!");
    } else {
        table.verdict = QStringLiteral(u"☆パーペキだね。いうことなし!!");
        table.registrationEnabled = true;
        table.perfect = true;
    }
    return table;
}

ResultTable BuildResultTable2(KukuState& state) {
    const KukuTables& t = kukuTables();
    ResultTable table;
    table.kind = ResultKind::Levels;
    table.cells.assign(11, std::vector<QString>(10));
    table.cells[0][0] = QStringLiteral(u"[段]→");
    for (int d = 1; d <= 9; ++d) table.cells[0][d] = t.kanjiDigit[d - 1];
    for (int m = 1; m <= 9; ++m) table.cells[m][0] = u'×' + t.zenDigit[m - 1];
    table.cells[10][0] = QStringLiteral(u"合・否");
    table.title = levelText(state.mokuji_n) + testKindOf(state.menu_n) + QStringLiteral(u"のテスト結果");

    std::array<bool, 10> rowAllRight{};
    for (int d = 1; d <= 9; ++d) {
        bool all = true;
        for (int m = 1; m <= 9; ++m) {
            const int k = (d - 1) * 9 + (m - 1);
            const int v1 = state.testRec[k];
            const int v2 = state.testRec[k + 81];
            table.cells[m][d] = answerMark(v1) + answerMark(v2);
            for (int v : {v1, v2}) {
                if (v == 0) ++table.wrongCount;
                if (isAsked(v)) ++table.askedCount;
            }
            if (v1 == 1 && v2 == 1) {
                ErrDel(state.errorsStr, k);
                table.pruned.push_back(k);
            } else {
                all = false;
            }
        }
        rowAllRight[d] = all;
        if (state.testAborted == 0 && !state.testUnderway)
            table.cells[10][d] = all ? QStringLiteral(u"◎") : QStringLiteral(u"×");
    }

    table.cell = registrationCell(state.menu_n, state.dan);
    table.underway = state.testUnderway;
    bool levelRule = false;
    if (state.testAborted == 1) {
        table.verdict = kAbortedVerdict;
    } else if (table.underway) {
        table.verdict = kUnderwayVerdict;
    } else if (table.askedCount == 0) {
        table.verdict = QStringLiteral(u"まだ１つもできてないよ。チャレンジ。がんぼ！");
    } else if (table.wrongCount > 0) {
        table.verdict = QStringLiteral(u"できなかったところがあるよ。覚えちゃおう!!");
        levelRule = true;
    } else {
        table.verdict = QStringLiteral(u"★パーペキです。おみごと！ ワンダフル！");
        table.registrationEnabled = true;
        table.perfect = true;
        levelRule = true;
    }
    if (levelRule) {
        // One fully right row of the level is enough to register it.
        if (state.mokuji_n == 12) {
            if (table.wrongCount == 0) table.registrationEnabled = true;
        } else {
            for (int d : levelRows(state.mokuji_n))
                if (rowAllRight[d]) table.registrationEnabled = true;
        }
    }
    return table;
}

bool KekkaOpenCheck(const KukuState& state, ResultKind kind, RecordsHost& host) {
    if (state.menu_n < 3) {
        host.message(QStringLiteral(u"｢テスト]のもくじでないと開けません。"), QStringLiteral(u"<お知らせ>"));
        return false;
    }
    if (kind == ResultKind::Rows && state.mokuji_n > 8) return false;
    if (kind == ResultKind::Levels && state.mokuji_n < 9) return false;
    if (host.nameBoxText().isEmpty()) {
        host.message(QStringLiteral(u"まず，なまえを記入してください。"), QStringLiteral(u"おねがい。。。"));
        host.focusNameBox();
        return false;
    }
    return true;
}

RecCell registrationCell(int menu_n, int dan) {
    if (menu_n < 3 || menu_n > 9 || dan < 0 || dan > 12) return {-1, -1};
    return {menu_n - 3, dan == 0 ? 12 : dan - 1};
}

bool RegisterResult(KukuState& state, const ResultTable& table, RecordsHost& host) {
    if (table.kind == ResultKind::Rows && !table.perfect) {
        host.message(QStringLiteral(u"全問正解でないと，登録はできません。"), QStringLiteral(u"ご確認!!"));
        return false;
    }
    if (!table.registrationEnabled) return false;
    const RecCell cell = table.cell;
    if (cell.row < 0) return false;
    state.recCheck[cell.row][cell.column] = 1;
    return true;
}

bool CloseResultTable(KukuState& state, const ResultTable& table, QuestionBoard& board, Pacer& pacer) {
    // A test that goes on keeps its screen, its record and its hidden lists.
    if (table.underway) return true;
    board.CBoxDsp(1);
    if (table.perfect && !table.registered &&
        !pacer.askOkCancel(
            QStringLiteral(
                u"閉じると結果は消えます。全問正解のときは，登録をわすれずに！\n\n閉じていいですか。"),
            QStringLiteral(u"ご確認!!")))
        return false;
    if (table.kind == ResultKind::Rows) GamenClear(state, board);
    return true;
}

}  // namespace rentabo
