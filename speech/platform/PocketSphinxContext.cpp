#include "speech/platform/PocketSphinxContext.h"

#include "speech/platform/JapaneseReading.h"
#include "speech/platform/KanaPhones.h"
#include "speech/platform/TypedPhraseContext.h"

#include <QAudioDevice>
#include <QAudioSource>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMediaDevices>

#include <cmath>

namespace rentabo {

namespace {

// The words chat listening listens for, as the chat matcher spells them, with how they sound.
struct ChatWord {
    const char16_t* text;
    const char16_t* sound;
};
constexpr ChatWord kChatWords[] = {
    {u"コマンド", u"こまんど"},
    {u"メニュー", u"めにゅー"},
    {u"命令", u"めいれい"},
    {u"顧問と", u"こもんと"},
    {u"計算モード", u"けいさんもーど"},
    {u"モードチェンジ", u"もーどちぇんじ"},
    {u"おはよう", u"おはよう"},
    {u"こんにちは", u"こんにちわ"},
    {u"よろしく", u"よろしく"},
    {u"ひらけごま", u"ひらけごま"},
    {u"オープン", u"おーぷん"},
    {u"お名前は", u"おなまえわ"},
    {u"名前は", u"なまえわ"},
    {u"お名前を", u"おなまえお"},
    {u"おとしは", u"おとしわ"},
    {u"ねんれいは", u"ねんれいわ"},
    {u"おいくつ", u"おいくつ"},
    {u"ひげは", u"ひげわ"},
    {u"彼女は", u"かのじょわ"},
    {u"何時", u"なんじ"},
    {u"好きな食べ物", u"すきなたべもの"},
    {u"好きなスポーツ", u"すきなすぽーつ"},
    {u"ありがとう", u"ありがとう"},
    {u"サンキュー", u"さんきゅー"},
    {u"馬みたい", u"うまみたい"},
    {u"今日は何日", u"きょうわなんにち"},
    {u"はじめ", u"はじめ"},
    {u"開始", u"かいし"},
    {u"スタート", u"すたーと"},
    {u"中止", u"ちゅうし"},
    {u"エスケープ", u"えすけーぷ"},
    {u"ストップ", u"すとっぷ"},
};

// The morae of the loop that absorbs everything else said in chat.
constexpr const char16_t* kMorae[] = {
    u"あ",   u"い",   u"う",   u"え",   u"お",   u"か",   u"き",   u"く",   u"け",   u"こ",   u"が",
    u"ぎ",   u"ぐ",   u"げ",   u"ご",   u"さ",   u"し",   u"す",   u"せ",   u"そ",   u"ざ",   u"じ",
    u"ず",   u"ぜ",   u"ぞ",   u"た",   u"ち",   u"つ",   u"て",   u"と",   u"だ",   u"で",   u"ど",
    u"な",   u"に",   u"ぬ",   u"ね",   u"の",   u"は",   u"ひ",   u"ふ",   u"へ",   u"ほ",   u"ば",
    u"び",   u"ぶ",   u"べ",   u"ぼ",   u"ぱ",   u"ぴ",   u"ぷ",   u"ぺ",   u"ぽ",   u"ま",   u"み",
    u"む",   u"め",   u"も",   u"や",   u"ゆ",   u"よ",   u"ら",   u"り",   u"る",   u"れ",   u"ろ",
    u"わ",   u"ん",   u"きゃ", u"きゅ", u"きょ", u"しゃ", u"しゅ", u"しょ", u"ちゃ", u"ちゅ", u"ちょ",
    u"じゃ", u"じゅ", u"じょ", u"りょ",
};

QString phraseWord(std::size_t i) {
    return QStringLiteral("w%1").arg(i);
}

QString moraWord(std::size_t i) {
    return QStringLiteral("m%1").arg(i);
}

}  // namespace

PocketSphinxContext::PocketSphinxContext(QObject* parent, DecoderConfig config)
    : GrammarRecoContext(parent), m_config(config), m_programConfig(std::move(config)) {}

PocketSphinxContext::~PocketSphinxContext() {
    stopMicrophone();
}

DecoderConfig PocketSphinxContext::defaultConfig() {
    DecoderConfig c;
    c.modelDir = defaultModelDir();
    // Warps from 1.4 up are for higher, child-like voices; the voice is judged over the first
    // phrases of a session and then decoded with the warps of its group. With the adapted model
    // this raised speech pitched +500 cents from 94.7 % to 98.0 % right (before rejection) and
    // left grown-up voices where they were (see bench/recognition/README.md).
    c.warps = {0.92, 1.0, 1.08, 1.16, 1.24, 1.32, 1.42, 1.52, 1.64, 1.76};
    c.perSpeakerWarp = true;
    c.childMargin = 0.4;
    // No penalty per word: the free loop of morae that measures the confidence pays none for
    // the many morae of a chat sentence, so chat scores lower against it (chat taken for a
    // command at the same share of right answers: 23 -> 16 of 144 sentences).
    c.wordInsertionPenalty = 1.0;
    // A wrong number teaches the wrong thing, a rejection only asks the child to say it again.
    // Both thresholds come from a sweep over 4224 utterances (six conditions) and 144 sentences
    // of chat, both measured per frame of speech: 139 of the chat sentences fall below -10
    // against the loop, and a margin of 2 over the best other phrase removes three more and the
    // near ties (にじゅう / にじゅうに under noise) that the loop cannot see. Clean speech 99.6 %
    // right, 0 % wrong; noise at 15 dB 93.3 / 1.8 %; pitched 97.4 / 0.3 %.
    c.minConfidence = -10.0;
    c.minMargin = 2.0;
    // While an answer is awaited, a phrase other than the right answer must explain the audio
    // better than the right answer by 3 per frame. On voices the acoustic model never heard
    // (each engine's voices with a model adapted without that engine; clean, noise at 15 dB,
    // pitched +500 cents) right answers heard as a wrong number fell from 10.3 % to 1.3 %, and
    // right answers heard right rose from 73.8 % to 79.0 % (the margin rule is not needed then);
    // with the model adapted on means and variances over wider voices, 86.3 % right, 0.4 %
    // wrong. A child's wrong answers count as nothing heard more often (about a third of them),
    // so the child says them again or the answer time runs out.
    c.minLeadOverExpected = 3.0;
    return c;
}

std::vector<QStringList> PocketSphinxContext::phrasePronunciations(const QString& text) {
    return pronunciationsOf(readingOf(text.normalized(QString::NormalizationForm_KC)));
}

bool PocketSphinxContext::loadModel(QString* error) {
    std::vector<DecoderWord> words;
    QStringList alternatives;
    m_dictationTexts.clear();
    auto add = [&](const QString& text, const QString& sound) {
        auto prons = pronunciationsOf(sound);
        if (prons.empty()) return;
        const QString name = QStringLiteral("d%1").arg(m_dictationTexts.size());
        words.push_back({name, std::move(prons)});
        alternatives << name;
        m_dictationTexts << text;
    };
    for (const auto& w : kChatWords) add(QString::fromUtf16(w.text), QString::fromUtf16(w.sound));
    for (const char16_t* m : kMorae) add(QString::fromUtf16(m), QString::fromUtf16(m));
    DecoderConfig config = m_config;
    config.warps = {1.0};
    // A strong word penalty keeps the mora loop from shredding a keyword into its morae.
    config.wordInsertionPenalty = 0.03;
    m_dictation = SphinxDecoder::create(config, words, error);
    if (!m_dictation) return false;
    const QString jsgf = QStringLiteral("#JSGF V1.0;\ngrammar chat;\npublic <chat> = ( %1 )+ ;\n")
                             .arg(alternatives.join(QStringLiteral(" | ")));
    if (!m_dictation->setGrammar(QStringLiteral("chat"), jsgf, error)) {
        m_dictation.reset();
        return false;
    }
    m_dictation->useGrammar(QStringLiteral("chat"));
    return true;
}

bool PocketSphinxContext::grammarLoaded() {
    const auto& phrases = grammar()->phrases();
    std::vector<DecoderWord> words;
    m_pronounceable.assign(phrases.size(), false);
    m_searchNames.clear();
    for (std::size_t i = 0; i < phrases.size(); ++i) {
        auto prons = phrasePronunciations(phrases[i].text);
        if (prons.empty()) continue;  // typed only: nothing the model can say
        m_pronounceable[i] = true;
        words.push_back({phraseWord(i), std::move(prons)});
    }
    QString error;
    m_commands.reset();
    if (words.empty()) return true;
    QStringList loop;
    for (std::size_t i = 0; i < std::size(kMorae); ++i) {
        words.push_back({moraWord(i), pronunciationsOf(QString::fromUtf16(kMorae[i]))});
        loop << moraWord(i);
    }
    m_commands = SphinxDecoder::create(m_config, words, &error);
    if (!m_commands) return false;
    const QString jsgf = QStringLiteral("#JSGF V1.0;\ngrammar loop;\npublic <loop> = ( %1 )+ ;\n")
                             .arg(loop.join(QStringLiteral(" | ")));
    if (!m_commands->setRejectionLoop(jsgf, &error)) return false;
    // The best other phrase tells how nearly the phrase heard was tied (にじゅういち / にじゅうく).
    m_commands->setRunnerUpGrammar([this](const QString& word) {
        QStringList others = m_listeningWords;
        others.removeAll(word);
        if (others.isEmpty()) return QString();
        return QStringLiteral("#JSGF V1.0;\ngrammar others;\npublic <others> = %1 ;\n")
            .arg(others.join(QStringLiteral(" | ")));
    });
    m_commands->setBeforeDecode([this] {
        Q_EMIT PhraseComplete(0, m_position);
        useActiveRules();
        useExpectation();
    });
    return true;
}

namespace {
// A phrase confirmed by what followed it (an answer judged right) teaches the voice only when it
// was heard clearly as well: a right answer can be a lucky wrong hearing.
constexpr double kConfirmConfidence = -6.0;
// The phrases of a session kept for the learner's model, the latest ones.
constexpr std::size_t kMaxKnownPhrases = 120;
}  // namespace

void PocketSphinxContext::setLearner(const QString& name, const QString& folder) {
    if (name == m_learner && folder == m_learnerFolder) return;
    m_learner = name;
    m_learnerFolder = folder;
    m_known.clear();
    m_knownWarps.clear();
    m_last.reset();
    std::optional<SpeakerModel> model;
    // The voice learnt belongs to the learner it was learnt from: a new name starts afresh.
    if (const auto owner = speakerModelLearner(folder); owner && *owner != name) {
        QDir(folder).removeRecursively();
        Q_EMIT LearnerNote(QStringLiteral("<声のモデル: 名前が変わったので消しました>"));
    } else if (!folder.isEmpty() && QFileInfo::exists(folder)) {
        QString why;
        model = loadSpeakerModel(folder, m_programConfig.modelDir, name, &why);
        if (!model) Q_EMIT LearnerNote(QStringLiteral("<声のモデルを使いません: %1>").arg(why));
    }
    QString error;
    if (!useSpeakerModel(model, &error)) model.reset();
    m_speaker = model;
    if (m_speaker)
        Q_EMIT LearnerNote(
            QStringLiteral("<声のモデルで聞きます (%1 のことばから)>").arg(m_speaker->phrases));
}

void PocketSphinxContext::confirmLastPhrase(const QString& asked) {
    if (!m_last || m_learnerFolder.isEmpty() || !grammar()) return;
    const LastPhrase last = *std::exchange(m_last, std::nullopt);
    std::size_t said = last.index;
    if (!asked.isEmpty()) {
        const auto shown = matchTyped(asked);
        if (!shown) return;
        said = *shown;
    } else if (last.confidence < kConfirmConfidence) {
        return;
    }
    const auto prons = phrasePronunciations(grammar()->phrases()[said].text);
    if (prons.empty()) return;
    m_known.push_back({last.samples, prons.front()});
    m_knownWarps.push_back(last.warp);
    if (m_known.size() > kMaxKnownPhrases) {
        m_known.erase(m_known.begin());
        m_knownWarps.erase(m_knownWarps.begin());
    }
    if (m_known.size() % kPhrasesToAdapt == 0) startAdaptation();
}

bool PocketSphinxContext::learnVoiceNow() {
    if (m_learnerFolder.isEmpty() || m_known.size() < kFewestPhrasesToAdapt) return false;
    startAdaptation();
    return true;
}

void PocketSphinxContext::acceptTypedPhrase(const QString& text) {
    m_last.reset();
    GrammarRecoContext::acceptTypedPhrase(text);
}

void PocketSphinxContext::startAdaptation() {
    if (m_adapting) return;
    // The warp the voice was heard with most often: the learner's model is made and heard there.
    // Phrases heard with the learner's model all carry its warp, so it stays.
    QHash<double, int> counts;
    double warp = 1.0;
    int most = 0;
    for (double w : m_knownWarps)
        if (++counts[w] > most) most = counts[w], warp = w;
    m_adapting = true;
    Q_EMIT LearnerNote(QStringLiteral("<声をおぼえています (%1 のことば)>").arg(m_known.size()));
    m_worker = std::jthread([this, base = m_programConfig.modelDir, warp, learner = m_learner,
                             phrases = m_known, folder = m_learnerFolder] {
        QString error;
        const bool ok = adaptToSpeaker(base, warp, learner, phrases, folder, &error);
        QMetaObject::invokeMethod(
            this, [this, ok, error] { adaptationFinished(ok, error); }, Qt::QueuedConnection);
    });
}

void PocketSphinxContext::adaptationFinished(bool ok, const QString& error) {
    m_adapting = false;
    if (m_worker.joinable()) m_worker.join();
    if (!ok) {
        Q_EMIT LearnerNote(QStringLiteral("<声をおぼえられませんでした: %1>").arg(error));
        return;
    }
    QString why;
    auto model = loadSpeakerModel(m_learnerFolder, m_programConfig.modelDir, m_learner, &why);
    if (!model || !useSpeakerModel(model, &why)) {
        Q_EMIT LearnerNote(QStringLiteral("<声のモデルを使いません: %1>").arg(why));
        return;
    }
    m_speaker = model;
    Q_EMIT LearnerNote(QStringLiteral("<声をおぼえました (%1 のことばから)>").arg(model->phrases));
}

void PocketSphinxContext::waitForAdaptation() {
    if (m_worker.joinable()) m_worker.join();
    QCoreApplication::sendPostedEvents(this);
}

bool PocketSphinxContext::useSpeakerModel(const std::optional<SpeakerModel>& speaker, QString* error) {
    DecoderConfig config = m_programConfig;
    if (speaker) {
        // The learner's model was made from features at the learner's warp, and hears that
        // voice best there; the other warps only add confusions.
        config.modelDir = speaker->dir;
        config.warps = {speaker->warp};
        config.perSpeakerWarp = false;
    }
    // Nothing to load again when the decoders already listen this way (a learner without a
    // model of their own, at start-up).
    if (config.modelDir == m_config.modelDir && config.warps == m_config.warps &&
        config.perSpeakerWarp == m_config.perSpeakerWarp)
        return true;
    const DecoderConfig was = std::exchange(m_config, config);
    if (!grammar()) return true;
    if (!grammarLoaded()) {
        m_config = was;
        grammarLoaded();
        if (error) *error = QStringLiteral("声のモデルを読みこめません");
        listeningChanged();
        return false;
    }
    listeningChanged();
    return true;
}

void PocketSphinxContext::listeningChanged() {
    const Listening was = m_listening;
    m_listening = commandsActive() && m_commands     ? Listening::Commands
                  : dictationActive() && m_dictation ? Listening::Dictation
                                                     : Listening::Off;
    // Half a phrase heard in the old mode must not finish in the new one. Within command
    // listening it does finish, with the rules of the moment it ends in.
    if (was != m_listening) {
        if (m_dictation) m_dictation->reset();
        if (m_commands) m_commands->reset();
    }
    // Compiled when next needed: a change of moment switches several rules one by one.
    m_rulesChanged = true;
}

// Each distinct set of active phrases becomes a search of its own, made once and kept, so a
// switch between the moments of a lesson costs nothing and never disturbs a phrase being heard.
void PocketSphinxContext::useExpectation() {
    QStringList words;
    // A phrase the learner was asked to say is no answer to a question.
    if (m_expectedCommand != 0 && grammar() && listeningFor().isEmpty())
        for (std::size_t i = 0; i < grammar()->phrases().size(); ++i)
            if (m_pronounceable[i] && commandNumber(grammar()->phrases()[i]) == m_expectedCommand)
                words << phraseWord(i);
    m_commands->setExpected(std::move(words));
}

void PocketSphinxContext::useActiveRules() {
    if (!m_rulesChanged || m_listening != Listening::Commands) return;
    m_rulesChanged = false;
    QStringList alternatives;
    for (std::size_t i : activePhrases())
        if (m_pronounceable[i]) alternatives << phraseWord(i);
    if (alternatives.isEmpty()) {
        m_listening = Listening::Off;
        return;
    }
    const QString jsgf = QStringLiteral("#JSGF V1.0;\ngrammar kuku;\npublic <command> = %1 ;\n")
                             .arg(alternatives.join(QStringLiteral(" | ")));
    QString name = m_searchNames.value(jsgf);
    if (name.isEmpty()) {
        name = QStringLiteral("command%1").arg(m_searchNames.size());
        if (!m_commands->setGrammar(name, jsgf, nullptr)) {
            m_listening = Listening::Off;
            return;
        }
        m_searchNames.insert(jsgf, name);
    }
    if (!m_commands->useGrammar(name)) m_listening = Listening::Off;
    m_listeningWords = alternatives;
}

SphinxDecoder* PocketSphinxContext::listeningDecoder() const {
    return m_listening == Listening::Commands    ? m_commands.get()
           : m_listening == Listening::Dictation ? m_dictation.get()
                                                 : nullptr;
}

void PocketSphinxContext::handle(const SphinxDecoder::Hypothesis& h) {
    m_last.reset();
    if (h.words.isEmpty()) return;
    if (m_listening == Listening::Commands) {
        bool ok = false;
        const std::size_t i = h.words.first().mid(1).toULongLong(&ok);
        if (!ok || !grammar() || i >= grammar()->phrases().size()) return;
        // Kept only while a learner's voice is being learnt: a copy of every phrase otherwise.
        if (!m_learnerFolder.isEmpty())
            m_last = LastPhrase{m_commands->lastPhrase(), i, h.confidence(), h.warp};
        // Heard without confidence: better to keep waiting than to deliver a wrong number.
        if (!h.accepted(m_config))
            deliverNothing(grammar()->phrases()[i].text);
        else
            deliverPhrase(i, h.loopScore ? std::optional<double>(h.confidence()) : std::nullopt);
    } else if (m_listening == Listening::Dictation) {
        QString text;
        for (const QString& w : h.words) {
            bool ok = false;
            const int i = w.mid(1).toInt(&ok);
            if (ok && i >= 0 && i < m_dictationTexts.size()) text += m_dictationTexts[i];
        }
        if (!text.isEmpty()) deliverDictation(text);
    }
}

void PocketSphinxContext::emitLevel(const std::int16_t* samples, std::size_t count) {
    // One level per 100 ms of audio, as a meter would show it: 0 at -60 dBFS, 100 at full scale.
    for (std::size_t i = 0; i < count; ++i) {
        m_levelWindow.push_back(samples[i]);
        if (m_levelWindow.size() < 1600) continue;
        double sum = 0;
        for (std::int16_t s : m_levelWindow) sum += double(s) * s;
        const double rms = std::sqrt(sum / m_levelWindow.size()) / 32768.0;
        const double db = rms > 0 ? 20 * std::log10(rms) : -100;
        const int level = std::clamp(int(std::lround((db + 60) * 100 / 60)), 0, 100);
        m_levelWindow.clear();
        Q_EMIT AudioLevel(0, m_position, level);
    }
}

void PocketSphinxContext::setInputMuted(bool muted) {
    if (muted == inputMuted()) return;
    GrammarRecoContext::setInputMuted(muted);
    if (muted) {
        if (m_commands) m_commands->dropPhrase();
        if (m_dictation) m_dictation->dropPhrase();
    } else {
        m_tailToSkip = kMuteTailSamples;
    }
}

void PocketSphinxContext::acceptAudio(const std::int16_t* samples, std::size_t count) {
    emitLevel(samples, count);
    m_position += qint64(count) * 2;
    if (inputMuted()) return;
    // The echo of the program's last words may still be in the room (or in the sound buffers):
    // it is not listened to at all. Heard as digital silence instead, it taught the speech
    // detector a quiet the room does not have, and the room's own noise floor coming back after
    // it was then taken for speech (and heard as く).
    if (m_tailToSkip > 0) {
        const std::size_t skip = std::min(m_tailToSkip, count);
        m_tailToSkip -= skip;
        samples += skip;
        count -= skip;
        if (count == 0) return;
    }
    useActiveRules();
    SphinxDecoder* d = listeningDecoder();
    if (!d) return;
    // Feed in pieces of 100 ms so the end of speech is seen when it happens.
    constexpr std::size_t kChunk = 1600;
    for (std::size_t off = 0; off < count; off += kChunk) {
        if (auto h = d->feed(samples + off, std::min(kChunk, count - off))) handle(*h);
        if (d != listeningDecoder() || inputMuted()) return;
    }
}

void PocketSphinxContext::flushAudio() {
    SphinxDecoder* d = listeningDecoder();
    if (!d) return;
    if (auto h = d->flush()) handle(*h);
}

std::optional<PocketSphinxContext::Heard> PocketSphinxContext::hearUtterance(const MonoAudio& audio) {
    useActiveRules();
    if (m_listening != Listening::Commands || !m_commands) return std::nullopt;
    useExpectation();
    const MonoAudio in = audio.rate == 16000 ? audio : resample(audio, 16000);
    const auto h = m_commands->decodeUtterance(in.samples.data(), in.samples.size());
    if (h.words.isEmpty()) return std::nullopt;
    bool ok = false;
    const std::size_t i = h.words.first().mid(1).toULongLong(&ok);
    if (!ok || i >= grammar()->phrases().size()) return std::nullopt;
    return Heard{i, h.confidence(), h.warp, h.margin(), h.agreeing, h.leadOverExpected(), h.answerExpected};
}

std::optional<std::size_t> PocketSphinxContext::recognizeUtterance(const MonoAudio& audio) {
    const auto heard = hearUtterance(audio);
    if (!heard || !accepted(*heard)) return std::nullopt;
    return heard->index;
}

bool PocketSphinxContext::startMicrophone(QString* error) {
    stopMicrophone();
    const QAudioDevice device = QMediaDevices::defaultAudioInput();
    if (device.isNull()) {
        if (error) *error = QStringLiteral("マイクが見つかりません");
        return false;
    }
    QAudioFormat format;
    format.setSampleRate(16000);
    format.setChannelCount(1);
    format.setSampleFormat(QAudioFormat::Int16);
    if (!device.isFormatSupported(format)) format = device.preferredFormat();
    m_format = format;
    m_source = new QAudioSource(device, format, this);
    m_input = m_source->start();
    if (!m_input || m_source->error() != QAudio::NoError) {
        if (error) *error = QStringLiteral("マイク (%1) を開けません").arg(device.description());
        stopMicrophone();
        return false;
    }
    connect(m_input, &QIODevice::readyRead, this, &PocketSphinxContext::readMicrophone);
    // The sound server going away (restarted, or the user's session changing) stops the source
    // with an error; nothing else would ever open it again.
    connect(m_source, &QAudioSource::stateChanged, this, [this](QAudio::State state) {
        if (state == QAudio::StoppedState && m_source && m_source->error() != QAudio::NoError)
            QMetaObject::invokeMethod(this, &PocketSphinxContext::microphoneLost, Qt::QueuedConnection);
    });
    return true;
}

// The microphone is not opened again once the sound server has gone. Qt's (6.4) connection to the
// server tries to come back only once, three seconds after the loss; a source opened on the dead
// connection waits for the server inside start() and froze the whole window (a server restarted
// during a spoken test). The test goes on without sound, and the child is told once how to answer.
void PocketSphinxContext::microphoneLost() {
    if (!m_source || m_source->error() == QAudio::NoError) return;
    stopMicrophone();
    // Half a phrase cut off by the loss is no phrase.
    if (m_commands) m_commands->dropPhrase();
    if (m_dictation) m_dictation->dropPhrase();
    if (std::exchange(m_microphoneLost, true)) return;
    Q_EMIT DeviceNote(
        QStringLiteral("<音の装置 (マイクとスピーカー) "
                       "が使えなくなりました。音なしで続けます。声の答えは入力窓で打ちこめます>"));
}

void PocketSphinxContext::stopMicrophone() {
    if (!m_source) return;
    m_source->stop();
    delete m_source;
    m_source = nullptr;
    m_input = nullptr;
}

void PocketSphinxContext::readMicrophone() {
    if (!m_input) return;
    const QByteArray data = m_input->readAll();
    const int channels = std::max(1, m_format.channelCount());
    const int bytes = m_format.bytesPerSample();
    if (bytes <= 0 || data.isEmpty()) return;
    const qsizetype frames = data.size() / (bytes * channels);
    MonoAudio chunk{m_format.sampleRate(), std::vector<std::int16_t>(std::size_t(frames))};
    for (qsizetype i = 0; i < frames; ++i) {
        double sum = 0;
        for (int c = 0; c < channels; ++c)
            sum += m_format.normalizedSampleValue(data.constData() + (i * channels + c) * bytes);
        chunk.samples[std::size_t(i)] =
            std::int16_t(std::clamp(std::lround(sum / channels * 32767.0), -32768L, 32767L));
    }
    if (chunk.rate != 16000) chunk = resample(chunk, 16000);
    acceptAudio(chunk.samples.data(), chunk.samples.size());
}

std::unique_ptr<SpSharedRecoContext> createRecoContext(QStringList* notes) {
    auto ps = std::make_unique<PocketSphinxContext>();
    QString why;
    if (!ps->loadModel(&why)) {
        if (notes)
            *notes
                << QStringLiteral("音声認識エンジンを使えません (%1)。入力窓で言葉を打ちこめます。").arg(why);
        return std::make_unique<TypedPhraseContext>();
    }
    if (!ps->startMicrophone(&why) && notes)
        *notes << QStringLiteral("%1。声の答えは入力窓で打ちこめます。").arg(why);
    return ps;
}

}  // namespace rentabo
