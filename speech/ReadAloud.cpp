#include "speech/ReadAloud.h"

#include "lessons/Board.h"
#include "lessons/KukuTables.h"
#include "lessons/MakeOrder.h"
#include "lessons/WaitWithStops.h"
#include "speech/Speaking.h"

namespace rentabo {

namespace {

// The thinking time at ステップ, and how much shorter than the speed's wait it is otherwise.
constexpr int kStepThinkMs = 6000;
constexpr int kThinkShortenMs = 500;

void announceStop(QuestionBoard& board, Speaker& speaker) {
    const QString stopped = QStringLiteral(u"練習を中止しました。");
    ShowMessageLine(board, stopped);
    speaker.SpeakAsync(stopped);
    board.DrawStopHint();
}

}  // namespace

int ReadVClick(KukuState& s, QuestionBoard& board, Pacer& pacer, Speaker& speaker, std::mt19937& rng) {
    const KukuTables& t = kukuTables();
    const auto setList = BuildSetList();

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
            ++s.qCount;
            SetProgress(board, s.qCount);
            s.kuku_n = factOfPosition(s, setList, i);
            const auto k = static_cast<std::size_t>(s.kuku_n);
            pacer.sleep(s.pacing.speedPause);
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
                s.waitLimit = kStepThinkMs;
                end = waitWithStops(pacer, kStepThinkMs, false, stopQuestion);
            } else {
                ShowReading(board, t.yomiFull[k], 0);
                ShowHintText(board, s.kuku_n);
                ShowExpression(board, t.shikiStr[k] + u'＝');
                ShowAnswer(board, t.ansStr[k], 0);
                speaker.SpeakAsync(MakeYomi(s.kuku_n, 1));
                speaker.WaitUntilDone();
                speaker.Pause();
                s.waitLimit = s.pacing.speedWait - kThinkShortenMs;
                end = waitWithStops(pacer, s.waitLimit, true, stopQuestion);
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
