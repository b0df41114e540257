#include "speech/VoiceCommands.h"

#include "core/Board.h"
#include "core/KukuTables.h"
#include "speech/CommandNumbers.h"
#include "speech/Speaker.h"

#include <QStringList>

namespace rentabo {

namespace {

// The window colour a colour command sets, or -1.
int colourOfCommand(int c) {
    switch (c) {
        case 1:
            return 0x0000FF;
        case 2:
            return 0xFF0000;
        case 3:
            return 0x008000;
        case 4:
            return 0x00FFFF;
        case 5:
            return 0x000000;
        case 6:
            return 0xFFFFFF;
        case 7:
            return 0x808080;
        case 8:
            return 0x00FF00;
        case 9:
            return 0x808000;
        case 10:
            return 0x800080;
        case 11:
            return 0xFFFF00;
        case 12:
            return 0x000080;
        case 13:
            return 0x00FF00;
        case 14:
        case cmd::Uguisu:
            return 0x008080;
        default:
            return -1;
    }
}

enum class Memo { None, Name, Reply, Time, Said, SaidAfter, Date, Master };
enum class Effect { None, CommandMode, Restore, MessageLine };

struct ChatRow {
    std::vector<const char16_t*> keywords;
    const char16_t* reply;  // null: the time or the date
    Memo memo;
    Effect effect;
};

const std::vector<ChatRow>& chatTable() {
    static const std::vector<ChatRow> rows = {
        {{u"コマンド", u"メニュー", u"命令", u"顧問と", u"計算モード", u"モードチェンジ"},
         nullptr,
         Memo::None,
         Effect::CommandMode},
        {{u"おはよう"}, u"おはようございます。", Memo::None, Effect::None},
        {{u"こんにちは"}, u"こんにちは", Memo::None, Effect::None},
        {{u"よろしく"}, u"よろしくお願いします。", Memo::None, Effect::None},
        {{u"ひらけごま", u"オープン"}, u"よろしく。", Memo::None, Effect::Restore},
        {{u"名前は", u"お名前は", u"お名前を"},
         u"しはんの・くくきわむ・名前名前と申します。",
         Memo::Name,
         Effect::None},
        {{u"おとしは", u"ねんれいは", u"年齢は", u"年令は", u"おいくつ"},
         u"若作りの二十五才です。",
         Memo::Reply,
         Effect::None},
        {{u"ひげは"}, u"ただの飾りです。", Memo::Reply, Effect::None},
        {{u"彼女は"}, u"募集中です。", Memo::Reply, Effect::None},
        {{u"何時"}, nullptr, Memo::Time, Effect::None},
        {{u"好きな食べ物"}, u"プリンとチョコレートとにんじんだよ。", Memo::Said, Effect::None},
        {{u"好きなスポーツ"}, u"卓球とビリヤードかな。", Memo::Said, Effect::None},
        {{u"ありがとう", u"サンキュー"}, u"どう致しまして。", Memo::SaidAfter, Effect::None},
        {{u"馬みたい"}, u"ほんとだね。", Memo::Said, Effect::None},
        {{u"今日は何日"}, nullptr, Memo::Date, Effect::None},
        {{u"はじめ", u"始め", u"開始", u"スタート"},
         u"「モードチェンジ」と言って，コマンド モードに してからね。",
         Memo::Master,
         Effect::MessageLine},
        {{u"中止", u"エスケープ", u"ストップ"},
         u"コマンド モードに してから，言ってね。",
         Memo::Master,
         Effect::None},
    };
    return rows;
}

}  // namespace

QStringList chatReplyWords() {
    QStringList words;
    for (const ChatRow& row : chatTable())
        for (const char16_t* k : row.keywords) words << QString::fromUtf16(k);
    return words;
}

namespace {

bool isAnswer(int c) {
    return cmd::isNumber(c) || cmd::isReading(c);
}

// Commands that would start another test over the running one, clear its screen and record, or
// stop listening for its answers.
bool disturbsVoiceTest(int c) {
    return c == cmd::StartTest || c == cmd::ChatMode || c == cmd::RecitationTest || c == cmd::StartHidden ||
           c == cmd::ClearScreen;
}

// Why a phrase is not used now, as the typed-phrase window tells the child.
const QString kWhyDuringRun =
    QStringLiteral(u"練習やテストのとちゅうなので使いません。止めるときは「ストップ」です。");
const QString kWhyBeforeQuestion = QStringLiteral(u"問題の前に聞いた答えなので使いません。");
const QString kWhyDuringVoiceTest = QStringLiteral(u"声のテストのとちゅうなので使いません。");
const QString kWhyRowDuringTest = QStringLiteral(u"テストのとちゅうは段を変えられません。");
const QString kWhyNoAnswerAwaited = QStringLiteral(u"いまは答えを待っていないので使いません。");
const QString kWhyNotVoiceMode = QStringLiteral(
    u"いまのもくじは声のテスト（６～１０）ではないので使いません。もくじを選んで「始める」をおしてね。");
const QString kWhyChartClosed = QStringLiteral(u"九九の表が開いていないので使いません。");

}  // namespace

DuringRun phraseDuringRun(const KukuState& state, int c) {
    if (state.chartOpen == 1) return cmd::isChart(c) ? DuringRun::Take : DuringRun::Drop;
    if (c == cmd::StopTest || c == cmd::Stop) return DuringRun::Stop;
    return DuringRun::Drop;
}

QString droppedPhraseLine(const QString& phrase) {
    return QStringLiteral(u"<◆%1 は実行中なので使いません>\n").arg(phrase);
}

QString timeText(const QDateTime& now) {
    const QTime t = now.time();
    const int hour12 = t.hour() % 12 == 0 ? 12 : t.hour() % 12;
    const QString designator = t.hour() < 12 ? QStringLiteral(u"午前") : QStringLiteral(u"午後");
    return QStringLiteral(u"今は，") + designator + QString::number(hour12) + QStringLiteral(u"時") +
           QString::number(t.minute()) + QStringLiteral(u"分") + QString::number(t.second()) +
           QStringLiteral(u"秒です。");
}

QString dateText(const QDateTime& now) {
    static const char16_t* weekdays[7] = {u"月", u"火", u"水", u"木", u"金", u"土", u"日"};
    const QDate d = now.date();
    return QStringLiteral(u"今日は") + QString::number(d.year()) + QStringLiteral(u"年") +
           QString::number(d.month()) + QStringLiteral(u"月") + QString::number(d.day()) +
           QStringLiteral(u"日") + QString::fromUtf16(weekdays[d.dayOfWeek() - 1]) +
           QStringLiteral(u"曜日です。");
}

VoiceCommands::VoiceCommands(KukuState& state, QuestionBoard& board, Speaker& speaker, Pacer& pacer,
                             VoiceExams& tests, LessonHost& lesson, VoiceHost& host)
    : m_state(state),
      m_board(board),
      m_speaker(speaker),
      m_pacer(pacer),
      m_tests(tests),
      m_lesson(lesson),
      m_host(host) {}

void VoiceCommands::heardCommand(int c) {
    if (m_pacer.runActive()) {
        switch (phraseDuringRun(m_state, c)) {
            case DuringRun::Stop:
                m_pacer.stopHeard();
                m_host.phraseHandled(true, {});
                return;
            case DuringRun::Drop:
                m_board.appendMemo(droppedPhraseLine(QStringLiteral("cV=") + QString::number(c)));
                m_host.phraseHandled(false, kWhyDuringRun);
                return;
            case DuringRun::Take:
                break;
        }
    }
    handleCommand(c);
}

void VoiceCommands::heardChat(const QString& astr) {
    if (m_pacer.runActive()) {
        m_board.appendMemo(droppedPhraseLine(astr));
        m_host.phraseHandled(false, kWhyDuringRun);
        return;
    }
    handleChat(astr);
}

void VoiceCommands::guarded(std::function<void()> work) {
    if (m_busy) {
        m_pending.push_back(std::move(work));
        return;
    }
    m_busy = true;
    work();
    while (!m_pending.empty()) {
        auto next = std::move(m_pending.front());
        m_pending.pop_front();
        next();
    }
    m_busy = false;
}

void VoiceCommands::handleCommand(int c) {
    // Phrases that arrive while a handler waits are handled later; what counts is the question
    // that stood when the phrase was heard.
    const int heardAt = m_tests.questionsAsked();
    guarded([this, c, heardAt] {
        if (isAnswer(c) && heardAt != m_tests.questionsAsked()) {
            m_board.appendMemo(QStringLiteral(u"<◆cV=%1 は問題の前に聞いた答えなので使いません>\n").arg(c));
            m_host.phraseHandled(false, kWhyBeforeQuestion);
            return;
        }
        if (m_state.AnsV_wait != VoiceTest::None && disturbsVoiceTest(c)) {
            m_board.appendMemo(droppedPhraseLine(QStringLiteral("cV=") + QString::number(c)));
            m_host.phraseHandled(false, kWhyDuringVoiceTest);
            return;
        }
        m_state.cValue = c;
        if (cmd::isRow(c)) {
            if (rowChoice(c)) m_host.phraseHandled(true, {});
            return;
        }
        if ((cmd::isNumber(c) && m_tests.takeNumber(c)) || (cmd::isReading(c) && m_tests.takeReading(c))) {
            m_host.phraseHandled(true, {});
            return;
        }
        RunVoiceCommand(c);
        // The start command starts only the voice test of the chosen mode; the chart's commands
        // act only while the chart is open.
        if (cmd::isNumber(c) || cmd::isReading(c))
            m_host.phraseHandled(false, kWhyNoAnswerAwaited);
        else if (c == cmd::StartTest && (m_state.menu_n < 5 || m_state.menu_n > 9))
            m_host.phraseHandled(false, kWhyNotVoiceMode);
        else if (cmd::isChart(c) && m_state.chartOpen != 1)
            m_host.phraseHandled(false, kWhyChartClosed);
        else
            m_host.phraseHandled(true, {});
    });
}

void VoiceCommands::handleChat(const QString& astr) {
    guarded([this, astr] {
        RunChat(astr);
        m_host.phraseHandled(true, {});
    });
}

bool VoiceCommands::tick() {
    // While a handler waits, the tick is simply skipped: its time-out would interrupt it.
    if (m_busy) return false;
    bool timedOut = false;
    guarded([this, &timedOut] { timedOut = m_tests.VoiceTestTick(); });
    return timedOut;
}

bool VoiceCommands::rowChoice(int c) {
    // Any voice test: a recitation judges against the row it was started with.
    if (m_state.AnsV_wait != VoiceTest::None) {
        m_speaker.SpeakAsync(QStringLiteral(u"テストを終えてから，段を変えてね。"));
        m_host.phraseHandled(false, kWhyRowDuringTest);
        return false;
    }
    takeChoice(m_state, ChoiceOfDan[c - cmd::FirstRow]);
    m_lesson.setChoiceIndex(m_state.mokuji_n);
    m_lesson.enableResultMenus(true, false);
    m_speaker.SpeakAsync(danYomi()[m_state.dan] + QStringLiteral(u"にしました。"));
    m_state.kuku_n = m_state.dan * 9 - 9;
    return true;
}

void VoiceCommands::startByMode() {
    switch (m_state.menu_n) {
        case 5:
        case 6:
            m_tests.StartOralTest();
            break;
        case 7:
        case 8:
            m_tests.StartRecitationTest();
            break;
        case 9:
            m_tests.StartFullRecitation();
            break;
        default:
            break;
    }
}

void VoiceCommands::startRecitationWhateverTheMode() {
    // Outside the recitation modes it runs shuffled; the mode follows, so the lists show the
    // test that runs and its record goes to the recitation column.
    if (m_state.ans_way != 0 && m_state.AnsV_wait == VoiceTest::None && m_state.menu_n != 7 &&
        m_state.menu_n != 8) {
        m_state.menu_n = 8;
        m_lesson.setChoiceIndex(m_state.mokuji_n);
    }
    m_tests.StartRecitationTest();
}

void VoiceCommands::stopTest() {
    if (m_tests.reviewing()) {
        // Today's review has no result table, and the last test's record is not its own.
        m_tests.stopReview();
        return;
    }
    m_speaker.SpeakMsg(stopVoiceTest(m_state, m_board));
    m_host.setSettingsChoicesEnabled(true);
    m_lesson.showResultTable(m_state);
    m_host.setExpressionStyle(34, 212);
}

void VoiceCommands::defaultStep() {
    // A colour chosen by voice becomes the colour that is saved.
    m_state.orgColor = m_host.windowColour();
}

void VoiceCommands::RunVoiceCommand(int c) {
    if (const int colour = colourOfCommand(c); colour >= 0) {
        m_host.setWindowColour(colour);
        defaultStep();
        return;
    }
    switch (c) {
        case cmd::StartTest:
            startByMode();
            return;
        case cmd::StopTest:
        case cmd::Stop:
            stopTest();
            return;
        case cmd::ChatMode:
            m_host.enterDicMode();
            return;
        case cmd::RecitationTest:
            startRecitationWhateverTheMode();
            return;
        case cmd::ShowResults:
            // The lists stay hidden under a test that goes on: a choice made there would change it.
            if (!m_state.testUnderway) m_board.CBoxDsp(1);
            m_lesson.showResultTable(m_state);
            return;
        case cmd::ComeForward:
            m_speaker.SpeakAsync(QStringLiteral(u"よろしく。"));
            m_host.restoreWindow();
            return;
        case cmd::Hesitation:
        case cmd::Backchannel:
            return;
        case cmd::StartHidden:
            if (m_state.menu_n < 5) {
                const QString text = QStringLiteral(u"もくじが　音声テストモードではありません。");
                m_speaker.SpeakMsg(text);
                ShowMessageLine(m_board, text);
            } else {
                m_board.CBoxDsp(0);
                startByMode();
            }
            return;
        case cmd::BaseColour:
            m_host.setWindowColour(0x808000);
            m_state.orgColor = 0x808000;
            return;
        case cmd::ClearScreen:
            GamenClear(m_state, m_board);
            m_board.CBoxDsp(1);
            return;
        case cmd::CloseDojo:
            m_host.closeMainWindow();
            return;
        default:
            break;
    }
    if (cmd::isChart(c)) {
        // Chart commands act only while the chart window is open.
        if (m_state.chartOpen == 1) {
            if (c == cmd::ChartWeak)
                m_host.chartReadWeak();
            else
                m_host.chartDanRead(c - cmd::FirstChartRow + 1);
        }
        return;
    }
    defaultStep();
}

void VoiceCommands::RunChat(const QString& astr) {
    m_board.appendMemo(QStringLiteral(u"<■astr=") + astr + QStringLiteral("> "));
    for (const ChatRow& row : chatTable()) {
        const bool hit = std::any_of(row.keywords.begin(), row.keywords.end(),
                                     [&](const char16_t* k) { return astr.contains(QString::fromUtf16(k)); });
        if (!hit) continue;
        if (row.effect == Effect::CommandMode) {
            m_host.enterCcMode();  // it says its own acknowledgement
            return;
        }
        const QDateTime now = m_host.currentDateTime();
        const QString reply = row.memo == Memo::Time   ? timeText(now)
                              : row.memo == Memo::Date ? dateText(now)
                                                       : QString::fromUtf16(row.reply);
        switch (row.memo) {
            case Memo::Name:
                m_board.appendMemo(QStringLiteral(u"[しはん] しはんの 九九 きわむ と申します。"));
                break;
            case Memo::Reply:
            case Memo::Date:
                m_board.appendMemo(reply);
                break;
            case Memo::Time:
                m_board.appendMemo(u'◇' + reply);
                break;
            case Memo::Said:
                m_board.appendMemo(QStringLiteral(u"\n(しはん)：") + reply);
                break;
            case Memo::Master:
                m_board.appendMemo(QStringLiteral(u"[しはん] ") + reply);
                break;
            case Memo::None:
            case Memo::SaidAfter:
                break;
        }
        if (row.effect == Effect::MessageLine) ShowMessageLine(m_board, reply);
        m_speaker.SpeakAsync(reply);
        if (row.memo == Memo::SaidAfter) m_board.appendMemo(QStringLiteral(u"\n(しはん)：") + reply + u'\n');
        if (row.effect == Effect::Restore) m_host.restoreWindow();
        return;
    }
}

}  // namespace rentabo
