#include "speech/platform/PocketSphinxContext.h"

#include "speech/platform/ChatWords.h"
#include "speech/platform/JapaneseReading.h"
#include "speech/platform/JsgfText.h"
#include "speech/platform/KanaPhones.h"
#include "speech/platform/TypedPhraseContext.h"

#include <QLoggingCategory>

#include <algorithm>
#include <utility>

namespace rentabo {

namespace {
// Every phrase the microphone gave and what became of it, one line each: switched on with
// QT_LOGGING_RULES="rentabo.listening.debug=true" (the sound scenarios keep it with the program's
// output, so a phrase not heard there says why).
Q_LOGGING_CATEGORY(lcListening, "rentabo.listening", QtWarningMsg)

void logPhrase(const char* what, const HeardPhrase& h, const QString& text, const char* rule) {
    const PhraseMeasures m = h.measures();
    qCDebug(lcListening).noquote().nospace()
        << what << ' ' << (text.isEmpty() ? h.words.join(u' ') : text) << (*rule ? " refused: " : "") << rule
        << " (confidence " << m.confidence << ", margin " << m.margin << ", lead " << m.lead << ", morae "
        << m.morae << ", coverage " << m.coverage << ", warp " << h.warp << ", frames " << h.frames
        << (m.ownVoice > 0 ? QStringLiteral(", like the master's words %1").arg(m.ownVoice, 0, 'f', 2)
                           : QString())
        << (m.answerExpected ? (m.expectedHeard ? ", the awaited answer"
                                : m.otherAnswer ? ", another answer than the awaited one"
                                                : ", an answer awaited")
                             : "")
        << ')';
}

// A grammar phrase's reading in kana, from which its pronunciations and its morae both come.
QString phraseReading(const QString& text) {
    return readingOf(text.normalized(QString::NormalizationForm_KC));
}
}  // namespace

PocketSphinxContext::PocketSphinxContext(QObject* parent, DecoderConfig config)
    : GrammarRecoContext(parent),
      m_config(config),
      m_programConfig(std::move(config)),
      m_learning(m_programConfig.modelDir, [this](const std::optional<SpeakerModel>& model, QString* error) {
          return useSpeakerModel(model, error);
      }) {
    connect(&m_learning, &VoiceLearning::Note, this, &SpSharedRecoContext::LearnerNote);
    connect(&m_microphone, &MicrophoneInput::Audio, this, &PocketSphinxContext::acceptAudio);
    connect(&m_microphone, &MicrophoneInput::Lost, this, &PocketSphinxContext::microphoneLost);
}

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
    // The thresholds a phrase must pass: see AcceptancePolicy.cpp for their figures.
    static_cast<AcceptanceThresholds&>(c) = programThresholds();
    return c;
}

bool PocketSphinxContext::accepted(const HeardPhrase& h) const {
    return phraseAccepted(m_config, h.measures());
}

std::vector<QStringList> PocketSphinxContext::phrasePronunciations(const QString& text) {
    return pronunciationsOf(phraseReading(text));
}

bool PocketSphinxContext::loadModel(QString* error) {
    std::vector<DecoderWord> words;
    QStringList alternatives;
    m_dictationTexts.clear();
    auto add = [&](const QString& text, const QString& sound) {
        auto prons = pronunciationsOf(sound);
        if (prons.empty()) return;
        const QString name = chatWord(std::size_t(m_dictationTexts.size()));
        words.push_back({name, std::move(prons)});
        alternatives << name;
        m_dictationTexts << text;
    };
    for (const ChatWord& w : chatWords())
        if (w.sound) add(QString::fromUtf16(w.text), QString::fromUtf16(w.sound));
    for (const char16_t* m : loopMorae()) add(QString::fromUtf16(m), QString::fromUtf16(m));
    DecoderConfig config = m_config;
    config.warps = {1.0};
    // A strong word penalty keeps the mora loop from shredding a keyword into its morae.
    config.wordInsertionPenalty = 0.03;
    m_dictation = SphinxDecoder::create(config, words, error);
    if (!m_dictation) return false;
    const QString chat = QStringLiteral("chat");
    if (!m_dictation->setGrammar(chat, jsgfRunOf(chat, chat, alternatives), error)) {
        m_dictation.reset();
        return false;
    }
    m_dictation->useGrammar(chat);
    return true;
}

