#include "speech/platform/SphinxDecoder.h"

#include "speech/platform/WavAudio.h"

#include <pocketsphinx.h>
#include <sphinxbase/cmd_ln.h>
#include <sphinxbase/cmn.h>
#include <sphinxbase/feat.h>
#include <sphinxbase/fsg_model.h>
#include <sphinxbase/jsgf.h>

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QTemporaryFile>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <limits>
#include <thread>

namespace rentabo {

double SphinxDecoder::Hypothesis::confidence() const {
    if (!loopScore || words.isEmpty()) return 0.0;
    return double(score - *loopScore) / std::max(frames, 1);
}

double SphinxDecoder::Hypothesis::margin() const {
    if (!runnerUpScore || words.isEmpty()) return 1e9;
    return double(score - *runnerUpScore) / std::max(frames, 1);
}

double SphinxDecoder::Hypothesis::leadOverExpected() const {
    if (!expectedScore || words.isEmpty()) return 1e9;
    return double(score - *expectedScore) / std::max(frames, 1);
}

QString englishModelDir() {
    return QStringLiteral("/usr/share/pocketsphinx/model/en-us/en-us");
}

QString defaultModelDir() {
    auto usable = [](const QString& dir) {
        return !dir.isEmpty() && QFile::exists(dir + QStringLiteral("/mdef"));
    };
    const QString chosen = qEnvironmentVariable("RENTABO_MODEL_DIR");
    if (usable(chosen)) return chosen;
    if (QCoreApplication::instance()) {
        const QString beside = QCoreApplication::applicationDirPath() + QStringLiteral("/model");
        if (usable(beside)) return beside;
    }
    return englishModelDir();
}

struct SphinxDecoder::Impl {
    ps_decoder_t* detector = nullptr;     // finds where speech begins and ends in a stream
    ps_decoder_t* glance = nullptr;       // the same, calling speech over after a short quiet
    std::vector<ps_decoder_t*> decoders;  // one per warp, decoding whole phrases
    std::vector<double> warps;
    Dither dither;
    std::vector<std::int16_t> buffer;
    std::vector<std::int16_t> history;        // the latest audio before speech began
    std::vector<std::int16_t> segment;        // the phrase being spoken
    std::vector<std::int16_t> last;           // the phrase decoded last
    QByteArray search;                        // the search that should listen
    std::vector<QByteArray> active;           // the search each decoder has
    std::vector<QSet<QByteArray>> runnerUps;  // the runner-up and expected searches each decoder holds
    QStringList names;                        // every search added
    // Each decoder's running cepstral mean before a first look (see feed()): a decoder carries it
    // from phrase to phrase, and a first look given up must not have moved it.
    struct Mean {
        std::vector<mfcc_t> mean, sum;
        int32 frames = 0;
    };
    std::vector<Mean> meansBeforeFirstLook;

    void keepMeans() {
        meansBeforeFirstLook.clear();
        for (ps_decoder_t* d : decoders) {
            const cmn_t* c = ps_get_feat(d)->cmn_struct;
            meansBeforeFirstLook.push_back(
                {{c->cmn_mean, c->cmn_mean + c->veclen}, {c->sum, c->sum + c->veclen}, c->nframe});
        }
    }
    void restoreMeans() {
        for (std::size_t i = 0; i < meansBeforeFirstLook.size() && i < decoders.size(); ++i) {
            cmn_t* c = ps_get_feat(decoders[i])->cmn_struct;
            const Mean& m = meansBeforeFirstLook[i];
            std::copy(m.mean.begin(), m.mean.end(), c->cmn_mean);
            std::copy(m.sum.begin(), m.sum.end(), c->sum);
            c->nframe = m.frames;
        }
        meansBeforeFirstLook.clear();
    }
    bool loop = false;

