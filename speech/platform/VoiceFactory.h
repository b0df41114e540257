#pragma once

#include "speech/platform/PcmSink.h"
#include "speech/platform/SpVoice.h"
#include "speech/platform/Synthesizer.h"

#include <QStringList>

#include <memory>

namespace rentabo {

// The engines in the order they are tried: "open-jtalk", "espeak", "silent".
QStringList voiceEngineNames();

// The engine named, ready to synthesise, or nothing with the reason in `why`.
// "silent" has no synthesiser.
std::unique_ptr<Synthesizer> createSynthesizer(const QString& engine, const QString& exeDir,
                                               QString* why = nullptr);

struct VoiceChoice {
    // Empty: the first engine that works; otherwise only that one (falling back to silence
    // when it does not work, with the reason in `notes`).
    QString engine;
    // Where the audio goes; the speaker (or the null sink without one) when empty.
    SinkFactory makeSink;
};

// The program's voice, chosen once at start-up. `notes` collects one line per engine that was
// tried and could not be used, for the information memo.
std::unique_ptr<SpVoice> createVoice(const QString& exeDir, QObject* parent, const VoiceChoice& choice = {},
                                     QStringList* notes = nullptr);

}  // namespace rentabo
