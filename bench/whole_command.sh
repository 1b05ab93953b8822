#!/usr/bin/env bash
# Times the whole quenara command as a user runs it (read, render, write): a 6000 x 4000 16-bit
# RGB picture made from the sample photo as PNG and as TIFF (Deflate with the predictor, as
# image editors write it), and batches of camera-sized 8-bit files through `-o DIR` (JPEG at
# quality 90, and PNG). Prints medians of several runs and the split between reading, the
# render and writing (the command's --time); a batch overlaps the three, so for it the sum of
# the renders stands beside the wall time.
#
#   bench/whole_command.sh [QUENARA] [RUNS] [BATCH_FILES] [CASES]
#   CASES: any of png16 tiff16 jpeg-batch png-batch (default: all)
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
quenara="${1:-$here/../build/release/tools/quenara}"
runs="${2:-5}"
files="${3:-20}"
cases="${4:-png16 tiff16 jpeg-batch png-batch}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
command -v convert >/dev/null || { echo "whole_command: needs ImageMagick's convert" >&2; exit 2; }

# A photo-like picture: the sample enlarged, with fine noise so that it does not compress like
# a flat image.
convert "$here/../resources/sample/rocket.png" -resize 6000x4000! -attenuate 0.3 \
  +noise Gaussian -depth 16 -define png:bit-depth=16 -define png:color-type=2 "$work/big16.png"

# The inputs carry ImageMagick's bKGD and tIME chunks, which the notes name on every run.
quiet_notes() { grep -v '^quenara: note:' >&2 || true; }
median() { sort -n | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2}'; }
now() { date +%s.%N; }
has() { [[ " $cases " == *" $1 "* ]]; }

# single NAME INPUT OUTPUT [OPTIONS...]: one file, RUNS times.
single() {
  local name="$1" in="$2" out="$3"
  shift 3
  local totals=() renders=() reads=() writes=()
  for _ in $(seq "$runs"); do
    local t0 t1 times
    t0=$(now)
    times=$("$quenara" --quiet --time "$@" "$in" "$out" 2> >(quiet_notes))
    t1=$(now)
    totals+=("$(awk -v a="$t0" -v b="$t1" 'BEGIN {print b - a}')")
    renders+=("$(awk '/render time/ {print $3}' <<<"$times")")
    reads+=("$(awk '/read time/ {print $3}' <<<"$times")")
    writes+=("$(awk '/write time/ {print $3}' <<<"$times")")
  done
  echo "$name: whole command $(printf '%s\n' "${totals[@]}" | median) s (median of $runs):" \
    "read $(printf '%s\n' "${reads[@]}" | median) s, render $(printf '%s\n' "${renders[@]}" | median) s," \
    "write $(printf '%s\n' "${writes[@]}" | median) s; output $(stat -c %s "$out") bytes"
}

# batch NAME EXTENSION: BATCH_FILES copies of one picture, RUNS times.
batch() {
  local name="$1" ext="$2"
  rm -rf "$work/in" "$work/out"
  mkdir -p "$work/in" "$work/out"
  for i in $(seq "$files"); do cp "$work/big8.$ext" "$work/in/photo$i.$ext"; done
  local walls=() renders=()
  for _ in $(seq "$runs"); do
    rm -f "$work/out/"*
    local t0 t1
    t0=$(now)
    renders+=("$("$quenara" --quiet --time "$work/in/"*."$ext" -o "$work/out" 2> >(quiet_notes) |
      awk '/render time/ {s += $3} END {print s}')")
    t1=$(now)
    walls+=("$(awk -v a="$t0" -v b="$t1" 'BEGIN {print b - a}')")
  done
  echo "batch of $files 6000 x 4000 8-bit RGB $name: $(printf '%s\n' "${walls[@]}" | median) s" \
    "(median of $runs), of which the renders add up to $(printf '%s\n' "${renders[@]}" | median) s"
}

if has png16; then single "6000 x 4000 16-bit RGB PNG" "$work/big16.png" "$work/out.png"; fi
if has tiff16; then
  convert "$work/big16.png" -define tiff:predictor=2 -compress zip "$work/big16.tif"
  single "6000 x 4000 16-bit RGB TIFF" "$work/big16.tif" "$work/out.tif"
fi
if has jpeg-batch; then
  convert "$work/big16.png" -depth 8 -quality 90 "$work/big8.jpg"
  batch "JPEGs (quality 90)" jpg
fi
if has png-batch; then
  convert "$work/big16.png" -depth 8 -define png:bit-depth=8 "$work/big8.png"
  batch "PNGs" png
fi
