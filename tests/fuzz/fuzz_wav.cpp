// Feeds arbitrary bytes to both WAV readers: the effect sounds' (parseWav) and the recogniser's
// (parseWavAudio). Either refuses with a reason or returns samples that lie inside the input.

#include "speech/platform/WavAudio.h"
#include "speech/platform/WavFile.h"

#include <cstdint>

using namespace rentabo;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QString error;
    PcmAudio pcm;
    if (!parseWav(bytes, pcm, &error) && error.isEmpty()) __builtin_trap();

    error.clear();
    const std::optional<MonoAudio> mono = parseWavAudio(bytes, QStringLiteral("fuzz.wav"), &error);
    if (!mono) {
        if (error.isEmpty()) __builtin_trap();
        return 0;
    }
    // One sample at least a byte of the input each (8-bit mono is the densest).
    if (mono->samples.size() > size) __builtin_trap();
    if (mono->rate > 0 && mono->samples.size() < 4096) resample(*mono, 16000);
    return 0;
}
