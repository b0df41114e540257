#include "lessons/EffectSounds.h"
#include "speech/platform/WavFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstring>

using namespace rentabo;

namespace {

QByteArray wavOf(const std::vector<std::int16_t>& samples, int rate = 22050) {
    return makeWav(samples, rate);
}

std::vector<std::int16_t> samplesAt44(const QByteArray& wav) {
    std::vector<std::int16_t> out;
    for (qsizetype at = 44; at + 1 < wav.size(); at += 2)
        out.push_back(std::int16_t(quint8(wav[at]) | quint8(wav[at + 1]) << 8));
    return out;
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

}  // namespace

TEST(EffectSounds, SamplesAreScaledByTheVolumeTruncatingTowardZero) {
    const std::vector<std::int16_t> in{0, 1, -1, 3, -3, 1000, -1001, 32767, -32768};
    const struct {
        int volume;
        std::vector<std::int16_t> out;
    } cases[] = {
        {100, {0, 1, -1, 3, -3, 1000, -1001, 32767, -32768}},
        {50, {0, 0, 0, 1, -1, 500, -500, 16383, -16384}},
        {0, {0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {33, {0, 0, 0, 0, 0, 330, -330, 10813, -10813}},
        {200, {0, 2, -2, 6, -6, 2000, -2002, 32767, -32768}},
    };
    for (const auto& c : cases) {
        QByteArray wav = wavOf(in);
        ScaleWaveSamples(wav, c.volume);
        EXPECT_EQ(samplesAt44(wav), c.out) << "volume " << c.volume;
        EXPECT_EQ(wav.left(44), wavOf(in).left(44)) << "the header stays";
    }
}

TEST(EffectSounds, AHeaderClaimingMoreDataThanTheFileHoldsDoesNotOverrun) {
    const struct {
        quint32 claimed;
        int keptBytes;  // of the 8 sample bytes present
    } cases[] = {{0xFFFFFFFFu, 8}, {1000, 8}, {9, 8}, {4, 4}, {0, 0}};
    for (const auto& c : cases) {
        QByteArray wav = wavOf({1000, 1000, 1000, 1000});
        for (int i = 0; i < 4; ++i) wav[40 + i] = char((c.claimed >> (8 * i)) & 0xFF);
        // Bytes just past the image, inside the same allocation, that must not change.
        QByteArray guarded;
        guarded.reserve(wav.size() + 16);
        guarded.append(wav);
        std::memset(guarded.data() + guarded.size(), 0x7f, 16);
        ScaleWaveSamples(guarded, 50);
        ASSERT_EQ(guarded.size(), wav.size());
        for (int i = 0; i < 16; ++i) ASSERT_EQ(guarded.constData()[guarded.size() + i], 0x7f) << c.claimed;
        const auto s = samplesAt44(guarded);
        for (int i = 0; i < 4; ++i) EXPECT_EQ(s[size_t(i)], i * 2 < c.keptBytes ? 500 : 1000) << c.claimed;
    }
    QByteArray tiny("RIFF");
    ScaleWaveSamples(tiny, 50);
    EXPECT_EQ(tiny, QByteArray("RIFF"));
}

class EffectFiles : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        writeFile(dir.filePath(QStringLiteral("Seikai00.wav")), wavOf({2000, -2000, 32767, -32768}));
        writeFile(dir.filePath(QStringLiteral("Huseikai00.wav")), wavOf({-4, 4, 100}));
        writeFile(dir.filePath(QStringLiteral("promptA.wav")), wavOf({7, 7}, 8000));
    }
    std::unique_ptr<EffectSounds> make() {
        return std::make_unique<EffectSounds>(dir.path(), [this](int rate) {
            auto sink = std::make_unique<CaptureSink>(rate, false);
            sinks.push_back(sink.get());
            return sink;
        });
    }
    QTemporaryDir dir;
    std::vector<CaptureSink*> sinks;
};

TEST_F(EffectFiles, LoadingAtFullVolumeKeepsTheFilesAndAtHalfHalvesThem) {
    auto fx = make();
    EXPECT_TRUE(fx->LoadSounds(100).isEmpty());
    EXPECT_EQ(samplesAt44(fx->buffer(0)), (std::vector<std::int16_t>{2000, -2000, 32767, -32768}));
    EXPECT_TRUE(fx->LoadSounds(50).isEmpty());
    EXPECT_EQ(samplesAt44(fx->buffer(0)), (std::vector<std::int16_t>{1000, -1000, 16383, -16384}));
    EXPECT_EQ(samplesAt44(fx->buffer(1)), (std::vector<std::int16_t>{-2, 2, 50}));
    // Loading again starts from the file, not from the already scaled buffer.
    EXPECT_TRUE(fx->LoadSounds(50).isEmpty());
    EXPECT_EQ(samplesAt44(fx->buffer(0))[0], 1000);
}

TEST_F(EffectFiles, AMissingOrBrokenFileIsReportedOnceAndKeepsItsBuffer) {
    auto fx = make();
    ASSERT_TRUE(fx->LoadSounds(100).isEmpty());
    const QByteArray before = fx->buffer(1);
    QFile::remove(dir.filePath(QStringLiteral("Huseikai00.wav")));
    writeFile(dir.filePath(QStringLiteral("promptA.wav")), QByteArray("not a sound"));
    const QStringList errors = fx->LoadSounds(50);
    ASSERT_EQ(errors.size(), 2);
    EXPECT_TRUE(errors[0].contains(QStringLiteral("Huseikai00.wav")));
    EXPECT_TRUE(errors[1].contains(QStringLiteral("promptA.wav")));
    EXPECT_EQ(fx->buffer(1), before);
    EXPECT_EQ(samplesAt44(fx->buffer(0))[0], 1000) << "the good file still loads";
}

TEST_F(EffectFiles, EachKindPlaysItsSoundAndANewOneCutsOffTheLast) {
    auto fx = make();
    ASSERT_TRUE(fx->LoadSounds(100).isEmpty());
    std::vector<std::int16_t> told;  // what the listener was told was played, one after another
    fx->setPlayedListener([&](const MonoAudio& sound) {
        if (sound.rate == 22050) told.insert(told.end(), sound.samples.begin(), sound.samples.end());
    });
    fx->PlayEffect(1);
    fx->PlayEffect(0);
    fx->PlayEffect(7);
    fx->PlayEffect(-1);
    ASSERT_EQ(sinks.size(), 1u) << "the two 22050 Hz sounds share one output";
    EXPECT_EQ(sinks[0]->captured(), (std::vector<std::int16_t>{-4, 4, 100, 2000, -2000, 32767, -32768}));
    EXPECT_EQ(sinks[0]->discards(), 2);
    EXPECT_EQ(told, sinks[0]->captured()) << "the listener hears what was played, and only that";
    fx->PlayEffect(2);
    ASSERT_EQ(sinks.size(), 2u);
    EXPECT_EQ(sinks[1]->captured(), (std::vector<std::int16_t>{7, 7}));
    EXPECT_EQ(sinks[1]->sampleRate(), 8000);
}

TEST(EffectSounds, WithoutASoundDevicePlayingDoesNothing) {
    QTemporaryDir dir;
    writeFile(dir.filePath(QStringLiteral("Seikai00.wav")), wavOf({1, 2, 3}));
    EffectSounds fx(dir.path(), [](int) { return std::unique_ptr<PcmSink>(); });
    fx.LoadSounds(100);
    int told = 0;
    fx.setPlayedListener([&](const MonoAudio&) { ++told; });
    fx.PlayEffect(0);
    fx.PlayEffect(0);
    EXPECT_EQ(told, 0) << "a sound not played has no echo";
}

TEST(EffectSounds, TheProjectsSoundsAreShortSmallCanonicalAndDistinct) {
    const QDir sounds(QStringLiteral(RENTABO_SOURCE_DIR "/resources/sounds"));
    std::vector<PcmAudio> audio;
    for (const QString& name : kEffectFiles) {
        QFile f(sounds.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << name.toStdString();
        const QByteArray bytes = f.readAll();
        EXPECT_LT(bytes.size(), 60 * 1024) << name.toStdString();
        EXPECT_EQ(bytes.mid(36, 4), QByteArray("data")) << "44-byte header";
        EXPECT_EQ(qsizetype(quint8(bytes[40]) | quint8(bytes[41]) << 8 | quint8(bytes[42]) << 16) + 44,
                  bytes.size());
        PcmAudio a;
        ASSERT_TRUE(parseWav(bytes, a));
        const double seconds = double(a.samples.size()) / a.sampleRate;
        EXPECT_GE(seconds, 0.2) << name.toStdString();
        EXPECT_LE(seconds, 0.6) << name.toStdString();
        EXPECT_GT(audioLevel(a.samples.data(), a.samples.size()), 50) << "clearly audible";
        audio.push_back(std::move(a));
    }
    EXPECT_NE(audio[0].samples, audio[1].samples);
    EXPECT_NE(audio[1].samples, audio[2].samples);
    EXPECT_NE(audio[0].samples, audio[2].samples);
}

TEST(EffectSounds, TheProgramsFolderIsSearchedBeforeTheCurrentDirectory) {
    QTemporaryDir exe, cwd;
    const QString oldCwd = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(cwd.path()));
    writeFile(cwd.filePath(QStringLiteral("Seikai00.wav")), wavOf({1}));
    writeFile(cwd.filePath(QStringLiteral("Huseikai00.wav")), wavOf({2}));
    writeFile(exe.filePath(QStringLiteral("Huseikai00.wav")), wavOf({20}));
    writeFile(exe.filePath(QStringLiteral("promptA.wav")), wavOf({30}));
    EffectSounds fx(exe.path(), [](int) { return std::unique_ptr<PcmSink>(); });
    const QStringList errors = fx.LoadSounds(100);
    QDir::setCurrent(oldCwd);
    EXPECT_TRUE(errors.isEmpty());
    EXPECT_EQ(samplesAt44(fx.buffer(0)), std::vector<std::int16_t>{1}) << "only in the current directory";
    EXPECT_EQ(samplesAt44(fx.buffer(1)), std::vector<std::int16_t>{20}) << "beside the program wins";
    EXPECT_EQ(samplesAt44(fx.buffer(2)), std::vector<std::int16_t>{30});
}
