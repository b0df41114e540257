#pragma once

#include "speech/platform/KanaReading.h"
#include "speech/platform/Synthesizer.h"

#include <memory>

namespace rentabo {

// espeak-ng's Japanese voice, synthesising into memory, fed with kana from MeCab since it
// cannot read kanji.
class EspeakSynth final : public Synthesizer {
public:
    // Empty with a reason when the library, its Japanese voice or MeCab is missing.
    static std::unique_ptr<EspeakSynth> open(QString* why = nullptr);

    QString engineName() const override { return QStringLiteral("espeak"); }
    int sampleRate() const override { return m_sampleRate; }
    bool synthesize(const QString& text, int rate, int volume, std::vector<std::int16_t>& out,
                    QString& error) override;

    // The text as it reaches espeak-ng.
    QString engineText(const QString& text) { return m_kana->toKana(text); }

private:
    EspeakSynth(std::unique_ptr<KanaReader> kana, int sampleRate)
        : m_kana(std::move(kana)), m_sampleRate(sampleRate) {}

    std::unique_ptr<KanaReader> m_kana;
    int m_sampleRate;
};

// espeak-ng's speaking rate in words a minute for a rate 0..10.
int espeakWordsPerMinute(int rate);

}  // namespace rentabo
