#include "speech/Recognition.h"

#include "core/Board.h"
#include "core/KukuTables.h"
#include "speech/CommandNumbers.h"
#include "speech/platform/SpeechFailure.h"

#include <algorithm>

namespace rentabo {

QString ccModeLabel() {
    return QStringLiteral(u"☆練習・テストモード");
}
QString dicModeLabel() {
    return QStringLiteral(u"★おはなしモード");
}

std::vector<int> momentRules(const KukuState& state) {
    const VoiceTest test = state.AnsV_wait != VoiceTest::None ? state.AnsV_wait : state.voiceRun;
    if (test == VoiceTest::Oral) return {kRuleRows, kRuleCommands, kRuleNumbers};
    if (test == VoiceTest::Recitation || test == VoiceTest::FullRecitation)
        return {kRuleRows, kRuleCommands, kRuleReadings};
    return {kRuleColours, kRuleRows, kRuleCommands, kRuleChart};
}

int expectedCommand(const KukuState& state) {
    if (state.kuku_n < 0 || state.kuku_n >= 81) return 0;
    if (state.AnsV_wait == VoiceTest::Oral) return cmd::ofNumber(kukuTables().kotae[state.kuku_n]);
    if (state.AnsV_wait == VoiceTest::Recitation || state.AnsV_wait == VoiceTest::FullRecitation)
        return cmd::ofReading(state.kuku_n);
    return 0;
}

Recognition::Recognition(KukuState& state, QuestionBoard& board, RecognitionView& view, Speaker& speaker,
                         Pacer& pacer, SpSharedRecoContext& context, PhraseHandler& handler, QObject* parent)
    : QObject(parent),
      m_state(state),
      m_board(board),
      m_view(view),
      m_speaker(speaker),
      m_pacer(pacer),
      m_context(context),
      m_handler(handler) {
    connect(&m_context, &SpSharedRecoContext::Recognition, this,
            &Recognition::SpSharedRecoContext1Recognition);
    connect(&m_context, &SpSharedRecoContext::AudioLevel, this, &Recognition::SpSharedRecoContext1AudioLevel);
    connect(&m_context, &SpSharedRecoContext::PhraseComplete, this, &Recognition::followMoment);
    // The microphone hears the master too: nothing is taken as an answer while he speaks.
    SpVoice& voice = m_speaker.voice();
    connect(&voice, &SpVoice::StartStream, this, [this] { followVoice(true); });
    connect(&voice, &SpVoice::EndStream, this, [this] { followVoice(false); });
    followVoice(voice.isSpeaking());
}

void Recognition::followVoice(bool speaking) {
    if (!speaking) m_context.rememberOwnWords(m_speaker.voice().lastWords());
    m_context.setInputMuted(speaking);
}

void Recognition::followMoment() {
    m_context.expectCommand(m_state.cc_mode == Listening::Commands ? expectedCommand(m_state) : 0);
    if (m_state.cc_mode != Listening::Commands) return;
    const std::vector<int> rules = momentRules(m_state);
    if (rules == m_listeningRules) return;
    for (int id : {kRuleColours, kRuleRows, kRuleCommands, kRuleNumbers, kRuleReadings, kRuleChart})
        m_context.CmdSetRuleIdState(id, std::find(rules.begin(), rules.end(), id) != rules.end());
    m_listeningRules = rules;
}

namespace {

// What a failed call of the recognition context could not do, for the failure box.
QString failureText(const QString& operation, bool active = false) {
    if (operation == QLatin1String("CreateGrammar"))
        return QStringLiteral(u"音声認識の文法を用意できませんでした。");
    if (operation == QLatin1String("DictationSetState"))
        return active ? QStringLiteral(u"おはなしモードの聞き取りを始められませんでした。")
                      : QStringLiteral(u"おはなしモードの聞き取りを止められませんでした。");
    if (operation == QLatin1String("CmdSetRuleIdState"))
        return active ? QStringLiteral(u"練習・テストの言葉の聞き取りを始められませんでした。")
                      : QStringLiteral(u"練習・テストの言葉の聞き取りを止められませんでした。");
    return QStringLiteral(u"音声認識の処理ができませんでした。");
}

// False when the call failed and the user chose to abandon what it was part of.
[[nodiscard]] bool check(bool ok, const QString& operation, bool active = false) {
    return ok || reportSpeechFailure(operation, failureText(operation, active)) == SpeechFailure::Continue;
}

}  // namespace

bool Recognition::setUp(const QString& grammarPath) {
    if (!m_context.setEventInterests(SREAllEvents)) return false;
    // A learner who chooses to stop after a failed call: listening is not set up, as when the
    // recogniser is missing.
    if (!check(m_context.CreateGrammar(0), QStringLiteral("CreateGrammar"))) return false;
    // Without dictation the activation below fails too, and the memo says so; a machine
    // without it still practises and tests by voice.
    m_context.DictationLoad();
    if (!check(m_context.DictationSetState(false), QStringLiteral("DictationSetState"), false)) return false;
    if (!m_context.CmdLoadFromFile(grammarPath))
        m_board.appendMemo(QStringLiteral(u"Grammar の読み込みに失敗。\n"));
    if (!check(m_context.CmdSetRuleIdState(0, false), QStringLiteral("CmdSetRuleIdState"), false))
        return false;
    if (!m_context.DictationSetState(true)) m_board.appendMemo(QStringLiteral(u"Dictation Mode に失敗。\n"));
    m_view.showModeLabel(ccModeLabel(), kModeLabelRed);
    if (!check(m_context.DictationSetState(false), QStringLiteral("DictationSetState"), false)) return false;
    if (!check(m_context.CmdSetRuleIdState(0, true), QStringLiteral("CmdSetRuleIdState"), true)) return false;
    m_listeningRules.clear();
    m_state.cc_mode = Listening::Commands;
    followMoment();
    return true;
}

void Recognition::EnterCcMode() {
    m_pacer.beep();
    m_view.showModeLabel(ccModeLabel(), kModeLabelRed);
    m_speaker.SpeakAsync(QStringLiteral(u"練習・テストモード 受け付けました。"));
    if (!check(m_context.DictationSetState(false), QStringLiteral("DictationSetState"), false)) return;
    if (!check(m_context.CmdSetRuleIdState(0, true), QStringLiteral("CmdSetRuleIdState"), true)) return;
    m_listeningRules.clear();
    m_state.cc_mode = Listening::Commands;
    followMoment();
    m_board.CBoxDsp(1);
}

void Recognition::EnterDicMode() {
    m_pacer.beep();
    m_view.setBackgroundColour(kChatBackground);
    m_board.appendMemo(QStringLiteral(u"<★DicMode Entered★>"));
    m_view.showModeLabel(dicModeLabel(), kModeLabelBlue);
    m_speaker.SpeakAsync(QStringLiteral(u"おはなしモード 受け付けました。"));
    if (!check(m_context.CmdSetRuleIdState(0, false), QStringLiteral("CmdSetRuleIdState"), false)) return;
    m_listeningRules.clear();
    if (!check(m_context.DictationSetState(true), QStringLiteral("DictationSetState"), true)) return;
    m_state.cc_mode = Listening::Chat;
}

void Recognition::SpSharedRecoContext1Recognition(int, qint64, int, const RecoResult& result) {
    // A phrase the learner was shown and asked to say, for the recogniser to learn the voice:
    // the window that asked takes it, and the program does nothing with it.
    if (!m_context.listeningFor().isEmpty()) return;
    m_astr = result.text;
    m_state.heardConfidence = result.confidence;
    m_board.appendMemoLine(QStringLiteral(u"<◆astr=%1><cc_mode=%2><AnsV_wait=%3>")
                               .arg(m_astr)
                               .arg(static_cast<int>(m_state.cc_mode))
                               .arg(static_cast<int>(m_state.AnsV_wait)));
    m_view.showMemoLineCount(m_board.memoLineCount());
    checkMemoLimits(m_board);
    // A cleared memo shows its new count at once rather than the stale one.
    if (m_board.memoLineCount() == 0) m_view.showMemoLineCount(0);

    if (m_state.cc_mode == Listening::Commands) {
        m_cValue =
            GetPropertyValue(result, QStringLiteral("chosencolour"), QStringLiteral("colourvalue")).toInt();
        m_board.appendMemo(QStringLiteral(u"<◆cV=%1><ans_way=%2>").arg(m_cValue).arg(m_state.ans_way));
        m_handler.heardCommand(m_cValue);
    } else {
        m_cValue = 0;
        m_handler.heardChat(m_astr);
    }
}

void Recognition::SpSharedRecoContext1AudioLevel(int, qint64, int level) {
    m_view.showMicLevel(std::clamp(level, 0, 100));
}

}  // namespace rentabo
