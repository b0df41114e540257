#include "speech/platform/SphinxHandles.h"

#include "speech/platform/SphinxDecoder.h"

#include <pocketsphinx.h>
#include <sphinxbase/cmd_ln.h>
#include <sphinxbase/fsg_model.h>
#include <sphinxbase/jsgf.h>

#include <QFile>

#include <algorithm>
#include <thread>

namespace rentabo {

std::size_t decodingCores() {
    return std::max(1u, std::thread::hardware_concurrency());
}

void writeDictionary(QIODevice& out, const std::vector<DecoderWord>& words) {
    QByteArray text;
    for (const auto& w : words) {
        for (std::size_t i = 0; i < w.pronunciations.size(); ++i) {
            text += w.name.toUtf8();
            if (i > 0) text += '(' + QByteArray::number(qulonglong(i + 1)) + ')';
            text += ' ' + w.pronunciations[i].join(u' ').toUtf8() + '\n';
        }
    }
    out.write(text);
}

// The decoders see every frame of a phrase: PocketSphinx's own silence removal, which drops
// the frames it takes for silence, dropped weak onsets and endings under noise (the し of しち,
// the に of じゅうに) and, with them, right answers (15 dB noise: 94.6 -> 96.2 % right before
// rejection; pitched speech 98.2 -> 99.6 %). Only the detector of a stream uses it.
ps_decoder_t* makeSphinxHandle(const DecoderConfig& config, const QByteArray& dictPath, double warp,
                               bool detector, int postSpeechFrames, QString* error) {
    const QByteArray hmm = QFile::encodeName(config.modelDir);
    const QByteArray pip = QByteArray::number(config.phoneInsertionPenalty);
    const QByteArray wip = QByteArray::number(config.wordInsertionPenalty);
    const QByteArray warpText = QByteArray::number(warp);
    cmd_ln_t* cfg = cmd_ln_init(nullptr, ps_args(), TRUE, "-hmm", hmm.constData(), "-dict",
                                dictPath.constData(), "-pip", pip.constData(), "-wip", wip.constData(),
                                "-logfn", "/dev/null", "-warp_type", "inverse_linear", "-warp_params",
                                warpText.constData(), "-remove_silence", detector ? "yes" : "no", nullptr);
    if (cfg && postSpeechFrames > 0) cmd_ln_set_int32_r(cfg, "-vad_postspeech", postSpeechFrames);
    for (const auto& [name, value] : config.extraArgs) {
        if (detector && name == "-remove_silence") continue;
        if (cfg && !cmd_ln_init(cfg, ps_args(), FALSE, name.constData(), value.constData(), nullptr)) {
            cmd_ln_free_r(cfg);
            cfg = nullptr;
        }
    }
    if (!cfg) {
        if (error) *error = QStringLiteral("認識エンジンの設定に失敗しました");
        return nullptr;
    }
    ps_decoder_t* ps = ps_init(cfg);
    cmd_ln_free_r(cfg);
    if (!ps && error)
        *error = QStringLiteral("認識エンジンを起動できません (音響モデル %1)").arg(config.modelDir);
    return ps;
}

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

void decodeWhole(ps_decoder_t* ps, const std::int16_t* samples, std::size_t count) {
    ps_start_utt(ps);
    ps_process_raw(ps, samples, count, FALSE, TRUE);
    ps_end_utt(ps);
}

namespace {
// Calls f(start, end) for every word of the last hypothesis (not silence or noise).
template <class F>
void forEachWord(ps_decoder_t* ps, F f) {
    for (ps_seg_t* seg = ps_seg_iter(ps); seg; seg = ps_seg_next(seg)) {
        const char* word = ps_seg_word(seg);
        if (!word || word[0] == '<' || word[0] == '[') continue;
        int start = 0, end = 0;
        ps_seg_frames(seg, &start, &end);
        f(start, end);
    }
}
}  // namespace

int speechFrames(ps_decoder_t* ps) {
    int frames = 0;
    forEachWord(ps, [&](int start, int end) { frames += end - start + 1; });
    return std::max(frames, 1);
}

int quietAfterLastWord(ps_decoder_t* ps) {
    int lastEnd = -1;
    forEachWord(ps, [&](int, int end) { lastEnd = std::max(lastEnd, end); });
    return lastEnd < 0 ? 0 : std::max(0, ps_get_n_frames(ps) - 1 - lastEnd);
}

}  // namespace rentabo
