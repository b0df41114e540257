#pragma once

#include "speech/platform/SphinxHandles.h"

#include <QByteArray>
#include <QSet>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace rentabo {

struct DecoderConfig;
struct DecoderWord;

// One PocketSphinx decoder per frequency warp over one dictionary, each with the same grammar
// searches; a phrase is decoded by several of them at once, on as many cores as there are. Each
// decoder carries a running cepstral mean from phrase to phrase, which a first look given up
// gives back (keepMeans / restoreMeans).
class WarpDecoderBank final {
public:
    // Null with a reason when a decoder cannot start. The dictionary file stays in use while the
    // decoders are made.
    static std::unique_ptr<WarpDecoderBank> create(const DecoderConfig& config, const QByteArray& dictPath,
                                                   QString* error);
    ~WarpDecoderBank();
    WarpDecoderBank(const WarpDecoderBank&) = delete;
    WarpDecoderBank& operator=(const WarpDecoderBank&) = delete;

    const std::vector<double>& warps() const { return m_warps; }

    // Adds (or replaces) a named grammar search on every decoder; false when one cannot take it.
    // A replaced search drops the runner-up searches made for it.
    bool setGrammar(const QString& name, const QString& jsgf);
    bool hasGrammar(const QString& name) const { return m_names.contains(name); }
    // Makes a search the one that listens.
    bool useGrammar(const QString& name);
    const QByteArray& search() const { return m_search; }

    // Decodes the samples with the decoders `used` (indices into warps()), in parallel.
    void decode(const std::vector<std::size_t>& used, const std::int16_t* samples, std::size_t count);
    // After decode(): decoder i's path score (none when it heard nothing) and hypothesis.
    std::optional<int> score(std::size_t i) const;
    QString hypothesis(std::size_t i) const;
    int frames(std::size_t i) const;
    int speechFrames(std::size_t i) const;
    int quietAfterLastWord(std::size_t i) const;

    // Decodes the audio again with another search of decoder i, then gives it its search back;
    // the path score, none when that search heard nothing.
    std::optional<int> rescore(std::size_t i, const QByteArray& search, const std::int16_t* samples,
                               std::size_t count);
    // The same with a search made the first time it is asked for (from the grammar `jsgf` gives;
    // none when that is empty) and kept by the decoder under `name`.
    std::optional<int> rescoreKept(std::size_t i, const QByteArray& name,
                                   const std::function<QString()>& jsgf, const std::int16_t* samples,
                                   std::size_t count);

    // Each decoder's running cepstral mean, kept before a first look and given back when it is
    // dropped; forgetMeans when the first look is taken.
    void keepMeans();
    void restoreMeans();
    void forgetMeans();

private:
    WarpDecoderBank() = default;
    void applySearch(std::size_t i);

    struct Mean;
    std::vector<ps_decoder_t*> m_decoders;  // one per warp
    std::vector<double> m_warps;
    QByteArray m_search;                   // the search that should listen
    std::vector<QByteArray> m_active;      // the search each decoder has
    std::vector<QSet<QByteArray>> m_kept;  // the runner-up and expected searches each holds
    QStringList m_names;                   // every search added
    std::vector<Mean> m_meansKept;
};

}  // namespace rentabo
