#!/bin/bash
# Synthesises one line of make-texts.py's output into a 16 kHz mono 16-bit WAV file, over a faint
# noise floor, transformed as the line's settings say. Usage: synthesize.sh OUTDIR "id<TAB>kana<TAB>settings"
set -eu
out=$1
IFS=$'\t' read -r id kana settings <<<"$2"
dic=${OPEN_JTALK_DIC:-/var/lib/mecab/dic/open-jtalk/naist-jdic}
nit=${NIT_VOICE:-/usr/share/hts-voice/nitech-jp-atr503-m001/nitech_jp_atr503_m001.htsvoice}
tmp=$(mktemp -d); trap 'rm -rf "$tmp"' EXIT
declare -A s=()
read -r engine rest <<<"$settings"
for kv in $rest; do s[${kv%%=*}]=${kv#*=}; done
# Without the NIT voice (Debian's contrib) espeak-ng speaks its lines too, at their speed.
if [[ $engine == oj && ! -f $nit ]]; then
  engine=es
  s[s]=$(awk -v r="${s[r]}" 'BEGIN { printf "%d", 160 / r }')
  s[p]=$((50 + 5 * s[fm]))
fi
case $engine in
  oj) echo "$kana" | open_jtalk -x "$dic" -m "$nit" -r "${s[r]}" -fm "${s[fm]}" -a "${s[a]}" -ow "$tmp/raw.wav" ;;
  es) espeak-ng -v "ja${s[v]:++${s[v]}}" -s "${s[s]}" -p "${s[p]}" -w "$tmp/raw.wav" "$kana" ;;
  *) echo "unknown engine in: $settings" >&2; exit 1 ;;
esac
effect=()
[[ -n ${s[cents]:-} ]] && effect=(pitch "${s[cents]}")
sox -V1 -R "$tmp/raw.wav" -c 1 -b 16 "$tmp/c.wav" gain -n -3 "${effect[@]}" rate 16000 pad 0.3 0.3
len=$(soxi -D "$tmp/c.wav")
vol=0.003
if [[ -n ${s[snr]:-} ]]; then
  # White noise at the given SNR against the speech's RMS (sox's white noise: RMS = vol / sqrt(3)).
  rms=$(sox -V1 -R "$tmp/c.wav" -n silence 1 0.02 2% reverse silence 1 0.02 2% reverse stat 2>&1 |
    awk '/RMS +amplitude/ { print $3 }')
  vol=$(awk -v r="$rms" -v snr="${s[snr]}" 'BEGIN { printf "%.6f", r / 10 ^ (snr / 20) * sqrt(3) }')
fi
# The room, after the line's settings (make-texts.py): a reverberant room, a second voice (a slice
# of the babble track $BABBLE at an offset of its own, its peaks bb dB below the word's) or a child
# farther away; a laptop's microphone comes last, over the noise floor, as a microphone hears it.
if [[ -n ${s[rv]:-} ]]; then
  IFS=, read -r rev damp scale <<<"${s[rv]}"
  sox -V1 -R "$tmp/c.wav" "$tmp/r.wav" pad 0 0.5 reverb "$rev" "$damp" "$scale" gain -n -3
  mv "$tmp/r.wav" "$tmp/c.wav"
elif [[ -n ${s[bb]:-} && -f ${BABBLE:-} ]]; then
  IFS=, read -r below at <<<"${s[bb]}"
  off=$(awk -v a="$at" -v l="$len" -v t="$(soxi -D "$BABBLE")" 'BEGIN { o = a * (t - l - 0.1); printf "%.2f", o < 0 ? 0 : o }')
  sox -V1 -R "$BABBLE" "$tmp/t.wav" trim "$off" "$len"
  sox -V1 -R -m -v 1 "$tmp/c.wav" -v "$(awk -v d="$below" 'BEGIN { printf "%.6f", 10 ^ (-d / 20) }')" "$tmp/t.wav" "$tmp/b.wav"
  mv "$tmp/b.wav" "$tmp/c.wav"
elif [[ -n ${s[q]:-} ]]; then
  sox -V1 -R "$tmp/c.wav" "$tmp/q.wav" gain "-${s[q]}"
  mv "$tmp/q.wav" "$tmp/c.wav"
fi
len=$(soxi -D "$tmp/c.wav")
sox -V1 -R -n -r 16000 -c 1 -b 16 "$tmp/n.wav" synth "$len" whitenoise vol "$vol"
if [[ -n ${s[lp]:-} ]]; then
  IFS=, read -r low high drive od hum <<<"${s[lp]}"
  sox -V1 -R -m "$tmp/c.wav" "$tmp/n.wav" "$tmp/m.wav"
  sox -V1 -R "$tmp/m.wav" "$tmp/l.wav" sinc "$low-$high" gain "$drive" overdrive "$od" 0 gain -n -3
  sox -V1 -R -n -r 16000 -c 1 -b 16 "$tmp/h.wav" synth "$(soxi -D "$tmp/l.wav")" sine 50 sine 150 sine 250 \
    remix 1-3 vol "$hum"
  sox -V1 -R -m -v 1 "$tmp/l.wav" -v 1 "$tmp/h.wav" "$out/$id.wav"
else
  sox -V1 -R -m "$tmp/c.wav" "$tmp/n.wav" "$out/$id.wav"
fi