bool PocketSphinxContext::grammarLoaded() {
    const auto& phrases = grammar()->phrases();
    std::vector<DecoderWord> words;
    m_pronounceable.assign(phrases.size(), false);
    m_searchNames.clear();
    for (std::size_t i = 0; i < phrases.size(); ++i) {
        const QString reading = phraseReading(phrases[i].text);
        auto prons = pronunciationsOf(reading);
        if (prons.empty()) continue;  // typed only: nothing the model can say
        m_pronounceable[i] = true;
        words.push_back({phraseWord(i), std::move(prons), moraeOf(reading)});
    }
    QString error;
    m_commands.reset();
    if (words.empty()) return true;
    QStringList loop;
    const auto morae = loopMorae();
    for (std::size_t i = 0; i < morae.size(); ++i) {
        words.push_back({loopWord(i), pronunciationsOf(QString::fromUtf16(morae[i]))});
        loop << loopWord(i);
    }
    m_commands = SphinxDecoder::create(m_config, words, &error);
    if (!m_commands) return false;
    const QString name = QStringLiteral("loop");
    if (!m_commands->setRejectionLoop(jsgfRunOf(name, name, loop), &error)) return false;
    // The best other phrase tells how nearly the phrase heard was tied (にじゅういち / にじゅうく).
    m_commands->setRunnerUpGrammar([this](const QString& word) {
        QStringList others = m_listeningWords;
        others.removeAll(word);
        if (others.isEmpty()) return QString();
        return jsgfOneOf(QStringLiteral("others"), QStringLiteral("others"), others);
    });
    return true;
}

void PocketSphinxContext::confirmLastPhrase(const QString& asked) {
    if (!m_learning.hasPhrase() || !grammar()) return;
    std::optional<std::size_t> said;
    if (!asked.isEmpty()) {
        said = matchTyped(asked);
        if (!said) return m_learning.forgetPhrase();
    }
    m_learning.confirmPhrase(
        said, [this](std::size_t i) { return phrasePronunciations(grammar()->phrases()[i].text); });
}

