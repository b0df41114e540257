#pragma once

#include "speech/platform/Synthesizer.h"

#include <optional>

namespace rentabo {

// Where the open_jtalk program, its dictionary and a voice were found.
struct OpenJTalkSetup {
    QString program;
    QString dictionary;
    QString voice;
    int sampleRate = 48000;
};

// Looks for the program on the PATH, the naist-jdic dictionary, and an .htsvoice first in
// voices/ beside the program, then under /usr/share/hts-voice. Empty with a reason otherwise.
std::optional<OpenJTalkSetup> findOpenJTalk(const QString& exeDir, QString* why = nullptr);

// Open JTalk run as a separate program for each sentence: text on its input, a WAV file out.
class OpenJTalkSynth final : public Synthesizer {
public:
    explicit OpenJTalkSynth(OpenJTalkSetup setup) : m_setup(std::move(setup)) {}

    QString engineName() const override { return QStringLiteral("open-jtalk"); }
    int sampleRate() const override { return m_setup.sampleRate; }
    bool synthesize(const QString& text, int rate, int volume, std::vector<std::int16_t>& out,
                    QString& error) override;

    // The program's arguments for a rate 0..10 and a volume 0..100 (without the output file).
    QStringList arguments(int rate, int volume) const;
    const OpenJTalkSetup& setup() const { return m_setup; }

private:
    OpenJTalkSetup m_setup;
};

// The speed factor of a rate 0..10: 1.0 is the voice's natural speed, 10 about 1.7 times it.
double openJTalkSpeed(int rate);

}  // namespace rentabo
