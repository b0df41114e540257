#!/bin/bash
# Runs kuku-recognize over a folder of WAV files with a manifest.tsv (file, expected command
# number, text) and prints the accuracy per voice (the file name's prefix before "_"), the false
# accepts (a wrong number), the rejections (0), every miss, the decoding time per second of audio
# and the loading time. Extra arguments go to kuku-recognize (for example --warps 1.0 or --pip 2).
#
# Environment:
#   MOMENTS=1       listen as the program does at each moment: number phrases with the rules of a
#                   spoken answer (rows, commands, numbers), readings with those of a recitation
#                   (rows, commands, readings), the rest with the idle rules (colours, rows,
#                   commands, chart); otherwise every rule at once.
#   CONDITIONS="clean noise15 pitch500 tempo080 tempo125 padded"
#                   also decode the phrases transformed by sox (made once into DIR/conditions):
#                   white noise at 15 dB SNR over the speech, pitch raised 500 cents (a child's
#                   voice), tempo 0.8 and 1.25, 1.5 s of noise floor before and after; prints a
#                   table condition x voice. The room: reverb (a reverberant room), babble12 (a
#                   second voice 12 dB below the speech), laptop (300-3400 Hz, overdriven, mains
#                   hum), quiet20 (the speech 20 dB quieter over the same noise floor).
#   SUBSET=N        only every Nth phrase (all voices), for quick exploration.
#   RAW=DIR         keep the tool's raw output per condition in DIR (for offline analysis).
#   SESSIONS=1      one tool run per voice and moment, as a child's session is one speaker (the
#                   recogniser learns the speaker's warp over the phrases of a run).
#   CHAT=1          also decode sentences of chat (made once into DIR/conditions/chat) with the
#                   rules of each moment and count those taken for a command.
#   UNSEEN=1        also decode the numbers said by two voices the acoustic model was never
#                   adapted to (espeak-ng's variants Andy and Annie; made once into
#                   DIR/conditions/unseen).
#   UNHEARD=1       also measure on voices the acoustic model never heard, the figures to trust:
#                   each voice of the set is decoded with a model adapted without its engine
#                   (Open JTalk's voices with a model adapted on espeak-ng alone, espeak-ng's with
#                   one adapted on Open JTalk alone; made once into DIR/models/ by
#                   tools/adapt-model/adapt-model.sh, about three minutes each), printed as a
#                   second table per condition and voice. UNHEARD=only prints that table alone.
#   MODELS=DIR      with UNHEARD: the unheard models' folder (without-oj, without-es; made there
#                   when missing) instead of DIR/models, to measure another recipe of the model
#                   on the same phrases.
#   ADAPT=1         with UNHEARD: also adapt to each voice as the program adapts to its learner
#                   (kuku-recognize --adapt-from with every sixth of the voice's phrases, 30 of
#                   them) and decode its other phrases with the model adapted to it.
#   ENROL="0 6 12 20 30 numbers12"
#                   with UNHEARD: the enrolment curve. For each entry, learn each voice from N of
#                   its phrases (N of every sixth phrase, evenly spread; numbersN: the numbers 1-9,
#                   いちのだん, テストはじめ, テストおわり first) and decode the voice's phrases
#                   that no entry learns from (the same for every N; 0: not learnt), with the
#                   rules of each moment. SUBSET thins the phrases decoded, never the enrolment.
#   ANSWERS=right   with MOMENTS: hear each number and reading as the answer to a question whose
#                   right answer it is (a child answering right); ANSWERS=wrong: as the answer to
#                   a question whose right answer is another number or reading (the next product,
#                   the next fact), a child answering wrong. The program asks again when another
#                   phrase is not clearly better than the right answer. ANSWERS=during: only the
#                   rows and commands, heard with the rules of a spoken answer while 12 is awaited
#                   (a child stopping a spoken test).
#   SWEEP="-12 -10/2 -8/1 -10/2/3/-14"  also print correct / false accepts / rejections at each
#                   confidence threshold (then margin, lead over the expected answer and the
#                   confidence the expected answer needs, after slashes), from the scores the tool
#                   reports; with UNHEARD=1 for the unheard voices as well, and why the phrases
#                   not heard right were not (THRESHOLDS="-10/2/3/-10" when the run's differ).
# Usage: run-bench.sh DIR [kuku-recognize options]
set -eu
dir=${1:?usage: run-bench.sh DIR [kuku-recognize options]}
shift
here=$(cd "$(dirname "$0")" && pwd)
tool=${KUKU_RECOGNIZE:-$here/../../build/tools/kuku-recognize/kuku-recognize}
[[ -x $tool ]] || { echo "kuku-recognize not built: $tool" >&2; exit 1; }
[[ -f $dir/manifest.tsv ]] || { echo "no manifest.tsv in $dir" >&2; exit 1; }
work=$(mktemp -d); trap 'rm -rf "$work"' EXIT
subset=${SUBSET:-1}
models=${MODELS:-$dir/models}
# ANSWERS=during decodes the rows and commands alone.
awk -F'\t' -v n="$subset" -v during="$([[ ${ANSWERS:-} == during ]] && echo 1 || echo 0)" \
  'int((NR - 1) / 4) % n == 0 && (!during || ($2 >= 60 && $2 <= 99))' "$dir/manifest.tsv" >"$work/manifest.tsv"

