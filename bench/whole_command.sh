#!/usr/bin/env bash
# Times the whole quenara command as a user runs it (read, render, write) on a 6000 x 4000
# 16-bit RGB PNG made from the sample photo, and a batch of camera-sized 8-bit PNGs through
# `-o DIR`. Prints medians of several runs and the split between the render (the command's
# --time) and the files (the rest).
#
#   bench/whole_command.sh [QUENARA] [RUNS] [BATCH_FILES]
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
quenara="${1:-$here/../build/release/tools/quenara}"
runs="${2:-5}"
files="${3:-20}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
command -v convert >/dev/null || { echo "whole_command: needs ImageMagick's convert" >&2; exit 2; }

# A photo-like picture: the sample enlarged, with fine noise so that it does not compress like
# a flat image.
convert "$here/../resources/sample/rocket.png" -resize 6000x4000! -attenuate 0.3 \
  +noise Gaussian -depth 16 -define png:bit-depth=16 -define png:color-type=2 "$work/big16.png"
convert "$work/big16.png" -depth 8 -define png:bit-depth=8 "$work/big8.png"

median() { sort -n | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2}'; }
now() { date +%s.%N; }

totals=()
renders=()
for _ in $(seq "$runs"); do
  t0=$(now)
  render=$("$quenara" --quiet --time "$work/big16.png" "$work/out.png" | awk '/render time/ {print $3}')
  t1=$(now)
  totals+=("$(awk -v a="$t0" -v b="$t1" 'BEGIN {print b - a}')")
  renders+=("$render")
done
total=$(printf '%s\n' "${totals[@]}" | median)
render=$(printf '%s\n' "${renders[@]}" | median)
echo "6000 x 4000 16-bit RGB PNG: whole command $total s (median of $runs), render $render s," \
  "reading and writing $(awk -v a="$render" -v b="$total" 'BEGIN {print b - a}') s; output $(stat -c %s "$work/out.png") bytes"

mkdir -p "$work/in" "$work/out"
for i in $(seq "$files"); do cp "$work/big8.png" "$work/in/photo$i.png"; done
batches=()
for _ in $(seq "$runs"); do
  rm -f "$work/out/"*
  t0=$(now)
  "$quenara" --quiet "$work/in/"*.png -o "$work/out" >/dev/null
  t1=$(now)
  batches+=("$(awk -v a="$t0" -v b="$t1" 'BEGIN {print b - a}')")
done
echo "batch of $files 6000 x 4000 8-bit RGB PNGs: $(printf '%s\n' "${batches[@]}" | median) s" \
  "(median of $runs)"
