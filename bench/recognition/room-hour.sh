#!/bin/bash
# "An hour in the room": audio with no command in it, listened to as the program listens while
# idle and during each kind of run, streamed as the microphone path streams it (kuku-recognize
# --stream); every phrase taken is a command, counted per condition and per listening moment and
# scaled to commands per hour. Apart from it: the commands the program acts on (not those it drops
# without a word, see kind below), those that change something stored (a colour: 1-14,
# うぐいすいろ, きほんのいろ; a row: いちのだん .. きゅうのだん, while idle) and the answers taken.
#
# Conditions (made once into OUT/audio/CONDITION-MINUTESmin/, pieces of a few seconds each):
#   white60, pink50, brown40   the noise floor alone: white at -60, pink at -50, brown at -40 dBFS
#   leak      the master's own voice (the program's voice path, tools/kuku-say, or Open JTalk's NIT
#             voice as the program sets it) saying the program's messages and questions 20 dB
#             below a child at the microphone, over a -50 dBFS pink floor; each piece has beside it
#             the words as the master's voice played them (NNNN.own.wav), which the program keeps
#             to tell his echo from a child (the piece is heard as if he had just stopped: his
#             whole words come 0.5-1.5 s late, past the tail the program skips after him)
#   tv        a television-like second voice 10 dB below a child, over a -50 dBFS brown floor
#   children  children's chat at a child's level, pitched +300 to +700 cents, over the same floor
# The television and the children speak in espeak-ng's variants Andy and Annie, which no
# adaptation ever uses (tools/adapt-model/README.md): voices the program's model never heard.
# Moments (one tool run, one session, per condition and moment):
#   idle       colours, rows, commands, chart (rules 1,2,3,6)
#   answer     a spoken answer awaited: rows, commands, numbers (2,3,4), the awaited answer a product
#   recite     a recitation: rows, commands, readings (2,3,5), the awaited reading one of the facts
# Each piece is one file of the stream; the tool reports the first phrase of each file the program
# takes (or the first refused), so a piece holds one sentence at most (pieces of the floors alone
# are 6 s). What the first piece of a session gives is the start of listening, shown apart and not
# counted per hour.
#
# Environment: MINUTES (of audio per condition, default 5), CONDITIONS (default all of the
# above), MOMENTS (default "idle answer recite"), OWN_WORDS (default 1; 0 listens without the
# master's words, as before the program kept them), KUKU_RECOGNIZE, KUKU_SAY.
# Usage: room-hour.sh OUT [kuku-recognize options]     (run it with nice on a shared machine)
set -eu
out=${1:?usage: room-hour.sh OUT [kuku-recognize options]}
shift
here=$(cd "$(dirname "$0")" && pwd)
tool=${KUKU_RECOGNIZE:-$here/../../build/tools/kuku-recognize/kuku-recognize}
say=${KUKU_SAY:-$here/../../build/tools/kuku-say/kuku-say}
[[ -x $tool ]] || { echo "kuku-recognize not built: $tool" >&2; exit 1; }
minutes=${MINUTES:-5}
conditions=${CONDITIONS:-white60 pink50 brown40 leak tv children}
moments=${MOMENTS:-idle answer recite}
own=(); [[ ${OWN_WORDS:-1} == 0 ]] || own=(--own-words)
dic=/var/lib/mecab/dic/open-jtalk/naist-jdic
nit=/usr/share/hts-voice/nitech-jp-atr503-m001/nitech_jp_atr503_m001.htsvoice
work=$(mktemp -d); trap 'rm -rf "$work"' EXIT
mkdir -p "$out"

# What the master says: the program's own messages and questions.
master_texts=(
  "さんしちは？" "しちはちは？" "くくは？" "ににんがは？" "ろくごは？" "はっくは？"
  "さんしちの正解は，にじゅういちです。" "しちはちの正解は，ごじゅうろくです。"
  "初めからもう一度どうぞ。" "テストを終えてから，段を変えてね。" "いちのだんにしました。"
  "くのだんにしました。" "「モードチェンジ」と言って，コマンド モードに してからね。"
  "コマンド モードに してから，言ってね。" "よろしく。" "おはようございます。"
  "しはんの 九九 きわむ と申します。" "若作りの二十五才です。" "プリンとチョコレートとにんじんだよ。"
  "卓球とビリヤードかな。" "どう致しまして。" "ほんとだね。" "もくじが　音声テストモードではありません。"
  "よくできました。" "つぎのもんだいです。" "あかいろにしました。")
# A television programme.
tv_texts=(
  きょうのてんきはくもりのちはれでしょう こうそくどうろはじゅうたいしています あしたのあさはさむくなります
  やきゅうのしあいはさんたいにでした えきまえのおみせがあたらしくなりました ごごからはあめがふるでしょう
  こんしゅうのにんきランキングをおつたえします つづいてスポーツです ここでコマーシャルです
  やさいのねだんがあがっています はちがつのきおんはへいねんなみでした まもなくしちじです)
