// Latency of a spoken-answer test without a sound server: the program's real voice and
// recogniser, its speaker a null sink and its microphone fed in real time from the child's
// recorded phrases over a steady noise floor. The same three figures as through the server
// (tests/sound, RENTABO_LATENCY_OUT): end of the child's phrase -> mark shown, -> mark sound
// played; end of the master's question -> microphone open again.
//
// Usage: sound_latency_bench APP_DIR PHRASE_DIR [SECONDS]  (APP_DIR: the built program's folder, for the
// grammar and the effect sounds; PHRASE_DIR: a folder with manifest.tsv, as the sound tests make)
#include "app/TKukuForm.h"
#include "core/KukuTables.h"
#include "lessons/EffectSounds.h"
#include "speech/platform/PcmSink.h"
#include "speech/platform/PocketSphinxContext.h"
#include "speech/platform/VoiceFactory.h"
#include "speech/platform/WavAudio.h"
#include "tests/support/ScriptedPrompts.h"
#include "ui_KukuForm.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <random>

using namespace rentabo;

namespace {

QElapsedTimer g_clock;

double now() {
    return g_clock.nsecsElapsed() / 1e9;
}

// A null sink that notes when something was last written to it (the effects) and when what
// was written has all been played (the end of the master's words).
class TimedSink final : public NullSink {
public:
    TimedSink(int rate, std::vector<double>* writes) : NullSink(rate), m_writes(writes) {}
    void write(const std::int16_t* s, std::size_t n) override {
        if (m_writes) m_writes->push_back(now());
        NullSink::write(s, n);
    }

private:
    std::vector<double>* m_writes;
};

// Notes when the label shows a mark it did not show before, at the paint that draws it.
class MarkWatch final : public QObject {
public:
    MarkWatch(QLabel* label, std::vector<double>* shown) : m_label(label), m_shown(shown) {
        label->installEventFilter(this);
    }
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint && m_label->text() != m_last) {
            m_last = m_label->text();
            if (!m_last.isEmpty()) m_shown->push_back(now());
        }
        return false;
    }

private:
    QLabel* m_label;
    std::vector<double>* m_shown;
    QString m_last;
};

// The recordings of each command, Open JTalk's first voice first, as the simulated child of the
// sound tests says them: a phrase not heard is said again with the next recording.
std::map<int, QStringList> phrasesOf(const QString& dir) {
    std::map<int, QStringList> out;
    QFile f(QDir(dir).filePath(QStringLiteral("manifest.tsv")));
    if (!f.open(QIODevice::ReadOnly)) return out;
    while (!f.atEnd()) {
        const QStringList cols = QString::fromUtf8(f.readLine()).trimmed().split(u'\t');
        if (cols.size() >= 2) out[cols[1].toInt()] << cols[0];
    }
    for (auto& [command, files] : out) {
        auto rank = [](const QString& n) {
            return std::pair{!n.startsWith(QStringLiteral("oj1")), !n.startsWith(QStringLiteral("oj"))};
        };
        std::stable_sort(files.begin(), files.end(),
                         [&](const QString& a, const QString& b) { return rank(a) < rank(b); });
        for (QString& file : files) file = QDir(dir).filePath(file);
    }
    return out;
}