# The second voice of the room (babble12): sentences of chat and of a television programme in
# espeak-ng's variants Andy and Annie and Open JTalk's voice pitched down, none of them ever used
# in an adaptation, one after another into DIR/conditions/talker.wav (made once).
talker=$dir/conditions/talker.wav
make_talker() {
  if [[ ! -f $talker ]]; then
    local dic=/var/lib/mecab/dic/open-jtalk/naist-jdic k=0 parts=()
    local nit=/usr/share/hts-voice/nitech-jp-atr503-m001/nitech_jp_atr503_m001.htsvoice
    for text in きょうのてんきはくもりのちはれでしょう こうそくどうろはじゅうたいしています \
      あしたのあさはさむくなります やきゅうのしあいはさんたいにでした おかしをかってきたよ \
      えきまえのおみせがあたらしくなりました ねこがにわであそんでいる もうすぐごはんですよ; do
      k=$((k + 1))
      case $((k % 3)) in
        0) espeak-ng -v ja+Andy -s 160 -w "$work/raw.wav" "$text" ;;
        1) espeak-ng -v ja+Annie -s 150 -w "$work/raw.wav" "$text" ;;
        2) echo "$text" | open_jtalk -x "$dic" -m "$nit" -r 1.1 -fm -4 -ow "$work/raw.wav" ;;
      esac
      sox -V1 -R "$work/raw.wav" -c 1 -b 16 "$work/talk$k.wav" gain -n -3 rate 16000 pad 0 0.2
      parts+=("$work/talk$k.wav")
    done
    mkdir -p "$dir/conditions"
    sox -V1 "${parts[@]}" "$talker.new.wav" && mv "$talker.new.wav" "$talker"
  fi
}

