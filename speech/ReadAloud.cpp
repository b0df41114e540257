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

            WaitEnd end;
            if (step) {
                ShowReading(board, t.yomiFull[k], 1);
                ShowHintText(board, s.kuku_n);
                ShowExpression(board, t.shikiStr[k] + u'＝');
                speaker.SpeakAsync(MakeYomi(s.kuku_n, 0));
                speaker.WaitUntilDone();
                speaker.Pause();
                end = waitWithStops(pacer, timing::kStepThinkMs, false, stopQuestion);
            } else {
                ShowReading(board, t.yomiFull[k], 0);
                ShowHintText(board, s.kuku_n);
                ShowExpression(board, t.shikiStr[k] + u'＝');
                ShowAnswer(board, t.ansStr[k], 0);
                speaker.SpeakAsync(MakeYomi(s.kuku_n, 1));
                speaker.WaitUntilDone();
                speaker.Pause();
                end = waitWithStops(pacer, pacingOf(s.procFlag).speedWait - timing::kThinkShortenMs, true,
                                    stopQuestion);
            }

            if (end == WaitEnd::Escaped) {
                pacer.processPendingMessages();
                if (!step) ShowHintText(board, s.kuku_n);
                announceStop(board, speaker);
                speaker.Resume();
                board.CBoxDsp(1);
                if (!step) s.testAborted = 1;
                return -1;
            }
            if (end == WaitEnd::Confirmed) {
                announceStop(board, speaker);
                speaker.Resume();
                board.CBoxDsp(1);
                s.testAborted = 1;
                return -1;
            }

            if (step) {
                ShowReading(board, t.yomiFull[k], 0);
                ShowAnswer(board, QStringLiteral(u"　") + t.ansStr[k], 0);
                speaker.Resume();
                speaker.SpeakAsync(t.ansYomi[k]);
                speaker.WaitUntilDone();
                pacer.sleep(1000);
            }
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
