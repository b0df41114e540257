#include "core/Board.h"

#include "core/KukuTables.h"
#include "core/MakeOrder.h"

namespace rentabo {

void ShowMessageLine(QuestionBoard& board, const QString& text) {
    board.setBoardText(BoardText::MessageLine, u'◎' + text);
}

void ShowExpression(QuestionBoard& board, const QString& text) {
    QString s = text;
    s.remove(u'\u3000');
    board.setBoardText(BoardText::Expression, s);
}

void ShowAnswer(QuestionBoard& board, const QString& text, int colour) {
    if (colour == -1) board.setBoardText(BoardText::Answer, QString());
    board.setAnswerRed(colour == 1);
    board.setBoardText(BoardText::Answer, toFullWidthDigits(text));
}

void ShowReading(QuestionBoard& board, const QString& text, int cut) {
    board.setBoardText(BoardText::Reading, cut == 1 ? text.left(9) : text);
}

void ShowHintText(QuestionBoard& board, int k) {
    board.setBoardText(BoardText::Hint, k >= 0 && k < kFacts ? kukuTables().goroHint[k] : QString());
}

void ShowMark(QuestionBoard& board, EffectPlayer* effects, int ok, int withSound) {
    if (ok == -1) {
        board.setBoardText(BoardText::Mark, QString());
        return;
    }
    board.setBoardText(BoardText::Mark, ok == 0 ? QStringLiteral(u"×") : QStringLiteral(u"◎"));
    if (withSound == 1 && effects) effects->PlayEffect(ok == 0 ? 1 : 0);
}

void ShowRound(QuestionBoard& board, int n) {
    const auto& zen = kukuTables().zenDigit;
    const QString digit = n >= 1 && n <= 9 ? zen[n - 1] : toFullWidthDigits(QString::number(n));
    board.setBoardText(BoardText::Round, u'[' + digit + QStringLiteral(u"回目]"));
}

void SetProgress(QuestionBoard& board, int n) {
    board.setProgressBar(n);
    board.setBoardText(BoardText::Progress, QString::number(n));
}

void SetProgressOf(QuestionBoard& board, int n, int total) {
    board.setProgressBar(total > 0 ? n * kProgressBarEnd / total : 0);
    board.setBoardText(BoardText::Progress, QString::number(n));
}

void ClearExpression(QuestionBoard& board) {
    board.setBoardText(BoardText::Expression, QString());
    board.setBoardText(BoardText::Answer, QString());
}

void ClearReading(QuestionBoard& board) {
    board.setBoardText(BoardText::Reading, QString());
}

void ResetResults(KukuState& state) {
    state.testRec.fill(2);
}

void GamenClear(KukuState& state, QuestionBoard& board) {
    board.DrawBoard();
    board.clearMemo();
    state.kuku_n = 0;
    state.qnum = 0;
    SetProgress(board, 0);
    ResetResults(state);
    ShowMark(board, nullptr, -1, 0);
    ClearExpression(board);
    ClearReading(board);
    ShowHintText(board, -1);
}

MemoLimit memoLimitAction(int lineCount) {
    if (lineCount > 350) return MemoLimit::Clear;
    if (lineCount > 300) return MemoLimit::Warn;
    return MemoLimit::None;
}

void checkMemoLimits(QuestionBoard& board) {
    switch (memoLimitAction(board.memoLineCount())) {
        case MemoLimit::Warn:
            board.setMemoWarning(true);
            board.appendMemo(
                QStringLiteral(u"行数が300行を超えたので,［消去する］をクリックして、\n"
                               u"インフォーメーションを消去して下さい。\n"));
            board.appendMemo(QStringLiteral(u"行数が350行を超えると,自動的に消去します。\n"));
            break;
        case MemoLimit::Clear:
            board.clearMemo();
            board.setMemoWarning(false);
            break;
        case MemoLimit::None:
            break;
    }
}

void takeChoice(KukuState& state, int mokuji_n) {
    state.mokuji_n = mokuji_n;
    state.dan = DanOfChoice[static_cast<std::size_t>(mokuji_n)];
    state.qnum = 0;
    state.kyuuSet = mokuji_n - 9;
    state.testKaisuuMax = mokuji_n < 9 ? 3 : 2;
}

QString stopVoiceTest(KukuState& state, QuestionBoard& board) {
    const QString stopped = QStringLiteral(u"テストを中止しました。");
    ShowMessageLine(board, stopped);
    board.CBoxDsp(1);
    state.AnsV_wait = VoiceTest::None;
    state.voiceRun = VoiceTest::None;
    state.testAborted = 1;
    state.testUnderway = false;
    return stopped;
}

int nextQuestion(KukuState& state, QuestionBoard& board, int i) {
    ++state.qCount;
    SetProgress(board, state.qCount);
    state.kuku_n = factOfPosition(state, i);
    return state.kuku_n;
}

void recordAnswer(KukuState& state, int correct) {
    const int k = state.kuku_n;
    const int cell = state.mokuji_n < 9 ? (state.kaisuu - 1) * 9 + k % 9 : (state.kaisuu - 1) * 81 + k;
    if (cell >= 0 && cell < static_cast<int>(state.testRec.size()))
        state.testRec[static_cast<std::size_t>(cell)] = correct;
}

}  // namespace rentabo