# A transformed copy of every phrase of the manifest, made once.
make_condition() {
  local cond=$1 out=$dir/conditions/$1
  [[ -f $out/manifest.tsv ]] && return 0
  mkdir -p "$out"
  local f rms vol i=1
  while IFS=$'\t' read -r f _; do
    case $cond in
      noise15)
        # RMS of the speech alone (the noise floor trimmed off both ends).
        rms=$(sox -V1 "$dir/$f" -n silence 1 0.02 2% reverse silence 1 0.02 2% reverse stat 2>&1 |
          awk '/RMS +amplitude/ { print $3 }')
        # sox's white noise is uniform: its RMS is vol / sqrt(3).
        vol=$(awk -v r="$rms" 'BEGIN { printf "%.6f", r / 10 ^ (15 / 20) * sqrt(3) }')
        sox -V1 -n -r 16000 -c 1 -b 16 "$work/n.wav" synth "$(soxi -D "$dir/$f")" whitenoise vol "$vol"
        sox -V1 -m "$dir/$f" "$work/n.wav" "$out/$f" ;;
      pitch500) sox -V1 "$dir/$f" "$out/$f" pitch 500 ;;
      tempo080) sox -V1 "$dir/$f" "$out/$f" tempo 0.8 ;;
      tempo125) sox -V1 "$dir/$f" "$out/$f" tempo 1.25 ;;
      padded)
        sox -V1 "$dir/$f" "$work/p.wav" pad 1.5 1.5
        sox -V1 -n -r 16000 -c 1 -b 16 "$work/n.wav" synth "$(soxi -D "$work/p.wav")" whitenoise vol 0.003
        sox -V1 -m "$work/p.wav" "$work/n.wav" "$out/$f" ;;
      reverb)
        # A reverberant room: half a second of tail, the level kept.
        sox -V1 "$dir/$f" "$out/$f" pad 0 0.5 reverb 70 50 100 gain -n -3 ;;
      babble12)
        # A second voice 12 dB below the speech (its peaks 12 dB below the phrase's, both
        # synthesised to -3 dBFS): a slice of another talker, never used in any adaptation, at an
        # offset of its own for each phrase.
        make_talker
        local len off
        len=$(soxi -D "$dir/$f")
        i=$((i + 1))
        off=$(awk -v n="$i" -v l="$len" -v t="$(soxi -D "$talker")" 'BEGIN { srand(n); printf "%.2f", rand() * (t - l - 1) }')
        sox -V1 "$talker" "$work/t.wav" trim "$off" "$len"
        vol=$(awk 'BEGIN { printf "%.6f", 10 ^ (-12 / 20) }')
        sox -V1 -m -v 1 "$dir/$f" -v "$vol" "$work/t.wav" "$out/$f" ;;
      laptop)
        # A laptop's microphone: 300-3400 Hz, overdriven (12 dB of gain, then 20 dB more into sox's
        # clipper: nearly a square wave), with mains hum (50 Hz and harmonics).
        sox -V1 "$dir/$f" "$work/l.wav" sinc 300-3400 gain 12 overdrive 20 0 gain -n -3
        sox -V1 -n -r 16000 -c 1 -b 16 "$work/h.wav" synth "$(soxi -D "$work/l.wav")" sine 50 sine 150 sine 250 \
          remix 1-3 vol 0.01
        sox -V1 -m -v 1 "$work/l.wav" -v 1 "$work/h.wav" "$out/$f" ;;
      quiet20)
        # A child 20 dB quieter (farther from the microphone) over the same noise floor.
        sox -V1 "$dir/$f" "$work/q.wav" gain -20
        sox -V1 -n -r 16000 -c 1 -b 16 "$work/n.wav" synth "$(soxi -D "$work/q.wav")" whitenoise vol 0.003
        sox -V1 -m -v 1 "$work/q.wav" -v 1 "$work/n.wav" "$out/$f" ;;
      *) echo "unknown condition $cond" >&2; return 1 ;;
    esac
  done <"$dir/manifest.tsv"
  cp "$dir/manifest.tsv" "$out/manifest.tsv"
}

# The answer each number and reading is heard as answering (ANSWERS): lines file, command.
expect_args=()
case ${ANSWERS:-} in
  right) awk -F'\t' '$2 >= 100 && $2 <= 281 { print $1 "\t" $2 }' "$work/manifest.tsv" >"$work/expect.tsv" ;;
  wrong)
    awk -F'\t' 'BEGIN { for (a = 1; a <= 9; a++) for (b = 1; b <= 9; b++) is[a * b] = 1
                         for (p = 1; p <= 81; p++) if (is[p]) list[n++] = p }
      $2 >= 101 && $2 <= 181 { for (i = 0; i < n; i++) if (list[i] == $2 - 100) print $1 "\t" 100 + list[(i + 1) % n] }
      $2 >= 201 && $2 <= 281 { print $1 "\t" 201 + ($2 - 200) % 81 }' "$work/manifest.tsv" >"$work/expect.tsv" ;;
  # The rows and commands said while the answer 12 is awaited (a child stopping a spoken test).
  during) awk -F'\t' '$2 >= 60 && $2 <= 99 { print $1 "\t112" }' "$work/manifest.tsv" >"$work/expect.tsv" ;;
  "") ;;
  *) echo "ANSWERS is right, wrong or during" >&2; exit 1 ;;
esac
[[ -n ${ANSWERS:-} ]] && expect_args=(--expect-from "$work/expect.tsv")

# With MOMENTS, the rules each range of commands is heard with: rules, lowest, highest.
idle_rules=1,2,3,6
[[ ${ANSWERS:-} == during ]] && idle_rules=2,3,4
moments=("2,3,4 100 199" "2,3,5 201 281" "$idle_rules 0 99" "$idle_rules 282 999")

voices=all
if [[ ${SESSIONS:-0} == 1 ]]; then voices=$(cut -f1 "$work/manifest.tsv" | sed 's/_.*//' | sort -u); fi

# Turns a synthesiser's $work/raw.wav into $1 as the phrase set has it: 16 kHz mono, 0.3 s of
# quiet around the speech, over a faint noise floor.
finish_speech() {
  sox -V1 -R "$work/raw.wav" -c 1 -b 16 "$work/c.wav" gain -n -3 rate 16000 pad 0.3 0.3
  sox -V1 -R -n -r 16000 -c 1 -b 16 "$work/n.wav" synth "$(soxi -D "$work/c.wav")" whitenoise vol 0.003
  sox -V1 -R -m "$work/c.wav" "$work/n.wav" "$1"
}