# Children chatting.
child_texts=(
  きょうはいいてんきですね おなかがすいたよ あしたはがっこうがやすみです おかあさんどこにいるの
  いぬがほえている このほんおもしろいね ぼくはさっかーがすき しゅくだいがおわったよ あそびにいってもいい
  ねむくなってきた おやつはなにかな でんしゃにのりたいな あおいくるまがきたよ あかいふうせんだ
  いっしょにあそぼう くまさんのえをかいたよ まだおわらないの)

# $1: a file of noise floor: colour, level in dBFS (RMS), seconds.
floor() {
  local colour=$1 db=$2 secs=$3 file=$4
  # Scaled to the RMS asked for (sox's noise levels are given by their peaks).
  sox -V1 -R -n -r 16000 -c 1 -b 32 "$work/f.wav" synth "$secs" "${colour}noise"
  local rms gain
  rms=$(sox -V1 "$work/f.wav" -n stat 2>&1 | awk '/RMS +amplitude/ { print $3 }')
  gain=$(awk -v r="$rms" -v d="$db" 'BEGIN { printf "%.2f", d - 20 * log(r) / log(10) }')
  sox -V1 "$work/f.wav" -b 16 "$file" gain "$gain"
}

# $work/raw.wav spoken at peak level $1 dBFS, 0.5-1.5 s into a piece over the floor $2 $3, into $4.
place() {
  local peak=$1 colour=$2 db=$3 file=$4 lead tail
  lead=$(awk -v n="$RANDOM" 'BEGIN { printf "%.2f", 0.5 + (n % 100) / 100 }')
  tail=$(awk -v n="$RANDOM" 'BEGIN { printf "%.2f", 1.0 + (n % 100) / 100 }')
  sox -V1 -R "$work/raw.wav" -c 1 -b 16 "$work/s.wav" rate 16000 gain -n "$peak" pad "$lead" "$tail"
  floor "$colour" "$db" "$(soxi -D "$work/s.wav")" "$work/n.wav"
  sox -V1 -m -v 1 "$work/s.wav" -v 1 "$work/n.wav" "$file"
}

master_say() {
  if [[ -x $say ]]; then "$say" --engine open-jtalk -o "$work/raw.wav" "$1" >/dev/null
  else echo "$1" | open_jtalk -x "$dic" -m "$nit" -r 1.0 -ow "$work/raw.wav"; fi
}

