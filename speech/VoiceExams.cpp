#include "speech/VoiceExams.h"

#include "core/Board.h"
#include "core/KukuTables.h"
#include "core/MakeOrder.h"
#include "core/Timing.h"
#include "speech/Speaker.h"

namespace rentabo {

namespace {

QString n2s(std::int64_t n) {
    return QString::number(n);
}

// The name of the chosen set: a row, a level or all rows.
QString setName(const KukuState& s) {
    const auto& names = kukuTables().danName;
    return s.dan >= 1 && s.dan <= 12 ? names[s.dan - 1] : names[12];
}

QString spokenSetName(const KukuState& s) {
    return s.dan >= 0 && s.dan <= 12 ? danYomi()[s.dan] : danYomi()[0];
}

// The voice pauses at "，" where the screen shows "・".
QString forVoice(QString text) {
    return text.replace(u'・', u'，');
}

}  // namespace

const std::array<QString, 13>& danYomi() {
    static const std::array<QString, 13> names = [] {
        const char16_t* texts[13] = {u"すべての段",    u"いちの段", u"にの段",         u"さんの段",
                                     u"しの段",        u"ごの段",   u"ろくの段",       u"しちの段",
                                     u"はちの段",      u"くの段",   u"１・２・５の段", u"３・４・６の段",
                                     u"８・７・９の段"};
        std::array<QString, 13> a;
        for (int i = 0; i < 13; ++i) a[i] = QString::fromUtf16(texts[i]);
        return a;
    }();
    return names;
}

VoiceExams::VoiceExams(KukuState& state, QuestionBoard& board, Pacer& pacer, Speaker& speaker,
                       EffectPlayer* effects, LessonHost& lesson, VoiceHost& host)
    : m_state(state),
      m_board(board),
      m_pacer(pacer),
      m_speaker(speaker),
      m_effects(effects),
      m_lesson(lesson),
      m_host(host) {}

void VoiceExams::setRange(bool shuffle) {
    const SetRange r = setRangeOfChoice(m_state.mokuji_n);
    m_state.setStart = r.setStart;
    m_state.setEnd = r.setEnd;
    if (shuffle) MakeOrder(m_state.order, r.setEnd - r.setStart, m_rng, m_pacer.now());
}

int VoiceExams::factOf(int qnum) const {
    if (!m_review.empty())
        return m_review[static_cast<std::size_t>(std::clamp(qnum, 0, int(m_review.size()) - 1))];
    return factOfPosition(m_state, qnum);
}

void VoiceExams::writeCell(int correct) {
    if (correct) m_host.answerHeardRight();
    if (!m_review.empty()) {
        m_reviewRight += correct;
        return;
    }
    recordAnswer(m_state, correct);
}

void VoiceExams::logAnswer(AnswerOutcome outcome, int said) {
    if (!m_answerLog) return;
    JudgedAnswer a;
    a.kuku_n = m_state.kuku_n;
    if (said >= 100 && said <= 199)
        a.given = said - 100;
    else if (said >= 201 && said <= 281)
        a.given = kukuTables().kotae[said - 201];
    a.outcome = outcome;
    a.answerMs = m_pacer.now() - m_askedAt;
    a.channel = AnswerChannel::Voice;
    a.review = !m_review.empty();
    if (outcome != AnswerOutcome::TimedOut) a.confidence = m_state.heardConfidence;
    m_answerLog->answerJudged(a);
}

void VoiceExams::questionAsked(VoiceTest awaited) {
    m_state.AnsV_wait = awaited;
    m_askedAt = m_pacer.now();
    ++m_questionsAsked;
}

void VoiceExams::clearQuestion() {
    ClearReading(m_board);
    ClearExpression(m_board);
    ShowMark(m_board, nullptr, -1, 0);
}

int VoiceExams::firstRowOfSet() const {
    switch (m_state.mokuji_n) {
        case 9:
            return 1;
        case 10:
            return 3;
        case 11:
            return 8;
        case 12:
            return 1;
        default:
            return m_state.dan;
    }
}

void VoiceExams::startCommon(VoiceTest kind, int orderedMenu, const QString& shown, const QString& spoken) {
    m_host.beforeVoiceRun();
    m_review.clear();
    // The presentation and speed must not change under a running voice test.
    m_host.setSettingsChoicesEnabled(false);
    m_state.testAborted = 0;
    m_state.randomFlag = m_state.menu_n == orderedMenu ? 0 : 1;
    m_pacer.sleep(300);
    // A level is always shuffled afresh; the order is used only in the shuffled modes.
    setRange(m_state.randomFlag == 1 || !rowTest());
    ShowMessageLine(m_board, setName(m_state) + shown);
    m_speaker.SpeakMsg(forVoice(spokenSetName(m_state) + spoken));
    if (kind == VoiceTest::Recitation) {
        m_pacer.sleep(1500);
        ShowMessageLine(m_board, QStringLiteral(u"式と答えをまとめて，くくを暗唱しましょう。"));
        m_speaker.SpeakMsg(
            QStringLiteral(u"式と答えをまとめて，さぶろくじゅうはち、のように、くく全体 を暗唱しましょう。"));
    }
    m_state.qCount = 0;
    m_state.qnum = 0;
    m_state.kaisuu = 1;
    if (kind == VoiceTest::Oral) ShowMark(m_board, nullptr, -1, 0);
    ShowRound(m_board, 1);
    SetProgress(m_board, 1);
    m_state.kuku_n = factOf(0);
    ClearExpression(m_board);
    ClearReading(m_board);
    ResetResults(m_state);
    m_pacer.beep();
    m_state.testAborted = 0;
    m_state.testUnderway = true;
    m_state.voiceRun = kind;
    if (kind == VoiceTest::Oral)
        AskOralQuestion(m_state.kuku_n);
    else
        AskRecitation(m_state.kuku_n);
    m_answerWaitMs = 0;
}

void VoiceExams::StartOralTest() {
    if (m_state.ans_way == 0 || m_state.AnsV_wait == VoiceTest::Oral) return;
    startCommon(VoiceTest::Oral, 5, QStringLiteral(u"のテストを始めます。マイクで答えてね。"),
                QStringLiteral(u"のテストを始めます。マイクで答えてね。"));
}

void VoiceExams::StartRecitationTest() {
    if (m_state.ans_way == 0 || m_state.AnsV_wait == VoiceTest::Recitation) return;
    startCommon(VoiceTest::Recitation, 7, QStringLiteral(u"の暗唱テストを始めます。"),
                QStringLiteral(u"の暗唱テストを始めます。"));
}

void VoiceExams::StartReview(const std::vector<int>& facts) {
    if (facts.empty() || m_state.AnsV_wait != VoiceTest::None) return;
    m_host.beforeVoiceRun();
    m_review = facts;
    m_reviewRight = 0;
    m_host.setSettingsChoicesEnabled(false);
    const QString text = QStringLiteral(u"今日の復習です。%1問、マイクで答えてね。").arg(facts.size());
    ShowMessageLine(m_board, text);
    m_speaker.SpeakMsg(text);
    m_state.qCount = 0;
    m_state.qnum = 0;
    m_state.kaisuu = 1;
    ShowMark(m_board, nullptr, -1, 0);
    ShowRound(m_board, 1);
    // The bar measures the review's own questions: it is full once the last one is asked.
    SetProgressOf(m_board, 0, static_cast<int>(facts.size()));
    ClearExpression(m_board);
    ClearReading(m_board);
    m_pacer.beep();
    m_state.voiceRun = VoiceTest::Oral;
    m_state.kuku_n = factOf(0);
    AskOralQuestion(m_state.kuku_n);
    m_answerWaitMs = 0;
}

void VoiceExams::endReview() {
    const int asked = static_cast<int>(m_review.size());
    m_review.clear();
    m_state.AnsV_wait = VoiceTest::None;
    m_state.voiceRun = VoiceTest::None;
    m_host.setSettingsChoicesEnabled(true);
    const QString done =
        m_reviewRight == asked
            ? QStringLiteral(u"今日の復習はおしまい。%1問ぜんぶ正かい！").arg(asked)
            : QStringLiteral(u"今日の復習はおしまい。%1問中%2問 正かい。").arg(asked).arg(m_reviewRight);
    ShowMessageLine(m_board, done);
    m_speaker.SpeakMsg(done);
    m_board.CBoxDsp(1);
}

void VoiceExams::stopReview() {
    const QString text = QStringLiteral(u"復習を中止しました。");
    m_speaker.SpeakMsg(text);
    ShowMessageLine(m_board, text);
    m_review.clear();
    m_state.AnsV_wait = VoiceTest::None;
    m_state.voiceRun = VoiceTest::None;
    m_host.setSettingsChoicesEnabled(true);
    m_board.CBoxDsp(1);
}

void VoiceExams::StartFullRecitation() {
    if (m_state.ans_way == 0 || m_state.AnsV_wait == VoiceTest::FullRecitation) return;
    m_host.beforeVoiceRun();
    m_review.clear();
    m_host.setSettingsChoicesEnabled(false);
    m_state.randomFlag = 0;
    m_pacer.sleep(300);
    setRange(false);
    ClearExpression(m_board);
    ClearReading(m_board);
    ShowMark(m_board, nullptr, -1, 0);
    m_host.setExpressionStyle(24, 218);
    m_recitedDan = firstRowOfSet();
    ShowExpression(m_board, QStringLiteral(u"　") + kukuTables().danName[m_recitedDan - 1] + u'≫');
    ShowMessageLine(m_board, setName(m_state) + QStringLiteral(u"の完全暗唱テストを始めます。"));
    if (m_state.yomiWay != 0)
        m_speaker.SpeakWait(
            forVoice(spokenSetName(m_state) + QStringLiteral(u"の完全暗唱テストを始めます。")) +
            QStringLiteral(u"では，どうぞ。"));
    m_state.qCount = 0;
    m_state.qnum = 0;
    m_state.kaisuu = 1;
    ShowRound(m_board, 1);
    SetProgress(m_board, 1);
    ResetResults(m_state);
    m_state.testAborted = 0;
    m_state.testUnderway = true;
    m_state.voiceRun = VoiceTest::FullRecitation;
    m_state.kuku_n = BuildSetList()[m_state.setStart];
    AskFullRecitation(m_state.kuku_n);
    m_answerWaitMs = 0;
}

void VoiceExams::AskOralQuestion(int k) {
    const auto& t = kukuTables();
    log(QStringLiteral(u"<◆qnum=") + n2s(k) + u'>');
    ShowReading(m_board, t.yomiFull[k], 1);
    ShowExpression(m_board, QStringLiteral(u"　") + t.shikiStr[k] + u'＝');
    if (m_state.yomiWay != 0) {
        m_speaker.SpeakMsg(MakeYomi(k, 0));
        m_speaker.WaitUntilDone();
    }
    if (m_state.pinponFlag == 1 && m_effects) m_effects->PlayEffect(2);
    if (m_review.empty())
        SetProgress(m_board, ++m_state.qCount);
    else
        SetProgressOf(m_board, ++m_state.qCount, static_cast<int>(m_review.size()));
    questionAsked(VoiceTest::Oral);
}

void VoiceExams::AskRecitation(int k) {
    const QString expression = kukuTables().shikiStr[k] + u'＝';
    log(QStringLiteral(u"<◆A:: qnum=") + n2s(k) + u'>');
    ShowMark(m_board, nullptr, -1, 0);
    ShowExpression(m_board, expression);
    if (m_state.yomiWay != 0) {
        m_speaker.SpeakMsg(expression);
        m_speaker.WaitUntilDone();
    }
    if (m_state.pinponFlag == 1 && m_effects) m_effects->PlayEffect(2);
    SetProgress(m_board, ++m_state.qCount);
    questionAsked(VoiceTest::Recitation);
}

void VoiceExams::AskFullRecitation(int k) {
    log(QStringLiteral(u"<◆FullA:: qnum=") + n2s(k) + u'>');
    log(QStringLiteral(u"<◆FullA:: mokuji_n=") + n2s(m_state.mokuji_n) + QStringLiteral(" ; Dan_=") +
        n2s(m_state.dan) + u'>');
    ShowMark(m_board, nullptr, -1, 0);
    ShowAnswer(m_board, QStringLiteral(u"　"), -1);
    ShowExpression(m_board, QStringLiteral(u"　") + kukuTables().danName[m_recitedDan - 1] + u'≫');
    if (m_state.pinponFlag == 1 && m_effects) m_effects->PlayEffect(2);
    SetProgress(m_board, ++m_state.qCount);
    questionAsked(VoiceTest::FullRecitation);
}

void VoiceExams::askByKind(int k) {
    switch (m_state.voiceRun) {
        case VoiceTest::Oral:
            AskOralQuestion(k);
            break;
        case VoiceTest::Recitation:
            AskRecitation(k);
            break;
        case VoiceTest::FullRecitation:
            AskFullRecitation(k);
            break;
        case VoiceTest::None:
            break;
    }
}

QString VoiceExams::judgedLogTail(int c) const {
    return n2s(c) + QStringLiteral(":: cAnswer=") + n2s(kukuTables().kotae[m_state.kuku_n]) +
           QStringLiteral(":: ") + n2s(m_state.kaisuu) + QStringLiteral(u"回>");
}

bool VoiceExams::takeNumber(int cValue) {
    // The review listens whatever way of answering the lesson list was left on.
    if ((m_state.ans_way == 0 && m_review.empty()) || m_state.AnsV_wait != VoiceTest::Oral) return false;
    JudgeOralAnswer(cValue);
    return true;
}

bool VoiceExams::takeReading(int cValue) {
    if (m_state.ans_way == 0 ||
        (m_state.AnsV_wait != VoiceTest::Recitation && m_state.AnsV_wait != VoiceTest::FullRecitation)) {
        log(QStringLiteral(u"<★A&FullA:: cValue=") + judgedLogTail(cValue));
        return false;
    }
    if (m_state.AnsV_wait == VoiceTest::Recitation)
        JudgeRecitation(cValue);
    else
        JudgeFullRecitation(cValue);
    return true;
}

void VoiceExams::JudgeOralAnswer(int c) {
    const int product = kukuTables().kotae[m_state.kuku_n];
    log(QStringLiteral(u"<★cValue=") + judgedLogTail(c));
    const int n = c - 100;
    const int correct = product == n ? 1 : 0;
    logAnswer(correct ? AnswerOutcome::Right : AnswerOutcome::Wrong, c);
    if (!correct) m_lesson.ErrRec(m_state.kuku_n);
    ShowAnswer(m_board, n2s(n), correct);
    ShowMark(m_board, m_effects, correct, m_state.pinponFlag);
    log(QStringLiteral(u"<□kaisuu=") + n2s(m_state.kaisuu) + QStringLiteral("> "));
    writeCell(correct);
    m_pacer.sleep(500);
    clearQuestion();
    m_state.kuku_n = factOf(m_state.qnum);
    advance(false);
}

void VoiceExams::JudgeRecitation(int c) {
    const auto& t = kukuTables();
    const QString tail = judgedLogTail(c);
    log(QStringLiteral(u"<★A&FullA:: cValue=") + tail);
    log(QStringLiteral(u"<★A:: cValue=") + tail);
    const int correct = m_state.kuku_n + 1 == c - 200 ? 1 : 0;
    logAnswer(correct ? AnswerOutcome::Right : AnswerOutcome::Wrong, c);
    if (!correct) m_lesson.ErrRec(m_state.kuku_n);
    ShowMark(m_board, m_effects, correct, m_state.pinponFlag);
    ShowReading(m_board, t.yomiFull[m_state.kuku_n], 0);
    ShowAnswer(m_board, t.ansStr[m_state.kuku_n], 1);
    log(QStringLiteral(u"<□kaisuu=") + n2s(m_state.kaisuu) + QStringLiteral("> "));
    writeCell(correct);
    m_pacer.sleep(correct ? timing::kVoiceRightMarkMs : timing::kVoiceWrongMarkMs);
    clearQuestion();
    m_state.kuku_n = factOf(m_state.qnum);
    advance(false);
}

void VoiceExams::endTest(bool showListsFirst) {
    m_state.AnsV_wait = VoiceTest::None;
    m_state.testUnderway = false;
    m_state.voiceRun = VoiceTest::None;
    m_host.setSettingsChoicesEnabled(true);
    if (rowTest()) {
        if (showListsFirst) m_board.CBoxDsp(1);
        m_lesson.Kekka_Dsp(m_state);
    } else {
        m_state.qnum = m_state.setStart;
        m_lesson.KekkaD_Dsp(m_state);
        m_board.CBoxDsp(1);
    }
}

void VoiceExams::advance(bool afterTimeOut) {
    if (!m_review.empty() && m_state.qnum + 1 >= static_cast<int>(m_review.size())) {
        endReview();
        return;
    }
    // Today's review asks its facts once, in one round.
    if (m_review.empty() && endOfRound(m_state.testKaisuuMax, !afterTimeOut) == RoundEnd::LastDone) {
        endTest(afterTimeOut);
        return;
    }
    m_state.AnsV_wait = VoiceTest::None;
    if (afterTimeOut) {
        ClearExpression(m_board);
        ClearReading(m_board);
        m_pacer.sleep(300);
    }
    ++m_state.qnum;
    m_state.kuku_n = factOf(m_state.qnum);
    askByKind(m_state.kuku_n);
    m_answerWaitMs = 0;
}

VoiceExams::RoundEnd VoiceExams::endOfRound(int lastRound, bool logQuestion) {
    bool done = false;
    if (rowTest()) {
        if (logQuestion)
            log(QStringLiteral(u"<001::□qnum=") + n2s(m_state.qnum) + QStringLiteral("; kaisuu=") +
                n2s(m_state.kaisuu) + QStringLiteral("; kaisuuMax=") + n2s(m_state.kaisuuMax) +
                QStringLiteral(";>"));
        done = (m_state.qnum + 1) % 9 == 0;
        if (done) {
            m_state.qnum = m_state.setStart;
            log(QStringLiteral(u"<002::□kaisuu=") + n2s(m_state.kaisuu) + QStringLiteral("; kaisuuMax=") +
                n2s(m_state.kaisuuMax) + QStringLiteral(";>"));
        }
    } else {
        done = m_state.qnum + m_state.setStart >= m_state.setEnd - 1;
    }
    if (!done) return RoundEnd::No;
    if (m_state.kaisuu >= lastRound) return RoundEnd::LastDone;
    ShowRound(m_board, ++m_state.kaisuu);
    m_speaker.SpeakMsg(QStringLiteral(u"初めからもう一度どうぞ。"));
    m_state.qnum = -1;
    return RoundEnd::NewRound;
}

void VoiceExams::JudgeFullRecitation(int c) {
    const auto& t = kukuTables();
    const QString tail = judgedLogTail(c);
    log(QStringLiteral(u"<★A&FullA:: cValue=") + tail);
    log(QStringLiteral(u"<★FullA:: cValue=") + tail);
    if (m_state.kuku_n + 1 != c - 200) {
        // A wrong or skipped fact: the right reading, then the whole set again from its start.
        logAnswer(AnswerOutcome::Wrong, c);
        m_lesson.ErrRec(m_state.kuku_n);
        m_speaker.SpeakMsg(t.shikiStr[m_state.kuku_n] + QStringLiteral(u"の正解は，") +
                           t.yomiFull[m_state.kuku_n] + QStringLiteral(u"，です。"));
        const int row = firstRowOfSet();
        const QString again = QStringLiteral(u"まちがえたので，") + n2s(row) +
                              QStringLiteral(u"段の最初からやり直してください。");
        m_speaker.SpeakMsg(again);
        ShowMessageLine(m_board, again);
        setRange(false);
        m_state.qnum = 0;
        m_recitedDan = row;
        m_state.kuku_n = BuildSetList()[m_state.setStart];
        AskFullRecitation(m_state.kuku_n);
        m_answerWaitMs = 0;
        return;
    }
    logAnswer(AnswerOutcome::Right, c);
    ShowMark(m_board, m_effects, 1, m_state.pinponFlag);
    ShowReading(m_board, t.yomiFull[m_state.kuku_n], 0);
    ShowAnswer(m_board, t.ansStr[m_state.kuku_n], 1);
    log(QStringLiteral(u"<□kaisuu=") + n2s(m_state.kaisuu) + QStringLiteral("> "));
    writeCell(1);
    m_pacer.sleep(1500);
    clearQuestion();
    m_state.kuku_n = BuildSetList()[std::clamp(m_state.setStart + m_state.qnum, 0, 80)];

    // A row is recited twice, a level once. The end shows the lists before table I, then the
    // normal expression.
    if (endOfRound(rowTest() ? 2 : 0, true) == RoundEnd::LastDone) {
        endTest(true);
        m_host.setExpressionStyle(34, 212);
        return;
    }
    m_state.AnsV_wait = VoiceTest::None;
    ++m_state.qnum;
    m_state.kuku_n = BuildSetList()[std::clamp(m_state.setStart + m_state.qnum, 0, 80)];
    m_recitedDan = m_state.kuku_n / 9 + 1;
    log(QStringLiteral(u"<□danR_=") + n2s(m_recitedDan) + QStringLiteral("; dummyn=") + n2s(m_state.kuku_n) +
        QStringLiteral(";>"));
    AskFullRecitation(m_state.kuku_n);
    m_answerWaitMs = 0;
}

bool VoiceExams::VoiceTestTick() {
    if (m_state.AnsV_wait == VoiceTest::None) return false;
    m_answerWaitMs += timing::kVoiceTickMs;
    const int extra = m_state.AnsV_wait == VoiceTest::Oral         ? timing::kExtraNumberMs
                      : m_state.AnsV_wait == VoiceTest::Recitation ? timing::kExtraReadingMs
                                                                   : timing::kExtraFullRecitationMs;
    if (m_answerWaitMs < pacingOf(m_state.procFlag).speedTimerWait + extra) return false;

    const auto& t = kukuTables();
    if (m_state.voiceRun == VoiceTest::Oral || m_state.voiceRun == VoiceTest::Recitation)
        logAnswer(AnswerOutcome::TimedOut, 0);
    switch (m_state.voiceRun) {
        case VoiceTest::Oral:
            ShowAnswer(m_board, QStringLiteral("--"), 0);
            m_pacer.sleep(200);
            break;
        case VoiceTest::Recitation:
            ShowReading(m_board, t.yomiFull[m_state.kuku_n], 0);
            ShowAnswer(m_board, t.ansStr[m_state.kuku_n], 1);
            m_pacer.sleep(400);
            break;
        case VoiceTest::FullRecitation:
            // A full recitation never fails a fact for a pause; it only reminds, every tick.
            if (m_state.pinponFlag == 1 && m_effects) {
                m_effects->PlayEffect(2);
                m_effects->PlayEffect(2);
            }
            return true;
        case VoiceTest::None:
            return true;
    }
    // A time-out is wrong, but it is no weak point: nothing was said wrong.
    ShowMark(m_board, m_effects, 0, 1);
    m_pacer.sleep(600);
    writeCell(0);
    clearQuestion();
    advance(true);
    return true;
}

}  // namespace rentabo
