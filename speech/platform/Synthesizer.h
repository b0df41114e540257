#pragma once

#include <QString>

#include <cstdint>
#include <vector>

namespace rentabo {

// One speech engine: turns a sentence into 16-bit mono samples. A voice calls it on its own
// worker thread, one sentence at a time, never on two threads at once.
class Synthesizer {
public:
    virtual ~Synthesizer() = default;

    virtual QString engineName() const = 0;
    virtual int sampleRate() const = 0;
    // rate 0..10, volume 0..100. A text with nothing to pronounce gives no samples and succeeds.
    virtual bool synthesize(const QString& text, int rate, int volume, std::vector<std::int16_t>& out,
                            QString& error) = 0;
};

}  // namespace rentabo
