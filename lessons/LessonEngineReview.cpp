// Today's review at the keyboard: the facts the schedule picked, asked once each like a keyboard
// test, every answer judged, marked and kept (weak points, history); the last test's result table
// and the qualification records are not touched, since the review is not a test of a row.
#include "core/Board.h"
#include "core/Timing.h"
#include "core/WaitWithStops.h"
#include "lessons/LessonEngine.h"
#include "speech/Speaker.h"

#include <algorithm>

namespace rentabo {

int LessonEngine::RunReviewTest(const std::vector<int>& facts) {
    KukuState& s = m_state;
    // The screen is cleared as for a test, but not the last test's answer record.
    SetProgress(m_board, 0);
    ShowMark(m_board, nullptr, -1, 0);
    ClearExpression(m_board);
    ClearReading(m_board);
    ShowHintText(m_board, -1);
    m_pacer.processPendingMessages();
    m_board.CBoxDsp(0);
    m_host.showAnswerWay(true, true);
    forgetEarlierPresses(m_pacer);
    m_reviewing = true;
    const QString intro = QStringLiteral(u"今日の復習です。%1問、キーで答えてね。").arg(facts.size());
    m_speaker.SpeakMsg(intro);
    ShowMessageLine(m_board, intro);
    ShowRound(m_board, 1);

    int right = 0;
    int asked = 0;
    const auto total = std::count_if(facts.begin(), facts.end(), [](int k) { return k >= 0 && k < kFacts; });
    auto stop = [&](const QString& message, bool speak) {
        m_reviewing = false;
        ShowMessageLine(m_board, message);
        if (speak) m_speaker.SpeakAsync(message);
        m_board.CBoxDsp(1);
        return -1;
    };
    for (int k : facts) {
        if (k < 0 || k >= kFacts) continue;
        SetProgressOf(m_board, ++asked, static_cast<int>(total));
        s.kuku_n = k;
        presentKeyQuestion(k);
        JudgedAnswer judged;
        switch (awaitAnswer(judged)) {
            case Answer::StopA:
                m_speaker.Resume();
                return stop(QStringLiteral(u"復習を中止しました。"), true);
            case Answer::StopB:
                return stop(QStringLiteral(u"復習を中止しました"), false);
            case Answer::Judged:
                break;
        }
        right += judge(judged);
        if (ReadKey() == -3) return stop(QStringLiteral(u"復習を中止しました。"), false);
    }
    m_reviewing = false;
    const QString done =
        right == asked ? QStringLiteral(u"今日の復習はおしまい。%1問ぜんぶ正かい！").arg(asked)
                       : QStringLiteral(u"今日の復習はおしまい。%1問中%2問 正かい。").arg(asked).arg(right);
    ShowMessageLine(m_board, done);
    m_speaker.SpeakMsg(done);
    m_board.CBoxDsp(1);
    return 0;
}

}  // namespace rentabo