    ~Impl() {
        // The detector is always in an utterance; PocketSphinx frees a grammar search's list of
        // active nodes only when the utterance ends, not with the decoder.
        for (ps_decoder_t* d : {detector, glance}) {
            if (!d) continue;
            ps_end_utt(d);
            ps_free(d);
        }
        for (ps_decoder_t* d : decoders) ps_free(d);
    }
};

namespace {

constexpr std::size_t kMaxUtteranceSamples = 16000 * 10;
constexpr std::size_t kLeadSamples = 16000 * 6 / 10;

bool fail(QString* error, const QString& why) {
    if (error) *error = why;
    return false;
}

std::size_t cores() {
    return std::max(1u, std::thread::hardware_concurrency());
}

// Runs f on every item, on as many cores as there are: each warp has a decoder of its own, they
// share nothing once made, and the child is waiting for the verdict on the phrase.
void forEachInParallel(const std::vector<std::size_t>& items, const std::function<void(std::size_t)>& f) {
    const std::size_t workers = std::min(cores(), items.size());
    std::atomic<std::size_t> next{0};
    auto work = [&] {
        for (std::size_t k = next++; k < items.size(); k = next++) f(items[k]);
    };
    std::vector<std::jthread> helpers;
    for (std::size_t t = 1; t < workers; ++t) helpers.emplace_back(work);
    work();
}

// The frames of the last hypothesis spent on words rather than on silence and noise (<sil>,
// [NOISE]): scores compared per frame of speech do not depend on how much quiet surrounds it.
int speechFrames(ps_decoder_t* d) {
    int frames = 0;
    for (ps_seg_t* seg = ps_seg_iter(d); seg; seg = ps_seg_next(seg)) {
        const char* word = ps_seg_word(seg);
        if (!word || word[0] == '<' || word[0] == '[') continue;
        int start = 0, end = 0;
        ps_seg_frames(seg, &start, &end);
        frames += end - start + 1;
    }
    return std::max(frames, 1);
}

// The frames of the last hypothesis after its last word.
int quietAfterLastWord(ps_decoder_t* d) {
    int lastEnd = -1;
    for (ps_seg_t* seg = ps_seg_iter(d); seg; seg = ps_seg_next(seg)) {
        const char* word = ps_seg_word(seg);
        if (!word || word[0] == '<' || word[0] == '[') continue;
        int start = 0, end = 0;
        ps_seg_frames(seg, &start, &end);
        lastEnd = std::max(lastEnd, end);
    }
    return lastEnd < 0 ? 0 : std::max(0, ps_get_n_frames(d) - 1 - lastEnd);
}

}  // namespace

SphinxDecoder::SphinxDecoder(std::unique_ptr<Impl> impl) : m_impl(std::move(impl)) {}

SphinxDecoder::~SphinxDecoder() = default;

namespace {

// ps_set_jsgf_string as PocketSphinx does it, but freeing the grammar it parses, which Debian's
// PocketSphinx never frees: every set of listening rules and every word's runner-up search, on
// each decoder, left its parsed grammar behind (a megabyte in the spoken end-to-end test).
int setJsgf(ps_decoder_t* ps, const char* name, const char* text) {
    jsgf_t* jsgf = jsgf_parse_string(text, nullptr);
    if (!jsgf) return -1;
    int result = -1;
    if (jsgf_rule_t* rule = jsgf_get_public_rule(jsgf)) {
        const float lw = cmd_ln_float32_r(ps_get_config(ps), "-lw");
        if (fsg_model_t* fsg = jsgf_build_fsg(jsgf, rule, ps_get_logmath(ps), lw)) {
            result = ps_set_fsg(ps, name, fsg);
            fsg_model_free(fsg);
        }
    }
    jsgf_grammar_free(jsgf);
    return result;
}

}  // namespace

bool checkModelManifest(const QString& dir, QString* why) {
    QFile manifest(dir + QStringLiteral("/manifest.txt"));
    if (!manifest.exists()) return true;
    const QList<QByteArray> lines =
        manifest.open(QIODevice::ReadOnly) ? manifest.read(64 * 1024).split('\n') : QList<QByteArray>{};
    const auto listBroken = [&] {
        return fail(why, QStringLiteral("音響モデルの目録 %1 が壊れています").arg(manifest.fileName()));
    };
    if (lines.isEmpty() || lines.front() != "rentabo-model 1") return listBroken();
    for (const QByteArray& line : lines.mid(1)) {
        if (line.isEmpty()) continue;
        const QList<QByteArray> f = line.split(' ');
        if (f.size() != 4 || f[0] != "file" || f[3].size() != 40) return listBroken();
        const QString path = dir + u'/' + QString::fromUtf8(f[1]);
        QFile file(path);
        bool whole =
            QFileInfo(path).isFile() && file.size() == f[2].toLongLong() && file.open(QIODevice::ReadOnly);
        if (whole) {
            QCryptographicHash sha1(QCryptographicHash::Sha1);
            whole = sha1.addData(&file) && sha1.result().toHex() == f[3];
        }
        if (!whole) {
            fail(why, QStringLiteral("音響モデルのファイル %1 が壊れています").arg(path));
            return false;
        }
    }
    return true;
}

std::unique_ptr<SphinxDecoder> SphinxDecoder::create(const DecoderConfig& config,
                                                     const std::vector<DecoderWord>& words, QString* error) {
    if (!QFileInfo(config.modelDir + QStringLiteral("/mdef")).isFile()) {
        fail(error, QStringLiteral("音響モデルが見つかりません: %1").arg(config.modelDir));
        return nullptr;
    }
    // PocketSphinx ends the whole program on a model file it cannot read: the build's model is
    // checked against its manifest first.
    if (!checkModelManifest(config.modelDir, error)) return nullptr;
    QTemporaryFile dict(QDir::tempPath() + QStringLiteral("/rentabo-dict-XXXXXX.dict"));
    if (!dict.open()) {
        fail(error, QStringLiteral("辞書の一時ファイルを作れません"));
        return nullptr;
    }
    QByteArray text;
    for (const auto& w : words) {
        for (std::size_t i = 0; i < w.pronunciations.size(); ++i) {
            text += w.name.toUtf8();
            if (i > 0) text += '(' + QByteArray::number(qulonglong(i + 1)) + ')';
            text += ' ' + w.pronunciations[i].join(u' ').toUtf8() + '\n';
        }
    }
    dict.write(text);
    dict.flush();

    auto impl = std::make_unique<Impl>();
    impl->warps = config.warps.empty() ? std::vector<double>{1.0} : config.warps;
    const QByteArray hmm = QFile::encodeName(config.modelDir);
    const QByteArray dictPath = QFile::encodeName(dict.fileName());
    const QByteArray pip = QByteArray::number(config.phoneInsertionPenalty);
    const QByteArray wip = QByteArray::number(config.wordInsertionPenalty);
    // The decoders see every frame of a phrase: PocketSphinx's own silence removal, which drops
    // the frames it takes for silence, dropped weak onsets and endings under noise (the し of しち,
    // the に of じゅうに) and, with them, right answers (15 dB noise: 94.6 -> 96.2 % right before
    // rejection; pitched speech 98.2 -> 99.6 %). Only the detector of a stream uses it.
    auto init = [&](double warp, bool detector, int postSpeechFrames = 0) -> ps_decoder_t* {
        const QByteArray warpText = QByteArray::number(warp);
        cmd_ln_t* cfg = cmd_ln_init(
            nullptr, ps_args(), TRUE, "-hmm", hmm.constData(), "-dict", dictPath.constData(), "-pip",
            pip.constData(), "-wip", wip.constData(), "-logfn", "/dev/null", "-warp_type", "inverse_linear",
            "-warp_params", warpText.constData(), "-remove_silence", detector ? "yes" : "no", nullptr);
        if (cfg && postSpeechFrames > 0) cmd_ln_set_int32_r(cfg, "-vad_postspeech", postSpeechFrames);
        for (const auto& [name, value] : config.extraArgs) {
            if (detector && name == "-remove_silence") continue;
            if (cfg && !cmd_ln_init(cfg, ps_args(), FALSE, name.constData(), value.constData(), nullptr)) {
                cmd_ln_free_r(cfg);
                cfg = nullptr;
            }
        }
        if (!cfg) {
            fail(error, QStringLiteral("認識エンジンの設定に失敗しました"));
            return nullptr;
        }
        ps_decoder_t* ps = ps_init(cfg);
        cmd_ln_free_r(cfg);
        if (!ps)
            fail(error, QStringLiteral("認識エンジンを起動できません (音響モデル %1)").arg(config.modelDir));
        return ps;
    };
    for (double warp : impl->warps) {
        ps_decoder_t* ps = init(warp, false);
        if (!ps) return nullptr;
        impl->decoders.push_back(ps);
        impl->active.emplace_back();
        impl->runnerUps.emplace_back();
    }
    // The detector needs a search to run, the smallest there is: one word.
    // Two of them: the one that ends a phrase waits for PocketSphinx's usual quiet (0.5 s), the
    // other calls speech over after a short one, for the first look at a phrase (see feed()).
    impl->detector = init(1.0, true, SphinxDecoder::kPhraseEndQuietMs / 10);
    impl->glance = impl->detector ? init(1.0, true, SphinxDecoder::kFirstLookQuietMs / 10) : nullptr;
    if (!impl->glance) return nullptr;
    if (!words.empty()) {
        const QByteArray one =
            "#JSGF V1.0;\ngrammar one;\npublic <one> = " + words.front().name.toUtf8() + " ;\n";
        for (ps_decoder_t* d : {impl->detector, impl->glance})
            if (setJsgf(d, "one", one.constData()) < 0 || ps_set_search(d, "one") < 0) {
                fail(error, QStringLiteral("文法を認識エンジンに渡せません"));
                return nullptr;
            }
    }
    auto decoder = std::unique_ptr<SphinxDecoder>(new SphinxDecoder(std::move(impl)));
    decoder->m_perSpeaker = config.perSpeakerWarp && decoder->m_impl->warps.size() > 1;
    decoder->m_childWarpFrom = config.childWarpFrom;
    decoder->m_childMargin = config.childMargin;
    decoder->resetSpeaker();
    decoder->m_config = config;
    for (const DecoderWord& w : words) {
        auto goesOn = [&](const QStringList& p) {
            for (const DecoderWord& other : words)
                for (const QStringList& q : other.pronunciations)
                    if (q.size() > p.size() && std::equal(p.begin(), p.end(), q.begin())) return true;
            return false;
        };
        if (!w.pronunciations.empty() &&
            std::any_of(w.pronunciations.begin(), w.pronunciations.end(), goesOn))
            decoder->m_continued.insert(w.name);
    }
    return decoder;
}

// A decoder frees a replaced search at once, even the one it listens with, so a search is only
// replaced between utterances and every decoder then takes it up again. Callers that switch
// often give each distinct grammar its own name and never replace one.
bool SphinxDecoder::setGrammar(const QString& name, const QString& jsgf, QString* error) {
    const QByteArray n = name.toUtf8();
    const QByteArray g = jsgf.toUtf8();
    const bool replacing = m_impl->names.contains(name);
    if (replacing) endStream();
    for (ps_decoder_t* d : m_impl->decoders)
        if (setJsgf(d, n.constData(), g.constData()) < 0)
            return fail(error, QStringLiteral("文法 %1 を認識エンジンに渡せません").arg(name));
    if (replacing) {
        const QByteArray prefix = "ru:" + n + ':';
        for (auto& held : m_impl->runnerUps)
            held.removeIf([&](const QByteArray& r) { return r.startsWith(prefix); });
        for (std::size_t i = 0; i < m_impl->decoders.size(); ++i)
            if (m_impl->active[i] == n) ps_set_search(m_impl->decoders[i], n.constData());
    } else {
        m_impl->names << name;
    }
    return true;
}

bool SphinxDecoder::hasGrammar(const QString& name) const {
    return m_impl->names.contains(name);
}

bool SphinxDecoder::setRejectionLoop(const QString& jsgf, QString* error) {
    if (!setGrammar(QStringLiteral("loop"), jsgf, error)) return false;
    m_impl->loop = true;
    return true;
}

void SphinxDecoder::applySearch(std::size_t i) {
    if (m_impl->active[i] == m_impl->search) return;
    if (ps_set_search(m_impl->decoders[i], m_impl->search.constData()) >= 0)
        m_impl->active[i] = m_impl->search;
}

bool SphinxDecoder::useGrammar(const QString& name) {
    if (!m_impl->names.contains(name)) return false;
    m_impl->search = name.toUtf8();
    for (std::size_t i = 0; i < m_impl->decoders.size(); ++i) applySearch(i);
    return true;
}

void SphinxDecoder::resetSpeaker() {
    m_warpScores.assign(m_impl->warps.size(), 0.0);
    m_warpFrames.assign(m_impl->warps.size(), 0.0);
    m_phrasesHeard = 0;
    m_childVoice = false;
    m_voiceLead = 0;
}

namespace {
// Phrases decoded with every warp before the speaker's voice is judged, and how often it is
// judged again later (the child at the keyboard may change). One short phrase says little: いち
// alone chose a warp of 1.64 for a grown-up voice.
constexpr int kWarmUpPhrases = 4;
constexpr int kRejudgeEvery = 10;
}  // namespace

bool SphinxDecoder::judgingVoice() const {
    return m_phrasesHeard < kWarmUpPhrases || m_phrasesHeard % kRejudgeEvery == 0;
}

std::vector<std::size_t> SphinxDecoder::decodersToUse() const {
    std::vector<std::size_t> use;
    for (std::size_t i = 0; i < m_impl->decoders.size(); ++i) {
        const bool childWarp = m_impl->warps[i] >= m_childWarpFrom;
        if (!m_perSpeaker || judgingVoice() || childWarp == m_childVoice) use.push_back(i);
    }
    return use;
}

// The warps of the speaker's group that explained the voice best so far, as many as there are
// cores: the first look decodes with them alone, in one round, while the child waits for the
// mark. A phrase the first look does not take is decoded whole with every warp of the group.
std::vector<std::size_t> SphinxDecoder::decodersForFirstLook() const {
    std::vector<std::size_t> use = decodersToUse();
    if (!m_perSpeaker || judgingVoice()) return use;
    const std::size_t warps = std::max<std::size_t>(2, cores());
    if (use.size() <= warps) return use;
    auto behind = [&](std::size_t i) { return m_warpScores[i] / std::max(m_warpFrames[i], 1.0); };
    std::stable_sort(use.begin(), use.end(),
                     [&](std::size_t a, std::size_t b) { return behind(a) > behind(b); });
    use.resize(warps);
    std::sort(use.begin(), use.end());
    return use;
}

SphinxDecoder::Hypothesis SphinxDecoder::best(const std::vector<std::size_t>& used,
                                              const std::int16_t* samples, std::size_t count) {
    std::vector<std::optional<int>> scores(m_impl->decoders.size());
    int frames = 0;
    for (std::size_t i : used) {
        int32 score = 0;
        const char* hyp = ps_get_hyp(m_impl->decoders[i], &score);
        if (hyp && *hyp) scores[i] = score;
        frames = std::max(frames, ps_get_n_frames(m_impl->decoders[i]));
    }
    std::vector<std::size_t> candidates = used;
    if (m_perSpeaker && frames > 0) {
        if (judgingVoice()) {
            int top = std::numeric_limits<int>::min();
            for (const auto& sc : scores)
                if (sc) top = std::max(top, *sc);
            // How far each warp fell behind the phrase's best, per frame, over the phrases heard
            // with every warp (longer phrases weigh more; older ones fade).
            for (std::size_t i : used) {
                const double behind = scores[i] ? double(*scores[i] - top) : -5.0 * frames;
                m_warpScores[i] = m_warpScores[i] * 0.8 + behind;
                m_warpFrames[i] = m_warpFrames[i] * 0.8 + frames;
            }
            // A child's voice is told by the high warps explaining it clearly better than the
            // ordinary ones; for grown-up voices the scores are flat and the high warps only
            // add confusions.
            double child = 0, adult = 0;
            int nChild = 0, nAdult = 0;
            for (std::size_t i = 0; i < m_warpScores.size(); ++i) {
                const double average = m_warpScores[i] / std::max(m_warpFrames[i], 1.0);
                if (m_impl->warps[i] >= m_childWarpFrom)
                    child += average, ++nChild;
                else
                    adult += average, ++nAdult;
            }
            m_voiceLead = nChild && nAdult ? child / nChild - adult / nAdult : 0.0;
            // Until the first phrases are all in, the voice is taken as grown-up: single phrases
            // misjudged it often, and the high warps then heard wrong numbers.
            m_childVoice = m_phrasesHeard + 1 >= kWarmUpPhrases && m_voiceLead > m_childMargin;
            candidates.clear();
            for (std::size_t i : used)
                if ((m_impl->warps[i] >= m_childWarpFrom) == m_childVoice) candidates.push_back(i);
        }
        ++m_phrasesHeard;
    }
    Hypothesis best;
    std::size_t winner = 0;
    for (std::size_t i : candidates) {
        if (!scores[i]) continue;
        if (best.words.isEmpty() || *scores[i] > best.score) {
            int32 score = 0;
            best.words =
                QString::fromUtf8(ps_get_hyp(m_impl->decoders[i], &score)).split(u' ', Qt::SkipEmptyParts);
            best.score = *scores[i];
            best.warp = m_impl->warps[i];
            winner = i;
        }
    }
    if (best.words.isEmpty()) return best;
    best.frames = speechFrames(m_impl->decoders[winner]);
    best.quietAfter = quietAfterLastWord(m_impl->decoders[winner]);
    const QString first = best.words.join(u' ');
    for (std::size_t i : used) {
        int32 score = 0;
        const char* hyp = ps_get_hyp(m_impl->decoders[i], &score);
        if (hyp && QString::fromUtf8(hyp) == first) ++best.agreeing;
    }
    // While an answer is awaited the near tie that counts is the one with that answer (below),
    // and the runner-up among all phrases is not asked (Hypothesis::accepted): not decoded either.
    if (m_runnerUp && !m_impl->search.isEmpty() && m_expected.isEmpty()) {
        const QString word = best.words.first();
        best.runnerUpScore = rescoreKept(
            winner, "ru:" + m_impl->search + ':' + word.toUtf8(), [&] { return m_runnerUp(word); }, samples,
            count);
    }
    best.answerExpected = !m_expected.isEmpty();
    best.expectedHeard = best.answerExpected && m_expected.contains(first);
    if (best.answerExpected && !best.expectedHeard)
        best.expectedScore = rescoreKept(
            winner, "ex:" + m_expected.join(u',').toUtf8(),
            [&] {
                return QStringLiteral("#JSGF V1.0;\ngrammar expected;\npublic <expected> = %1 ;\n")
                    .arg(m_expected.join(QStringLiteral(" | ")));
            },
            samples, count);
    // The loop listens with the warp that suited the speaker, so the two scores compare.
    if (m_impl->loop) best.loopScore = rescore(winner, "loop", samples, count);
    return best;
}

// The same with a search made the first time it is asked for (from the grammar `jsgf` gives;
// none when that is empty) and kept by the decoder under `name`.
std::optional<int> SphinxDecoder::rescoreKept(std::size_t i, const QByteArray& name,
                                              const std::function<QString()>& jsgf,
                                              const std::int16_t* samples, std::size_t count) {
    if (!m_impl->runnerUps[i].contains(name)) {
        const QString grammar = jsgf();
        if (grammar.isEmpty() ||
            setJsgf(m_impl->decoders[i], name.constData(), grammar.toUtf8().constData()) < 0)
            return std::nullopt;
        m_impl->runnerUps[i].insert(name);
    }
    return rescore(i, name, samples, count);
}

// Decodes the audio again with another search of one decoder, then gives it its search back.
std::optional<int> SphinxDecoder::rescore(std::size_t i, const QByteArray& search,
                                          const std::int16_t* samples, std::size_t count) {
    ps_decoder_t* d = m_impl->decoders[i];
    if (ps_set_search(d, search.constData()) < 0) return std::nullopt;
    m_impl->active[i].clear();
    ps_start_utt(d);
    ps_process_raw(d, samples, count, FALSE, TRUE);
    ps_end_utt(d);
    int32 score = 0;
    const char* hyp = ps_get_hyp(d, &score);
    std::optional<int> result;
    if (hyp && *hyp) result = score;
    applySearch(i);
    return result;
}

void SphinxDecoder::setExpected(QStringList words) {
    words.sort();
    m_expected = std::move(words);
}

const std::vector<std::int16_t>& SphinxDecoder::lastPhrase() const {
    return m_impl->last;
}

SphinxDecoder::Hypothesis SphinxDecoder::decodeDithered(const std::int16_t* samples, std::size_t count,
                                                        const std::vector<std::size_t>& used) {
    m_impl->last.assign(samples, samples + count);
    for (std::size_t i : used) applySearch(i);
    forEachInParallel(used, [&](std::size_t i) {
        ps_decoder_t* d = m_impl->decoders[i];
        ps_start_utt(d);
        ps_process_raw(d, samples, count, FALSE, TRUE);
        ps_end_utt(d);
    });
    return best(used, samples, count);
}

SphinxDecoder::Hypothesis SphinxDecoder::decodeUtterance(const std::int16_t* samples, std::size_t count) {
    endStream();
    m_impl->buffer.assign(samples, samples + count);
    m_impl->dither.apply(m_impl->buffer.data(), count);
    return decodeDithered(m_impl->buffer.data(), count, decodersToUse());
}

void SphinxDecoder::dropPhrase() {
    if (!m_uttStarted) return;
    dropFirstLook();
    m_inSpeech = false;
    m_waitForQuiet = true;
    m_impl->history.clear();
    m_impl->segment.clear();
}

void SphinxDecoder::endStream() {
    if (m_uttStarted) {
        ps_end_utt(m_impl->detector);
        ps_end_utt(m_impl->glance);
    }
    dropFirstLook();
    m_uttStarted = false;
    m_inSpeech = false;
    m_waitForQuiet = false;
    m_impl->history.clear();
    m_impl->segment.clear();
    m_uttSamples = 0;
}

// The phrase looked at goes on (or is dropped): what its decoding taught about the speaker's
// voice is forgotten, the whole phrase will teach it.
void SphinxDecoder::dropFirstLook() {
    if (!m_firstLook) return;
    m_firstLook.reset();
    m_impl->restoreMeans();
    m_warpScores = std::move(m_beforeFirstLook.warpScores);
    m_warpFrames = std::move(m_beforeFirstLook.warpFrames);
    m_phrasesHeard = m_beforeFirstLook.phrasesHeard;
    m_childVoice = m_beforeFirstLook.childVoice;
    m_voiceLead = m_beforeFirstLook.voiceLead;
}

// Only the right answer is taken before the full quiet: a pause inside it (にじゅう … いち,
// しちしち … しじゅうく) leaves a first part that is either another phrase that goes on into
// longer ones, or no phrase the moment expects, or the expected one squeezed into the pause with
// no quiet after its last word. Anything else waits, as it always did.
bool SphinxDecoder::decidesEarly(const Hypothesis& h) const {
    constexpr int kQuietAfterWordFrames = kFirstLookQuietMs / 20;
    return h.answerExpected && h.words.size() == 1 && m_expected.contains(h.words.first()) &&
           !m_continued.contains(h.words.first()) && h.quietAfter >= kQuietAfterWordFrames &&
           h.accepted(m_config);
}

void SphinxDecoder::restart() {
    endStream();
    ps_start_utt(m_impl->detector);
    ps_start_utt(m_impl->glance);
    m_uttStarted = true;
}

// The detector listens all the time, only to find where speech begins and ends. The phrase
// itself, from a little before its start to its end, is then decoded whole by every decoder:
// cut by the detector alone, soft onsets (し, ひ) were lost and the normalisation saw too little.
std::optional<SphinxDecoder::Hypothesis> SphinxDecoder::feed(const std::int16_t* samples, std::size_t count) {
    if (!m_uttStarted) restart();
    std::vector<std::int16_t> chunk(samples, samples + count);
    m_impl->dither.apply(chunk.data(), count);
    ps_decoder_t* detector = m_impl->detector;
    ps_process_raw(detector, chunk.data(), count, FALSE, FALSE);
    ps_process_raw(m_impl->glance, chunk.data(), count, FALSE, FALSE);
    m_uttSamples += count;
    const bool speech = ps_get_in_speech(detector) != 0;
    if (m_waitForQuiet) {
        if (speech) return std::nullopt;
        m_waitForQuiet = false;
    }
    auto& history = m_impl->history;
    auto& segment = m_impl->segment;
    if (speech && !m_inSpeech) {
        m_inSpeech = true;
        segment.assign(history.begin(), history.end());
        segment.insert(segment.end(), chunk.begin(), chunk.end());
        history.clear();
    } else if (m_inSpeech) {
        segment.insert(segment.end(), chunk.begin(), chunk.end());
    } else {
        history.insert(history.end(), chunk.begin(), chunk.end());
        if (history.size() > kLeadSamples) history.erase(history.begin(), history.end() - kLeadSamples);
        // A long stretch without speech: start afresh so the detector's utterance stays short.
        if (m_uttSamples > kMaxUtteranceSamples) {
            auto keep = std::move(history);
            restart();
            m_impl->history = std::move(keep);
        }
        return std::nullopt;
    }
    if (speech && segment.size() < kMaxUtteranceSamples) {
        // A first look once a short quiet follows speech; speech again drops it, and the next
        // short quiet looks again.
        if (ps_get_in_speech(m_impl->glance) != 0) {
            dropFirstLook();
        } else if (!m_firstLook) {
            m_beforeFirstLook = {m_warpScores, m_warpFrames, m_phrasesHeard, m_childVoice, m_voiceLead};
            m_impl->keepMeans();
            if (m_beforeDecode) m_beforeDecode();
            Hypothesis h = decodeDithered(segment.data(), segment.size(), decodersForFirstLook());
            if (decidesEarly(h)) {
                m_beforeFirstLook = {};
                m_impl->meansBeforeFirstLook.clear();
                restart();
                return h;
            }
            m_firstLook = std::move(h);
        }
        return std::nullopt;
    }
    // The full quiet: the phrase is decoded whole, as if never looked at (the quiet after it
    // weighs in the normalisation, and a first look without it heard some phrases otherwise).
    dropFirstLook();
    std::vector<std::int16_t> phrase = std::move(segment);
    endStream();
    if (m_beforeDecode) m_beforeDecode();
    Hypothesis h = decodeDithered(phrase.data(), phrase.size(), decodersToUse());
    restart();
    return h;
}

std::optional<SphinxDecoder::Hypothesis> SphinxDecoder::flush() {
    if (!m_uttStarted) return std::nullopt;
    const bool hadSpeech = m_inSpeech;
    std::vector<std::int16_t> phrase = std::move(m_impl->segment);
    endStream();
    if (!hadSpeech) return std::nullopt;
    if (m_beforeDecode) m_beforeDecode();
    return decodeDithered(phrase.data(), phrase.size(), decodersToUse());
}

}  // namespace rentabo
