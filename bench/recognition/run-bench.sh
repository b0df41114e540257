#!/bin/bash
# Runs kuku-recognize over a folder of WAV files with a manifest.tsv (file, expected command
# number, text) and prints the accuracy per voice (the file name's prefix before "_"), the false
# accepts (a wrong number), the rejections (0), every miss, and the decoding time per second of
# audio. Extra arguments go to kuku-recognize (for example --warps 1.0 or --pip 2).
# Usage: run-bench.sh DIR [kuku-recognize options]
set -eu
dir=${1:?usage: run-bench.sh DIR [kuku-recognize options]}
shift
here=$(cd "$(dirname "$0")" && pwd)
tool=${KUKU_RECOGNIZE:-$here/../../build/tools/kuku-recognize/kuku-recognize}
[[ -x $tool ]] || { echo "kuku-recognize not built: $tool" >&2; exit 1; }
[[ -f $dir/manifest.tsv ]] || { echo "no manifest.tsv in $dir" >&2; exit 1; }
out=$(mktemp); err=$(mktemp); trap 'rm -f "$out" "$err"' EXIT
mapfile -t files < <(cut -f1 "$dir/manifest.tsv" | sed "s|^|$dir/|")
"$tool" "$@" "${files[@]}" >"$out" 2>"$err" || true
awk -F'\t' -v dir="$dir/" '
  FNR == NR { expect[$1] = $2; text[$1] = $3; next }
  {
    f = $1; sub("^" dir, "", f); v = f; sub(/_.*/, "", v)
    n[v]++; total++
    if ($2 == expect[f]) { ok[v]++; oks++ }
    else {
      if ($2 == 0) { rej[v]++; rejs++ } else { fa[v]++; fas++ }
      misses = misses sprintf("  %s\texpected %s %s\tgot %s %s\n", f, expect[f], text[f], $2, $3)
    }
  }
  END {
    printf "%-6s %6s %8s %8s %8s\n", "voice", "files", "correct", "false", "rejected"
    for (v in n) printf "%-6s %6d %7.1f%% %8d %8d\n", v, n[v], 100 * ok[v] / n[v], fa[v], rej[v]
    printf "%-6s %6d %7.1f%% %8d %8d\n", "all", total, 100 * oks / total, fas, rejs
    if (misses != "") printf "misses:\n%s", misses
  }' "$dir/manifest.tsv" "$out"
grep -v '^$' "$err" | tail -n 5
