#include "speech/ReadAloud.h"

#include "core/Board.h"
#include "core/KukuTables.h"
#include "core/MakeOrder.h"
#include "core/Timing.h"
#include "core/WaitWithStops.h"
#include "speech/Speaker.h"

namespace rentabo {

namespace {

void announceStop(QuestionBoard& board, Speaker& speaker) {
    const QString stopped = QStringLiteral(u"練習を中止しました。");
    ShowMessageLine(board, stopped);
    speaker.SpeakAsync(stopped);
    board.DrawStopHint();
}

// Shows and says one fact: in step mode the question alone, then a pause for the child to think;
// otherwise the whole fact with its answer, then the pause. How the pause ended.
WaitEnd askFact(const KukuState& s, QuestionBoard& board, Pacer& pacer, Speaker& speaker, std::size_t k,
                bool step, const QString& stopQuestion) {
    const KukuTables& t = kukuTables();
    ShowReading(board, t.yomiFull[k], step ? 1 : 0);
    ShowHintText(board, s.kuku_n);
    ShowExpression(board, t.shikiStr[k] + u'＝');
    if (!step) ShowAnswer(board, t.ansStr[k], 0);
    speaker.SpeakAsync(MakeYomi(s.kuku_n, step ? 0 : 1));
    speaker.WaitUntilDone();
    speaker.Pause();
    if (step) return waitWithStops(pacer, timing::kStepThinkMs, false, stopQuestion);
    return waitWithStops(pacer, pacingOf(s.procFlag).speedWait - timing::kThinkShortenMs, true, stopQuestion);
}

// Step mode: the answer, shown and said after the pause.
void tellAnswer(QuestionBoard& board, Pacer& pacer, Speaker& speaker, std::size_t k) {
    const KukuTables& t = kukuTables();
    ShowReading(board, t.yomiFull[k], 0);
    ShowAnswer(board, QStringLiteral(u"　") + t.ansStr[k], 0);
    speaker.Resume();
    speaker.SpeakAsync(t.ansYomi[k]);
    speaker.WaitUntilDone();
    pacer.sleep(1000);
}

// The reading stopped during a fact's pause: Esc held down, or the stop confirmed.
void stopReading(KukuState& s, QuestionBoard& board, Pacer& pacer, Speaker& speaker, bool step, WaitEnd end) {
    const bool escaped = end == WaitEnd::Escaped;
    if (escaped) pacer.processPendingMessages();
    if (escaped && !step) ShowHintText(board, s.kuku_n);
    announceStop(board, speaker);
    speaker.Resume();
    board.CBoxDsp(1);
    if (!escaped || !step) s.testAborted = 1;
}

}  // namespace

int ReadVClick(KukuState& s, QuestionBoard& board, Pacer& pacer, Speaker& speaker, std::mt19937& rng) {
    const KukuTables& t = kukuTables();

    pacer.processPendingMessages();
    forgetEarlierPresses(pacer);
    board.clearMemo();
    board.appendMemo(QStringLiteral(u"<◎"));

    s.kaisuu = 1;
    const bool row = s.mokuji_n < 9;
    const int nameIndex = row ? s.dan - 1 : s.mokuji_n;
    const QString setName =
        nameIndex >= 0 && nameIndex <= 12 ? t.danName[static_cast<std::size_t>(nameIndex)] : t.danName[12];
    const QString intro = setName + QStringLiteral(u"の練習をします。");
    ShowMessageLine(board, intro);
    speaker.SpeakAsync(intro);

    s.qCount = 0;
    ShowMark(board, nullptr, -1, 0);
    s.randomFlag = s.menu_n == 1 ? 0 : 1;
    const SetRange range = setRangeOfChoice(s.mokuji_n);
    s.setStart = range.setStart;
    s.setEnd = range.setEnd;
    int rounds = row ? s.kaisuuMax : s.kaisuuMax / 2;
    if (s.randomFlag == 1) MakeOrder(s.order, s.setEnd - s.setStart, rng, pacer.now());

    const bool step = s.procFlag == 0;
    const QString stopQuestion = QStringLiteral(u"テストを中止しますか？");

    while (true) {
        ShowRound(board, s.kaisuu);
        for (int p = s.setStart, i = 0; p < s.setEnd; ++p, ++i) {
            const auto k = static_cast<std::size_t>(nextQuestion(s, board, i));
            pacer.sleep(pacingOf(s.procFlag).speedPause);
            ClearReading(board);
            ClearExpression(board);

            const WaitEnd end = askFact(s, board, pacer, speaker, k, step, stopQuestion);
            if (end == WaitEnd::Escaped || end == WaitEnd::Confirmed) {
                stopReading(s, board, pacer, speaker, step, end);
                return -1;
            }
            if (step) tellAnswer(board, pacer, speaker, k);
            speaker.Resume();
        }
        if (rounds > 1) {
            --rounds;
            ++s.kaisuu;
            const QString next = QString::number(s.kaisuu) + QStringLiteral(u"回目の読み上げをします。");
            ShowMessageLine(board, next);
            speaker.SpeakAsync(next);
            continue;
        }
        break;
    }
    ShowHintText(board, -1);
    const QString done = QString::number(s.kaisuu) + QStringLiteral(u"回目の読み上げを終了しました。");
    ShowMessageLine(board, done);
    speaker.SpeakAsync(done);
    board.CBoxDsp(1);
    s.qCount = 0;
    SetProgress(board, 0);
    return 0;
}

}  // namespace rentabo
