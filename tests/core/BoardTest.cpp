#include "core/Board.h"
#include "core/KukuTables.h"
#include "tests/support/RecordingBoard.h"
#include "tests/support/Text.h"

#include <gtest/gtest.h>

using namespace rentabo;

namespace {
using rentabo::testing::q;
}  // namespace

TEST(Board, AnswerDigitsBecomeFullWidthInTheRightColour) {
    RecordingBoard board;
    ShowAnswer(board, QStringLiteral("18"), 0);
    EXPECT_EQ(board.boardText(BoardText::Answer), q(u"１８"));
    EXPECT_FALSE(board.answerRed);
    ShowAnswer(board, q(u"１８"), 1);
    EXPECT_EQ(board.boardText(BoardText::Answer), q(u"１８"));
    EXPECT_TRUE(board.answerRed);
}

TEST(Board, RoundCounterAndMessageLine) {
    RecordingBoard board;
    ShowRound(board, 2);
    EXPECT_EQ(board.boardText(BoardText::Round), q(u"[２回目]"));
    ShowMessageLine(board, q(u"練習は終わりました。"));
    EXPECT_EQ(board.boardText(BoardText::MessageLine), q(u"◎練習は終わりました。"));
}

TEST(Board, ExpressionDropsWideSpacesAndReadingCanBeCut) {
    RecordingBoard board;
    ShowExpression(board, kukuTables().shikiStr[7] + u'＝' + kukuTables().ansStr[7]);
    EXPECT_EQ(board.boardText(BoardText::Expression), q(u"１×８＝８"));
    ShowReading(board, kukuTables().yomiFull[23], 1);
    EXPECT_EQ(board.boardText(BoardText::Reading), q(u"　さぶ・ろく　　・"));
}

// Clearing the expression takes its answer with it and leaves the reading; clearing the reading
// leaves the expression and the answer.
TEST(Board, ClearingTheExpressionOrTheReadingEmptiesOnlyItsOwnFields) {
    const struct {
        void (*clear)(QuestionBoard&);
        bool expressionLeft, answerLeft, readingLeft;
    } cases[] = {{ClearExpression, false, false, true}, {ClearReading, true, true, false}};
    for (const auto& c : cases) {
        RecordingBoard board;
        ShowExpression(board, q(u"３×６＝"));
        ShowAnswer(board, q(u"１８"), 0);
        ShowReading(board, kukuTables().yomiFull[23], 0);
        c.clear(board);
        EXPECT_EQ(board.boardText(BoardText::Expression).isEmpty(), !c.expressionLeft);
        EXPECT_EQ(board.boardText(BoardText::Answer).isEmpty(), !c.answerLeft);
        EXPECT_EQ(board.boardText(BoardText::Reading).isEmpty(), !c.readingLeft);
    }
}

TEST(Board, MarkPlaysTheMatchingSoundOnlyWhenAsked) {
    RecordingBoard board;
    RecordingEffects fx;
    ShowMark(board, &fx, 1, 1);
    ShowMark(board, &fx, 0, 1);
    ShowMark(board, &fx, 0, 0);
    EXPECT_EQ(fx.played, (std::vector<int>{0, 1}));
    EXPECT_EQ(board.boardText(BoardText::Mark), q(u"×"));
    ShowMark(board, &fx, -1, 1);
    EXPECT_TRUE(board.boardText(BoardText::Mark).isEmpty());
}

TEST(Board, ScreenClearResetsResultsAndBoard) {
    RecordingBoard board;
    KukuState state;
    state.testRec.fill(1);
    state.kuku_n = 40;
    board.appendMemo(QStringLiteral("x\n"));
    ShowHintText(board, 11);
    GamenClear(state, board);
    EXPECT_EQ(state.kuku_n, 0);
    EXPECT_TRUE(std::all_of(state.testRec.begin(), state.testRec.end(), [](int c) { return c == 2; }));
    EXPECT_TRUE(board.memo.isEmpty());
    EXPECT_TRUE(board.boardText(BoardText::Hint).isEmpty());
    EXPECT_EQ(board.boardText(BoardText::Progress), QStringLiteral("0"));
}

TEST(Board, MemoLimits) {
    struct Case {
        int lines;
        MemoLimit action;
    };
    const Case cases[] = {{0, MemoLimit::None},
                          {300, MemoLimit::None},
                          {301, MemoLimit::Warn},
                          {350, MemoLimit::Warn},
                          {351, MemoLimit::Clear}};
    for (const auto& c : cases) EXPECT_EQ(memoLimitAction(c.lines), c.action) << c.lines;

    RecordingBoard board;
    for (int i = 0; i < 301; ++i) board.appendMemo(QStringLiteral("line\n"));
    checkMemoLimits(board);
    EXPECT_TRUE(board.memoRed);
    EXPECT_EQ(board.memoLineCount(), 304);  // the warning is two lines, the first with a break in it
    for (int i = 0; i < 47; ++i) board.appendMemo(QStringLiteral("line\n"));
    checkMemoLimits(board);
    EXPECT_EQ(board.memoLineCount(), 0);
    EXPECT_FALSE(board.memoRed);
}
