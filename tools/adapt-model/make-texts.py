#!/usr/bin/env python3
"""Writes the texts the acoustic model is adapted on: made-up words of Japanese morae.

Usage: make-texts.py COUNT SEED [ENGINES] [--rooms] > texts.tsv
       (lines: id <TAB> kana <TAB> voice settings)

ENGINES is "oj,es" (the default), or one of them alone: a model adapted on one engine only is
measured on the other, a voice it never heard (the recognition benchmark's unheard voices).

The words are not the phrases the program listens for: the adaptation teaches the English model
how Japanese morae sound, and the recogniser's measurements on the real phrases stay honest.
Sequences a voice would not read as written are left out: おう and えい (read as long vowels),
は, へ and を after the first mora (read as particles), ぢ and づ.

Each word gets a voice setting, drawn so that every voice, speed, pitch and condition appears:
  engine  oj (Open JTalk, NIT voice) or es (espeak-ng)
  speed   oj: -r 0.8-1.25; es: -s 110-200 words per minute
  pitch   oj: -fm -3..+10 semitones, all-pass -a 0.42-0.60 (vocal tract: below 0.5 shorter, as
          a woman's or a child's); es: -p 20-99, and for three in four of its words one of
          espeak-ng's voice variants
  after   clean, noise at 10-25 dB SNR, or pitch raised 200-700 cents (a child's voice)
  room    with --rooms (adapt-model.sh gives it unless ROOMS=0: see README.md), for two in
          five words, drawn apart (its own random stream, so the words and voices
          stay those of a model adapted without rooms): a reverberant room (rv=reverberance,
          damping,room scale for sox's reverb), a second voice (bb=dB below the word,offset into
          the babble track), a laptop's microphone (lp=low,high Hz,gain,overdrive,hum volume) or
          a child farther away (q=dB quieter over the same noise floor)
"""
import random
import sys

ROWS = {
    "": "あいうえお", "k": "かきくけこ", "g": "がぎぐげご", "s": "さしすせそ", "z": "ざじずぜぞ",
    "t": "たちつてと", "d": "だでど", "n": "なにぬねの", "h": "はひふへほ", "b": "ばびぶべぼ",
    "p": "ぱぴぷぺぽ", "m": "まみむめも", "y": "やゆよ", "r": "らりるれろ", "w": "わ",
}
GLIDES = ["きゃ", "きゅ", "きょ", "しゃ", "しゅ", "しょ", "ちゃ", "ちゅ", "ちょ", "じゃ", "じゅ",
          "じょ", "にゃ", "にゅ", "にょ", "ひゃ", "ひょ", "りゃ", "りゅ", "りょ", "ぎょ", "びょ", "ぴょ"]
PLAIN = [k for row in ROWS.values() for k in row]
PARTICLE_LIKE = set("はへを")
# espeak-ng's voice variants (other vocal tracts, breathiness, pitch ranges); Andy and Annie are
# left out, so that the benchmark can try the model on voices it was not adapted to.
VARIANTS = ["f1", "f3", "f4", "f5", "m1", "m2", "m4", "m5", "m6", "m7", "m8", "klatt", "klatt2",
            "klatt3", "grandma", "grandpa", "steph", "linda", "max", "michel", "adam", "belinda",
            "caleb", "john", "shelby", "zac"]


def word(rng):
    morae = []
    for i in range(rng.randint(2, 7)):
        r = rng.random()
        if i > 0 and r < 0.08 and morae[-1] not in ("っ", "ん"):
            morae.append("っ")
            continue
        if i > 0 and r < 0.18 and morae[-1] not in ("っ", "ん"):
            morae.append("ん")
            continue
        m = rng.choice(GLIDES) if r < 0.33 else rng.choice(PLAIN)
        if i > 0 and m in PARTICLE_LIKE:
            m = "ほ"
        if morae and morae[-1] == "っ" and m[0] in "あいうえおなにぬねのまみむめもやゆよらりるれろわん":
            m = "か"
        prev = morae[-1] if morae else ""
        if (prev.endswith(("お", "こ", "ご", "そ", "ぞ", "と", "ど", "の", "ほ", "ぼ", "ぽ", "も", "よ", "ろ", "ょ"))
                and m == "う") or (prev.endswith(("え", "け", "げ", "せ", "ぜ", "て", "で", "ね", "へ", "べ", "ぺ",
                                                  "め", "れ")) and m == "い"):
            m = "あ"
        morae.append(m)
    if morae[-1] == "っ":
        morae[-1] = "と"
    return "".join(morae)


def voice(rng, i, engines):
    engine = ("oj" if i % 3 != 2 else "es") if len(engines) > 1 else engines[0]
    if engine == "oj":
        setting = "oj r=%.2f fm=%d a=%.2f" % (rng.uniform(0.8, 1.25), rng.randint(-3, 10), rng.uniform(0.42, 0.60))
    else:
        setting = "es s=%d p=%d" % (rng.randint(110, 200), rng.randint(20, 99))
        if rng.random() < 0.75:
            setting += " v=%s" % rng.choice(VARIANTS)
    r = rng.random()
    if r < 0.25:
        setting += " snr=%d" % rng.randint(10, 25)
    elif r < 0.45:
        setting += " cents=%d" % rng.randint(200, 700)
    return setting


def room(rng):
    r = rng.random()
    if r < 0.13:
        return " rv=%d,%d,%d" % (rng.randint(30, 90), rng.randint(20, 80), rng.randint(40, 100))
    if r < 0.25:
        return " bb=%d,%.3f" % (rng.randint(6, 18), rng.random())
    if r < 0.34:
        return " lp=%d,%d,%d,%d,%.3f" % (rng.randint(200, 400), rng.randint(3000, 4000), rng.randint(4, 14),
                                         rng.randint(5, 25), rng.uniform(0.002, 0.015))
    if r < 0.42:
        return " q=%d" % rng.randint(10, 26)
    return ""


def main():
    rooms = "--rooms" in sys.argv
    args = [a for a in sys.argv[1:] if a != "--rooms"]
    count, seed = int(args[0]), int(args[1])
    engines = args[2].split(",") if len(args) > 2 else ["oj", "es"]
    if not engines or any(e not in ("oj", "es") for e in engines):
        sys.exit("make-texts.py: ENGINES is oj, es or oj,es")
    rng = random.Random(seed)
    room_rng = random.Random(seed + 1000)
    seen = set()
    i = 0
    while i < count:
        w = word(rng)
        if w in seen:
            continue
        seen.add(w)
        print("a%04d\t%s\t%s" % (i, w, voice(rng, i, engines) + (room(room_rng) if rooms else "")))
        i += 1


if __name__ == "__main__":
    main()