void print(const char* what, std::vector<double> v) {
    std::sort(v.begin(), v.end());
    if (v.empty()) {
        std::printf("  %-36s none measured\n", what);
        return;
    }
    const double median = v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
    std::printf("  %-36s median %.0f ms, worst %.0f ms (%zu)\n", what, median * 1000, v.back() * 1000,
                v.size());
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: sound_latency_bench APP_DIR PHRASE_DIR\n");
        return 2;
    }
    g_clock.start();
    const QString appDir = QString::fromLocal8Bit(argv[1]);
    const auto phrases = phrasesOf(QString::fromLocal8Bit(argv[2]));
    if (phrases.empty()) {
        std::fprintf(stderr, "no manifest.tsv in %s\n", argv[2]);
        return 2;
    }
    QTemporaryDir dir;
    for (const QString& f : {QStringLiteral("KukuGrammar.xml"), QStringLiteral("Seikai00.wav"),
                             QStringLiteral("Huseikai00.wav"), QStringLiteral("promptA.wav")})
        QFile::copy(QDir(appDir).filePath(f), dir.filePath(f));

    std::vector<double> effectWrites;
    TimedSink* voiceSink = nullptr;
    KukuServices services;
    VoiceChoice choice;
    choice.makeSink = [&](int rate) {
        auto sink = std::make_unique<TimedSink>(rate, nullptr);
        voiceSink = sink.get();
        return sink;
    };
    QStringList notes;
    services.voice = createVoice(dir.path(), nullptr, choice, &notes);
    auto reco = std::make_unique<PocketSphinxContext>();
    QString error;
    if (!reco->loadModel(&error)) {
        std::fprintf(stderr, "no recogniser: %s\n", qPrintable(error));
        return 1;
    }
    PocketSphinxContext* ears = reco.get();
    services.reco = std::move(reco);
    services.effects = std::make_unique<EffectSounds>(
        dir.path() + u'/', [&](int rate) { return std::make_unique<TimedSink>(rate, &effectWrites); });
    services.effects->LoadSounds(50);
    // When the recogniser delivered a phrase (noted before the window, which judges it at once).
    std::vector<double> heardAt;
    QObject::connect(ears, &SpSharedRecoContext::Recognition, [&] { heardAt.push_back(now()); });
    TKukuForm form(std::move(services), dir.path() + u'/');
    form.state().pinponFlag = 1;  // the marks sound, as in the sound tests
    rentabo::testing::ScriptedPrompts prompts(form.boxPrompts());
    form.setPrompts(&prompts);
    prompts.close = [] { return true; };
    prompts.messages = [](const QString&, const QString&) {};
    bool ended = false;
    prompts.modal = [&](QDialog&) { ended = true; };
    std::vector<double> judgedAt;
    // The mark (◎ or ×) drawn on the board: the moment the child sees the verdict.
    std::vector<double> markedAt;
    MarkWatch watch(form.ui().StaticText13, &markedAt);
    QObject::connect(
        form.ui().msgText->document(), &QTextDocument::contentsChange, [&](int at, int, int added) {
            if (added > 0 &&
                form.ui().msgText->toPlainText().mid(at, added).contains(QStringLiteral(u"<★cValue=")))
                judgedAt.push_back(now());
        });
    form.show();

    // The microphone: 20 ms of noise floor at a time, with the phrase being said mixed in.
    std::mt19937 random(18);
    std::normal_distribution<double> noise(0, 100);
    std::vector<std::int16_t> saying;
    std::vector<double> phraseEnds, opens;
    double quietSince = -1;
    bool wasSpeaking = false;
    const auto& t = kukuTables();
    int said = -1;  // the question answered last (qCount)
    int tries = 0;  // how often it was said
    double startSaid = -10, saidAt = 0;
    std::size_t judgedBefore = 0;
    std::size_t quietAtEnd = 0;  // the samples of silence the phrase being said ends with
    std::map<int, int> turn;
    auto say = [&](int command) {
        const auto it = phrases.find(command);
        if (it == phrases.end()) return;
        const auto audio = readWav(it->second[turn[command]++ % it->second.size()], nullptr);
        if (!audio) return;
        saying = audio->samples;
        // The phrase ends at its last sound, not at the silence its recording ends with.
        int peak = 0;
        for (std::int16_t s : saying) peak = std::max(peak, std::abs(int(s)));
        const auto last = std::find_if(saying.rbegin(), saying.rend(),
                                       [&](std::int16_t s) { return std::abs(int(s)) * 50 > peak; });
        quietAtEnd = std::size_t(last - saying.rbegin());
    };
    QTimer microphone;
    const double start = now();
    std::int64_t fed = 0;
    QObject::connect(&microphone, &QTimer::timeout, [&] {
        if (voiceSink && voiceSink->playedSamples() >= voiceSink->writtenSamples()) {
            if (quietSince < 0) quietSince = now();
        } else {
            quietSince = -1;
        }
        const bool speaking = form.voice().isSpeaking();
        // The recogniser skips the echo of the master's last words after his utterance ends.
        if (wasSpeaking && !speaking && quietSince >= 0)
            opens.push_back(now() + PocketSphinxContext::kMuteTailSamples / 16000.0 - quietSince);
        wasSpeaking = speaking;
        while (fed < std::int64_t((now() - start) * 16000)) {
            std::vector<std::int16_t> frame(320);
            for (auto& s : frame) s = std::int16_t(std::lround(noise(random)));
            const std::size_t n = std::min<std::size_t>(frame.size(), saying.size());
            for (std::size_t i = 0; i < n; ++i)
                frame[i] = std::int16_t(std::clamp(frame[i] + saying[i], -32768, 32767));
            if (n) {
                if (saying.size() > quietAtEnd && saying.size() - n <= quietAtEnd)
                    phraseEnds.push_back(start +
                                         double(fed + std::int64_t(saying.size() - quietAtEnd)) / 16000);
                saying.erase(saying.begin(), saying.begin() + std::ptrdiff_t(n));
            }
            ears->acceptAudio(frame.data(), frame.size());
            fed += std::int64_t(frame.size());
        }
        // The child answers half a second after the master has finished, as in the sound tests.
        const auto& st = form.state();
        // "テストはじめ" once the master has said what the start button makes him say (again
        // when it was not heard).
        if (st.qCount == 0 && st.AnsV_wait == VoiceTest::None && saying.empty() && quietSince >= 0 &&
            now() - quietSince > 0.8 && now() - startSaid > 4) {
            startSaid = now();
            say(70);
        }
        // Said again, as a child does, when it was not heard within two seconds.
        const bool unheard =
            said == st.qCount && judgedAt.size() == judgedBefore && tries < 3 && now() - saidAt > 2;
        if (st.AnsV_wait == VoiceTest::Oral && saying.empty() && (said != st.qCount || unheard) &&
            quietSince >= 0 && now() - quietSince > 0.5) {
            tries = said == st.qCount ? tries + 1 : 1;
            said = st.qCount;
            saidAt = now();
            judgedBefore = judgedAt.size();
            say(100 + t.kotae[st.kuku_n]);
        }
    });
    microphone.start(10);

    // 三の段, "６.テスト[口答・順]", then "テストはじめ" said.
    form.ui().ComboBox1->setCurrentIndex(3);
    Q_EMIT form.ui().ComboBox1->activated(3);
    form.ui().ComboBox2->setCurrentIndex(5);
    Q_EMIT form.ui().ComboBox2->activated(5);
    form.startLesson();
    QTimer giveUp;
    giveUp.setSingleShot(true);
    QObject::connect(&giveUp, &QTimer::timeout, &app, &QCoreApplication::quit);
    giveUp.start(argc > 3 ? std::atoi(argv[3]) * 1000 : 240000);
    QTimer done;
    QObject::connect(&done, &QTimer::timeout, [&] {
        if (ended) app.quit();
    });
    done.start(100);
    app.exec();

    // Each phrase counts when it was judged before the child said the next one: a phrase not
    // heard waits for the answer time to run out, which says nothing about latency.
    std::vector<double> memoLines, marks, heard, sounds;
    std::size_t counted = 0;
    for (std::size_t i = 0; i < phraseEnds.size(); ++i) {
        const double end = phraseEnds[i];
        const double next = i + 1 < phraseEnds.size() ? phraseEnds[i + 1] : 1e300;
        auto first = [&](const std::vector<double>& times) -> std::optional<double> {
            const auto it = std::upper_bound(times.begin(), times.end(), end);
            if (it == times.end() || *it >= next) return std::nullopt;
            return *it - end;
        };
        const auto judged = first(judgedAt);
        if (!judged) continue;
        ++counted;
        memoLines.push_back(*judged);
        for (auto [times, out] : {std::pair{&markedAt, &marks}, {&heardAt, &heard}, {&effectWrites, &sounds}})
            if (const auto t = first(*times)) out->push_back(*t);
    }
    std::printf(
        "latency without a sound server (files, null sink): %zu answers judged%s; %zu of %zu phrases "
        "judged before the next was said\n",
        judgedAt.size(), ended ? ", test ended" : ", test NOT ended", counted, phraseEnds.size());
    print("end of phrase -> phrase recognised:", heard);
    print("end of phrase -> mark shown:", marks);
    print("end of phrase -> memo line:", memoLines);
    print("end of phrase -> mark sound played:", sounds);
    print("end of question -> microphone open:", opens);
    if (!ended) std::printf("%s\n", qPrintable(form.ui().msgText->toPlainText().right(1500)));
    return ended ? 0 : 1;
}
