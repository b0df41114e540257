"""The rig of the sound tests: a private PulseAudio server (a null sink as the speaker, a pipe
source as the microphone), a virtual display, the real program, and a simulated child who listens
to the master through the speaker's monitor and answers into the microphone.

Everything is started in a temporary folder and stopped again by Rig.close(), which the tests call
from a finally block, so nothing is left running when a test fails.
"""

import array
import ctypes
import fcntl
import hashlib
import math
import os
import random
import shutil
import signal
import subprocess
import tempfile
import threading
import time
import zlib

RATE = 16000  # the microphone: 16 kHz mono, 16-bit
FRAME = 320  # 20 ms


class Failure(Exception):
    pass


def die_with_test():
    """In a child, before it runs: killed with the test process, even when that is killed
    outright (a test time-out), so no server, display or program is left running."""
    ctypes.CDLL(None, use_errno=True).prctl(1, signal.SIGKILL)  # PR_SET_PDEATHSIG


def wait_until(what, timeout, step=0.05, why="condition"):
    """Waits for an event that is seen by looking (a file, a log line, a server answering)."""
    end = time.monotonic() + timeout
    while True:
        value = what()
        if value:
            return value
        if time.monotonic() > end:
            raise Failure(f"timed out waiting for {why}")
        time.sleep(step)


# ---- phrases ----------------------------------------------------------------------------------


def phrase_script(source_dir):
    """Where make-phrases.sh is: $RENTABO_MAKE_PHRASES, or the shared folder beside the clone."""
    candidates = [os.environ.get("RENTABO_MAKE_PHRASES", ""),
                  os.path.join(source_dir, "..", "shared", "data", "phrases", "make-phrases.sh"),
                  "/work/shared/data/phrases/make-phrases.sh"]
    for c in candidates:
        if c and os.path.isfile(c):
            return os.path.abspath(c)
    return None


# Phrases the scenarios say that the shared list has not: the enrolment's stop command.
EXTRA_PHRASES = {"86": "ストップ\tcommand 86"}


