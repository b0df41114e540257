#include "speech/platform/SphinxDecoder.h"

#include "speech/platform/PhraseLevel.h"
#include "speech/platform/PhraseSegmenter.h"
#include "speech/platform/SphinxHandles.h"
#include "speech/platform/WarpDecoderBank.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <algorithm>

namespace rentabo {

namespace {

// The words with a pronunciation that another word's pronunciation goes on from (さん: さんじゅう).
QSet<QString> continuedWords(const std::vector<DecoderWord>& words) {
    QSet<QString> continued;
    for (const DecoderWord& w : words) {
        auto goesOn = [&](const QStringList& p) {
            for (const DecoderWord& other : words)
                for (const QStringList& q : other.pronunciations)
                    if (q.size() > p.size() && std::equal(p.begin(), p.end(), q.begin())) return true;
            return false;
        };
        if (std::any_of(w.pronunciations.begin(), w.pronunciations.end(), goesOn)) continued.insert(w.name);
    }
    return continued;
}

std::nullptr_t fail(QString* error, const QString& why) {
    if (error) *error = why;
    return nullptr;
}

}  // namespace

SphinxDecoder::SphinxDecoder(const DecoderConfig& config, std::unique_ptr<WarpDecoderBank> bank,
                             std::unique_ptr<PhraseSegmenter> segmenter)
    : m_bank(std::move(bank)),
      m_segmenter(std::move(segmenter)),
      m_judge(m_bank->warps(), config.perSpeakerWarp, config.childWarpFrom, config.childMargin),
      m_thresholds(config),
      m_cutTail(config.cutReverberantTail) {}

SphinxDecoder::~SphinxDecoder() = default;

std::unique_ptr<SphinxDecoder> SphinxDecoder::create(const DecoderConfig& config,
                                                     const std::vector<DecoderWord>& words, QString* error) {
    if (!QFileInfo(config.modelDir + QStringLiteral("/mdef")).isFile())
        return fail(error, QStringLiteral("音響モデルが見つかりません: %1").arg(config.modelDir));
    // PocketSphinx ends the whole program on a model file it cannot read: the build's model is
    // checked against its manifest first.
    if (!checkModelManifest(config.modelDir, error)) return nullptr;
    QTemporaryFile dict(QDir::tempPath() + QStringLiteral("/rentabo-dict-XXXXXX.dict"));
    if (!dict.open()) return fail(error, QStringLiteral("辞書の一時ファイルを作れません"));
    writeDictionary(dict, words);
    dict.flush();
    const QByteArray dictPath = QFile::encodeName(dict.fileName());
    auto bank = WarpDecoderBank::create(config, dictPath, error);
    if (!bank) return nullptr;
    auto segmenter =
        PhraseSegmenter::create(config, dictPath, words.empty() ? QString() : words.front().name, error);
    if (!segmenter) return nullptr;
    auto decoder =
        std::unique_ptr<SphinxDecoder>(new SphinxDecoder(config, std::move(bank), std::move(segmenter)));
    decoder->m_continued = continuedWords(words);
    for (const DecoderWord& w : words)
        if (w.morae > 0) decoder->m_morae.insert(w.name, w.morae);
    return decoder;
}

bool SphinxDecoder::setGrammar(const QString& name, const QString& jsgf, QString* error) {
    // A search is only replaced between utterances (a decoder frees it at once).
    if (m_bank->hasGrammar(name)) endStream();
    if (m_bank->setGrammar(name, jsgf)) return true;
    fail(error, QStringLiteral("文法 %1 を認識エンジンに渡せません").arg(name));
    return false;
}

bool SphinxDecoder::useGrammar(const QString& name) {
    return m_bank->useGrammar(name);
}

bool SphinxDecoder::hasGrammar(const QString& name) const {
    return m_bank->hasGrammar(name);
}

bool SphinxDecoder::setRejectionLoop(const QString& jsgf, QString* error) {
    if (!setGrammar(QStringLiteral("loop"), jsgf, error)) return false;
    m_rescorer.setLoop(true);
    return true;
}

void SphinxDecoder::setRunnerUpGrammar(std::function<QString(const QString& word)> f) {
    m_rescorer.setRunnerUpGrammar(std::move(f));
}

void SphinxDecoder::setExpected(QStringList words) {
    m_rescorer.setExpected(std::move(words));
}

// The decoders' hypotheses: the voice judge hears every one and names those that may win, and
// the best of them wins.
HeardPhrase SphinxDecoder::best(const std::vector<std::size_t>& used) {
    std::vector<std::optional<int>> scores(m_bank->warps().size());
    int frames = 0;
    for (std::size_t i : used) {
        scores[i] = m_bank->score(i);
        frames = std::max(frames, m_bank->frames(i));
    }
    HeardPhrase best;
    std::size_t winner = 0;
    for (std::size_t i : m_judge.hear(used, scores, frames)) {
        if (!scores[i] || (!best.words.isEmpty() && *scores[i] <= best.score)) continue;
        best.words = m_bank->hypothesis(i).split(u' ', Qt::SkipEmptyParts);
        best.score = *scores[i];
        best.warp = m_bank->warps()[i];
        winner = i;
    }
    if (best.words.isEmpty()) return best;
    best.frames = m_bank->speechFrames(winner);
    best.quietAfter = m_bank->quietAfterLastWord(winner);
    const QString heard = best.words.join(u' ');
    for (std::size_t i : used)
        if (m_bank->hypothesis(i) == heard) ++best.agreeing;
    m_winner = winner;
    return best;
}

HeardPhrase SphinxDecoder::decodeWith(const std::vector<std::size_t>& used, const std::int16_t* samples,
                                      std::size_t count, Measuring measuring) {
    m_last.assign(samples, samples + count);
    m_bank->decode(used, samples, count);
    HeardPhrase h = best(used);
    if (!h.words.isEmpty()) h.morae = m_morae.value(h.words.first());
    if (measuring == Measuring::Now) measure(h);
    return h;
}

// The rescorer's decodings (the free loop of sounds, the awaited answer alone, the runner-up) of
// the phrase decoded last, by the decoder that won it: they were nearly half of the work with an
// answer awaited.
void SphinxDecoder::measure(HeardPhrase& h) {
    if (!h.words.isEmpty()) m_rescorer.measure(*m_bank, m_winner, m_last.data(), m_last.size(), h);
}

double SphinxDecoder::gainFor(const std::vector<std::int16_t>& heard) const {
    return phraseGain(measureLevel(heard.data(), heard.size()), !m_rescorer.expected().isEmpty());
}

// A phrase with a reverberant tail is decoded without it, once: what is left may still look like
// a tail (a second voice that never pauses), and cut again it would be cut at the same place.
HeardPhrase SphinxDecoder::decodeAtLevel(const std::vector<std::size_t>& used,
                                         const std::vector<std::int16_t>& heard,
                                         const std::vector<std::int16_t>& raw) {
    if (m_cutTail && raw.size() == heard.size()) {
        if (const std::size_t end = reverberantEnd(raw.data(), raw.size()); end < raw.size())
            return decodeRaised(used, withoutTail(heard, end), withoutTail(raw, end));
    }
    return decodeRaised(used, heard, raw);
}

// A quiet phrase is decoded raised (PhraseLevel); what that gives stands only when it is the
// awaited answer, anything else is decoded again as the phrase came, the running means and the
// voice judged as they were before the raised decoding.
HeardPhrase SphinxDecoder::decodeRaised(const std::vector<std::size_t>& used,
                                        const std::vector<std::int16_t>& heard,
                                        const std::vector<std::int16_t>& raw) {
    const double gain = gainFor(heard);
    if (gain == 1.0) return decodeWith(used, heard.data(), heard.size());
    const SpeakerState before = m_judge.state();
    m_bank->keepMeans();
    const std::vector<std::int16_t> raised = raisedPhrase(heard, raw, gain);
    HeardPhrase h = decodeWith(used, raised.data(), raised.size());
    if (raisedHearingStands(h.expectedHeard)) {
        m_bank->forgetMeans();
        return h;
    }
    m_bank->restoreMeans();
    m_judge.restore(before);
    return decodeWith(used, heard.data(), heard.size());
}

HeardPhrase SphinxDecoder::decodeUtterance(const std::int16_t* samples, std::size_t count) {
    endStream();
    const std::vector<std::int16_t> raw(samples, samples + count);
    m_buffer = raw;
    m_dither.apply(m_buffer.data(), count);
    return decodeAtLevel(m_judge.decodersToUse(), m_buffer, raw);
}

void SphinxDecoder::dropPhrase() {
    if (!m_segmenter->started()) return;
    dropFirstLook();
    m_segmenter->dropPhrase();
}

void SphinxDecoder::endStream() {
    m_segmenter->end();
    dropFirstLook();
}

// The phrase looked at goes on (or is dropped): what its decoding taught about the speaker's
// voice is forgotten, the whole phrase will teach it.
void SphinxDecoder::dropFirstLook() {
    if (!m_firstLook) return;
    m_firstLook.reset();
    m_bank->restoreMeans();
    m_judge.restore(std::move(m_beforeFirstLook));
}

// The segmenter listens all the time, only to find where speech begins and ends. The phrase
// itself, from a little before its start to its end, is then decoded whole by every decoder:
// cut by the detector alone, soft onsets (し, ひ) were lost and the normalisation saw too little.
std::optional<SphinxDecoder::PendingPhrase> SphinxDecoder::listen(const std::int16_t* samples,
                                                                  std::size_t count) {
    if (!m_segmenter->started()) {
        endStream();
        m_segmenter->restart();
    }
    std::vector<std::int16_t> chunk(samples, samples + count);
    m_dither.apply(chunk.data(), count);
    switch (m_segmenter->feed(chunk.data(), samples, count)) {
        case PhraseSegmenter::Step::Nothing:
            return std::nullopt;
        case PhraseSegmenter::Step::Speaking:
            // Speech again drops a first look; the next short quiet looks again.
            dropFirstLook();
            return std::nullopt;
        case PhraseSegmenter::Step::ShortQuiet:
            if (m_firstLook) return std::nullopt;
            return PendingPhrase{PendingPhrase::Kind::FirstLook, m_segmenter->phrase(),
                                 m_segmenter->rawPhrase(), detectedSpeechFrames(kFirstLookQuietMs)};
        case PhraseSegmenter::Step::Ended: {
            // The full quiet: the phrase is decoded whole, as if never looked at (the quiet after
            // it weighs in the normalisation, and a first look without it heard some phrases
            // otherwise).
            dropFirstLook();
            const int frames = detectedSpeechFrames(kPhraseEndQuietMs);
            PendingPhrase phrase{PendingPhrase::Kind::Ended, {}, {}, frames};
            phrase.audio = m_segmenter->takePhrase(&phrase.raw);
            return phrase;
        }
    }
    return std::nullopt;
}

// A first look decodes with the speaker's best warps alone; a phrase not taken at once is kept
// while the quiet lasts, and what its decoding moved (the voice judged, the running means) is
// given back if the phrase goes on.
std::optional<HeardPhrase> SphinxDecoder::lookFirst(const PendingPhrase& phrase) {
    m_beforeFirstLook = m_judge.state();
    m_bank->keepMeans();
    // Only the awaited answer is ever taken at a first look (takenAtFirstLook): with none awaited
    // the phrase is marked looked at, undecoded, and waits for the full quiet. The first look's
    // decoding was nearly half of idle listening's work (the hour's television and children idle:
    // 0.18-0.20 of the audio's length, now 0.10), and it is not free of traces: the whole phrase
    // decoded after it is heard a little differently (bench/recognition/README.md, "The first
    // look only while an answer is awaited").
    if (m_rescorer.expected().isEmpty()) {
        m_firstLook = HeardPhrase{};
        return std::nullopt;
    }
    // Raised or not, the first look takes nothing but the awaited answer (takenAtFirstLook).
    // Only a phrase that may be taken is measured: any other waits for the full quiet whatever its
    // measures, and the rescorer's decodings were half of the first look's work.
    const std::vector<std::int16_t> audio = raisedPhrase(phrase.audio, phrase.raw, gainFor(phrase.audio));
    HeardPhrase h = decodeWith(m_judge.decodersForFirstLook(decodingCores()), audio.data(), audio.size(),
                               Measuring::Later);
    h.detectedFrames = phrase.speechFrames;
    const FirstLook look{int(h.words.size()),
                         h.words.size() == 1 && m_rescorer.expected().contains(h.words.first()),
                         h.words.size() == 1 && m_continued.contains(h.words.first()), h.quietAfter};
    if (mayBeTakenAtFirstLook(look)) measure(h);
    if (takenAtFirstLook(m_thresholds, h.measures(), look)) {
        m_beforeFirstLook = {};
        m_bank->forgetMeans();
        endStream();
        m_segmenter->restart();
        return h;
    }
    m_firstLook = std::move(h);
    return std::nullopt;
}

std::optional<HeardPhrase> SphinxDecoder::decode(const PendingPhrase& phrase) {
    if (phrase.kind == PendingPhrase::Kind::FirstLook) return lookFirst(phrase);
    HeardPhrase h = decodeAtLevel(m_judge.decodersToUse(), phrase.audio, phrase.raw);
    h.detectedFrames = phrase.speechFrames;
    if (phrase.kind == PendingPhrase::Kind::Ended) {
        endStream();
        m_segmenter->restart();
    }
    return h;
}

int SphinxDecoder::detectedSpeechFrames(int quietMs) const {
    const std::size_t size = m_segmenter->phrase().size(), start = m_segmenter->speechStart();
    return size > start ? std::max(1, int((size - start) / 160) - quietMs / 10) : 0;
}

std::optional<SphinxDecoder::PendingPhrase> SphinxDecoder::flush() {
    if (!m_segmenter->started()) return std::nullopt;
    const bool hadSpeech = m_segmenter->inSpeech();
    const int frames = detectedSpeechFrames(0);
    PendingPhrase phrase{PendingPhrase::Kind::Flushed, {}, {}, frames};
    phrase.audio = m_segmenter->takePhrase(&phrase.raw);
    dropFirstLook();
    if (!hadSpeech) return std::nullopt;
    return phrase;
}

}  // namespace rentabo
