#!/usr/bin/env python3
"""Spoken tests of the real program through a real sound server, answered by a simulated child.

Usage: sound-tests.py SCENARIO PATH/TO/rentabo SOURCE_DIR CACHE_DIR [SERVER] [--unheard=MODELS]
       sound-tests.py unheard-model PATH/TO/kuku-recognize SOURCE_DIR MODELS
Scenarios: oral, leak, silent, restart, recitation, microphone, enrolment; `phrases` only makes the child's
phrases. With --unheard the program listens with the acoustic model adapted without the child's
engine (made once into the folder MODELS by `unheard-model`), and the child speaks with that
engine's voice, pitched like a child, in a room, quieter.
SERVER: pulseaudio (the default) or pipewire (with its PulseAudio server, as Debian's desktop runs
it). Exit code 77 when something the rig needs is missing (CTest counts it as skipped)."""

import json
import os
import re
import statistics
import subprocess
import sys
import time

from soundrig import Failure, Program, Rig, Skip, child_phrases, unheard_model, wait_until

ROW = 3  # 三の段
FACTS = range((ROW - 1) * 9, ROW * 9)  # fact indices 18..26: 3x1 .. 3x9


def product(k):
    return (k // 9 + 1) * (k % 9 + 1)


def settings(RENTABO=None, **jouken):
    keys = {"MOKUJIN": 1, "MENUN": 5, "PROCFLAG": 0, "YOMIWAY": 1}
    keys.update(jouken)
    own = {"RENTABO": RENTABO} if RENTABO else {}
    return own | {
        # Effects on: the marks sound, and the prompt tells the child the microphone is open.
        "SPEAK": {"SIKISPRATE": 10, "SIKISPVOLUME": 80, "EFFECTVOLUME": 50, "PINPONFLAG": 1, "MSGSPEAKFLAG": 0},
        "JOUKEN": keys,
        # Two facts of the row among the weak points: an all-right test takes them off.
        "TESTDATA": {"ERRORS": "19:22:40:"},
    }


OFFER_TITLE = "声をおぼえてもらう"  # the offer and the enrolment window alike
# The phrases the master learns a voice from, in the order he shows them: じゅうはち にじゅうよん
# さんじゅうろく よんじゅうきゅう ななじゅうに はちじゅういち いんいちがいち さぶろくじゅうはち
# はっくしちじゅうに ごのだん テストおわり ストップ.
ENROLMENT = [118, 124, 136, 149, 172, 181, 201, 224, 272, 65, 71, 86]


class Run:
    def __init__(self, rig):
        self.rig = rig
        self.p = rig.program
        self.c = rig.child

    def took(self, takes, start, heard, listened_from):
        """Notes a take said from memo position `start` and what the memo heard meanwhile, with
        what the recogniser made of it (the listening log's lines from `listened_from` on)."""
        astr = re.findall(r"<◆astr=([^>]*)>", self.p.memo()[start:])
        takes.append((self.c.phrases.last, heard, astr, self.p.listening()[listened_from:]))

    def repeat(self, number, tries, heard):
        """Says a phrase once the master is quiet, again while it is not heard (a child does).
        `heard(start, listened)` waits for it from memo position `start` and listening-log line
        `listened` on and returns what showed it was heard, or None; the result of the take that
        was heard is returned, or None after `tries` takes."""
        takes = []
        self.rig.attempts.append((number, takes))
        for _ in range(tries):
            start, listened = len(self.p.memo()), len(self.p.listening())
            wait_until(lambda: self.c.master_quiet_for(0.6), 30, 0.02, "quiet")
            self.c.say(number)
            got = heard(start, listened)
            self.took(takes, start, got is not None, listened)
            if got is not None:
                return got
        return None

    def command(self, number, heard, tries=3):
        """Says a command once the master is quiet, again when it is not heard (a child does)."""
        def in_memo(start, _):
            try:
                return self.p.wait_memo(heard, start, 8)
            except Failure:
                return None
        end = self.repeat(number, tries, in_memo)
        if end is None:
            raise Failure(f"command {number} was not heard ({heard!r}): " + self.p.tail())
        # The master answers a command; the next one waits until he has.
        try:
            self.c.wait_master_done(time.monotonic() - 0.1, 0.6, 5)
        except Failure:
            pass
        return end

    def answer(self, command, pos, judged_now, tries=3):
        """Answers the question shown at memo position `pos` once the master has asked it (and
        the prompt has sounded) and is quiet; says it again when it was not heard. Returns when
        judged or when the next question came instead: the end of the phrase that was judged, or
        None."""
        next_question = lambda: re.search(r"<◆(A:: )?qnum=", self.p.memo()[pos:])
        # The master asks after the question is shown, so whatever he says from then on is the
        # question (or, at the start, the test's opening words and then the question). Waiting
        # for speech begun after the question was *found* missed it whenever he had already
        # spoken by then: the child then waited through the whole answer time.
        asked_at = (self.p.shown_at(pos - 1) or time.monotonic()) - 0.05
        takes = []
        self.rig.attempts.append((command, takes))
        for attempt in range(tries):
            if attempt == 0:
                self.c.wait_master_done(asked_at)
            else:
                # Not heard: said again once the master is quiet, as a child does.
                wait_until(lambda: self.c.master_quiet_for(0.5), 30, 0.02, "quiet")
            wait_until(lambda: not self.p.voice_busy(), 30, 0.02, "the master's voice to end")
            # Too late: the question timed out and the next one is asked (or being asked).
            if next_question():
                return None
            before = judged_now()
            start, listened = len(self.p.memo()), len(self.p.listening())
            said = self.c.say(command)
            try:
                wait_until(lambda: judged_now() > before or next_question(),
                           6, 0.01, "the answer to be judged")
                self.took(takes, start, judged_now() > before, listened)
                return said if judged_now() > before else None
            except Failure:
                self.took(takes, start, False, listened)
        return None

    def start_test(self, start_command=70, question="<◆qnum=", enrol=False):
        """Chooses the row and starts the test by voice. The master does not know this learner's
        voice yet, so before the first spoken run he offers to learn it; the child says
        「テストはじめ」 again, as the offer asks, and the test starts. With `enrol` (and always
        for the child he never heard) the child takes the offer instead."""
        self.command(60 + ROW, f"<◆cV={60 + ROW}>")
        asked = time.monotonic()
        self.command(start_command, f"<◆cV={start_command}>")
        offer = self.p.wait_window(OFFER_TITLE, 15)
        self.c.wait_master_done(asked, 0.6)  # the offer, spoken
        if enrol or self.rig.unheard:
            # A child the master never heard takes the offer, as a new child does.
            start = len(self.p.memo())
            self.enrol(offer)
            return self.p.wait_memo(question, start, 30)
        end = self.command(70, question)
        if offer in self.p.windows(OFFER_TITLE):
            raise Failure("the offer to learn the voice stayed open after the test started")
        return end

    def enrol(self, offer, tries=4):
        """Takes the offer to learn the voice (its default button) and says each phrase the
        enrolment window shows, again while the master does not take it."""
        self.p.key(offer, "Return")
        form = wait_until(lambda: next((w for w in self.p.windows(OFFER_TITLE) if w != offer), None),
                          10, 0.1, "the enrolment window")
        def taken(_, listened):
            lines = lambda: [l for l in self.p.listening()[listened:] if l.startswith("heard ")]
            try:
                wait_until(lines, 6, 0.05, "the phrase to be heard")
                time.sleep(0.3)  # a first look may come before the phrase's end
            except Failure:
                pass
            return True if any(" refused:" not in l for l in lines()) else None
        for number in ENROLMENT:
            if self.repeat(number, tries, taken) is None:
                raise Failure(f"the enrolment did not take {number} in {tries} takes: " + self.p.tail())
        wait_until(lambda: form not in self.p.windows(), 10, 0.1, "the enrolment window to close")

    def next_question(self, start, pattern, timeout=40):
        """The fact of the next question asked after memo position `start`."""
        rx = re.compile(pattern)

        def asked():
            if not self.p.running():
                raise Failure("the program ended: " + self.p.tail())
            m = rx.search(self.p.memo(), start)
            return m
        m = wait_until(asked, timeout, 0.01, f"a question after {start}")
        return int(m.group(1)), m.end()


# How long the master listens idle before the child's first phrase in the quiet scenarios; the
# colour commands (red to teal, 50, the default colour 88) and the colour of the settings file.
IDLE_SECONDS = 20
COLOURS = set(range(1, 15)) | {50, 88}
ORGCOLOR = 61680


def commands_taken(memo):
    return [int(c) for c in re.findall(r"<◆cV=(\d+)>", memo)]


def judged(memo):
    return [(int(a), int(b)) for a, b in re.findall(r"<★cValue=(\d+):: cAnswer=(\d+)", memo)]


def oral(rig):
    """三の段, spoken answers, three rounds of nine: every answer right, table I all ○."""
    run = Run(rig)
    pos = run.start_test()
    test_start = run.p.memo().rfind("<◆qnum=")
    answered = 0
    phrase_ends = []
    while answered < 27:
        k, pos = run.next_question(test_start if answered == 0 else pos, r"<◆qnum=(\d+)>")
        if k not in FACTS:
            raise Failure(f"asked fact {k}, not of the row")
        # The question is spoken and the prompt sounds; the child answers after it.
        said = run.answer(100 + product(k), pos, lambda: len(judged(run.p.memo())))
        answered = len(judged(run.p.memo()))
        if said:
            phrase_ends.append(said)
    table = run.p.wait_window("結果", 30)
    marks = judged(run.p.memo())
    wrong = [(c, a) for c, a in marks if c - 100 != a]
    if len(marks) != 27 or wrong:
        raise Failure(f"{len(marks)} answers judged, wrong: {wrong}")
    # The table closed the way a user does; the records of the finished test reach the file
    # without closing the program.
    run.p.key(table, "c")
    # An all-right table asks first whether it may close unregistered.
    run.p.confirm("^ご確認!!$")
    wait_until(lambda: not run.p.windows("結果"), 20, 0.1, "the result table to close")
    try:
        wait_until(lambda: run.p.settings().get(("TESTDATA", "ERRORS")) == "40:", 10, 0.2, "the records")
    except Failure:
        pass
    errors = run.p.settings().get(("TESTDATA", "ERRORS"))
    if errors != "40:":
        raise Failure(f"weak points saved as {errors!r}, expected the row's facts taken off: '40:'")
    print("27 answers judged, all right; weak points saved as", errors)
    # Every mark sounds with it, before the master speaks again: the effects' stream, started
    # afresh for each sound, once shrank its buffer each time until the chime broke up.
    drawn = [t for t, _ in rig.program.voice_events(("mark",))]
    spoken = [t for t, what in rig.program.voice_events() if what == "start"]
    unheard = [m for m in drawn
               if not any(m - 0.05 <= o < min([t for t in spoken if t > m], default=m + 2)
                          for o in rig.child.sound_onsets)]
    if unheard:
        raise Failure(f"{len(unheard)} of {len(drawn)} marks drawn without their sound "
                      "before the master spoke again")
    latency(rig, phrase_ends)


def enrolment(rig):
    """A new child takes the offer to learn its voice before its first spoken test and says the
    twelve phrases the window shows. None of them is taken for a command (ごのだん, テストおわり
    and ストップ among them), the master learns the voice from them, and the test starts and hears
    a round of answers with the voice learnt."""
    run = Run(rig)
    run.start_test(enrol=True)
    pos = run.p.memo().rfind("<◆qnum=")
    stray = [c for c in commands_taken(run.p.memo()) if c not in (60 + ROW, 70)]
    if stray:
        raise Failure(f"phrases said to the enrolment were taken for commands: {stray}")
    run.p.wait_memo("<声をおぼえました (12 のことばから)>", 0, 60)
    with open(os.path.join(run.p.dir, "RentaboVoice", "speaker.txt"), encoding="utf-8") as f:
        if "phrases 12" not in f.read().split("\n"):
            raise Failure("the voice model kept is not the one learnt from the twelve phrases")
    while len(judged(run.p.memo())) < 9:
        k, pos = run.next_question(pos, r"<◆qnum=(\d+)>")
        run.answer(100 + product(k), pos, lambda: len(judged(run.p.memo())))
    marks = judged(run.p.memo())
    if [c - 100 for c, _ in marks] != [a for _, a in marks]:
        raise Failure(f"answers judged wrong with the voice learnt: {marks}")
    run.command(71, "<◆cV=71>")
    print("the offer taken, twelve phrases learnt, a round of answers heard with the voice learnt")


def spread(values):
    values = sorted(values)
    if not values:
        return "none measured"
    return f"median {statistics.median(values) * 1000:.0f} ms, worst {values[-1] * 1000:.0f} ms ({len(values)})"


def latency(rig, phrase_ends):
    """The figures of the latency benchmark, over the whole test: end of the child's phrase ->
    mark drawn on the board and mark sound heard; end of the master's question -> microphone open again."""
    drawn = [t for t, _ in rig.program.voice_events(("mark",))]
    marks, sounds = [], []
    for end in phrase_ends:
        after = [t for t in drawn if t > end]
        if after:
            marks.append(after[0] - end)
        heard = [t for t in rig.child.sound_onsets if t > end]
        if heard:
            sounds.append(heard[0] - end)
    # The microphone listens again 0.3 s of audio after the voice has ended (its echo skipped).
    opens = []
    offsets = rig.child.sound_offsets
    for t, what in rig.program.voice_events():
        before = [o for o in offsets if o <= t + 0.05]
        if what == "end" and before and t - before[-1] < 2:
            opens.append(t + 0.3 - before[-1])
    figures = {"mark": marks, "sound": sounds, "microphone": opens,
               # The raw moments, to see where the time goes.
               "phrase_ends": phrase_ends, "sound_onsets": rig.child.sound_onsets, "marks_drawn": drawn,
               "voice": rig.program.voice_events()}
    print("latency through the sound server:")
    print("  end of phrase -> mark drawn:      ", spread(marks))
    print("  end of phrase -> mark sound heard:", spread(sounds))
    print("  end of question -> microphone open:", spread(opens))
    out = os.environ.get("RENTABO_LATENCY_OUT")
    if out:
        with open(out, "w") as f:
            json.dump(figures, f)


def quiet_questions(rig, leak_db):
    """A child who says nothing: the questions time out one after another and nothing is judged,
    even with the master's voice leaking into the microphone."""
    run = Run(rig)
    # Before the child says anything, the master listens idle (and, with the leak, hears whatever
    # he says himself): nothing he hears meanwhile is a command.
    run.c.set_leak(leak_db)
    time.sleep(IDLE_SECONDS)
    run.c.set_leak(None)
    idle = run.p.memo()
    taken = commands_taken(idle)
    if taken:
        raise Failure(f"commands taken before the child spoke: {taken}; heard: "
                      f"{re.findall(r'<◆astr=([^>]*)>', idle)}")
    run.start_test()
    if leak_db is not None:
        run.c.set_leak(leak_db)
    start = run.p.memo().rfind("<◆qnum=")
    seen = []
    pos = start
    for _ in range(4):
        k, pos = run.next_question(pos, r"<◆qnum=(\d+)>")
        seen.append(k)
    run.c.set_leak(None)
    memo = run.p.memo()[start:]
    if judged(memo):
        raise Failure(f"answers judged from a silent child: {judged(memo)}")
    if seen != [18, 19, 20, 21]:
        raise Failure(f"questions after time-outs were {seen}, expected 3x1 to 3x4 in order")
    heard = re.findall(r"<◆astr=([^>]*)>", memo)
    # Stopping by voice still works afterwards.
    run.command(71, "<◆cV=71>")
    # The child chose a row, started and stopped: no colour and no other row was taken, and the
    # colour saved is the one the file had.
    others = [c for c in commands_taken(run.p.memo()) if c in COLOURS or (61 <= c <= 69 and c != 60 + ROW)]
    if others:
        raise Failure(f"commands the child did not say were taken: {others}")
    colour = run.p.settings().get(("JOUKEN", "ORGCOLOR"))
    if colour != str(ORGCOLOR):
        raise Failure(f"the colour saved changed from {ORGCOLOR} to {colour}")
    print(f"nothing taken in {IDLE_SECONDS} s idle; 3 time-outs in order, nothing judged; heard meanwhile:",
          heard)


def restart(rig):
    """The sound server dies during a spoken test and comes back: no hang, no crash. The test goes
    on without sound, and the child is told once that the sound device is gone (Qt's connection to
    the server does not come back); were the microphone opened again, the answer is heard."""
    run = Run(rig)
    run.start_test()
    k, pos = run.next_question(run.p.memo().rfind("<◆qnum="), r"<◆qnum=(\d+)>")
    # Killed while the microphone listens for the answer, after the question.
    wait_until(lambda: run.c.master_quiet_for(0.5) and not run.p.voice_busy(), 30, 0.02, "the question")
    rig.server.kill()
    # Meanwhile the test goes on silently: the questions keep timing out.
    k2, pos = run.next_question(pos, r"<◆qnum=(\d+)>", 60)
    rig.server.start()
    # Back or not, the program keeps asking: two more questions, each after its answer time.
    for _ in range(2):
        k3, pos = run.next_question(pos, r"<◆qnum=(\d+)>", 60)
    gone = run.p.memo().count("音の装置")
    if rig.server.recording_clients():
        before = len(judged(run.p.memo()))
        run.c.wait_master_done(time.monotonic() - 5, timeout=60)
        run.c.say(100 + product(k3))
        wait_until(lambda: len(judged(run.p.memo())) > before, 8, 0.01, "an answer after the restart")
        print("heard again after the restart:", judged(run.p.memo())[before:])
    elif gone != 1:
        raise Failure(f"the loss of the sound device told {gone} times, not once: " + run.p.tail())
    if not run.p.running():
        raise Failure("the program ended: " + run.p.tail())
    print("server killed after question", k, "; the test went on to", k3, "; device lost told", gone, "time")


def recitation(rig):
    """三の段 recited: the whole reading of each fact, every one right, for the first round."""
    run = Run(rig)
    run.start_test(question="<◆A:: qnum=")
    pos = run.p.memo().rfind("<◆A:: qnum=")
    rx = r"<◆A:: qnum=(\d+)>"
    judged_a = lambda: re.findall(r"<★A:: cValue=(\d+):: cAnswer=(\d+)", run.p.memo())
    for _ in range(9):
        k, pos = run.next_question(pos, rx)
        run.answer(201 + k, pos, lambda: len(judged_a()))
    marks = re.findall(r"<★A:: cValue=(\d+)", run.p.memo())
    asked = re.findall(r"<◆A:: qnum=(\d+)>", run.p.memo())
    expected = [str(201 + int(k)) for k in asked[:len(marks)]]
    if len(marks) < 9 or marks != expected:
        raise Failure(f"readings judged {marks}, expected {expected}")
    run.command(71, "<◆cV=71>")
    print("9 facts recited and judged right")


def add_headset(rig):
    """A second input beside the default microphone, as a headset plugged into a laptop."""
    fifo = os.path.join(rig.work, "headset.fifo")
    out = subprocess.run(["pactl", "load-module", "module-pipe-source", "source_name=headset", "file=" + fifo,
                          "format=s16le", "rate=16000", "channels=1"],
                         env=rig.server.env, capture_output=True, text=True)
    if out.returncode != 0:
        raise Failure("the server did not load a second source: " + out.stderr)
    rig.headset_module = out.stdout.strip()


def chosen_microphone(rig):
    """The microphone chosen in the settings (the headset) is the one listened to at start; with
    it unplugged, the next start listens to the default one and the memo says why."""
    p = rig.program
    # Opened on the default until the settings are read, then on the chosen one alone.
    wait_until(lambda: not rig.server.recording_clients("microphone"), 15, 0.1,
               "the default microphone to be let go")
    if not rig.server.recording_clients("headset"):
        raise Failure("the chosen microphone is not listened to: " + p.tail())
    if "見つかりません" in p.memo():
        raise Failure("a fallback told with the chosen microphone there: " + p.memo())
    p.close()
    out = subprocess.run(["pactl", "unload-module", rig.headset_module], env=rig.server.env,
                         capture_output=True, text=True)
    if out.returncode != 0:
        raise Failure("the headset could not be unplugged: " + out.stderr)
    second = os.path.join(rig.work, "second")
    os.makedirs(second)
    rig.program = Program(second, p.proc.args[0], rig.server, settings(RENTABO={"MICROPHONE": "headset"}))
    rig.program.start()
    wait_until(lambda: rig.server.recording_clients("microphone"), 30, 0.1, "the default microphone")
    rig.program.wait_memo("設定で選んだマイク (headset) が見つかりません。いつものマイクを使います。")
    if rig.program.settings().get(("RENTABO", "MICROPHONE")) != "headset":
        raise Failure("the chosen microphone was forgotten")
    print("the chosen headset listened to; unplugged, the default one, told in the memo")


# Every phrase a scenario says, made once for all of them.
COMMANDS = sorted({60 + ROW, 70, 71, *[100 + product(k) for k in FACTS], *[201 + k for k in FACTS],
                   *ENROLMENT})
SCENARIOS = {
    "oral": (oral, {}),
    "leak": (lambda rig: quiet_questions(rig, -20), {"PROCFLAG": 3, "ORGCOLOR": ORGCOLOR}),
    "silent": (lambda rig: quiet_questions(rig, None), {"PROCFLAG": 3, "ORGCOLOR": ORGCOLOR}),
    "restart": (restart, {"PROCFLAG": 3}),
    "recitation": (recitation, {"MENUN": 7}),
    "microphone": (chosen_microphone, {"RENTABO": {"MICROPHONE": "headset"}}),
    "enrolment": (enrolment, {}),
}
# What a scenario needs on the server before the program starts, and the source it listens to.
PREPARE = {"microphone": (add_headset, "headset")}


def account(rig):
    """What the child said and how often it was heard: the phrases that needed a repeat, and each
    take not heard with what the memo heard instead."""
    if not rig.attempts:
        return
    repeats = [len(takes) - 1 for _, takes in rig.attempts if takes and takes[-1][1]]
    lost = [(c, takes) for c, takes in rig.attempts if takes and not takes[-1][1]]
    takes = ", ".join(f"{repeats.count(n)} at take {n + 1}" for n in range(4) if repeats.count(n))
    print(f"child: {len(rig.attempts)} phrases, {len(repeats)} heard" + (f" ({takes})" if takes else "")
          + (f"; {len(lost)} not heard at all" if lost else ""))
    for command, takes in rig.attempts:
        for take, heard, astr, listened in takes:
            if not heard:
                print(f"  not heard: {command} take {take}; the memo heard {astr or 'nothing'}")
                for line in listened:
                    print("    the recogniser", line)


def main():
    args = [a for a in sys.argv[1:] if not a.startswith("--")]
    flags = dict(a[2:].split("=", 1) for a in sys.argv[1:] if a.startswith("--") and "=" in a)
    name, program, source_dir, cache_dir = args[:4]
    server = args[4] if len(args) > 4 else "pulseaudio"
    if name == "phrases":
        try:
            print("phrases in", child_phrases(source_dir, cache_dir, COMMANDS) or "(none: the tests skip)")
        except Exception as why:  # a missing synthesiser: the scenarios say so and skip
            print("no phrases made:", why)
        return 0
    if name == "unheard-model":  # here `program` is kuku-recognize and cache_dir the models' folder
        print("model in", unheard_model(source_dir, cache_dir, program))
        return 0
    scenario, jouken = SCENARIOS[name]
    commands = COMMANDS
    models = flags.get("unheard")  # the folder of the models made by `unheard-model`
    if models:
        model = unheard_model(source_dir, models)
        if not model:
            print("FAIL: no model adapted without the child's engine in", models)
            return 1
        os.environ["RENTABO_MODEL_DIR"] = model
    try:
        prepare, listening_on = PREPARE.get(name, (None, "microphone"))
        rig = Rig(program, source_dir, cache_dir, settings(**jouken), commands, server, prepare, listening_on,
                  unheard=bool(models))
    except Skip as why:
        print("SKIP:", why)
        return 77
    ok = False
    try:
        scenario(rig)
        ok = True
    except Failure as why:
        print("FAIL:", why)
    finally:
        account(rig)
        # RENTABO_SOUND_KEEP=1 keeps the files of a scenario that passed as well.
        keep = not ok or bool(os.environ.get("RENTABO_SOUND_KEEP"))
        rig.close(keep=keep)
        if keep:
            print("files kept in", rig.work)
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
