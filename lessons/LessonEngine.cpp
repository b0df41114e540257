#include "lessons/LessonEngine.h"

#include "core/Board.h"
#include "core/MakeOrder.h"
#include "core/Timing.h"
#include "core/WaitWithStops.h"
#include "speech/ReadAloud.h"
#include "speech/Speaker.h"

#include <algorithm>

namespace rentabo {

namespace {

bool isFullWidthDigit(QChar c) {
    return c.unicode() >= u'０' && c.unicode() <= u'９';
}

// "２.練 習（段級・順）" without its number: "練 習（段級・順）".
QString withoutMenuNumber(const QString& item) {
    qsizetype i = 0;
    while (i < item.size() && isFullWidthDigit(item.at(i))) ++i;
    if (i < item.size() && (item.at(i) == u'.' || item.at(i) == u'．')) ++i;
    return item.mid(i);
}

}  // namespace

LessonEngine::LessonEngine(KukuState& state, QuestionBoard& board, Pacer& pacer, Speaker& speaker,
                           EffectPlayer* effects, LessonHost& host)
    : m_state(state), m_board(board), m_pacer(pacer), m_speaker(speaker), m_effects(effects), m_host(host) {}

void LessonEngine::chooseRowOrLevel(int index) {
    if (index < 0 || index > 12) return;
    if (index == 12 && m_state.menu_n >= 5) {
        m_host.showMessage(QStringLiteral(u"★ 口答による全段テストはありません。"),
                           QStringLiteral(u"ご確認!!"));
        // The choice is refused: the list goes back to the row or level still in force, so the
        // list, mokuji_n and dan keep agreeing.
        m_host.setChoiceIndex(m_state.mokuji_n);
        return;
    }
    takeChoice(m_state, index);
    m_host.enableResultMenus(m_state.mokuji_n<9, m_state.mokuji_n> 8);
    AnnounceChoice();
    m_host.focusStartButton();
}

void LessonEngine::chooseLesson(int index) {
    if (index < 0 || index > 9) return;
    m_state.menu_n = index;
    if (m_state.menu_n < 9) {
        SetAnswerWay();
        AnnounceChoice();
    }
    m_host.focusStartButton();
}

void LessonEngine::SetAnswerWay() {
    if (m_state.menu_n == 3 || m_state.menu_n == 4) {
        m_host.showAnswerWay(true, true);
        m_state.ans_way = 0;
        return;
    }
    m_state.ans_way = m_state.menu_n > 2 ? 1 : 0;
    m_host.showAnswerWay(m_state.ans_way == 1, false);
}

void LessonEngine::AnnounceChoice() {
    const KukuTables& t = kukuTables();
    const int choice = std::clamp(m_state.mokuji_n, 0, 12);
    const int mode = std::clamp(m_state.menu_n, 0, 9);
    const QString c = t.choiceName[static_cast<std::size_t>(choice)];
    m_board.appendMemo(QStringLiteral(u"<◆mokuji_n changed>-> ") + c + u'\n');
    QString m;
    if (mode < 3) {
        m = withoutMenuNumber(t.menuName[static_cast<std::size_t>(mode)]);
    } else {
        m_state.testKaisuuMax = m_state.mokuji_n < 9 ? 3 : 2;
        m = QStringLiteral(u"テスト") + t.testKindName[static_cast<std::size_t>(mode - 3)];
    }
    ShowMessageLine(m_board, c + u'の' + m + QStringLiteral(u"をします。"));
}

void LessonEngine::openOnLoadedChoice() {
    SetAnswerWay();
    m_board.DrawBoard();
    AnnounceChoice();
    ResetResults(m_state);
    m_state.dan = DanOfChoice[std::clamp(m_state.mokuji_n, 0, 12)];
    m_state.kuku_n = std::max(0, 9 * m_state.dan - 9);
    m_state.qnum = 0;
    m_state.randomFlag = 0;
    m_host.enableResultMenus(m_state.mokuji_n<9, m_state.mokuji_n> 8);
}

QString LessonEngine::setName() const {
    const auto& names = kukuTables().danName;
    if (m_state.mokuji_n < 12 && m_state.dan >= 1 && m_state.dan <= 12)
        return names[static_cast<std::size_t>(m_state.dan - 1)];
    return names[12];
}

void LessonEngine::startLesson() {
    GamenClear(m_state, m_board);
    m_pacer.processPendingMessages();
    if (m_state.infoDsp == 1) m_host.focusMemo();
    m_board.CBoxDsp(0);
    m_board.DrawBoard();

    switch (m_state.menu_n) {
        case 0:
            m_state.chartFromLesson = 1;
            m_host.openChart();
            m_host.setAnswerWayVisible(false);
            // Nothing else brings the lists back after the chart, and without them no other mode
            // could be chosen.
            m_board.CBoxDsp(1);
            return;
        case 1:
        case 2: {
            m_host.setAnswerWayVisible(false);
            m_state.chartFromLesson = 0;
            ShowMessageLine(m_board, setName() + QStringLiteral(u"の練習をします。"));
            if (m_state.yomiWay != 0)
                ReadVClick(m_state, m_board, m_pacer, m_speaker, m_rng);
            else
                RunPractice();
            return;
        }
        case 3:
        case 4:
            m_host.setAnswerWayVisible(true);
            m_state.randomFlag = m_state.menu_n == 4 ? 1 : 0;
            RunKeyTest();
            return;
        default: {
            const QString text = m_state.ans_way == 1
                                     ? QStringLiteral(u"音声によるテストです。｢テスト始め｣と言ってね")
                                     : QStringLiteral(u"音声入力 にして，コマンド と言ってください。");
            ShowMessageLine(m_board, text);
            m_speaker.SpeakAsync(text);
            return;
        }
    }
}

void LessonEngine::MakeOrder(int n) {
    rentabo::MakeOrder(m_state.order, n, m_rng, m_pacer.now());
}

int LessonEngine::RunPractice() {
    KukuState& s = m_state;
    const KukuTables& t = kukuTables();
    m_pacer.processPendingMessages();
    m_board.DrawStopHint();
    forgetEarlierPresses(m_pacer);
    s.kyuuSet = s.mokuji_n - 9;
    s.randomFlag = s.menu_n == 1 ? 0 : 1;

    const SetRange range = setRangeOfChoice(s.mokuji_n);
    s.setStart = range.setStart;
    s.setEnd = range.setEnd;
    s.setRounds = s.mokuji_n < 9 ? s.kaisuuMax : s.kaisuuMax / 2;
    if (s.randomFlag == 1) MakeOrder(s.setEnd - s.setStart);
    s.kaisuu = 0;
    s.qCount = 0;
    ShowMark(m_board, nullptr, -1, 0);

    // The right-click question is worded for a test at ステップ, as the reading aloud asks it.
    const QString stopQuestion =
        s.procFlag == 0 ? QStringLiteral(u"テストを中止しますか？") : QStringLiteral(u"練習を中止しますか？");
    auto wait = [&](int limitMs) {
        const WaitEnd end = waitWithStops(m_pacer, limitMs, false, stopQuestion);
        if (end != WaitEnd::Escaped && end != WaitEnd::Confirmed) return true;
        m_pacer.processPendingMessages();
        const QString stopped = QStringLiteral(u"練習を中止しました。");
        ShowMessageLine(m_board, stopped);
        m_speaker.SpeakAsync(stopped);
        m_board.CBoxDsp(1);
        return false;
    };

    while (true) {
        ++s.kaisuu;
        ShowRound(m_board, s.kaisuu);
        for (int p = s.setStart, i = 0; p < s.setEnd; ++p, ++i) {
            const auto k = static_cast<std::size_t>(nextQuestion(s, m_board, i));
            m_pacer.sleep(pacingOf(s.procFlag).speedPause);
            ClearReading(m_board);
            ClearExpression(m_board);
            if (s.procFlag > 0) {
                ShowReading(m_board, t.yomiFull[k], 0);
                ShowExpression(m_board, t.shikiStr[k] + u'＝');
                ShowAnswer(m_board, t.ansStr[k], 0);
                ShowHintText(m_board, s.kuku_n);
                if (!wait(pacingOf(s.procFlag).speedWait)) return -1;
            } else {
                ShowReading(m_board, t.yomiFull[k], 1);
                ShowExpression(m_board, t.shikiStr[k] + u'＝');
                ShowHintText(m_board, s.kuku_n);
                if (!wait(10000)) return -1;
                ShowReading(m_board, t.yomiFull[k], 0);
                ShowAnswer(m_board, t.ansStr[k], 0);
                m_pacer.sleep(1000);
            }
        }
        m_board.appendMemo(QStringLiteral("<repeatn=") + QString::number(s.setRounds) + u'>');
        if (s.setRounds <= 0) break;
        ShowMessageLine(m_board, QStringLiteral(u"初めからもう一度どうぞ。"));
        ShowRound(m_board, s.kaisuu);
        --s.setRounds;
    }
    ShowMessageLine(m_board, QStringLiteral(u"練習は終わりました。"));
    m_board.CBoxDsp(1);
    SetProgress(m_board, 0);
    m_board.DrawStopHint();
    return 0;
}

int LessonEngine::lessonTick() {
    KukuState& s = m_state;
    if (s.AnsV_wait != VoiceTest::None) {
        if (m_pacer.keyDown(vk::Escape)) {
            m_pacer.processPendingMessages();
            if (!m_host.stopVoiceReview()) m_speaker.SpeakAsync(stopVoiceTest(s, m_board));
            m_pacer.processPendingMessages();
            return timing::kTickMs;
        }
        if (m_host.spokenAnswerTick()) return timing::kTickMs;
    }
    s.idleMs += timing::kTickMs;
    if (s.idleMs > 3000) {
        m_board.DrawBoard();
        m_board.DrawStopHint();
        s.idleMs = 0;
    }
    return timing::kTickMs;
}

void LessonEngine::EscKeyDown() {
    KukuState& s = m_state;
    if (s.AnsV_wait != VoiceTest::None) {
        m_pacer.processPendingMessages();
        if (!m_host.stopVoiceReview()) m_speaker.SpeakMsg(stopVoiceTest(s, m_board));
        m_host.restoreExpressionFont();
        m_pacer.processPendingMessages();
        return;
    }
    m_pacer.keyPressedSince(vk::Escape);
    m_pacer.processPendingMessages();
}

}  // namespace rentabo
