#include "speech/platform/VoiceFactory.h"

#include "speech/platform/EngineVoice.h"
#include "speech/platform/EspeakSynth.h"
#include "speech/platform/OpenJTalkSynth.h"
#include "speech/platform/SilentVoice.h"

namespace rentabo {

QStringList voiceEngineNames() {
    return {QStringLiteral("open-jtalk"), QStringLiteral("espeak"), QStringLiteral("silent")};
}

std::unique_ptr<Synthesizer> createSynthesizer(const QString& engine, const QString& exeDir, QString* why) {
    if (engine == QStringLiteral("open-jtalk")) {
        auto setup = findOpenJTalk(exeDir, why);
        if (!setup) return nullptr;
        return std::make_unique<OpenJTalkSynth>(*setup);
    }
    if (engine == QStringLiteral("espeak")) return EspeakSynth::open(why);
    if (why) *why = QStringLiteral("no synthesiser for engine \"%1\"").arg(engine);
    return nullptr;
}

std::unique_ptr<SpVoice> createVoice(const QString& exeDir, QObject* parent, const VoiceChoice& choice,
                                     QStringList* notes) {
    const QStringList order = choice.engine.isEmpty() ? voiceEngineNames() : QStringList{choice.engine};
    for (const QString& engine : order) {
        if (engine == QStringLiteral("silent")) break;
        QString why;
        auto synth = createSynthesizer(engine, exeDir, &why);
        if (!synth) {
            if (notes) *notes << QStringLiteral("%1: %2").arg(engine, why);
            continue;
        }
        const int rate = synth->sampleRate();
        auto sink = choice.makeSink ? choice.makeSink(rate) : createOutputSink(rate);
        return std::make_unique<EngineVoice>(std::move(synth), std::move(sink), parent);
    }
    return std::make_unique<SilentVoice>(parent);
}

}  // namespace rentabo
