#!/bin/bash
# Builds the acoustic model the recogniser listens with: the English model of PocketSphinx,
# adapted (maximum a posteriori, means and variances) to Japanese speech that this script synthesises itself with the
# program's voices, Open JTalk and espeak-ng, at many speeds and pitches, some of it under noise
# or pitched up like a child's voice. The words spoken are made up (make-texts.py), not the
# program's phrases.
#
# Usage: adapt-model.sh KUKU_RECOGNIZE OUTDIR [COUNT]
#   KUKU_RECOGNIZE  the built kuku-recognize (it writes the pronunciations, as the program makes them)
#   OUTDIR          receives the model (mdef, feat.params, noisedict, means, variances, sendump,
#                   transition_matrices); written whole or not at all
#   COUNT           number of utterances (default 3000)
# ENGINES=oj or ENGINES=es adapts on one engine's speech only (default both): the recognition
# benchmark measures such a model on the other engine, a voice it never heard.
# PARAMETERS=all also re-estimates the mixture weights and transitions (the earlier model).
# Two in five words are also said in a room (reverberation, a second voice, a laptop's
# microphone, a child farther away); ROOMS=0 leaves the rooms out (the model before them, see
# README.md).
# Needs: open_jtalk with naist-jdic and the NIT voice, espeak-ng, sox, sphinx_fe,
# pocketsphinx_mdef_convert and SphinxTrain (bw, map_adapt, mk_s2sendump), python3.
set -euo pipefail
tool=${1:?usage: adapt-model.sh KUKU_RECOGNIZE OUTDIR [COUNT]}
out=${2:?usage: adapt-model.sh KUKU_RECOGNIZE OUTDIR [COUNT]}
count=${3:-3000}
here=$(cd "$(dirname "$0")" && pwd)
base=${BASE_MODEL:-/usr/share/pocketsphinx/model/en-us/en-us}
st=${SPHINXTRAIN_DIR:-/usr/lib/sphinxtrain}
for t in "$st/bw" "$st/map_adapt" "$st/mk_s2sendump"; do
  [[ -x $t ]] || { echo "adapt-model: $t is missing (package sphinxtrain)" >&2; exit 1; }
done
for t in sphinx_fe pocketsphinx_mdef_convert open_jtalk espeak-ng sox python3; do
  command -v "$t" >/dev/null || { echo "adapt-model: $t is missing" >&2; exit 1; }
done

