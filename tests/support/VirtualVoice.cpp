#include "tests/support/VirtualVoice.h"

#include "speech/platform/SpeechText.h"

#include <algorithm>

namespace rentabo {

VirtualVoice::VirtualVoice(VirtualPacer& pacer, QObject* parent) : SpVoice(parent), m_pacer(pacer) {
    m_pacer.speechRemaining = [this] { return remainingMs(); };
}

bool VirtualVoice::Speak(const QString& text, int flags) {
    const std::int64_t now = m_pacer.now();
    const std::int64_t start = spoken.empty() ? now : std::max(now, spoken.back().end);
    const std::int64_t length = fixedDurationMs > 0 ? fixedDurationMs : estimateSpeechMs(text, m_rate);
    spoken.push_back({text, start, start + length});
    const int stream = ++m_stream;
    m_pacer.at(start, [this, stream, text] {
        Q_EMIT StartStream(stream);
        for (const auto& s : splitSentences(text)) Q_EMIT Sentence(stream, s.position, s.length);
    });
    m_pacer.at(start + length, [this, stream] { Q_EMIT EndStream(stream); });
    if (!(flags & SVSFlagsAsync)) WaitUntilDone();
    return true;
}

void VirtualVoice::WaitUntilDone() {
    m_pacer.advanceBy(remainingMs());
}

qint64 VirtualVoice::remainingMs() const {
    if (spoken.empty()) return 0;
    return std::max<qint64>(spoken.back().end - m_pacer.now(), 0);
}

QStringList VirtualVoice::texts() const {
    QStringList out;
    for (const auto& u : spoken) out << u.text;
    return out;
}

}  // namespace rentabo