# Decodes the files of $work/manifest.tsv found in folder $1 (only those of the voices whose
# name starts with $only, when set); output lines to $2.
only=
decode() {
  local from=$1 to=$2
  shift 2
  : >"$to"
  if [[ ${MOMENTS:-0} == 1 ]]; then
    local rules lo hi
    for moment in "${moments[@]}"; do
      read -r rules lo hi <<<"$moment"
      for voice in $voices; do
        mapfile -t files < <(awk -F'\t' -v lo="$lo" -v hi="$hi" -v d="$from/" -v v="$voice" -v o="$only" \
          '$2 >= lo && $2 <= hi && (v == "all" || index($1, v "_") == 1) && (o == "" || index($1, o) == 1) { print d $1 }' \
          "$work/manifest.tsv")
        ((${#files[@]})) || continue
        "$tool" --rules "$rules" "${expect_args[@]}" "$@" "${files[@]}" >>"$to" 2>>"$work/err" || true
      done
    done
  else
    for voice in $voices; do
      mapfile -t files < <(awk -F'\t' -v d="$from/" -v v="$voice" -v o="$only" \
        '(v == "all" || index($1, v "_") == 1) && (o == "" || index($1, o) == 1) { print d $1 }' "$work/manifest.tsv")
      ((${#files[@]})) || continue
      "$tool" "$@" "${files[@]}" >>"$to" 2>>"$work/err" || true
    done
  fi
}

# Prints the table of one run: voice -> files, correct, false accepts, rejections. The expected
# numbers come from $4, the phrases' manifest by default.
report() {
  local cond=$1 out=$2 misses=$3 manifest=${4:-$work/manifest.tsv}
  awk -F'\t' -v cond="$cond" -v misses="$misses" '
    FNR == NR { expect[$1] = $2; text[$1] = $3; next }
    {
      f = $1; sub(".*/", "", f); v = f; sub(/_.*/, "", v)
      n[v]++; total++
      if ($2 == expect[f]) { ok[v]++; oks++ }
      else {
        if ($2 == 0) { rej[v]++; rejs++ } else { fa[v]++; fas++ }
        m = m sprintf("  %s\texpected %s %s\tgot %s %s\t(heard %s, confidence %s)\n", f, expect[f], text[f], $2, $3, $5, $4)
      }
    }
    END {
      if (!total) exit
      for (v in n) printf "%-9s %-6s %6d %7.1f%% %6.1f%% %6.1f%%\n", cond, v, n[v], 100 * ok[v] / n[v], 100 * fa[v] / n[v], 100 * rej[v] / n[v]
      printf "%-9s %-6s %6d %7.1f%% %6.1f%% %6.1f%%\n", cond, "all", total, 100 * oks / total, 100 * fas / total, 100 * rejs / total
      if (misses == 1 && m != "") printf "misses:\n%s", m
    }' "$manifest" "$out"
}

# The models adapted without one engine's speech, made once: without-oj has heard espeak-ng
# alone, without-es Open JTalk alone.
unheard_model() {
  local engine=$1 model=$models/without-$1 keep=es
  [[ $engine == es ]] && keep=oj
  if [[ ! -f $model/sendump ]]; then
    # Another run may be making it: one at a time, and made once.
    mkdir -p "$models"
    (
      flock 9
      if [[ ! -f $model/sendump ]]; then
        echo "making the model adapted without $engine (about three minutes)" >&2
        ENGINES=$keep "$here/../../tools/adapt-model/adapt-model.sh" "$tool" "$model" >&2
      fi
    ) 9>"$models/.lock"
  fi
  echo "$model"
}

# Decodes the files of folder $1 into $2, each voice with the model that never heard its engine.
decode_unheard() {
  local from=$1 to=$2 engine
  shift 2
  : >"$to"
  for engine in oj es; do
    only=$engine decode "$from" "$to.$engine" --model "$(unheard_model "$engine")" "$@"
    cat "$to.$engine" >>"$to"
  done
}

# Adapts to each voice with every sixth of its phrases of folder $1, as the program adapts to its
# learner, starting from the model that never heard its engine, and decodes the voice's other
# phrases with the rules of each moment into $2.
decode_adapted() {
  local from=$1 to=$2 voice rules lo hi
  shift 2
  : >"$to"
  for voice in $(cut -f1 "$work/manifest.tsv" | sed 's/_.*//' | sort -u); do
    awk -F'\t' -v v="$voice" -v d="$from/" 'index($1, v "_") == 1 && n++ % 6 == 0 { print d $1 "\t" $2 }' \
      "$work/manifest.tsv" >"$work/adapt-$voice.tsv"
    for moment in "${moments[@]}"; do
      read -r rules lo hi <<<"$moment"
      mapfile -t files < <(awk -F'\t' -v lo="$lo" -v hi="$hi" -v d="$from/" -v v="$voice" '
        FNR == NR { asked[$1] = 1; next }
        $2 >= lo && $2 <= hi && index($1, v "_") == 1 && !((d $1) in asked) { print d $1 }' \
        "$work/adapt-$voice.tsv" "$work/manifest.tsv")
      ((${#files[@]})) || continue
      "$tool" --rules "$rules" --model "$(unheard_model "${voice:0:2}")" --adapt-from "$work/adapt-$voice.tsv" \
        --speaker-dir "$to.$voice" "${expect_args[@]}" "$@" "${files[@]}" >>"$to" 2>>"$work/err" || true
    done
  done
}

# The enrolment of $3 phrases per voice ("N": N of every sixth phrase of the voice, evenly
# spread; "numbersN": the numbers 1-9 first, then いちのだん, テストはじめ, テストおわり and
# every sixth phrase, N in all), as the program learns a learner's voice from the phrases said
# when asked to: adapts to each voice of folder $1 from the model that never heard its engine and
# decodes, with the rules of each moment, the voice's phrases of $work/manifest.tsv that no
# enrolment of the curve uses (the same phrases for every N), into $2. N = 0 decodes the same
# phrases with the unheard model itself.
decode_enrolled() {
  local from=$1 to=$2 choice=$3 voice rules lo hi n
  shift 3
  : >"$to"
  n=${choice#numbers}
  for voice in $(cut -f1 "$work/manifest.tsv" | sed 's/_.*//' | sort -u); do
    # The pool of every sixth phrase (30), and the numbers, rows and commands of the other choice.
    awk -F'\t' -v v="$voice" -v d="$from/" 'index($1, v "_") == 1 && n++ % 6 == 0 { print d $1 "\t" $2 }' \
      "$dir/manifest.tsv" >"$work/pool-$voice.tsv"
    awk -F'\t' -v v="$voice" -v d="$from/" 'index($1, v "_") == 1 && ($2 >= 101 && $2 <= 109 || $2 == 61 || $2 == 70 || $2 == 71) { print d $1 "\t" $2 }' \
      "$dir/manifest.tsv" >"$work/numbers-$voice.tsv"
    if [[ $choice == numbers* ]]; then
      cat "$work/numbers-$voice.tsv" "$work/pool-$voice.tsv" | awk '!seen[$1]++' | head -n "$n" >"$work/enrol-$voice.tsv"
    else
      awk -v n="$n" '{ line[NR - 1] = $0 } END { for (i = 0; i < n; i++) print line[int(i * NR / n)] }' \
        "$work/pool-$voice.tsv" >"$work/enrol-$voice.tsv"
    fi
    local adapt=()
    if ((n > 0)); then adapt=(--adapt-from "$work/enrol-$voice.tsv" --speaker-dir "$to.$voice"); fi
    for moment in "${moments[@]}"; do
      read -r rules lo hi <<<"$moment"
      mapfile -t files < <(awk -F'\t' -v lo="$lo" -v hi="$hi" -v d="$from/" -v v="$voice" '
        FNR == NR { used[$1] = 1; next }
        $2 >= lo && $2 <= hi && index($1, v "_") == 1 && !((d $1) in used) { print d $1 }' \
        <(cat "$work/pool-$voice.tsv" "$work/numbers-$voice.tsv") "$work/manifest.tsv")
      ((${#files[@]})) || continue
      "$tool" --rules "$rules" --model "$(unheard_model "${voice:0:2}")" "${adapt[@]}" \
        "${expect_args[@]}" "$@" "${files[@]}" >>"$to" 2>>"$work/err" || true
    done
  done
}

printf "%-9s %-6s %6s %8s %7s %7s\n" condition voice files correct false rejected
conditions=${CONDITIONS:-clean}
: >"$work/adapted.tables"
: >"$work/unheard.tables"
: >"$work/enrolled.tables"
for cond in $conditions; do
  if [[ $cond == clean ]]; then from=$dir; else make_condition "$cond"; from=$dir/conditions/$cond; fi
  if [[ ${UNHEARD:-0} != only ]]; then
    decode "$from" "$work/$cond.out" "$@"
    report "$cond" "$work/$cond.out" "$([[ $conditions == clean ]] && echo 1 || echo 0)"
    cat "$work/$cond.out" >>"$work/all.out"
    if [[ -n ${RAW:-} ]]; then mkdir -p "$RAW"; cp "$work/$cond.out" "$RAW/$cond.out"; cp "$work/manifest.tsv" "$RAW/manifest.tsv"; fi
  fi
  if [[ ${UNHEARD:-0} != 0 ]]; then
    decode_unheard "$from" "$work/$cond.unheard" "$@"
    report "$cond" "$work/$cond.unheard" 0 >>"$work/unheard.tables"
    if [[ ${ADAPT:-0} == 1 ]]; then
      decode_adapted "$from" "$work/$cond.adapted" "$@"
      report "$cond" "$work/$cond.adapted" 0 >>"$work/adapted.tables"
      if [[ -n ${RAW:-} ]]; then mkdir -p "$RAW"; cp "$work/$cond.adapted" "$RAW/$cond.adapted"; fi
    fi
    for choice in ${ENROL:-}; do
      decode_enrolled "$from" "$work/$cond.enrol-$choice" "$choice" "$@"
      report "$cond/$choice" "$work/$cond.enrol-$choice" 0 >>"$work/enrolled.tables"
      if [[ -n ${RAW:-} ]]; then mkdir -p "$RAW"; cp "$work/$cond.enrol-$choice" "$RAW/$cond.enrol-$choice"; fi
    done
    cat "$work/$cond.unheard" >>"$work/unheard.out"
    if [[ -n ${RAW:-} ]]; then mkdir -p "$RAW"; cp "$work/$cond.unheard" "$RAW/$cond.unheard"; cp "$work/manifest.tsv" "$RAW/manifest.tsv"; fi
  fi
done
if [[ ${UNHEARD:-0} != 0 ]]; then
  echo "unheard voices (each voice decoded with the model adapted without its engine):"
  printf "%-9s %-6s %6s %8s %7s %7s\n" condition voice files correct false rejected
  cat "$work/unheard.tables"
  if [[ ${ANSWERS:-} == wrong ]]; then
    # A wrong answer heard as the right one gets a "○": the figure that must stay 0.
    for cond in $conditions; do
      awk -F'\t' -v c="$cond" 'FNR == NR { right[$1] = $2; next }
        { f = $1; sub(".*/", "", f); n++; if ($2 != 0 && $2 == right[f]) { o++; m = m "  " f "\n" } }
        END { printf "%-9s wrong answers given a \"○\": %d of %d\n%s", c, o, n, m }' \
        "$work/expect.tsv" "$work/$cond.unheard"
    done
  fi
  if [[ ${ADAPT:-0} == 1 ]]; then
    echo "unheard voices after adapting to each with 30 of its phrases (its other phrases):"
    printf "%-9s %-6s %6s %8s %7s %7s\n" condition voice files correct false rejected
    cat "$work/adapted.tables"
  fi
  if [[ -n ${ENROL:-} ]]; then
    echo "unheard voices after learning each from N phrases (condition/N; the phrases no enrolment uses):"
    printf "%-9s %-6s %6s %8s %7s %7s\n" condition voice files correct false rejected
    cat "$work/enrolled.tables"
  fi
fi

# Sentences of chat, outside the grammar, in the four voices of the phrase set: every number
# heard in them is a false accept. Decoded with the rules of each moment.
if [[ ${CHAT:-0} == 1 ]]; then
  chat=$dir/conditions/chat
  if [[ ! -f $chat/manifest.tsv ]]; then
    mkdir -p "$chat"
    dic=/var/lib/mecab/dic/open-jtalk/naist-jdic
    nit=/usr/share/hts-voice/nitech-jp-atr503-m001/nitech_jp_atr503_m001.htsvoice
    : >"$chat/manifest.tsv.new"
    i=0
    for text in きょうはいいてんきですね おなかがすいたよ あしたはがっこうがやすみです おかあさんどこにいるの \
      いぬがほえている このほんおもしろいね ぼくはさっかーがすき しゅくだいがおわったよ あそびにいってもいい \
      ねむくなってきた おやつはなにかな でんしゃにのりたいな; do
      i=$((i + 1))
      for v in es1 es2 oj1 oj2; do
        f=$(printf '%s_c%02d.wav' "$v" "$i")
        case $v in
          es1) espeak-ng -v ja -s 140 -p 50 -w "$work/raw.wav" "$text" ;;
          es2) espeak-ng -v ja -s 170 -p 75 -w "$work/raw.wav" "$text" ;;
          oj1) echo "$text" | open_jtalk -x "$dic" -m "$nit" -r 1.0 -ow "$work/raw.wav" ;;
          oj2) echo "$text" | open_jtalk -x "$dic" -m "$nit" -r 0.85 -fm 3 -ow "$work/raw.wav" ;;
        esac
        finish_speech "$chat/$f"
        printf '%s\t0\t%s\n' "$f" "$text" >>"$chat/manifest.tsv.new"
      done
    done
    mv "$chat/manifest.tsv.new" "$chat/manifest.tsv"
  fi
  mapfile -t files < <(cut -f1 "$chat/manifest.tsv" | sed "s|^|$chat/|")
  for rules in 1,2,3,6 2,3,4 2,3,5; do
    "$tool" --rules "$rules" "$@" "${files[@]}" >"$work/chat-$rules.out" 2>>"$work/err" || true
    awk -F'\t' -v rules="$rules" '
      { n++; if ($2 != 0) { fa++; m = m sprintf("  %s\tgot %s %s (confidence %s, margin %s)\n", $1, $2, $3, $4, $6) } }
      END { printf "chat with rules %-8s %3d sentences, %d taken for a command (%.1f%%)\n%s", rules, n, fa, 100 * fa / n, m }' \
      "$work/chat-$rules.out"
    if [[ -n ${RAW:-} ]]; then mkdir -p "$RAW"; cp "$work/chat-$rules.out" "$RAW/chat-$rules.chat"; fi
  done
fi

# The numbers in two voices the acoustic model was never adapted to: espeak-ng's variants Andy
# (an) and Annie (ae), decoded with the rules of a spoken answer, one session per voice.
if [[ ${UNSEEN:-0} == 1 ]]; then
  unseen=$dir/conditions/unseen
  if [[ ! -f $unseen/manifest.tsv ]]; then
    mkdir -p "$unseen"
    : >"$unseen/manifest.tsv.new"
    awk -F'\t' '$2 >= 101 && $2 <= 181 && index($1, "es1_") == 1 { print $2 "\t" $3 }' "$dir/manifest.tsv" |
      while IFS=$'\t' read -r cmd text; do
        for v in an:Andy ae:Annie; do
          f=${v%%:*}_${cmd}.wav
          espeak-ng -v "ja+${v#*:}" -s 150 -w "$work/raw.wav" "$text"
          finish_speech "$unseen/$f"
          printf '%s\t%s\t%s\n' "$f" "$cmd" "$text" >>"$unseen/manifest.tsv.new"
        done
      done
    mv "$unseen/manifest.tsv.new" "$unseen/manifest.tsv"
  fi
  : >"$work/unseen.out"
  for v in an ae; do
    mapfile -t files < <(awk -F'\t' -v v="$v" 'index($1, v "_") == 1 { print $1 }' "$unseen/manifest.tsv" | sed "s|^|$unseen/|")
    "$tool" --rules 2,3,4 "$@" "${files[@]}" >>"$work/unseen.out" 2>>"$work/err" || true
  done
  report unseen "$work/unseen.out" 0 "$unseen/manifest.tsv"
  if [[ -n ${RAW:-} ]]; then mkdir -p "$RAW"; cp "$work/unseen.out" "$RAW/unseen.voices"; fi
  if [[ ${UNHEARD:-0} != 0 ]]; then
    # The same voices with the model that never heard espeak-ng at all.
    : >"$work/unseen.unheard"
    for v in an ae; do
      mapfile -t files < <(awk -F'\t' -v v="$v" 'index($1, v "_") == 1 { print $1 }' "$unseen/manifest.tsv" | sed "s|^|$unseen/|")
      "$tool" --rules 2,3,4 --model "$(unheard_model es)" "$@" "${files[@]}" >>"$work/unseen.unheard" 2>>"$work/err" || true
    done
    report unseen-unheard "$work/unseen.unheard" 0 "$unseen/manifest.tsv"
  fi
fi

# Correct / false accepts / rejections of the lines of $2 at each threshold of $SWEEP
# ("confidence", "confidence/margin", "confidence/margin/lead over the expected answer",
# "confidence/margin/lead/confidence of the expected answer when it is heard" or the same and
# "/T": what it would give to take the expected answer as heard whenever another phrase is heard
# and the expected one, decoded alone, scores better by more than T per frame, which the program
# does not do; see README.md). With ANSWERS=wrong a fifth figure: wrong answers heard as the
# right one (a "○" for a wrong answer).
sweep() {
  echo "threshold sweep ($1): confidence/margin/lead/expected/ahead, correct, false accepts, rejections"
  [[ -f $work/expect.tsv ]] || : >"$work/expect.tsv"
  for t in $SWEEP; do
    awk -F'\t' -v t="$t" -v wrong="$([[ ${ANSWERS:-} == wrong ]] && echo 1 || echo 0)" '
      BEGIN { k = split(t, p, "/"); c = p[1]; m = k > 1 ? p[2] : -1e9; l = k > 2 ? p[3] : -1e9; e = k > 3 ? p[4] : c
              ahead = k > 4 ? p[5] : "" }
      FNR == NR { expect[$1] = $2; next }
      FILENAME == ARGV[2] { answer[$1] = $2; next }
      {
        f = $1; sub(".*/", "", f); n++
        number = $5; conf = $4; isexp = $11 == 1
        # The expected answer, decoded alone, scores better than the phrase heard.
        if (ahead != "" && $10 == 1 && !isexp && $9 < 999 && -$9 > ahead + 0) { number = answer[f]; conf = $4 - $9; isexp = 1 }
        # While an answer is expected the lead over it replaces the margin, as in the program;
        # the expected answer itself needs its own confidence.
        if (isexp) heard = conf >= e + 0 ? number : 0
        else heard = ($4 >= c + 0 && ($10 == 1 ? $9 >= l + 0 : $6 >= m + 0)) ? $5 : 0
        if (heard == expect[f]) ok++; else if (heard == 0) rej++; else fa++
        if (isexp && heard != 0 && heard != expect[f]) asright++
      }
      END { printf "%18s %7.1f%% %6.1f%% %6.1f%%", t, 100 * ok / n, 100 * fa / n, 100 * rej / n
            if (wrong) printf " %6.1f%% heard as the right answer", 100 * asright / n
            printf "\n" }' \
      "$work/manifest.tsv" "$work/expect.tsv" "$2"
  done
}

# Why the phrases of $2 that were not heard right were not: nothing heard at all, heard as a
# wrong number, or the phrase said or another one below the confidence threshold, not leading
# the expected answer or nearly tied with another phrase (the margin). The thresholds are the
# program's unless THRESHOLDS="confidence/margin/lead/expected" gives those of the run.
causes() {
  echo "why phrases were not heard right ($1):"
  awk -F'\t' -v t="${THRESHOLDS:--10/2/3/-10}" '
    BEGIN { split(t, p, "/") }
    FNR == NR { said[$1] = $2; next }
    {
      f = $1; sub(".*/", "", f); n++
      s = said[f]; what = $5 == s ? "the phrase said" : "another phrase"
      if ($2 == s) next
      if ($2 != 0) why = "heard as a wrong number"
      else if ($5 == 0) why = "no phrase at all"
      else if ($11 == 1) why = what " (the expected answer): confidence"
      else if ($4 < p[1] + 0) why = what ": confidence"
      else if ($10 == 1) why = what ": lead over the expected answer"
      else why = what ": margin"
      c[why]++
    }
    END { for (k in c) printf "  %-52s %5d %5.1f%%\n", k, c[k], 100 * c[k] / n }' "$work/manifest.tsv" "$2" | sort
}
if [[ -n ${SWEEP:-} ]]; then
  if [[ ${UNHEARD:-0} != only ]]; then sweep "all conditions" "$work/all.out"; fi
  if [[ ${UNHEARD:-0} != 0 ]]; then sweep "unheard voices, all conditions" "$work/unheard.out"; fi
fi
if [[ ${UNHEARD:-0} != 0 ]]; then causes "unheard voices, all conditions" "$work/unheard.out"; fi
awk '/^load/ { load += $2; runs++; audio += $5; time += $10; model = $NF }
     END { if (runs) printf "decode time %.4f of the audio; model loading %.0f ms on average; model %s\n", time / audio, load / runs, model }' "$work/err"
grep -v '^load' "$work/err" | grep -v '^$' | tail -n 5 || true
