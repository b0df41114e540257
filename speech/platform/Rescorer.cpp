#include "speech/platform/Rescorer.h"

#include "speech/platform/JsgfText.h"
#include "speech/platform/WarpDecoderBank.h"

namespace rentabo {

void Rescorer::setExpected(QStringList words) {
    words.sort();
    m_expected = std::move(words);
}

void Rescorer::measure(WarpDecoderBank& bank, std::size_t winner, const std::int16_t* samples,
                       std::size_t count, HeardPhrase& h) const {
    const QByteArray& search = bank.search();
    h.answerExpected = !m_expected.isEmpty();
    h.expectedHeard = h.answerExpected && m_expected.contains(h.words.join(u' '));
    // While an answer is awaited the near tie that counts for another phrase is the one with that
    // answer (below); the runner-up among all phrases is decoded only for the answer itself, whose
    // near tie with a wrong answer decides a "○" (phraseAccepted).
    if (m_runnerUp && !search.isEmpty() && (!h.answerExpected || h.expectedHeard)) {
        const QString word = h.words.first();
        h.runnerUpScore = bank.rescoreKept(
            winner, "ru:" + search + ':' + word.toUtf8(), [&] { return m_runnerUp(word); }, samples, count);
    }
    if (h.answerExpected && !h.expectedHeard)
        h.expectedScore = bank.rescoreKept(
            winner, "ex:" + m_expected.join(u',').toUtf8(),
            [&] { return jsgfOneOf(QStringLiteral("expected"), QStringLiteral("expected"), m_expected); },
            samples, count);
    // The loop listens with the warp that suited the speaker, so the two scores compare.
    if (m_loop) h.loopScore = bank.rescore(winner, "loop", samples, count);
}

}  // namespace rentabo
