#include "speech/platform/OwnVoiceEcho.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>

namespace rentabo {

namespace {

constexpr int kRate = 16000;

// A second-order section (the audio cookbook's low- and high-pass, Q of a Butterworth filter).
class Biquad {
public:
    Biquad(double cornerHz, bool highPass, int rate = kRate) {
        const double w = 2 * std::numbers::pi * cornerHz / rate;
        constexpr double q = std::numbers::sqrt2 / 2;
        const double alpha = std::sin(w) / (2 * q);
        const double c = std::cos(w);
        const double a0 = 1 + alpha;
        const double side = highPass ? (1 + c) / 2 : (1 - c) / 2;
        m_b0 = side / a0;
        m_b1 = (highPass ? -2 * side : 2 * side) / a0;
        m_b2 = side / a0;
        m_a1 = -2 * c / a0;
        m_a2 = (1 - alpha) / a0;
    }
    double operator()(double x) {
        const double y = m_b0 * x + m_b1 * m_x1 + m_b2 * m_x2 - m_a1 * m_y1 - m_a2 * m_y2;
        m_x2 = m_x1;
        m_x1 = x;
        m_y2 = m_y1;
        m_y1 = y;
        return y;
    }

private:
    double m_b0, m_b1, m_b2, m_a1, m_a2;
    double m_x1 = 0, m_x2 = 0, m_y1 = 0, m_y2 = 0;
};

// The band compared, 200-3600 Hz (what a laptop's microphone and a room leave of a voice), after
// a pre-emphasis (the low harmonics of two voices at a like pitch would otherwise correlate at
// some lag whatever was said), at 8 kHz: every other sample of the band is enough, and the
// comparison takes half the time.
std::vector<float> comparedBand(const std::int16_t* samples, std::size_t count) {
    Biquad highPass(200, true), lowPass(3600, false), lowPass2(3600, false);
    std::vector<float> out((count + 1) / 2);
    double before = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const double x = samples[i];
        const double y = lowPass2(lowPass(highPass(x - 0.97 * before)));
        if (i % 2 == 0) out[i / 2] = float(y);
        before = x;
    }
    return out;
}

// The words at 16 kHz. The band compared ends at 4 kHz, so two low-pass sections at the words'
// rate and a linear interpolation keep it well enough; the program's windowed-sinc resampler
// takes tenths of a second for a few seconds of 48 kHz speech, too long on the window's thread
// each time he stops.
std::vector<std::int16_t> at16k(const MonoAudio& words) {
    if (words.rate == kRate || words.rate <= 0) return words.samples;
    Biquad first(4000, false, words.rate), second(4000, false, words.rate);
    std::vector<double> low(words.samples.size());
    for (std::size_t i = 0; i < low.size(); ++i) low[i] = second(first(words.samples[i]));
    const double step = double(words.rate) / kRate;
    std::vector<std::int16_t> out(std::size_t(double(low.size()) / step));
    for (std::size_t j = 0; j < out.size(); ++j) {
        const double at = double(j) * step;
        const auto i = std::size_t(at);
        const double next = i + 1 < low.size() ? low[i + 1] : low[i];
        out[j] = std::int16_t(
            std::clamp(std::lround(low[i] + (at - double(i)) * (next - low[i])), -32768L, 32767L));
    }
    return out;
}

using Complex = std::complex<double>;

// In-place radix-2 transform; `data.size()` is a power of two.
void fft(std::vector<Complex>& data, bool inverse) {
    const std::size_t n = data.size();
    for (std::size_t i = 1, j = 0; i < n; ++i) {
        std::size_t bit = n >> 1;
        for (; j & bit; bit >>= 1) j ^= bit;
        j ^= bit;
        if (i < j) std::swap(data[i], data[j]);
    }
    for (std::size_t len = 2; len <= n; len <<= 1) {
        const Complex step = std::polar(1.0, (inverse ? 2 : -2) * std::numbers::pi / double(len));
        for (std::size_t start = 0; start < n; start += len) {
            Complex w = 1;
            for (std::size_t k = 0; k < len / 2; ++k) {
                const Complex a = data[start + k], b = data[start + k + len / 2] * w;
                data[start + k] = a + b;
                data[start + k + len / 2] = a - b;
                w *= step;
            }
        }
    }
}

// The last `seconds` of `audio` at 16 kHz; a little more is resampled, so that the filters have
// settled where the part kept begins.
std::vector<std::int16_t> lastAt16k(const MonoAudio& audio, double seconds) {
    const std::size_t most = std::size_t((seconds + 0.1) * std::max(audio.rate, 1));
    const std::size_t from = audio.samples.size() > most ? audio.samples.size() - most : 0;
    std::vector<std::int16_t> in =
        at16k(MonoAudio{audio.rate, std::vector<std::int16_t>(audio.samples.begin() + std::ptrdiff_t(from),
                                                              audio.samples.end())});
    const std::size_t keep = std::min(in.size(), std::size_t(seconds * kRate));
    in.erase(in.begin(), in.end() - std::ptrdiff_t(keep));
    return in;
}
}  // namespace

