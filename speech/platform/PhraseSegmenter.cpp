#include "speech/platform/PhraseSegmenter.h"

#include "speech/platform/AcceptancePolicy.h"
#include "speech/platform/JsgfText.h"
#include "speech/platform/SphinxDecoder.h"

#include <pocketsphinx.h>

namespace rentabo {

namespace {
constexpr std::size_t kMaxUtteranceSamples = 16000 * 10;
// The audio kept from before speech began: 0.6 s.
constexpr std::size_t kLeadSamples = 16000 * 6 / 10;
// The noise the detectors hear before anything else: 30 ms (fewer frames than the detector needs
// to call speech), white, about -30 dBFS.
constexpr std::size_t kPrimeSamples = 480;
constexpr int kPrimePeak = 1800;
}  // namespace

std::unique_ptr<PhraseSegmenter> PhraseSegmenter::create(const DecoderConfig& config,
                                                         const QByteArray& dictPath, const QString& word,
                                                         QString* error) {
    auto s = std::unique_ptr<PhraseSegmenter>(new PhraseSegmenter);
    s->m_detector = makeSphinxHandle(config, dictPath, 1.0, true, kPhraseEndQuietMs / 10, error);
    s->m_glance = s->m_detector ? makeSphinxHandle(config, dictPath, 1.0, true, kFirstLookQuietMs / 10, error)
                                : nullptr;
    if (!s->m_glance) return nullptr;
    s->m_thresholds = config;
    // The detectors need a search to run, the smallest there is: one word.
    if (!word.isEmpty()) {
        const QByteArray one = jsgfOneOf(QStringLiteral("one"), QStringLiteral("one"), {word}).toUtf8();
        for (ps_decoder_t* d : {s->m_detector, s->m_glance})
            if (setJsgf(d, "one", one.constData()) < 0 || ps_set_search(d, "one") < 0) {
                if (error) *error = QStringLiteral("文法を認識エンジンに渡せません");
                return nullptr;
            }
    }
    return s;
}

// The detectors are always in an utterance; PocketSphinx frees a grammar search's list of
// active nodes only when the utterance ends, not with the decoder.
PhraseSegmenter::~PhraseSegmenter() {
    for (ps_decoder_t* d : {m_detector, m_glance}) {
        if (!d) continue;
        ps_end_utt(d);
        ps_free(d);
    }
}

void PhraseSegmenter::end() {
    if (m_started) {
        ps_end_utt(m_detector);
        ps_end_utt(m_glance);
    }
    m_started = false;
    m_inSpeech = false;
    m_waitForQuiet = false;
    m_history.clear();
    m_segment.clear();
    m_historyRaw.clear();
    m_segmentRaw.clear();
    m_uttSamples = 0;
}

void PhraseSegmenter::restart() {
    end();
    ps_start_utt(m_detector);
    ps_start_utt(m_glance);
    m_started = true;
    if (!m_primed) primeFloor();
}

// The detectors' picture of the room's floor starts at their first frame, then falls fast and
// rises slowly. Started on the room itself (white noise at -55 dBFS, or digital silence and the
// dither) they called its first half second speech, and a phrase said then was handed on with it,
// twice its length. Heard first, a moment of noise above any room (the floors measured reach
// -40 dBFS) sets the picture high, and it falls from there to the room's own floor.
void PhraseSegmenter::primeFloor() {
    std::vector<std::int16_t> noise(kPrimeSamples);
    std::uint32_t state = 12345;
    for (std::int16_t& x : noise) {
        state = state * 1664525u + 1013904223u;
        x = std::int16_t(int(state >> 16) % (2 * kPrimePeak + 1) - kPrimePeak);
    }
    ps_process_raw(m_detector, noise.data(), noise.size(), FALSE, FALSE);
    ps_process_raw(m_glance, noise.data(), noise.size(), FALSE, FALSE);
    m_primed = true;
}

void PhraseSegmenter::dropPhrase() {
    m_inSpeech = false;
    m_waitForQuiet = true;
    m_history.clear();
    m_segment.clear();
    m_historyRaw.clear();
    m_segmentRaw.clear();
}

std::vector<std::int16_t> PhraseSegmenter::takePhrase(std::vector<std::int16_t>* raw) {
    std::vector<std::int16_t> phrase = std::move(m_segment);
    if (raw) *raw = std::move(m_segmentRaw);
    end();
    return phrase;
}

PhraseSegmenter::Step PhraseSegmenter::feed(const std::int16_t* samples, const std::int16_t* raw,
                                            std::size_t count) {
    if (!m_started) restart();
    ps_process_raw(m_detector, samples, count, FALSE, FALSE);
    ps_process_raw(m_glance, samples, count, FALSE, FALSE);
    m_uttSamples += count;
    bool speech = ps_get_in_speech(m_detector) != 0;
    if (!speechCounts(m_thresholds, int(m_floorSamples / 16))) {
        // Not yet: the room is heard, and what the detector calls speech only waits before it.
        if (!speech) m_floorSamples += count;
        speech = false;
    }
    if (m_waitForQuiet) {
        if (speech) return Step::Nothing;
        m_waitForQuiet = false;
    }
    if (speech && !m_inSpeech) {
        m_inSpeech = true;
        m_segment.assign(m_history.begin(), m_history.end());
        m_segmentRaw.assign(m_historyRaw.begin(), m_historyRaw.end());
        m_speechStart = m_segment.size();
        m_segment.insert(m_segment.end(), samples, samples + count);
        m_segmentRaw.insert(m_segmentRaw.end(), raw, raw + count);
        m_history.clear();
        m_historyRaw.clear();
    } else if (m_inSpeech) {
        m_segment.insert(m_segment.end(), samples, samples + count);
        m_segmentRaw.insert(m_segmentRaw.end(), raw, raw + count);
    } else {
        m_history.insert(m_history.end(), samples, samples + count);
        m_historyRaw.insert(m_historyRaw.end(), raw, raw + count);
        if (m_history.size() > kLeadSamples) {
            m_history.erase(m_history.begin(), m_history.end() - kLeadSamples);
            m_historyRaw.erase(m_historyRaw.begin(), m_historyRaw.end() - kLeadSamples);
        }
        // A long stretch without speech: start afresh so the detector's utterance stays short.
        if (m_uttSamples > kMaxUtteranceSamples) {
            auto keep = std::move(m_history);
            auto keepRaw = std::move(m_historyRaw);
            restart();
            m_history = std::move(keep);
            m_historyRaw = std::move(keepRaw);
        }
        return Step::Nothing;
    }
    if (speech && m_segment.size() < kMaxUtteranceSamples)
        return ps_get_in_speech(m_glance) != 0 ? Step::Speaking : Step::ShortQuiet;
    return Step::Ended;
}

}  // namespace rentabo
