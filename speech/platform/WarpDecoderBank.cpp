#include "speech/platform/WarpDecoderBank.h"

#include "speech/platform/SphinxDecoder.h"

#include <pocketsphinx.h>
#include <sphinxbase/cmn.h>
#include <sphinxbase/feat.h>

#include <algorithm>
#include <atomic>
#include <thread>

namespace rentabo {

struct WarpDecoderBank::Mean {
    std::vector<mfcc_t> mean, sum;
    int32 frames = 0;
};

namespace {

// Runs f on every item, on as many cores as there are: each warp has a decoder of its own, they
// share nothing once made, and the child is waiting for the verdict on the phrase.
void forEachInParallel(const std::vector<std::size_t>& items, const std::function<void(std::size_t)>& f) {
    const std::size_t workers = std::min(decodingCores(), items.size());
    std::atomic<std::size_t> next{0};
    auto work = [&] {
        for (std::size_t k = next++; k < items.size(); k = next++) f(items[k]);
    };
    std::vector<std::jthread> helpers;
    for (std::size_t t = 1; t < workers; ++t) helpers.emplace_back(work);
    work();
}

}  // namespace

std::unique_ptr<WarpDecoderBank> WarpDecoderBank::create(const DecoderConfig& config,
                                                         const QByteArray& dictPath, QString* error) {
    auto bank = std::unique_ptr<WarpDecoderBank>(new WarpDecoderBank);
    bank->m_warps = config.warps.empty() ? std::vector<double>{1.0} : config.warps;
    for (double warp : bank->m_warps) {
        ps_decoder_t* ps = makeSphinxHandle(config, dictPath, warp, false, 0, error);
        if (!ps) return nullptr;
        bank->m_decoders.push_back(ps);
        bank->m_active.emplace_back();
        bank->m_kept.emplace_back();
    }
    return bank;
}

WarpDecoderBank::~WarpDecoderBank() {
    for (ps_decoder_t* d : m_decoders) ps_free(d);
}

// A decoder frees a replaced search at once, even the one it listens with, so a search is only
// replaced between utterances and every decoder then takes it up again.
bool WarpDecoderBank::setGrammar(const QString& name, const QString& jsgf) {
    const QByteArray n = name.toUtf8();
    const QByteArray g = jsgf.toUtf8();
    for (ps_decoder_t* d : m_decoders)
        if (setJsgf(d, n.constData(), g.constData()) < 0) return false;
    if (m_names.contains(name)) {
        const QByteArray prefix = "ru:" + n + ':';
        for (auto& held : m_kept) held.removeIf([&](const QByteArray& r) { return r.startsWith(prefix); });
        for (std::size_t i = 0; i < m_decoders.size(); ++i)
            if (m_active[i] == n) ps_set_search(m_decoders[i], n.constData());
    } else {
        m_names << name;
    }
    return true;
}

void WarpDecoderBank::applySearch(std::size_t i) {
    if (m_active[i] == m_search) return;
    if (ps_set_search(m_decoders[i], m_search.constData()) >= 0) m_active[i] = m_search;
}

bool WarpDecoderBank::useGrammar(const QString& name) {
    if (!m_names.contains(name)) return false;
    m_search = name.toUtf8();
    for (std::size_t i = 0; i < m_decoders.size(); ++i) applySearch(i);
    return true;
}

void WarpDecoderBank::decode(const std::vector<std::size_t>& used, const std::int16_t* samples,
                             std::size_t count) {
    for (std::size_t i : used) applySearch(i);
    forEachInParallel(used, [&](std::size_t i) { decodeWhole(m_decoders[i], samples, count); });
}

std::optional<int> WarpDecoderBank::score(std::size_t i) const {
    int32 score = 0;
    const char* hyp = ps_get_hyp(m_decoders[i], &score);
    if (hyp && *hyp) return score;
    return std::nullopt;
}

QString WarpDecoderBank::hypothesis(std::size_t i) const {
    int32 score = 0;
    const char* hyp = ps_get_hyp(m_decoders[i], &score);
    return hyp ? QString::fromUtf8(hyp) : QString();
}

int WarpDecoderBank::frames(std::size_t i) const {
    return ps_get_n_frames(m_decoders[i]);
}

int WarpDecoderBank::speechFrames(std::size_t i) const {
    return rentabo::speechFrames(m_decoders[i]);
}

int WarpDecoderBank::quietAfterLastWord(std::size_t i) const {
    return rentabo::quietAfterLastWord(m_decoders[i]);
}

std::optional<int> WarpDecoderBank::rescore(std::size_t i, const QByteArray& search,
                                            const std::int16_t* samples, std::size_t count) {
    ps_decoder_t* d = m_decoders[i];
    if (ps_set_search(d, search.constData()) < 0) return std::nullopt;
    m_active[i].clear();
    decodeWhole(d, samples, count);
    const std::optional<int> result = score(i);
    applySearch(i);
    return result;
}

std::optional<int> WarpDecoderBank::rescoreKept(std::size_t i, const QByteArray& name,
                                                const std::function<QString()>& jsgf,
                                                const std::int16_t* samples, std::size_t count) {
    if (!m_kept[i].contains(name)) {
        const QString grammar = jsgf();
        if (grammar.isEmpty() || setJsgf(m_decoders[i], name.constData(), grammar.toUtf8().constData()) < 0)
            return std::nullopt;
        m_kept[i].insert(name);
    }
    return rescore(i, name, samples, count);
}

void WarpDecoderBank::keepMeans() {
    m_meansKept.clear();
    for (ps_decoder_t* d : m_decoders) {
        const cmn_t* c = ps_get_feat(d)->cmn_struct;
        m_meansKept.push_back(
            {{c->cmn_mean, c->cmn_mean + c->veclen}, {c->sum, c->sum + c->veclen}, c->nframe});
    }
}

void WarpDecoderBank::forgetMeans() {
    m_meansKept.clear();
}

void WarpDecoderBank::restoreMeans() {
    for (std::size_t i = 0; i < m_meansKept.size() && i < m_decoders.size(); ++i) {
        cmn_t* c = ps_get_feat(m_decoders[i])->cmn_struct;
        const Mean& m = m_meansKept[i];
        std::copy(m.mean.begin(), m.mean.end(), c->cmn_mean);
        std::copy(m.sum.begin(), m.sum.end(), c->sum);
        c->nframe = m.frames;
    }
    m_meansKept.clear();
}

}  // namespace rentabo