work=$(mktemp -d); trap 'rm -rf "$work"' EXIT
mkdir -p "$work/wav" "$work/mfc" "$work/acc" "$work/base" "$work/model"
rooms=(); [[ ${ROOMS:-1} == 0 ]] || rooms=(--rooms)
python3 "$here/make-texts.py" "$count" 1 "${ENGINES:-oj,es}" "${rooms[@]}" >"$work/texts.tsv"
cut -f1,2 "$work/texts.tsv" >"$work/kana.tsv"
"$tool" --dictionary "$work/kana.tsv" >"$work/words.dict"
# The second voice of the rooms: chat in voices of the engines adapted on, one sentence after
# another without pauses. Not the voices the recognition benchmark talks over its phrases with
# (espeak-ng's Andy and Annie, Open JTalk's voice pitched down): espeak-ng's Alicia, Auntie,
# Edward, Michael, f2 and m3, Open JTalk's voice pitched up 2 and 6 semitones.
nit=${NIT_VOICE:-/usr/share/hts-voice/nitech-jp-atr503-m001/nitech_jp_atr503_m001.htsvoice}
if ((${#rooms[@]})); then
  k=0 parts=()
  for text in ごごからあめがふるかもしれません でんしゃがおくれてすみません このほんはとてもおもしろいよ \
    らいしゅうのにちようびにこうえんへいこう ゆうびんきょくはみぎにまがってすぐです \
    おふろがわきました れいぞうこにぎゅうにゅうがあります ちいさなこいぬがはしってきた \
    つぎのにゅーすです せんしゅのかおがみえました; do
    k=$((k + 1))
    engine=${ENGINES:-oj,es}
    [[ $engine == *,* ]] && { ((k % 2)) && engine=oj || engine=es; }
    [[ $engine == oj && ! -f $nit ]] && engine=es
    if [[ $engine == oj ]]; then
      ((k % 4 < 2)) && fm=2 a=0.52 r=0.95 || fm=6 a=0.47 r=1.0
      echo "$text" | open_jtalk -x "${OPEN_JTALK_DIC:-/var/lib/mecab/dic/open-jtalk/naist-jdic}" -m "$nit" \
        -fm "$fm" -a "$a" -r "$r" -ow "$work/raw.wav"
    else
      variants=(Alicia Auntie Edward Michael f2 m3)
      espeak-ng -v "ja+${variants[k % 6]}" -s $((140 + 5 * k)) -w "$work/raw.wav" "$text"
    fi
    sox -V1 -R "$work/raw.wav" -c 1 -b 16 "$work/babble$k.wav" gain -n -3 rate 16000 pad 0 0.1
    parts+=("$work/babble$k.wav")
  done
  sox -V1 -R "${parts[@]}" "$work/babble.wav"
fi
tr '\n' '\0' <"$work/texts.tsv" | BABBLE=$work/babble.wav xargs -0 -n1 -P"$(nproc)" "$here/synthesize.sh" "$work/wav"

cut -f1 "$work/texts.tsv" >"$work/ids"
awk '{ print "<s> " $1 " </s> (" $1 ")" }' "$work/words.dict" >"$work/transcription"
sphinx_fe -argfile "$base/feat.params" -samprate 16000 -c "$work/ids" -di "$work/wav" -do "$work/mfc" \
  -ei wav -eo mfc -mswav yes >"$work/fe.log" 2>&1 || { tail -5 "$work/fe.log" >&2; exit 1; }

# The training tools read the model definition as text and the mixture weights expanded.
cp "$base"/{means,variances,transition_matrices,noisedict} "$work/base/"
pocketsphinx_mdef_convert -text "$base/mdef" "$work/base/mdef.txt" >/dev/null 2>&1
python3 "$here/sendump-to-mixw.py" "$base/sendump" "$work/base/mixture_weights"

# One pass of Baum-Welch counts over the speech, then MAP re-estimation of the Gaussians' means
# and variances. The English model's mixture weights and transitions are kept: re-estimated on
# two synthesisers they learn those voices, and a voice neither of them has (a child's) is
# heard worse (see README.md). PARAMETERS=all re-estimates them too.
features=(-feat 1s_c_d_dd -svspec 0-12/13-25/26-38 -cmn batch -agc none)
"$st/bw" -hmmdir "$work/base" -moddeffn "$work/base/mdef.txt" -ts2cbfn .ptm. "${features[@]}" \
  -dictfn "$work/words.dict" -fdictfn "$work/base/noisedict" -ctlfn "$work/ids" \
  -lsnfn "$work/transcription" -cepdir "$work/mfc" -accumdir "$work/acc" >"$work/bw.log" 2>&1 ||
  { tail -5 "$work/bw.log" >&2; exit 1; }
ignored=$(grep -c 'ignored' "$work/bw.log" || true)
"$st/map_adapt" -moddeffn "$work/base/mdef.txt" -ts2cbfn .ptm. -meanfn "$work/base/means" \
  -varfn "$work/base/variances" -mixwfn "$work/base/mixture_weights" -tmatfn "$work/base/transition_matrices" \
  -accumdir "$work/acc" -mapmeanfn "$work/model/means" -mapvarfn "$work/model/variances" \
  -mapmixwfn "$work/mixture_weights" -maptmatfn "$work/maptmat" >"$work/map.log" 2>&1 ||
  { tail -5 "$work/map.log" >&2; exit 1; }
if [[ ${PARAMETERS:-means-variances} == all ]]; then
  cp "$work/maptmat" "$work/model/transition_matrices"
  "$st/mk_s2sendump" -pocketsphinx yes -moddeffn "$work/base/mdef.txt" -mixwfn "$work/mixture_weights" \
    -sendumpfn "$work/model/sendump" >"$work/s2.log" 2>&1 || { tail -5 "$work/s2.log" >&2; exit 1; }
else
  cp "$base"/{sendump,transition_matrices} "$work/model/"
fi
cp "$base"/{mdef,feat.params,noisedict} "$work/model/"

# Replace the old model only once the new one is whole.
rm -rf "$out.new"
mkdir -p "$(dirname "$out")"
cp -r "$work/model" "$out.new"
rm -rf "$out"
mv "$out.new" "$out"
echo "adapt-model: $count utterances ($ignored not aligned) -> $out"