def child_phrases(source_dir, cache_dir, commands):
    """The folder of the child's recorded phrases: $RENTABO_CHILD_PHRASES when set, else the
    phrases make-phrases.sh makes for the given command numbers, made once into cache_dir (a build
    folder, never the source tree) under a lock, since the tests run side by side."""
    chosen = os.environ.get("RENTABO_CHILD_PHRASES")
    if chosen:
        return chosen
    script = phrase_script(source_dir)
    if not script:
        return None
    os.makedirs(cache_dir, exist_ok=True)
    with open(os.path.join(cache_dir, ".lock"), "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        wanted = sorted(set(str(c) for c in commands))
        out = os.path.join(cache_dir, "%d-%08x" % (len(wanted), zlib.crc32(" ".join(wanted).encode())))
        if os.path.isfile(os.path.join(out, "manifest.tsv")):
            return out
        # make-phrases.sh reads phrases.tsv beside itself: a copy with only the needed lines, and
        # the phrases the shared list lacks.
        with tempfile.TemporaryDirectory() as tmp:
            shutil.copy(script, os.path.join(tmp, "make-phrases.sh"))
            with open(os.path.join(os.path.dirname(script), "phrases.tsv"), encoding="utf-8") as src, \
                    open(os.path.join(tmp, "phrases.tsv"), "w", encoding="utf-8") as dst:
                found = set()
                for line in src:
                    if line.split("\t")[0] in wanted:
                        dst.write(line)
                        found.add(line.split("\t")[0])
                for command in wanted:
                    if command not in found and command in EXTRA_PHRASES:
                        dst.write(f"{command}\t{EXTRA_PHRASES[command]}\n")
            part = out + ".part"
            shutil.rmtree(part, ignore_errors=True)
            subprocess.run(["bash", os.path.join(tmp, "make-phrases.sh"), part], check=True,
                           stdout=subprocess.DEVNULL)
            os.rename(part, out)
        return out


# The child the recogniser never heard: the acoustic model is adapted on espeak-ng's speech alone
# and the child speaks with Open JTalk's voice (the recordings oj1_* and oj2_* of make-phrases.sh),
# a voice the model never learnt from, as every family's child is.
UNHEARD_MODEL_ENGINES = "es"
UNHEARD_CHILD_VOICES = ("oj1", "oj2")
UNHEARD_MODEL_UTTERANCES = 3000
# What the model is made from: when one of these changes, the model is made again.
MODEL_SOURCES = ["tools/adapt-model/" + f for f in ("adapt-model.sh", "make-texts.py", "synthesize.sh",
                                                    "sendump-to-mixw.py", "write-manifest.cmake")] + \
    ["speech/platform/KanaPhones.cpp", "speech/platform/JapaneseReading.cpp"]
# The takes of each phrase, said in turn: (recording, pitch raised in cents, tempo). Open JTalk's
# voice is a man's (about 120 Hz); raised 3-5 semitones, its pitch and its vocal tract come near a
# child's (150-190 Hz; sox's pitch moves the formants too, as a child's shorter vocal tract does).
# No child says a phrase twice the same: each take has a pitch and a speed of its own.
UNHEARD_TAKES = [("oj1", 400, 1.0), ("oj2", 300, 1.07), ("oj1", 500, 0.93)]
# A mild room (sox reverb: reverberance 30 %, high-frequency damping 50 %, room scale 40 %: a
# child's room with furniture and curtains, the tail under a quarter of a second), milder than the
# recogniser benchmark's rooms (30-90 %, room scale 40-100 %); and 10 dB quieter than the
# recordings (peaks at -13 dBFS over the microphone's -50 dBFS noise floor: a child a metre or two
# from a laptop, not at its microphone).
UNHEARD_ROOM = ["reverb", "30", "50", "40"]
UNHEARD_PEAK_DB = -13


def unheard_model_dir(source_dir, cache_dir):
    """The folder of the model adapted without the child's engine, named after what it is made
    from."""
    h = hashlib.sha1(f"{UNHEARD_MODEL_ENGINES} {UNHEARD_MODEL_UTTERANCES}\n".encode())
    for name in MODEL_SOURCES:
        with open(os.path.join(source_dir, name), "rb") as f:
            h.update(name.encode() + b"\0" + f.read())
    return os.path.join(cache_dir, f"{UNHEARD_MODEL_ENGINES}-{UNHEARD_MODEL_UTTERANCES}-{h.hexdigest()[:16]}")


def unheard_model(source_dir, cache_dir, recognizer=None):
    """The model adapted without the child's engine: made once into cache_dir (a build folder)
    under a lock, made again only when what it is made from has changed. Without `recognizer`
    (kuku-recognize, which writes the pronunciations) it is only looked for: None when missing."""
    out = unheard_model_dir(source_dir, cache_dir)
    os.makedirs(cache_dir, exist_ok=True)
    with open(os.path.join(cache_dir, ".lock"), "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        if os.path.isfile(os.path.join(out, "manifest.txt")):
            return out
        if not recognizer:
            return None
        for old in os.listdir(cache_dir):  # models of older sources
            if not old.startswith("."):
                shutil.rmtree(os.path.join(cache_dir, old), ignore_errors=True)
        tools = os.path.join(source_dir, "tools", "adapt-model")
        started = time.monotonic()
        # A background job: it gives way to whatever else runs on the machine.
        subprocess.run(["nice", "-n", "10", os.path.join(tools, "adapt-model.sh"), recognizer, out,
                        str(UNHEARD_MODEL_UTTERANCES)], check=True,
                       env=dict(os.environ, ENGINES=UNHEARD_MODEL_ENGINES))
        subprocess.run(["cmake", "-DMODEL_DIR=" + out, "-P", os.path.join(tools, "write-manifest.cmake")],
                       check=True)
        print(f"model adapted on {UNHEARD_MODEL_ENGINES} alone in {time.monotonic() - started:.0f} s")
        return out


def unheard_phrases(folder):
    """The takes of the unheard child, made once from the recordings in `folder` beside it:
    Open JTalk's recordings only, pitched like a child, in a mild room, quieter."""
    settings = repr((UNHEARD_CHILD_VOICES, UNHEARD_TAKES, UNHEARD_ROOM, UNHEARD_PEAK_DB)).encode()
    out = "%s-unheard-%08x" % (folder.rstrip("/"), zlib.crc32(settings))
    with open(os.path.join(os.path.dirname(out), ".lock"), "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        if os.path.isfile(os.path.join(out, "manifest.tsv")):
            return out
        recordings = {}
        with open(os.path.join(folder, "manifest.tsv"), encoding="utf-8") as f:
            for line in f:
                cols = line.rstrip("\n").split("\t")
                voice = cols[0].split("_")[0]
                if len(cols) >= 2 and voice in UNHEARD_CHILD_VOICES:
                    recordings.setdefault(cols[1], {})[voice] = cols
        part = out + ".part"
        shutil.rmtree(part, ignore_errors=True)
        os.makedirs(part)
        lines = []
        for command, voices in sorted(recordings.items()):
            for n, (voice, cents, tempo) in enumerate(UNHEARD_TAKES, 1):
                if voice not in voices:
                    continue
                cols = voices[voice]
                name = f"t{n}_{cols[0]}"
                subprocess.run(["sox", "-V1", "-R", os.path.join(folder, cols[0]), "-b", "16", "-c", "1",
                                os.path.join(part, name), "pitch", str(cents), "tempo", "-s", str(tempo),
                                "pad", "0", "0.3", *UNHEARD_ROOM, "gain", "-n", str(UNHEARD_PEAK_DB),
                                "rate", "16000"], check=True)
                lines.append("\t".join([name] + cols[1:]) + "\n")
        with open(os.path.join(part, "manifest.tsv"), "w", encoding="utf-8") as f:
            f.writelines(lines)
        os.rename(part, out)
        return out


def read_wav(path):
    """Samples of a 16 kHz mono 16-bit WAV file."""
    with open(path, "rb") as f:
        data = f.read()
    pos = 12
    fmt = None
    while pos + 8 <= len(data):
        tag, size = data[pos:pos + 4], int.from_bytes(data[pos + 4:pos + 8], "little")
        body = data[pos + 8:pos + 8 + size]
        if tag == b"fmt ":
            fmt = (int.from_bytes(body[2:4], "little"), int.from_bytes(body[4:8], "little"),
                   int.from_bytes(body[14:16], "little"))
        elif tag == b"data":
            if fmt != (1, RATE, 16):
                raise Failure(f"{path}: not 16 kHz mono 16-bit ({fmt})")
            samples = array.array("h")
            samples.frombytes(body[:len(body) // 2 * 2])
            return samples
        pos += 8 + size + (size & 1)
    raise Failure(f"{path}: no audio")


def trailing_quiet(samples):
    """The samples after a recording's last sound (above -34 dB of its peak): the recorded
    phrases end in most of a second of silence, and the phrase ends where the voice does."""
    peak = max((abs(s) for s in samples), default=0)
    for i in range(len(samples) - 1, -1, -1):
        if abs(samples[i]) > peak * 0.02:
            return len(samples) - 1 - i
    return 0


def engine_of(name):
    """The engine a recording's voice is of: "oj" for oj2_002_106.wav and t1_oj2_002_106.wav."""
    return name.split("_")[-3].rstrip("0123456789")


class Phrases:
    """manifest.tsv: file <TAB> command number [<TAB> text]. Several recordings of one command are
    said in turn, so a phrase said again sounds a little different, as a child's does."""

    def __init__(self, folder):
        self.folder = folder
        self.by_command = {}
        with open(os.path.join(folder, "manifest.tsv"), encoding="utf-8") as f:
            for line in f:
                cols = line.rstrip("\n").split("\t")
                if len(cols) >= 2 and cols[1].isdigit():
                    self.by_command.setdefault(int(cols[1]), []).append(cols[0])
        for command, files in self.by_command.items():
            # Open JTalk's voice first: it is the nearest to a person of the four. The child is one
            # person, so the takes are of that engine's voice alone (its speeds and pitches): once
            # the program has learnt the child's voice, it listens for that voice, and espeak-ng's
            # ろく said after a model learnt from Open JTalk's was heard as ごじゅう.
            files.sort(key=lambda n: (not n.startswith("oj1"), not n.startswith("oj"), n))
            self.by_command[command] = [n for n in files if engine_of(n) == engine_of(files[0])]
        self.turn = {}

    def has(self, command):
        return command in self.by_command

    def samples(self, command):
        files = self.by_command.get(command)
        if not files:
            raise Failure(f"no recorded phrase for command {command} in {self.folder}")
        i = self.turn.get(command, 0)
        self.turn[command] = i + 1
        self.last = files[i % len(files)]  # the take said last, for the tests' account
        return read_wav(os.path.join(self.folder, self.last))


# ---- the sound server ---------------------------------------------------------------------------


class SoundServer:
    """A private PulseAudio server in work/pulse: sink "speaker" (null), source "microphone"
    (a pipe, 16 kHz mono) as the defaults."""

    def __init__(self, work):
        self.work = work
        self.runtime = os.path.join(work, "run")
        os.makedirs(self.runtime, mode=0o700, exist_ok=True)
        os.chmod(self.runtime, 0o700)
        self.fifo = os.path.join(work, "microphone.fifo")
        self.config = os.path.join(work, "pulse.pa")
        with open(self.config, "w") as f:
            f.write("load-module module-native-protocol-unix\n"
                    "load-module module-null-sink sink_name=speaker rate=48000 channels=2\n"
                    f"load-module module-pipe-source source_name=microphone file={self.fifo} "
                    "format=s16le rate=16000 channels=1\n"
                    "set-default-sink speaker\nset-default-source microphone\n")
        # No client may start a server of its own while this one is away (the restart test).
        client = os.path.join(work, "client.conf")
        with open(client, "w") as f:
            f.write("autospawn = no\n")
        # Every client (pactl, parec, the program) is told the server's runtime folder outright: a
        # client that has to find one falls back to making a /tmp/pulse-* folder of its own.
        self.env = dict(os.environ, XDG_RUNTIME_DIR=self.runtime, HOME=work, PULSE_CLIENTCONFIG=client,
                        PULSE_RUNTIME_PATH=os.path.join(self.runtime, "pulse"),
                        PULSE_SERVER="unix:" + os.path.join(self.runtime, "pulse", "native"))
        self.env.pop("DBUS_SESSION_BUS_ADDRESS", None)
        self.proc = None
        self.starts = 0

    def start(self):
        self.starts += 1
        log = open(os.path.join(self.work, f"pulse-{self.starts}.log"), "w")
        self.proc = subprocess.Popen(
            ["pulseaudio", "-n", "-F", self.config, "--daemonize=no", "--exit-idle-time=-1",
             "--use-pid-file=no", "--log-target=stderr", "--log-level=warning"],
            env=self.env, stdout=log, stderr=log, start_new_session=True, preexec_fn=die_with_test)
        wait_until(lambda: self.proc.poll() is not None or self.answers(), 20, 0.1, "the sound server")
        if self.proc.poll() is not None:
            raise Failure("the sound server did not start: " + open(log.name).read()[-500:])

    def answers(self):
        return subprocess.run(["pactl", "info"], env=self.env, stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL).returncode == 0

    def recording_clients(self, source="microphone"):
        """The streams recording from the microphone, or from another source so named (the child's
        ears record the monitor)."""
        def table(what):
            out = subprocess.run(["pactl", "list", "short", what], env=self.env,
                                 capture_output=True, text=True).stdout
            return [line.split("\t") for line in out.splitlines() if line.strip()]
        microphone = [cols[0] for cols in table("sources") if len(cols) > 1 and cols[1] == source]
        return [cols for cols in table("source-outputs") if len(cols) > 1 and cols[1] in microphone]

    def kill(self):
        if self.proc and self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()


class PipeWireServer:
    """A private PipeWire in work/pipewire, as a desktop of today runs it: the server, its session
    manager and its PulseAudio server, with a message bus of their own (the session manager does
    not start without one). The program and the child reach it through the PulseAudio server, as
    on PulseAudio itself: sink "speaker" (null), source "microphone" (a pipe, 16 kHz mono) as the
    defaults. The session manager is told to leave the machine's own devices alone."""

    TOOLS = ("pipewire", "wireplumber", "pipewire-pulse", "dbus-daemon")

    def __init__(self, work):
        self.work = work
        base = os.path.join(work, "pipewire")
        self.runtime = os.path.join(base, "run")
        os.makedirs(self.runtime, mode=0o700, exist_ok=True)
        os.chmod(self.runtime, 0o700)
        self.fifo = os.path.join(work, "microphone.fifo")
        config = os.path.join(base, "config")
        # Fragments of the same name as the packaged ones replace them: no sound cards, cameras
        # or Bluetooth, only the defaults and the stream policy.
        for folder, text in (("main.lua.d", 'load_module("metadata")\ndefault_access.enable()\n'
                                            "device_defaults.enable()\nstream_defaults.enable()\n"
                                            'load_script("intended-roles.lua")\n'),
                             ("bluetooth.lua.d", "")):
            os.makedirs(os.path.join(config, "wireplumber", folder), exist_ok=True)
            with open(os.path.join(config, "wireplumber", folder, "90-enable-all.lua"), "w") as f:
                f.write(text)
        client = os.path.join(base, "client.conf")
        with open(client, "w") as f:
            f.write("autospawn = no\n")
        pulse = os.path.join(self.runtime, "pulse")
        self.env = dict(os.environ, XDG_RUNTIME_DIR=self.runtime, HOME=base, XDG_CONFIG_HOME=config,
                        XDG_STATE_HOME=os.path.join(base, "state"), PULSE_CLIENTCONFIG=client,
                        PULSE_RUNTIME_PATH=pulse, PULSE_SERVER="unix:" + os.path.join(pulse, "native"),
                        DBUS_SESSION_BUS_ADDRESS="unix:path=" + os.path.join(self.runtime, "bus"))
        self.env.pop("PIPEWIRE_REMOTE", None)
        self.procs = []
        self.starts = 0

    def _spawn(self, name, argv, ready, why):
        log = open(os.path.join(self.work, f"{name}-{self.starts}.log"), "w")
        proc = subprocess.Popen(argv, env=self.env, stdout=log, stderr=log, start_new_session=True,
                                preexec_fn=die_with_test)
        self.procs.append(proc)
        wait_until(lambda: proc.poll() is not None or ready(), 20, 0.05, why)
        if proc.poll() is not None:
            raise Failure(f"{why} did not start: " + open(log.name).read()[-500:])

    def start(self):
        self.starts += 1
        bus = os.path.join(self.runtime, "bus")
        self._spawn("dbus", ["dbus-daemon", "--session", "--nofork", "--nopidfile",
                             "--address=unix:path=" + bus], lambda: os.path.exists(bus), "the message bus")
        self._spawn("pipewire", ["pipewire"], lambda: os.path.exists(os.path.join(self.runtime, "pipewire-0")),
                    "PipeWire")
        self._spawn("pipewire-pulse", ["pipewire-pulse"], self.answers, "PipeWire's PulseAudio server")
        self._spawn("wireplumber", ["wireplumber"], lambda: True, "WirePlumber")
        # Right after a restart the PulseAudio server was seen to answer but refuse a module for a
        # moment, once for over 20 s, with WirePlumber logging its own 20 s activation timeout (as
        # for the defaults below): a refused module is asked for again, unless it is there after
        # all, and what the server said last is told if it never loads.
        for kind, name, module in (("sinks", "speaker", ["module-null-sink", "sink_name=speaker", "rate=48000",
                                                         "channels=2"]),
                                   ("sources", "microphone", ["module-pipe-source", "source_name=microphone",
                                                              "file=" + self.fifo, "format=s16le", "rate=16000",
                                                              "channels=1"])):
            said = []

            def loaded():
                if self.has(kind, name):
                    return True
                r = subprocess.run(["pactl", "load-module", *module], env=self.env, capture_output=True,
                                   text=True)
                said.append((r.stderr or r.stdout).strip())
                return r.returncode == 0

            try:
                wait_until(loaded, 45, 0.5, f"PipeWire to load {module[0]}")
            except Failure as e:
                raise Failure(f"{e} (pactl said: {said[-1] if said else 'nothing'})") from None
        # The session manager takes a while to see the new nodes before they can be the defaults. After
        # a restart under load it was seen to wait out its own 20 s activation timeout first.
        wait_until(lambda: self.pactl("set-default-sink", "speaker") and self.pactl("set-default-source", "microphone")
                   and "Default Source: microphone" in self.info(), 45, 0.1, "the defaults on PipeWire")

    def pactl(self, *args):
        return subprocess.run(["pactl", *args], env=self.env, stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL).returncode == 0

    def info(self):
        return subprocess.run(["pactl", "info"], env=self.env, capture_output=True, text=True).stdout

    def has(self, kind, name):
        listed = subprocess.run(["pactl", "list", "short", kind], env=self.env, capture_output=True,
                                text=True).stdout
        return any(line.split("\t")[1:2] == [name] for line in listed.splitlines())

    def answers(self):
        return self.pactl("info")

    recording_clients = SoundServer.recording_clients

    def kill(self):
        for proc in reversed(self.procs):
            if proc.poll() is None:
                proc.kill()
                proc.wait()
        self.procs = []


SERVERS = {"pulseaudio": SoundServer, "pipewire": PipeWireServer}


# ---- the simulated child --------------------------------------------------------------------------


class Child:
    """Listens to the speaker's monitor and talks into the microphone pipe.

    The pipe gets a steady noise floor (about -50 dBFS) at real-time pace, with a phrase mixed in
    when the child says one and, when asked, the monitor itself mixed in at a given level (the
    master's voice leaking from the loudspeaker into the microphone)."""

    SPEAKING_RMS = 300  # monitor level above which the master is heard

    def __init__(self, server, phrases):
        self.server = server
        self.phrases = phrases
        self.lock = threading.Condition()
        self.queue = array.array("h")  # phrase samples not yet written
        self.leak_gain = 0.0
        self.leak = array.array("h")  # monitor samples waiting to leak into the microphone
        self.heard_loud = 0.0  # monotonic time of the last loud monitor frame
        self.sound_onsets = []  # monotonic times a sound began on the monitor after quiet
        self.sound_offsets = []  # monotonic times of the last loud frame before quiet
        self.phrase_ends = []  # monotonic times the last sound of a phrase entered the pipe
        self.queue_quiet = 0  # the samples of silence that end the phrase queued
        self.stop = False
        self.noise = random.Random(18)
        self.threads = [threading.Thread(target=self._write, daemon=True),
                        threading.Thread(target=self._listen, daemon=True)]
        for t in self.threads:
            t.start()

    # What the tests call.

    def master_quiet_for(self, seconds):
        with self.lock:
            return time.monotonic() - self.heard_loud >= seconds

    def wait_master_done(self, after, quiet=0.5, timeout=30):
        """Waits until the master has said something since `after` and then kept quiet."""
        def done():
            with self.lock:
                return self.heard_loud > after and time.monotonic() - self.heard_loud >= quiet
        wait_until(done, timeout, 0.02, "the master to finish speaking")
        with self.lock:
            return self.heard_loud

    def say(self, command):
        samples = self.phrases.samples(command)
        with self.lock:
            self.queue.extend(samples)
            self.queue_quiet = trailing_quiet(samples)
            while self.queue and not self.stop:
                self.lock.wait(0.1)
            return self.phrase_ends[-1] if self.phrase_ends else time.monotonic()

    def set_leak(self, decibels):
        with self.lock:
            self.leak_gain = 0.0 if decibels is None else 10 ** (decibels / 20)

    def close(self):
        self.stop = True
        for t in self.threads:
            t.join(3)

    # The microphone.

    def _open_pipe(self):
        while not self.stop:
            try:
                return os.open(self.server.fifo, os.O_WRONLY | os.O_NONBLOCK)
            except OSError:
                time.sleep(0.05)  # no server reading the pipe yet
        return None

    def _write(self):
        fd = self._open_pipe()
        start = time.monotonic()
        written = 0
        while not self.stop:
            due = int((time.monotonic() - start) * RATE) + FRAME  # keep 20 ms ahead
            if written >= due:
                time.sleep(0.005)
                continue
            frame = array.array("h", (int(self.noise.gauss(0, 100)) for _ in range(FRAME)))
            with self.lock:
                n = min(FRAME, len(self.queue))
                for i in range(n):
                    frame[i] = max(-32768, min(32767, frame[i] + self.queue[i]))
                if n:
                    del self.queue[:n]
                    if not self.queue:
                        self.phrase_ends.append(start + (written + n - self.queue_quiet) / RATE)
                        self.lock.notify_all()
                m = min(FRAME, len(self.leak))
                if self.leak_gain and m:
                    for i in range(m):
                        frame[i] = max(-32768, min(32767, frame[i] + int(self.leak[i] * self.leak_gain)))
                del self.leak[:m]
            try:
                if fd is None:
                    raise OSError
                os.write(fd, frame.tobytes())
            except OSError:
                # The server went away (or its pipe is full: PipeWire leaves the pipe unread
                # while nothing records): start again once it reads again.
                if fd is not None:
                    os.close(fd)
                    time.sleep(0.02)
                fd = self._open_pipe()
                start, written = time.monotonic(), 0
                continue
            written += FRAME
        if fd is not None:
            os.close(fd)

    # The ears.

    def _listen(self):
        was_loud = False
        while not self.stop:
            proc = subprocess.Popen(
                ["parec", "--device=speaker.monitor", "--rate=16000", "--channels=1", "--format=s16le",
                 "--raw", "--latency-msec=20"],
                env=self.server.env, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
            try:
                while not self.stop:
                    data = proc.stdout.read(FRAME * 2)
                    if not data:
                        break
                    frame = array.array("h")
                    frame.frombytes(data[:len(data) // 2 * 2])
                    rms = math.sqrt(sum(s * s for s in frame) / max(1, len(frame)))
                    now = time.monotonic()
                    with self.lock:
                        if self.leak_gain:
                            self.leak.extend(frame)
                        if rms >= self.SPEAKING_RMS:
                            if now - self.heard_loud > 0.3:
                                self.sound_onsets.append(now - len(frame) / RATE)
                            self.heard_loud = now
                            was_loud = True
                        elif was_loud:
                            self.sound_offsets.append(self.heard_loud)
                            was_loud = False
            finally:
                proc.kill()
                proc.wait()
            time.sleep(0.1)  # the server is gone: listen again when it is back


# ---- the program -------------------------------------------------------------------------------------


class Program:
    """The built program, run from a copy of its folder (its settings file lands there) on a
    private display, with its memo mirrored into a file."""

    def __init__(self, work, program, server, settings):
        self.work = work
        self.dir = os.path.join(work, "app")
        shutil.copytree(os.path.dirname(os.path.abspath(program)), self.dir, symlinks=True,
                        ignore=shutil.ignore_patterns("CMakeFiles", "*_autogen", "*.cmake"))
        self.ini = os.path.join(self.dir, "RentaboV24.ini")
        with open(self.ini, "w", encoding="cp932", newline="\r\n") as f:
            for section, keys in settings.items():
                f.write(f"[{section}]\n")
                for k, v in keys.items():
                    f.write(f"{k}={v}\n")
        self.memo_path = os.path.join(work, "memo.log")
        self.voice_log = os.path.join(work, "voice.log")
        self.env = dict(server.env, XDG_CONFIG_HOME=os.path.join(work, "config"),
                        RENTABO_MEMO_LOG=self.memo_path, RENTABO_VOICE_LOG=self.voice_log,
                        # Each phrase heard and the rule that refused it, in program.log.
                        QT_LOGGING_RULES="rentabo.listening.debug=true")
        # When the memo grew: (monotonic time, length), for the latency figures.
        self.growth = [(time.monotonic(), 0)]
        self.watching = True
        self.env.pop("QT_QPA_PLATFORM", None)  # a real window on the private display
        self.xvfb = None
        self.wm = None
        self.proc = None
        self.log = os.path.join(work, "program.log")

    def start(self):
        display_file = os.path.join(self.work, "display")
        r, w = os.pipe()
        self.xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(w), "-noreset", "-screen", "0", "1280x1024x24",
                                      "-nolisten", "tcp"], pass_fds=(w,), stdout=subprocess.DEVNULL,
                                     stderr=subprocess.DEVNULL, start_new_session=True, preexec_fn=die_with_test)
        os.close(w)
        with os.fdopen(r) as f:
            number = f.readline().strip()
        if not number:
            raise Failure("Xvfb did not start")
        with open(display_file, "w") as f:
            f.write(number)
        self.env["DISPLAY"] = ":" + number
        # A window manager, so a window can be closed the way a user closes it.
        self.wm = subprocess.Popen(["openbox"], env=self.env, stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL, start_new_session=True, preexec_fn=die_with_test)
        self.proc = subprocess.Popen([os.path.join(self.dir, "rentabo")], env=self.env,
                                     stdout=open(self.log, "w"), stderr=subprocess.STDOUT,
                                     start_new_session=True, preexec_fn=die_with_test)
        threading.Thread(target=self._watch_memo, daemon=True).start()
        self.window = self.wait_window("Rentabo|九九|くく|道場", 60)

    def running(self):
        return self.proc.poll() is None

    def _watch_memo(self):
        while self.watching:
            n = len(self.memo())
            if n > self.growth[-1][1]:
                self.growth.append((time.monotonic(), n))
            time.sleep(0.005)

    def shown_at(self, position):
        """When the memo first held the text at `position` (to 5 ms)."""
        for t, n in self.growth:
            if n > position:
                return t
        return None

    def voice_events(self, kinds=("start", "end")):
        """(monotonic time, "start" or "end") of the master's utterances; with kinds=("mark",),
        the moments a mark was drawn on the board."""
        try:
            with open(self.voice_log) as f:
                return [(float(t), what) for t, what in (line.split() for line in f if line.strip())
                        if what in kinds]
        except FileNotFoundError:
            return []

    def voice_busy(self):
        """Whether the master is in the middle of an utterance."""
        events = self.voice_events()
        return bool(events) and events[-1][1] == "start"

    def listening(self):
        """The listening log's lines so far: each phrase the recogniser heard and what became of
        it ("heard ろく (confidence …)", "heard ごじゅう refused: lead over the awaited answer …")."""
        try:
            with open(self.log, encoding="utf-8", errors="replace") as f:
                prefix = "rentabo.listening: "
                return [line[len(prefix):].rstrip("\n") for line in f if line.startswith(prefix)]
        except FileNotFoundError:
            return []

    def memo(self):
        try:
            with open(self.memo_path, encoding="utf-8", errors="replace") as f:
                return f.read()
        except FileNotFoundError:
            return ""

    def wait_memo(self, needle, start=0, timeout=20):
        """Waits for a text to appear in the memo after position `start`; returns its end."""
        def seen():
            if not self.running():
                raise Failure("the program ended: " + self.tail())
            i = self.memo().find(needle, start)
            return i + len(needle) if i >= 0 else None
        return wait_until(seen, timeout, 0.01, f"{needle!r} in the memo")

    def xdotool(self, *args):
        return subprocess.run(["xdotool", *args], env=self.env, capture_output=True, text=True).stdout

    def windows(self, name=None):
        args = ["search", "--all", "--onlyvisible", "--pid", str(self.proc.pid)]
        if name:
            args += ["--name", name]
        return self.xdotool(*args).split()

    def wait_window(self, name, timeout):
        def found():
            if not self.running():
                raise Failure("the program ended: " + self.tail())
            w = self.windows(name)
            return w[0] if w else None
        return wait_until(found, timeout, 0.1, f"a window named {name!r}")

    def key(self, window, keys):
        self.xdotool("windowactivate", "--sync", window)
        # The window manager may leave the focus where it was (a box opened as another window
        # closed), and the program drops keys sent to a window without the focus.
        self.xdotool("windowfocus", "--sync", window)
        self.xdotool("key", "--window", window, "--clearmodifiers", keys)

    def confirm(self, name, timeout=20):
        """Answers the OK/Cancel box named `name` with Return. A key sent while the box is still
        being mapped can be lost, so Return is pressed again until the box has gone."""
        box = self.wait_window(name, timeout)
        for _ in range(3):
            self.key(box, "Return")
            try:
                wait_until(lambda: box not in self.windows(), 2, 0.1, f"the box {name!r} to close")
                return
            except Failure:
                pass
        raise Failure(f"the box {name!r} did not take Return")

    def close(self):
        self.watching = False
        for p in (self.proc, self.wm, self.xvfb):
            if p and p.poll() is None:
                p.kill()
                p.wait()

    def tail(self):
        try:
            return open(self.log, errors="replace").read()[-1500:] + "\nmemo: " + self.memo()[-1500:]
        except OSError:
            return ""

    def settings(self):
        values = {}
        section = ""
        with open(self.ini, encoding="cp932", errors="replace") as f:
            for line in f:
                line = line.strip()
                if line.startswith("["):
                    section = line.strip("[]")
                elif "=" in line:
                    k, v = line.split("=", 1)
                    values[(section, k)] = v
        return values


class Rig:
    """Server, child and program together; close() stops all of them. `prepare` is called with
    the rig once the server and the child are there, before the program starts."""

    def __init__(self, program, source_dir, cache_dir, settings, commands, server="pulseaudio",
                 prepare=None, listening_on="microphone", unheard=False):
        kind = SERVERS[server]
        for tool in getattr(kind, "TOOLS", ("pulseaudio",)) + ("pactl", "parec", "Xvfb", "xdotool", "openbox", "sox"):
            if not shutil.which(tool):
                raise Skip(f"{tool} is not installed")
        folder = child_phrases(source_dir, cache_dir, commands)
        if not folder:
            raise Skip("no child phrases: set RENTABO_CHILD_PHRASES or put the shared folder beside the clone")
        if unheard:
            folder = unheard_phrases(folder)
        self.unheard = unheard  # the child takes the offer to learn its voice
        # Every phrase the child said: (command, take, heard, what the memo heard meanwhile).
        self.attempts = []
        self.work = tempfile.mkdtemp(prefix="rentabo-sound-")
        self.server = kind(self.work)
        self.child = None
        self.program = None
        try:
            self.server.start()
            self.child = Child(self.server, Phrases(folder))
            if prepare:
                prepare(self)
            self.program = Program(self.work, program, self.server, settings)
            self.program.start()
            # The program listens once it has opened the microphone on the server.
            wait_until(lambda: self.server.recording_clients(listening_on), 30, 0.1,
                       f"the program to open the microphone {listening_on!r}")
        except BaseException:
            self.close()
            raise

    def close(self, keep=False):
        if self.program:
            self.program.close()
        if self.child:
            self.child.close()
        self.server.kill()
        if not keep:
            shutil.rmtree(self.work, ignore_errors=True)


class Skip(Exception):
    pass
