#pragma once

#include "speech/platform/AcceptancePolicy.h"
#include "speech/platform/SphinxHandles.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

namespace rentabo {

struct DecoderConfig;

// Finds where phrases begin and end in a stream of audio (16 kHz, dithered already). Two speech
// detectors listen all the time: one ends a phrase after PocketSphinx's usual quiet
// (kPhraseEndQuietMs), the other calls speech over after a short one (kFirstLookQuietMs), when the
// phrase is first looked at. A phrase is kept from a little before its start (soft onsets: し, ひ)
// to its end; the longest kept is about 10 seconds. The detectors' picture of the room's floor is
// set first by a moment of noise above any room (primeFloor), from which it falls to the room's
// own floor; and at the start of listening speech may be asked to wait until the detector has
// heard the room without speech for a while (speechCounts).
class PhraseSegmenter final {
public:
    // `word`: a word of the dictionary, the smallest search a detector can run with.
    static std::unique_ptr<PhraseSegmenter> create(const DecoderConfig& config, const QByteArray& dictPath,
                                                   const QString& word, QString* error);
    ~PhraseSegmenter();
    PhraseSegmenter(const PhraseSegmenter&) = delete;
    PhraseSegmenter& operator=(const PhraseSegmenter&) = delete;

    enum class Step {
        Nothing,     // no phrase, or a phrase waiting out the quiet after a first look
        Speaking,    // a phrase being spoken (speech since the short quiet)
        ShortQuiet,  // a phrase followed by the short quiet: time for a first look at phrase()
        Ended,       // the full quiet (or the longest phrase): takePhrase() holds it
    };
    // `samples` dithered (what the detectors hear), `raw` the same audio before the dither.
    Step feed(const std::int16_t* samples, const std::int16_t* raw, std::size_t count);
    // The phrase so far, and the whole phrase once it ended (the segmenter then starts afresh);
    // rawPhrase() is the same audio before the dither.
    const std::vector<std::int16_t>& phrase() const { return m_segment; }
    const std::vector<std::int16_t>& rawPhrase() const { return m_segmentRaw; }
    // Where in phrase() the detector's speech began (the audio kept from before it comes first).
    std::size_t speechStart() const { return m_speechStart; }
    std::vector<std::int16_t> takePhrase(std::vector<std::int16_t>* raw);

    bool started() const { return m_started; }
    bool inSpeech() const { return m_inSpeech; }
    // Starts listening afresh (detectors in a new utterance).
    void restart();
    // Stops listening and forgets the phrase and the audio before it.
    void end();
    // Drops a phrase being spoken but keeps listening to the room: the detector keeps what it
    // learnt of the room's noise, and nothing counts as speech again until it has heard quiet.
    void dropPhrase();

private:
    PhraseSegmenter() = default;
    void primeFloor();

    ps_decoder_t* m_detector = nullptr;                    // ends a phrase after the full quiet
    ps_decoder_t* m_glance = nullptr;                      // calls speech over after the short quiet
    std::vector<std::int16_t> m_history;                   // the latest audio before speech began
    std::vector<std::int16_t> m_segment;                   // the phrase being spoken
    std::vector<std::int16_t> m_historyRaw, m_segmentRaw;  // the same before the dither
    std::size_t m_speechStart = 0;
    bool m_started = false;
    bool m_inSpeech = false;
    bool m_waitForQuiet = false;
    std::size_t m_uttSamples = 0;
    AcceptanceThresholds m_thresholds;  // floorBeforeSpeechMs
    // The room heard without speech since the segmenter was made (kept by restart and end: the
    // detectors keep their picture of the room's floor across utterances).
    std::size_t m_floorSamples = 0;
    bool m_primed = false;  // the detectors have heard primeFloor()'s noise
};

}  // namespace rentabo