void OwnVoiceEcho::remember(const MonoAudio& words) {
    m_kept = lastAt16k(words, kKeptSeconds);
    prepare();
}

void OwnVoiceEcho::add(const MonoAudio& sound) {
    const std::vector<std::int16_t> more = lastAt16k(sound, kKeptSeconds);
    m_kept.insert(m_kept.end(), more.begin(), more.end());
    const std::size_t keep = std::size_t(kKeptSeconds * kRate);
    if (m_kept.size() > keep) m_kept.erase(m_kept.begin(), m_kept.end() - std::ptrdiff_t(keep));
    prepare();
}

void OwnVoiceEcho::prepare() {
    const std::vector<float> band = comparedBand(m_kept.data(), m_kept.size());
    m_spectrum.clear();
    m_energyBefore.clear();
    if (band.empty()) return;
    // The words with a phrase's longest length of quiet on either side, so that a phrase that
    // only begins or ends with the echo is compared over the part they share.
    std::vector<Complex> padded(kTransformSize);
    for (std::size_t i = 0; i < band.size(); ++i) padded[kLongestPhrase + i] = band[i];
    m_energyBefore.assign(kLongestPhrase * 2 + band.size() + 1, 0.0);
    for (std::size_t i = 0; i + 1 < m_energyBefore.size(); ++i)
        m_energyBefore[i + 1] = m_energyBefore[i] + std::norm(padded[i]);
    fft(padded, false);
    m_spectrum = std::move(padded);
}

// The phrase is compared whole, the quiet around its words too: an echo goes on as his words
// went on, while a voice that says one of his words alone is quiet where they go on. Compared from
// its first to its last stretch of sound, his own synthesiser's words said alone came up to 0.72
// alike to his sentences holding them (0.44 whole); the price is an echo's tail after a pause,
// whose room counts against it (his last 0.3 s after 1.2 s of the room: 0.55).
double OwnVoiceEcho::likeness(const std::int16_t* audio, std::size_t count) const {
    if (m_spectrum.empty() || count == 0) return 0;
    const std::vector<float> phrase = comparedBand(audio, std::min(count, kLongestPhrase * 2));
    const std::size_t p = phrase.size();
    std::vector<Complex> said(kTransformSize);
    double phraseEnergy = 0;
    for (std::size_t i = 0; i < p; ++i) {
        said[i] = phrase[i];
        phraseEnergy += double(phrase[i]) * phrase[i];
    }
    fft(said, false);
    for (std::size_t i = 0; i < kTransformSize; ++i) said[i] = m_spectrum[i] * std::conj(said[i]);
    fft(said, true);  // said[k] / n: the phrase against the padded words from sample k on

    // The energy of the padded words under the phrase at each lag.
    const std::size_t lags = m_energyBefore.size() - p;
    double loudest = 0;
    for (std::size_t k = 0; k < lags; ++k)
        loudest = std::max(loudest, m_energyBefore[k + p] - m_energyBefore[k]);
    if (phraseEnergy <= 0 || loudest <= 0) return 0;
    // A faint floor under the words' energy: where they are nearly quiet, a tiny correlation
    // would otherwise look like a perfect one.
    const double floor = 1e-3 * loudest;
    double best = 0;
    for (std::size_t k = 0; k < lags; ++k) {
        const double energy = m_energyBefore[k + p] - m_energyBefore[k];
        const double c = said[k].real() / double(kTransformSize);
        best = std::max(best, std::abs(c) / std::sqrt(phraseEnergy * (energy + floor)));
    }
    return std::min(best, 1.0);
}

}  // namespace rentabo
