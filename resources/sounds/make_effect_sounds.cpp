// Writes the program's three effect sounds: a bright rising chime for a right answer, a soft low
// "boing" for a wrong one and a gentle ping as a prompt. Canonical 44-byte-header WAV files,
// 16-bit mono at 22050 Hz, so the loader can scale them by fixed offsets.
//
//   make-effect-sounds OUTPUT_DIR

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <numbers>
#include <string>
#include <vector>

namespace {

constexpr int kRate = 22050;
constexpr double kTwoPi = 2.0 * std::numbers::pi;
constexpr double kAttackS = 0.012;

using Samples = std::vector<double>;

void put32(std::FILE* f, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) std::fputc(int((v >> (8 * i)) & 0xFF), f);
}
void put16(std::FILE* f, std::uint16_t v) {
    std::fputc(v & 0xFF, f);
    std::fputc(v >> 8, f);
}

bool writeWav(const std::string& path, const Samples& s) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const auto bytes = std::uint32_t(s.size() * 2);
    std::fwrite("RIFF", 1, 4, f);
    put32(f, 36 + bytes);
    std::fwrite("WAVEfmt ", 1, 8, f);
    put32(f, 16);
    put16(f, 1);
    put16(f, 1);
    put32(f, kRate);
    put32(f, kRate * 2);
    put16(f, 2);
    put16(f, 16);
    std::fwrite("data", 1, 4, f);
    put32(f, bytes);
    for (double x : s) {
        const double c = std::fmax(-1.0, std::fmin(1.0, x));
        put16(f, std::uint16_t(std::int16_t(std::lround(c * 32767.0))));
    }
    return std::fclose(f) == 0;
}

// A bell-like note: a fundamental with two soft overtones, a smooth 12 ms attack (a sharper one
// clicks) and an exponential decay, so it rings rather than beeps.
void addBell(Samples& out, double startS, double lengthS, double hz, double amp, double decay) {
    const auto from = std::size_t(startS * kRate);
    const auto n = std::size_t(lengthS * kRate);
    if (out.size() < from + n) out.resize(from + n, 0.0);
    for (std::size_t i = 0; i < n; ++i) {
        const double t = double(i) / kRate;
        const double attack = t < kAttackS ? 0.5 - 0.5 * std::cos(std::numbers::pi * t / kAttackS) : 1.0;
        const double env =
            attack * std::exp(-t * decay) * std::fmin(1.0, (lengthS - t) / 0.01);  // no click at the end
        const double x = std::sin(kTwoPi * hz * t) + 0.35 * std::sin(kTwoPi * 2.0 * hz * t) +
                         0.12 * std::sin(kTwoPi * 3.0 * hz * t);
        out[from + i] += amp * env * x / 1.47;
    }
}

Samples correct() {
    Samples s;
    addBell(s, 0.00, 0.16, 1046.5, 0.55, 9.0);  // C6
    addBell(s, 0.11, 0.34, 1568.0, 0.60, 7.0);  // G6, rising: "right!"
    return s;
}

Samples wrong() {
    // A soft square-ish tone sliding down with a wobble: a friendly "boing", not a harsh buzz.
    const double lengthS = 0.45;
    Samples s(std::size_t(lengthS * kRate));
    double phase = 0.0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const double t = double(i) / kRate;
        const double hz = 230.0 - 90.0 * (t / lengthS) + 12.0 * std::sin(kTwoPi * 11.0 * t);
        phase += kTwoPi * hz / kRate;
        const double x = std::sin(phase) + std::sin(3 * phase) / 5.0 + std::sin(5 * phase) / 12.0;
        const double env = std::fmin(1.0, t / 0.02) * std::fmin(1.0, (lengthS - t) / 0.12);
        s[i] = 0.5 * env * x / 1.28;
    }
    return s;
}

Samples prompt() {
    Samples s;
    addBell(s, 0.0, 0.30, 1760.0, 0.45, 12.0);  // A6: a gentle "ping"
    return s;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-effect-sounds OUTPUT_DIR\n");
        return 2;
    }
    const std::string dir = argv[1];
    const bool ok = writeWav(dir + "/Seikai00.wav", correct()) &&
                    writeWav(dir + "/Huseikai00.wav", wrong()) && writeWav(dir + "/promptA.wav", prompt());
    if (!ok) {
        std::perror("make-effect-sounds");
        return 1;
    }
    return 0;
}
