// Soak run of the voice tests: thousands of simulated spoken answers across every kind of
// voice test, rows and levels, right, wrong and silent, on the virtual clock. Prints the answers
// judged, the virtual time covered and the resident memory at checkpoints, so growth shows.
// Build it with -DRENTABO_SANITIZE=address to run it under AddressSanitizer (leaks are reported
// at exit).
//   build/bench/soak/soak_bench [ANSWERS]
#include "core/Board.h"
#include "core/KukuTables.h"
#include "core/WeakList.h"
#include "lessons/LessonEngine.h"
#include "speech/Speaker.h"
#include "speech/VoiceCommands.h"
#include "speech/VoiceExams.h"
#include "tests/support/RecordingBoard.h"
#include "tests/support/VirtualPacer.h"
#include "tests/support/VirtualVoice.h"

#include <QCoreApplication>
#include <QFile>

#include <cstdio>
#include <random>

using namespace rentabo;

namespace {

long residentKiB() {
    QFile f(QStringLiteral("/proc/self/statm"));
    if (!f.open(QIODevice::ReadOnly)) return 0;
    const QList<QByteArray> fields = f.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLong() * 4 : 0;
}

struct Host final : LessonHost, VoiceHost {
    KukuState* state = nullptr;
    int tables = 0;
    void showAnswerWay(bool, bool) override {}
    void setAnswerWayVisible(bool) override {}
    void enableResultMenus(bool, bool) override {}
    void focusStartButton() override {}
    void focusMemo() override {}
    void showMessage(const QString&, const QString&) override {}
    void setChoiceIndex(int) override {}
    void openChart() override {}
    void Kekka_Dsp(KukuState&) override { ++tables; }
    void KekkaD_Dsp(KukuState&) override { ++tables; }
    void ErrRec(int k) override { rentabo::ErrRec(state->errorsStr, k); }
    bool spokenAnswerTick() override { return false; }
    void restoreExpressionFont() override {}
    void setSettingsChoicesEnabled(bool) override {}
    void setExpressionStyle(int, int) override {}
    void setWindowColour(int c) override { colour = c; }
    int windowColour() const override { return colour; }
    void restoreWindow() override {}
    void closeMainWindow() override {}
    void enterCcMode() override {}
    void enterDicMode() override {}
    void chartDanRead(int) override {}
    void chartReadWeak() override {}
    QDateTime currentDateTime() const override { return {}; }
    int colour = 0;
};

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const long target = argc > 1 ? std::max(1L, std::atol(argv[1])) : 10000;

    KukuState state;
    VirtualPacer pacer;
    RecordingBoard board;
    VirtualVoice voice(pacer);
    voice.fixedDurationMs = 800;
    Speaker speaker(state, voice, pacer);
    Host host;
    host.state = &state;
    struct Quiet final : EffectPlayer {
        void PlayEffect(int) override {}
    } effects;
    LessonEngine engine(state, board, pacer, speaker, &effects, host);
    VoiceExams tests(state, board, pacer, speaker, &effects, host, host);
    VoiceCommands commands(state, board, speaker, pacer, tests, host, host);
    int timer = 0;
    timer = pacer.addTimer(1000, 300, [&] {
        pacer.setTimerInterval(timer, 300);
        if (state.AnsV_wait != VoiceTest::None) commands.tick();
    });

    std::mt19937 rng(7);
    const int modes[] = {5, 6, 7, 8, 9};
    long answers = 0;
    long timeouts = 0;
    long tests_run = 0;
    const long baseline = residentKiB();
    long peak = baseline;
    long firstCheckpoint = 0;
    std::printf("%10s %10s %12s %10s\n", "answers", "tests", "virtual s", "RSS KiB");
    while (answers < target) {
        // A row or a level (not all rows: no spoken test covers them), a voice mode, a speed.
        const int choice = int(rng() % 12);
        const int mode = modes[rng() % 5];
        state.procFlag = int(rng() % 4);
        state.yomiWay = int(rng() % 2);
        state.pinponFlag = int(rng() % 2);
        engine.chooseLesson(5);  // a voice mode first, so item 10 keeps a voice answer way
        engine.chooseLesson(mode);
        engine.chooseRowOrLevel(choice);
        commands.handleCommand(70);
        ++tests_run;
        const int tablesBefore = host.tables;
        while (host.tables == tablesBefore && answers < target) {
            pacer.advanceBy(50);
            if (state.AnsV_wait == VoiceTest::None) continue;
            const int k = state.kuku_n;
            const int roll = int(rng() % 20);
            if (roll == 0) {
                // Silence: let the answer time run out (a full recitation only reminds).
                if (state.AnsV_wait == VoiceTest::FullRecitation) {
                    pacer.advanceBy(8000);
                    commands.handleCommand(201 + k);
                } else {
                    const int before = state.qCount;
                    while (state.qCount == before && host.tables == tablesBefore) pacer.advanceBy(300);
                    ++timeouts;
                }
            } else if (state.AnsV_wait == VoiceTest::Oral) {
                commands.handleCommand(100 + (roll < 3 ? int(rng() % 100) : kukuTables().kotae[k]));
            } else {
                commands.handleCommand(201 + (roll < 3 ? int(rng() % 81) : k));
            }
            ++answers;
            if (roll == 19) commands.handleCommand(int(rng() % 12) + 1);  // a colour said in between
            if (answers % 1000 == 0) {
                // Logs a window would show are cut as the window cuts them.
                board.log.clear();
                checkMemoLimits(board);
                if (board.memo.size() > 20000) board.clearMemo();
                if (voice.spoken.size() > 1) voice.spoken.erase(voice.spoken.begin(), voice.spoken.end() - 1);
                const long rss = residentKiB();
                peak = std::max(peak, rss);
                if (firstCheckpoint == 0) firstCheckpoint = rss;
                std::printf("%10ld %10ld %12.0f %10ld\n", answers, tests_run, pacer.now() / 1000.0, rss);
            }
        }
        if (state.AnsV_wait != VoiceTest::None) commands.handleCommand(71);  // stop a test still running
    }
    std::printf(
        "judged %ld answers (%ld time-outs) in %ld tests over %.1f virtual hours; "
        "RSS %ld KiB at start, %ld KiB after the first thousand answers, peak %ld KiB "
        "(growth after warm-up %ld KiB)\n",
        answers, timeouts, tests_run, pacer.now() / 3.6e6, baseline, firstCheckpoint, peak,
        peak - firstCheckpoint);
    return 0;
}
