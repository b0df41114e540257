#include "speech/platform/EspeakSynth.h"

#include <espeak-ng/speak_lib.h>

#include <algorithm>
#include <mutex>

namespace rentabo {

namespace {

// espeak-ng keeps one global state: every use goes through this lock.
std::mutex& espeakLock() {
    static std::mutex m;
    return m;
}

int g_sampleRate = 0;  // 0 before the first initialisation, -1 when it failed

int collect(short* wav, int count, espeak_EVENT* events) {
    if (wav && count > 0 && events && events->user_data) {
        auto* out = static_cast<std::vector<std::int16_t>*>(events->user_data);
        out->insert(out->end(), wav, wav + count);
    }
    return 0;
}

}  // namespace

int espeakWordsPerMinute(int rate) {
    return 170 + 13 * std::clamp(rate, 0, 10);
}

std::unique_ptr<EspeakSynth> EspeakSynth::open(QString* why) {
    int rate = 0;
    {
        std::lock_guard lock(espeakLock());
        if (g_sampleRate == 0) {
            const int r = espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 0, nullptr, espeakINITIALIZE_DONT_EXIT);
            g_sampleRate = r > 0 ? r : -1;
            if (r > 0) espeak_SetSynthCallback(collect);
        }
        rate = g_sampleRate;
        if (rate > 0 && espeak_SetVoiceByName("ja") != EE_OK) rate = -2;
    }
    if (rate == -1) {
        if (why) *why = QStringLiteral("espeak-ng could not be initialised");
        return nullptr;
    }
    if (rate == -2) {
        if (why) *why = QStringLiteral("espeak-ng has no Japanese voice");
        return nullptr;
    }
    auto kana = KanaReader::open(why);
    if (!kana) return nullptr;
    return std::unique_ptr<EspeakSynth>(new EspeakSynth(std::move(kana), rate));
}

bool EspeakSynth::synthesize(const QString& text, int rate, int volume, std::vector<std::int16_t>& out,
                             QString& error) {
    out.clear();
    const QByteArray utf8 = m_kana->toKana(text).toUtf8();
    std::lock_guard lock(espeakLock());
    espeak_SetVoiceByName("ja");
    espeak_SetParameter(espeakRATE, espeakWordsPerMinute(rate), 0);
    espeak_SetParameter(espeakVOLUME, std::clamp(volume, 0, 100), 0);
    const espeak_ERROR r = espeak_Synth(utf8.constData(), size_t(utf8.size()) + 1, 0, POS_CHARACTER, 0,
                                        espeakCHARS_UTF8, nullptr, &out);
    if (r != EE_OK) {
        error = QStringLiteral("espeak-ng failed (%1)").arg(int(r));
        return false;
    }
    if (volume <= 0) std::fill(out.begin(), out.end(), std::int16_t(0));
    return true;
}

}  // namespace rentabo
