#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>

#include <vector>

// PocketSphinx's decoder handle, declared as pocketsphinx.h declares it.
typedef struct ps_decoder_s ps_decoder_t;
class QIODevice;

namespace rentabo {

struct DecoderConfig;
struct DecoderWord;

// The PocketSphinx calls the recogniser's stages share.

// The cores phrases are decoded on (each warp's decoder on one of them at a time).
std::size_t decodingCores();

// Writes the dictionary of `words` (one line per pronunciation, the second and later ones numbered
// as PocketSphinx wants: いち(2)) to an open file.
void writeDictionary(QIODevice& out, const std::vector<DecoderWord>& words);

// A decoder on the model and penalties of `config` at one frequency warp. A detector (finding
// where speech begins and ends) uses PocketSphinx's silence removal, ending speech after
// `postSpeechFrames` of quiet; the others see every frame. Null with a reason when it cannot start.
ps_decoder_t* makeSphinxHandle(const DecoderConfig& config, const QByteArray& dictPath, double warp,
                               bool detector, int postSpeechFrames, QString* error);

// ps_set_jsgf_string as PocketSphinx does it, but freeing the grammar it parses, which Debian's
// PocketSphinx never frees: every set of listening rules and every word's runner-up search, on
// each decoder, left its parsed grammar behind (a megabyte in the spoken end-to-end test).
int setJsgf(ps_decoder_t* ps, const char* name, const char* text);

// Decodes `count` samples as one utterance with the decoder's current search.
void decodeWhole(ps_decoder_t* ps, const std::int16_t* samples, std::size_t count);

// The frames of the last hypothesis spent on words rather than on silence and noise (<sil>,
// [NOISE]): scores compared per frame of speech do not depend on how much quiet surrounds it.
int speechFrames(ps_decoder_t* ps);
// The frames of the last hypothesis after its last word.
int quietAfterLastWord(ps_decoder_t* ps);

}  // namespace rentabo
