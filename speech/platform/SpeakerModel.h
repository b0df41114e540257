#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <vector>

namespace rentabo {

// A phrase of the learner's whose content is known (an answer judged right, a command acted on,
// a phrase said when asked to): 16 kHz mono audio and the phones of what was said.
struct KnownPhrase {
    std::vector<std::int16_t> samples;
    QStringList phones;
};

// The learner's own acoustic model: the program's model re-estimated (maximum a posteriori) on
// phrases of the learner's own voice, the acoustic features computed at the frequency warp that
// suits that voice, and decoded at that warp. Every voice is one the program's model never heard;
// thirty phrases of it are enough to hear it well (see bench/recognition/README.md).
//
// On disk it is a folder of the model's files and `speaker.txt`, which names the learner, the
// warp, the model it was made from and the size and SHA-1 of each file, so that a broken file
// or another learner's folder is never loaded.
struct SpeakerModel {
    QString dir;
    QString learner;
    double warp = 1.0;
    int phrases = 0;
};

// Makes the learner's model in `outDir` from `phrases` (replacing an older one only once the new
// one is whole). Runs SphinxTrain's tools (sphinx_fe, bw, map_adapt, mk_s2sendump and
// pocketsphinx_mdef_convert) in a temporary folder and blocks for a few seconds: call it off the
// user-interface thread. False with a Japanese reason when a tool is missing or fails.
bool adaptToSpeaker(const QString& baseModelDir, double warp, const QString& learner,
                    const std::vector<KnownPhrase>& phrases, const QString& outDir, QString* error);

// The learner's model in `dir` when it is whole, was made from `baseModelDir` and belongs to
// `learner`; otherwise nullopt with the reason (for the information memo).
std::optional<SpeakerModel> loadSpeakerModel(const QString& dir, const QString& baseModelDir,
                                             const QString& learner, QString* why);

// Whether the tools the adaptation runs are installed.
bool speakerAdaptationAvailable(QString* missing = nullptr);

}  // namespace rentabo
