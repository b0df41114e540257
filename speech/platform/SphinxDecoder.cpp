#include "speech/platform/SphinxDecoder.h"

#include "speech/platform/WavAudio.h"

#include <pocketsphinx.h>

#include <QDir>
#include <QFile>
#include <QTemporaryFile>

namespace rentabo {

QString defaultModelDir() {
    return QStringLiteral("/usr/share/pocketsphinx/model/en-us/en-us");
}

struct SphinxDecoder::Impl {
    std::vector<ps_decoder_t*> decoders;
    std::vector<double> warps;
    Dither dither;
    std::vector<std::int16_t> buffer;
    std::vector<std::int16_t> history;  // the latest audio before speech began
    std::vector<std::int16_t> segment;  // the phrase being spoken

    ~Impl() {
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

}  // namespace

SphinxDecoder::SphinxDecoder(std::unique_ptr<Impl> impl) : m_impl(std::move(impl)) {}

SphinxDecoder::~SphinxDecoder() = default;

std::unique_ptr<SphinxDecoder> SphinxDecoder::create(const DecoderConfig& config,
                                                     const std::vector<DecoderWord>& words, QString* error) {
    if (!QFile::exists(config.modelDir + QStringLiteral("/mdef"))) {
        fail(error, QStringLiteral("音響モデルが見つかりません: %1").arg(config.modelDir));
        return nullptr;
    }
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
    for (double warp : impl->warps) {
        const QByteArray warpText = QByteArray::number(warp);
        cmd_ln_t* cfg =
            cmd_ln_init(nullptr, ps_args(), TRUE, "-hmm", hmm.constData(), "-dict", dictPath.constData(),
                        "-pip", pip.constData(), "-wip", wip.constData(), "-logfn", "/dev/null", "-warp_type",
                        "inverse_linear", "-warp_params", warpText.constData(), nullptr);
        if (!cfg) {
            fail(error, QStringLiteral("認識エンジンの設定に失敗しました"));
            return nullptr;
        }
        ps_decoder_t* ps = ps_init(cfg);
        cmd_ln_free_r(cfg);
        if (!ps) {
            fail(error, QStringLiteral("認識エンジンを起動できません (音響モデル %1)").arg(config.modelDir));
            return nullptr;
        }
        impl->decoders.push_back(ps);
    }
    return std::unique_ptr<SphinxDecoder>(new SphinxDecoder(std::move(impl)));
}

bool SphinxDecoder::setGrammar(const QString& name, const QString& jsgf, QString* error) {
    const QByteArray n = name.toUtf8();
    const QByteArray g = jsgf.toUtf8();
    endStream();
    for (ps_decoder_t* d : m_impl->decoders)
        if (ps_set_jsgf_string(d, n.constData(), g.constData()) < 0)
            return fail(error, QStringLiteral("文法 %1 を認識エンジンに渡せません").arg(name));
    return true;
}

bool SphinxDecoder::useGrammar(const QString& name) {
    const QByteArray n = name.toUtf8();
    endStream();
    bool ok = true;
    for (ps_decoder_t* d : m_impl->decoders) ok = ps_set_search(d, n.constData()) >= 0 && ok;
    return ok;
}

SphinxDecoder::Hypothesis SphinxDecoder::best() {
    Hypothesis best;
    bool have = false;
    for (std::size_t i = 0; i < m_impl->decoders.size(); ++i) {
        int32 score = 0;
        const char* hyp = ps_get_hyp(m_impl->decoders[i], &score);
        if (!hyp || !*hyp) continue;
        if (!have || score > best.score) {
            best.words = QString::fromUtf8(hyp).split(u' ', Qt::SkipEmptyParts);
            best.score = score;
            best.warp = m_impl->warps[i];
            have = true;
        }
    }
    return best;
}

SphinxDecoder::Hypothesis SphinxDecoder::decodeDithered(const std::int16_t* samples, std::size_t count) {
    for (ps_decoder_t* d : m_impl->decoders) {
        ps_start_utt(d);
        ps_process_raw(d, samples, count, FALSE, TRUE);
        ps_end_utt(d);
    }
    return best();
}

SphinxDecoder::Hypothesis SphinxDecoder::decodeUtterance(const std::int16_t* samples, std::size_t count) {
    endStream();
    m_impl->buffer.assign(samples, samples + count);
    m_impl->dither.apply(m_impl->buffer.data(), count);
    return decodeDithered(m_impl->buffer.data(), count);
}

void SphinxDecoder::endStream() {
    if (m_uttStarted) ps_end_utt(m_impl->decoders.front());
    m_uttStarted = false;
    m_inSpeech = false;
    m_impl->history.clear();
    m_impl->segment.clear();
    m_uttSamples = 0;
}

void SphinxDecoder::restart() {
    endStream();
    ps_start_utt(m_impl->decoders.front());
    m_uttStarted = true;
}

// The first decoder listens all the time, only to find where speech begins and ends. The phrase
// itself, from a little before its start to its end, is then decoded whole by every decoder:
// cut by the detector alone, soft onsets (し, ひ) were lost and the normalisation saw too little.
std::optional<SphinxDecoder::Hypothesis> SphinxDecoder::feed(const std::int16_t* samples, std::size_t count) {
    if (!m_uttStarted) restart();
    std::vector<std::int16_t> chunk(samples, samples + count);
    m_impl->dither.apply(chunk.data(), count);
    ps_decoder_t* detector = m_impl->decoders.front();
    ps_process_raw(detector, chunk.data(), count, FALSE, FALSE);
    m_uttSamples += count;
    const bool speech = ps_get_in_speech(detector) != 0;
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
    if (speech && segment.size() < kMaxUtteranceSamples) return std::nullopt;
    std::vector<std::int16_t> phrase = std::move(segment);
    endStream();
    Hypothesis h = decodeDithered(phrase.data(), phrase.size());
    restart();
    return h;
}

std::optional<SphinxDecoder::Hypothesis> SphinxDecoder::flush() {
    if (!m_uttStarted) return std::nullopt;
    const bool hadSpeech = m_inSpeech;
    std::vector<std::int16_t> phrase = std::move(m_impl->segment);
    endStream();
    if (!hadSpeech) return std::nullopt;
    return decodeDithered(phrase.data(), phrase.size());
}

}  // namespace rentabo
