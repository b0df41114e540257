// The keyboard-answer tests of modes 4 and 5.
#include "core/Board.h"
#include "core/MakeOrder.h"
#include "core/Timing.h"
#include "core/WaitWithStops.h"
#include "lessons/LessonEngine.h"
#include "speech/Speaker.h"

namespace rentabo {

namespace {
using timing::kKeyRepeatMs;

QString passText() {
    return QStringLiteral(u"ﾊﾟｽ");
}
}  // namespace

int LessonEngine::ReadKey() {
    for (int d = 0; d < 10; ++d)
        if (m_pacer.keyActive(vk::Numpad0 + d)) {
            m_pacer.sleep(kKeyRepeatMs);
            return d;
        }
    for (int d = 0; d < 10; ++d)
        if (m_pacer.keyActive(vk::Key0 + d)) {
            m_pacer.sleep(kKeyRepeatMs);
            return d;
        }
    if (m_pacer.keyActive(vk::KeyG)) {
        m_pacer.sleep(kKeyRepeatMs);
        return -5;
    }
    if (m_pacer.keyActive(vk::Return)) {
        m_pacer.sleep(kKeyRepeatMs);
        return -1;
    }
    if (m_pacer.keyActive(vk::Escape)) {
        m_pacer.processPendingMessages();
        m_pacer.sleep(kKeyRepeatMs);
        return -3;
    }
    return -9;
}

void LessonEngine::openResultTable() {
    m_host.showResultTable(m_state);
}

int LessonEngine::stopKeyTest(const QString& message, bool speak) {
    ShowMessageLine(m_board, message);
    if (speak) m_speaker.SpeakAsync(message);
    m_state.testAborted = 1;
    m_state.testUnderway = false;
    openResultTable();
    m_board.CBoxDsp(1);
    return -1;
}

void LessonEngine::presentKeyQuestion(int k) {
    const KukuTables& t = kukuTables();
    const auto at = static_cast<std::size_t>(k);
    ClearExpression(m_board);
    ClearReading(m_board);
    ShowMark(m_board, nullptr, -1, 0);
    ShowReading(m_board, t.yomiFull[at], 1);
    ShowExpression(m_board, t.shikiStr[at] + u'＝');
    m_pacer.sleep(pacingOf(m_state.procFlag).speedPause);
    if (m_state.yomiWay != 0) m_speaker.SpeakWait(MakeYomi(k, 0));
    if (m_state.pinponFlag == 1 && m_effects) m_effects->PlayEffect(2);
}

LessonEngine::Answer LessonEngine::awaitAnswer(JudgedAnswer& judged) {
    KukuState& s = m_state;
    const int product = kukuTables().kotae[static_cast<std::size_t>(s.kuku_n)];
    const std::int64_t limit = s.procFlag == 0 ? timing::kStepAnswerMs : pacingOf(s.procFlag).speedWait;
    const std::int64_t start = m_pacer.now();
    int typed = -1;
    int phase = 1;
    bool rightArmed = true;
    judged = JudgedAnswer{};
    judged.kuku_n = s.kuku_n;
    judged.channel = AnswerChannel::Keyboard;
    judged.review = m_reviewing;
    // The answer's time is the poll that found its key: the key repeat sleeps after it.
    auto answered = [&](int given, std::int64_t at) {
        judged.given = given;
        judged.outcome = given == product ? AnswerOutcome::Right : AnswerOutcome::Wrong;
        judged.answerMs = at - start;
        return Answer::Judged;
    };
    while (m_pacer.now() - start <= limit) {
        if (!m_pacer.rightButtonDown()) {
            rightArmed = true;
        } else if (rightArmed) {
            if (m_pacer.askOkCancel(QStringLiteral(u"テストを中止しますか？"), QStringLiteral(u"<かくにん>")))
                return Answer::StopA;
            rightArmed = false;
        }
        const std::int64_t pollAt = m_pacer.now();
        const int key = ReadKey();
        if (key == -3) {
            ShowAnswer(m_board, passText(), 0);
            return Answer::StopB;
        }
        if (key == -1) {
            if (typed < 0) continue;
            return answered(typed, pollAt);
        }
        if (key == -5) {
            ShowAnswer(m_board, passText(), 0);
            m_pacer.beep();
            judged.outcome = AnswerOutcome::Wrong;
            judged.answerMs = pollAt - start;
            return Answer::Judged;
        }
        if (key >= 0) {
            if (product < 10) {
                ShowAnswer(m_board, QString::number(key), key == product ? 1 : 0);
                return answered(key, pollAt);
            }
            if (phase == 1) {
                typed = key;
                ShowAnswer(m_board, QString::number(key), 0);
                phase = 2;
                continue;
            }
            typed = 10 * typed + key;
            ShowAnswer(m_board, QString::number(typed), typed == product ? 1 : 0);
            return answered(typed, pollAt);
        }
        sleepOnePoll(m_pacer, start, limit);
    }
    ShowAnswer(m_board, passText(), 0);
    judged.outcome = AnswerOutcome::TimedOut;
    judged.answerMs = m_pacer.now() - start;
    return Answer::Judged;
}

int LessonEngine::judge(const JudgedAnswer& judged) {
    KukuState& s = m_state;
    const int score = judged.outcome == AnswerOutcome::Right ? 1 : 0;
    if (m_answerLog) m_answerLog->answerJudged(judged);
    if (score == 0) m_host.ErrRec(s.kuku_n);
    ShowMark(m_board, m_effects, score, s.pinponFlag);
    m_pacer.sleep(timing::kKeyMarkMs);
    if (!m_reviewing) recordAnswer(s, score);
    return score;
}

int LessonEngine::RunKeyTest() {
    KukuState& s = m_state;
    m_pacer.processPendingMessages();
    forgetEarlierPresses(m_pacer);
    s.testAborted = 0;
    s.testUnderway = true;
    const QString intro = setName() + QStringLiteral(u"のテストです。キーで答えてね。");
    m_speaker.SpeakMsg(intro);
    ShowMessageLine(m_board, intro);
    ResetResults(s);

    const SetRange range = setRangeOfChoice(s.mokuji_n);
    s.setStart = range.setStart;
    s.setEnd = range.setEnd;
    s.setRounds = s.mokuji_n < 12 ? s.testKaisuuMax - 1 : 1;
    if (s.randomFlag == 1) MakeOrder(s.setEnd - s.setStart);
    s.kaisuu = 0;
    s.qCount = 0;

    while (true) {
        ++s.kaisuu;
        ShowRound(m_board, s.kaisuu);
        for (int p = s.setStart, i = 0; p < s.setEnd; ++p, ++i) {
            presentKeyQuestion(nextQuestion(s, m_board, i));

            JudgedAnswer judged;
            switch (awaitAnswer(judged)) {
                case Answer::StopA:
                    m_speaker.Resume();
                    return stopKeyTest(QStringLiteral(u"テストを中止しました。"), true);
                case Answer::StopB:
                    return stopKeyTest(QStringLiteral(u"テストを中止しました"), false);
                case Answer::Judged:
                    break;
            }
            judge(judged);
            if (ReadKey() == -3) return stopKeyTest(QStringLiteral(u"テストを中止しました。"), false);
        }
        ShowRound(m_board, s.kaisuu);
        if (s.setRounds <= 0) break;
        m_speaker.SpeakMsg(QStringLiteral(u"初めからもう一度どうぞ。"));
        --s.setRounds;
    }
    s.testUnderway = false;
    m_board.CBoxDsp(1);
    SetProgress(m_board, s.qCount);
    openResultTable();
    m_board.CBoxDsp(1);
    return 0;
}

}  // namespace rentabo