# Pieces of CONDITION until MINUTES of audio, made once.
make_audio() {
  local cond=$1 dir=$out/audio/$1-${minutes}min secs=0 k=0 text cents
  [[ -f $dir/files.txt && ($cond != leak || -f $dir/0001.own.wav) ]] && return 0
  rm -rf "$dir"; mkdir -p "$dir"
  RANDOM=$(cksum <<<"$cond" | cut -d' ' -f1)
  : >"$dir/files.new"
  while awk -v s="$secs" -v m="$minutes" 'BEGIN { exit !(s < m * 60) }'; do
    k=$((k + 1))
    local f=$dir/$(printf '%04d' "$k").wav
    case $cond in
      white60) floor white -60 6 "$f" ;;
      pink50) floor pink -50 6 "$f" ;;
      brown40) floor brown -40 6 "$f" ;;
      leak)
        master_say "${master_texts[$((k % ${#master_texts[@]}))]}"
        cp "$work/raw.wav" "${f%.wav}.own.wav"
        place -23 pink -50 "$f" ;;
      tv)
        text=${tv_texts[$((k % ${#tv_texts[@]}))]}
        if ((k % 2)); then espeak-ng -v ja+Andy -s 170 -w "$work/raw.wav" "$text"
        else espeak-ng -v ja+Annie -s 160 -w "$work/raw.wav" "$text"; fi
        place -13 brown -50 "$f" ;;
      children)
        text=${child_texts[$((k % ${#child_texts[@]}))]}
        cents=$((300 + (k * 137) % 400))
        if ((k % 2)); then espeak-ng -v ja+Annie -s $((140 + k % 40)) -w "$work/raw.wav" "$text"
        else espeak-ng -v ja+Andy -s $((140 + k % 40)) -w "$work/raw.wav" "$text"; fi
        sox -V1 "$work/raw.wav" "$work/p.wav" pitch "$cents"
        mv "$work/p.wav" "$work/raw.wav"
        place -3 brown -50 "$f" ;;
      *) echo "unknown condition $cond" >&2; return 1 ;;
    esac
    secs=$(awk -v s="$secs" -v d="$(soxi -D "$f")" 'BEGIN { print s + d }')
    echo "$f" >>"$dir/files.new"
  done
  mv "$dir/files.new" "$dir/files.txt"
}

# The answer awaited for each piece: a product (answer) or a reading (recite), in turn.
expectations() {
  local moment=$1 dir=$2
  awk -v m="$moment" 'BEGIN { for (a = 1; a <= 9; a++) for (b = 1; b <= 9; b++) p[n++] = a * b }
    { f = $0; sub(".*/", "", f)
      print f "\t" (m == "answer" ? 100 + p[(NR * 7) % 81] : 201 + (NR * 7) % 81) }' "$dir/files.txt"
}

# What the program does with a command taken in a moment (speech/VoiceCommands.cpp):
#   stored   idle, a colour (1-14, 50, 88) or a row (61-69): changed and saved
#   answer   in a run, a number or a reading: taken as the answer to the question
#   aloud    in a run, a row: refused, and the master says to end the test first
#   dropped  idle, a phrase of the chart (301-310), which acts only while the chart is open (here
#            it is closed); in a run, a command that would start another run or clear the screen
#            (70, 72, 73, 85, 98): nothing is done and nothing said
#   other    any other command: done
kind='function kind(c, m) {
  if (m == "idle") {
    if ((c >= 1 && c <= 14) || c == 50 || c == 88 || (c >= 61 && c <= 69)) return "stored"
    if (c >= 301 && c <= 310) return "dropped"
    return "other" }
  if (c >= 100 && c <= 281) return "answer"
  if (c >= 61 && c <= 69) return "aloud"
  if (c == 70 || c == 72 || c == 73 || c == 85 || c == 98 || (c >= 301 && c <= 310)) return "dropped"
  return "other" }'

printf '%-9s %-7s %6s %7s %9s %10s %10s %10s %10s  %s\n' condition moment pieces minutes commands "per hour" "acted on/h" \
  "stored/h" "answers/h" "at the start" \
  >"$out/table.txt"
: >"$out/taken.txt"
for cond in $conditions; do
  make_audio "$cond"
  dir=$out/audio/$cond-${minutes}min
  mapfile -t files <"$dir/files.txt"
  audio=$(for f in "${files[@]}"; do soxi -D "$f"; done | awk '{ s += $1 } END { print s }')
  for moment in $moments; do
    args=()
    case $moment in
      idle) args=(--rules 1,2,3,6) ;;
      answer | recite)
        expectations "$moment" "$dir" >"$work/expect.tsv"
        args=(--rules "$([[ $moment == answer ]] && echo 2,3,4 || echo 2,3,5)" --expect-from "$work/expect.tsv") ;;
      *) echo "unknown moment $moment" >&2; exit 1 ;;
    esac
    raw=$out/$cond.$moment.out
    "$tool" --stream "${own[@]}" "${args[@]}" "$@" "${files[@]}" >"$raw" 2>>"$out/err.txt" || true
    # The pieces where a phrase was taken, decoded whole for its confidence, margin and lead.
    mapfile -t hits < <(awk -F'\t' '$2 != 0 || $5 != 0 { print $1 }' "$raw")
    : >"$out/$cond.$moment.whole"
    if ((${#hits[@]})); then
      "$tool" "${own[@]}" "${args[@]}" "$@" "${hits[@]}" >"$out/$cond.$moment.whole" 2>>"$out/err.txt" || true
    fi
    awk -F'\t' -v cond="$cond" -v moment="$moment" -v secs="$audio" "$kind"'
      FILENAME == ARGV[1] { whole[$1] = sprintf("whole: %s %s, confidence %s, margin %s, lead %s", $5, $3, $4, $6, $9); next }
      { n++; if ($2 == 0) next
        # The first piece of a session is the start of listening (counted apart, not per hour).
        if (n == 1) { first = $2 " " $3; where = "start" } else { c++; where = kind($2, moment); k[where]++ }
        printf "%s\t%s\t%s\t%s %s\t%s\tstream: confidence %s, margin %s, lead %s, words %s of %s frames of speech, like his words %s\t%s\n", cond, moment, where, $2, $3, $1, $4, $6, $9, $13, $14, $15, whole[$1] >> "'"$out/taken.txt"'" }
      END { h = 3600 / secs
            printf "%-9s %-7s %6d %7.1f %9d %10.1f %10.1f %10.1f %10.1f  %s\n", cond, moment, n, secs / 60, c, c * h,
              (c - k["dropped"]) * h, k["stored"] * h, k["answer"] * h, first }' \
      "$out/$cond.$moment.whole" "$raw" >>"$out/table.txt"
    tail -n 1 "$out/table.txt"
  done
done
echo "commands taken (condition, moment, kind, command, piece, its measures in the stream, the piece decoded whole):"
cat "$out/taken.txt"
awk '/^load/ { audio += $5; time += $10 } END { if (audio) printf "decode time %.4f of the audio\n", time / audio }' "$out/err.txt"