void PocketSphinxContext::acceptTypedPhrase(const QString& text) {
    m_learning.forgetPhrase();
    GrammarRecoContext::acceptTypedPhrase(text);
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

// The words of the answer the moment expects, for the rescorer.
void PocketSphinxContext::useExpectation() {
    QStringList words;
    m_expectedRule.reset();
    // A phrase the learner was asked to say is no answer to a question.
    if (m_expectedCommand != 0 && grammar() && listeningFor().isEmpty())
        for (std::size_t i = 0; i < grammar()->phrases().size(); ++i)
            if (m_pronounceable[i] && commandNumber(grammar()->phrases()[i]) == m_expectedCommand) {
                words << phraseWord(i);
                m_expectedRule = grammar()->phrases()[i].ruleIndex;
            }
    m_commands->setExpected(std::move(words));
}

// Names the grammar phrase h is, and whether, heard while an answer is awaited, it is another
// answer of the same kind (a wrong number, another fact of the table) rather than a command.
void PocketSphinxContext::placePhrase(HeardPhrase& h, std::size_t phrase) const {
    h.phrase = phrase;
    h.otherAnswer = h.answerExpected && !h.expectedHeard && m_expectedRule &&
                    grammar()->phrases()[phrase].ruleIndex == *m_expectedRule;
}

// Each distinct set of active phrases becomes a search of its own, made once and kept, so a
// switch between the moments of a lesson costs nothing and never disturbs a phrase being heard.
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
    const QString jsgf = jsgfOneOf(QStringLiteral("kuku"), QStringLiteral("command"), alternatives);
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

// Ask the moment, then decode: the program sets the rules and the answer it expects for the
// moment the phrase ends in (PhraseComplete), and the phrase is decoded with them.
void PocketSphinxContext::askMoment() {
    Q_EMIT PhraseComplete(0, m_position);
    useActiveRules();
    useExpectation();
}

void PocketSphinxContext::hear(SphinxDecoder& decoder, const SphinxDecoder::PendingPhrase& phrase) {
    if (&decoder == m_commands.get()) askMoment();
    auto h = decoder.decode(phrase);
    if (!h) return;
    // The phrase began soon after the master's words: it may be their echo.
    const qint64 began = m_position - qint64(phrase.raw.size()) * 2;
    if (!h->words.isEmpty() && began < m_ownWordsUntil) h->ownVoice = m_ownWords.likeness(phrase.raw);
    handle(*h);
}

void PocketSphinxContext::handle(HeardPhrase h) {
    m_learning.forgetPhrase();
    if (h.words.isEmpty()) {
        qCDebug(lcListening) << "speech of" << h.detectedFrames * 10 << "ms: no phrase";
        return;
    }
    m_lastHeard = h;
    if (m_listening == Listening::Commands) {
        const auto i = wordIndex(h.words.first());
        if (!i || !grammar() || *i >= grammar()->phrases().size()) {
            logPhrase("heard", h, {}, "not a phrase");
            return;
        }
        placePhrase(h, *i);
        m_lastHeard = h;
        m_learning.keepPhrase(m_commands->lastPhrase(), *i, h.confidence(), h.warp);
        // Heard without confidence: better to keep waiting than to deliver a wrong number.
        const char* rule = refusingRule(m_config, h.measures());
        logPhrase("heard", h, grammar()->phrases()[*i].text, rule);
        if (*rule)
            deliverNothing(grammar()->phrases()[*i].text);
        else
            deliverPhrase(*i, h.loopScore ? std::optional<double>(h.confidence()) : std::nullopt);
    } else if (m_listening == Listening::Dictation) {
        QString text;
        for (const QString& w : h.words)
            if (const auto i = wordIndex(w); i && *i < std::size_t(m_dictationTexts.size()))
                text += m_dictationTexts[qsizetype(*i)];
        const bool own = isOwnVoice(m_config, h.ownVoice);
        qCDebug(lcListening).noquote() << "chat" << text << (own ? "refused: the master's own voice" : "");
        if (!text.isEmpty() && !own) deliverDictation(text);
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

void PocketSphinxContext::rememberOwnWords(const MonoAudio& words) {
    m_ownWords.remember(words);
    m_ownWordsUntil = m_position + kOwnWordsSamples * 2;
}

void PocketSphinxContext::rememberOwnSound(const MonoAudio& sound) {
    m_ownWords.add(sound);
    m_ownWordsUntil = m_position + kOwnWordsSamples * 2;
}

void PocketSphinxContext::acceptAudio(const std::int16_t* samples, std::size_t count) {
    for (int level : m_meter.push(samples, count)) Q_EMIT AudioLevel(0, m_position, level);
    m_position += qint64(count) * 2;
    const qint64 fedTo = m_position;
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
        if (auto phrase = d->listen(samples + off, std::min(kChunk, count - off))) hear(*d, *phrase);
        if (d != listeningDecoder() || inputMuted()) return;
        // A phrase heard may have waited for newer audio (a window asking for the next phrase):
        // the rest of this older piece would come after it, out of order.
        if (m_position != fedTo) return;
    }
}

void PocketSphinxContext::flushAudio() {
    SphinxDecoder* d = listeningDecoder();
    if (!d) return;
    if (auto phrase = d->flush()) hear(*d, *phrase);
}

std::optional<HeardPhrase> PocketSphinxContext::hearUtterance(const MonoAudio& audio) {
    useActiveRules();
    if (m_listening != Listening::Commands || !m_commands) return std::nullopt;
    useExpectation();
    const MonoAudio in = audio.rate == 16000 ? audio : resample(audio, 16000);
    HeardPhrase h = m_commands->decodeUtterance(in.samples.data(), in.samples.size());
    if (!h.words.isEmpty() && !m_ownWords.empty()) h.ownVoice = m_ownWords.likeness(in.samples);
    const auto i = h.words.isEmpty() ? std::nullopt : wordIndex(h.words.first());
    if (!i || *i >= grammar()->phrases().size()) return std::nullopt;
    placePhrase(h, *i);
    return h;
}

std::optional<std::size_t> PocketSphinxContext::recognizeUtterance(const MonoAudio& audio) {
    const auto heard = hearUtterance(audio);
    if (!heard || !accepted(*heard)) return std::nullopt;
    return heard->phrase;
}

// The microphone is not opened again once the sound server has gone (MicrophoneInput). The test
// goes on without sound, and the child is told once how to answer.
void PocketSphinxContext::microphoneLost() {
    // Half a phrase cut off by the loss is no phrase.
    if (m_commands) m_commands->dropPhrase();
    if (m_dictation) m_dictation->dropPhrase();
    if (std::exchange(m_microphoneLost, true)) return;
    Q_EMIT DeviceNote(
        QStringLiteral("<音の装置 (マイクとスピーカー) "
                       "が使えなくなりました。音なしで続けます。声の答えは入力窓で打ちこめます>"));
}

// A microphone chosen in the settings replaces the open one at once; none is opened again after
// the sound server has gone (microphoneLost).
void PocketSphinxContext::useMicrophone(const QByteArray& id) {
    if (id == m_microphone.wantedDevice() || m_microphoneLost) return;
    m_microphone.setWantedDevice(id);
    if (m_commands) m_commands->dropPhrase();
    if (m_dictation) m_dictation->dropPhrase();
    QString why;
    QString note;
    const bool opened = m_microphone.start(&why, &note);
    if (!note.isEmpty()) Q_EMIT DeviceNote(note);
    if (!opened) Q_EMIT DeviceNote(QStringLiteral("%1。声の答えは入力窓で打ちこめます。").arg(why));
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
