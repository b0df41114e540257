#pragma once

#include "core/QuestionBoard.h"
#include "speech/platform/PcmSink.h"
#include "speech/platform/WavAudio.h"

#include <QByteArray>
#include <QStringList>

#include <array>
#include <functional>
#include <map>
#include <memory>

namespace rentabo {

// The effect sounds by kind: 0 correct, 1 wrong, 2 prompt.
inline const std::array<QString, 3> kEffectFiles{
    QStringLiteral("Seikai00.wav"), QStringLiteral("Huseikai00.wav"), QStringLiteral("promptA.wav")};

// Scales the samples of a canonical WAV image in place: the data size is the 32-bit value at
// byte 40 and the 16-bit samples start at byte 44; each becomes sample × volume ÷ 100 (truncated
// toward zero) within −32768..32767. A size larger than the image stops at its end.
void ScaleWaveSamples(QByteArray& wav, int volume);

// The three effect sounds, held in memory and played from there, a new one cutting off the last.
class EffectSounds final : public EffectPlayer {
    Q_DISABLE_COPY_MOVE(EffectSounds)
public:
    // Sounds are looked for in `exeDir` first, then in the current directory. Without a sink
    // factory they go to the speaker, and nowhere when there is none.
    explicit EffectSounds(QString exeDir, SinkFactory makeSink = {});
    ~EffectSounds() override;

    // Loads the three files and scales them to `volume` (0..100). Returns one message per file
    // that could not be loaded, for the main window to show; that file's buffer keeps what it had.
    QStringList LoadSounds(int volume);
    void PlayEffect(int kind) override;
    // Told each sound as it starts to play (the recogniser keeps it, to know its echo).
    void setPlayedListener(std::function<void(const MonoAudio&)> listener) { m_played = std::move(listener); }

    const QByteArray& buffer(int kind) const { return m_buffers.at(std::size_t(kind)); }
    // Where a file would be loaded from.
    QString pathOf(const QString& file) const;

private:
    QString m_exeDir;
    SinkFactory m_makeSink;
    std::array<QByteArray, 3> m_buffers;
    std::map<int, std::unique_ptr<PcmSink>> m_sinks;  // one per sample rate, made when first needed
    std::function<void(const MonoAudio&)> m_played;
};

}  // namespace rentabo
