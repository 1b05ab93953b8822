#!/usr/bin/env bash
# Renders the same images with two builds of the reference host and compares the outputs byte
# for byte: for changes that must not change a single pixel (refactoring, build layout).
# Covers the eight layouts a PNG can carry (grey, grey+alpha, RGB, RGBA at 8 and 16 bits) with
# parameter sets that reach every stage: both blur modes, a selection mask, the strength map,
# the lightness band, the colour corrections, several blend modes and the display modes. (The
# two-colour layouts have no PNG form; the dispatch tests cover them.)
#
#   tests/compare-renders.sh OLD/quenara NEW/quenara [WORK_DIR]
set -uo pipefail
old="$1"
new="$2"
work="${3:-$(mktemp -d)}"
sample="$(dirname "$0")/../resources/sample/rocket.png"
command -v convert >/dev/null || { echo "compare-renders: needs ImageMagick's convert" >&2; exit 2; }
mkdir -p "$work"

# The layouts, from the sample at a quarter of its size (small enough for many runs).
convert "$sample" -resize 25% "$work/base.png"
for d in 8 16; do
  convert "$work/base.png" -colorspace gray -depth "$d" -define png:bit-depth="$d" \
    -define png:color-type=0 "$work/grey$d.png"
  convert "$work/base.png" -colorspace gray -alpha set -channel A -fx 'i/w' +channel -depth "$d" \
    -define png:bit-depth="$d" -define png:color-type=4 "$work/greya$d.png"
  convert "$work/base.png" -alpha off -depth "$d" -define png:bit-depth="$d" \
    -define png:color-type=2 "$work/rgb$d.png"
  convert "$work/base.png" -alpha set -channel A -fx 'j/h' +channel -depth "$d" \
    -define png:bit-depth="$d" -define png:color-type=6 "$work/rgba$d.png"
done
convert "$work/base.png" -colorspace gray -fx 'i/w' -depth 8 -define png:color-type=0 "$work/mask.png"

sets=(
  ""
  "-p Strength=0.9 -p Origin=30,20 -p ZoomStart=-0.3"
  "-p Mode=abberative -p Strength=0.6 -p InvertGradient=1"
  "-p Mode=abberative -p HoldoutRadius=0.3 -p BlendMode=screen -p Intensity=2.5"
  "-p SelectionLow=40 -p SelectionHigh=200 -p SelectionSoften=1.5 -p SelectionClimax=-0.4"
  "-p Hue=0.3 -p Saturation=-0.5 -p Lightness=0.2 -p Contrast=1.2 -p GammaCorrectionCorrective=1.8"
  "-p BlendMode=hue -p GammaCorrection=0 -p Origin=-50,300"
  "-p BlendMode=21 -p SelectionShow=3"
  "--mask MASK"
  "--mask MASK -p UseSizeSelection=1 -p Strength=1"
  "--mask MASK -p UseSizeSelection=1 -p SelectionShow=4"
)

same=0
differ=0
for image in grey8 grey16 greya8 greya16 rgb8 rgb16 rgba8 rgba16; do
  for i in "${!sets[@]}"; do
    # shellcheck disable=SC2206
    args=(${sets[$i]//MASK/$work/mask.png})
    "$old" --quiet "${args[@]}" "$work/$image.png" "$work/old.png" 2>"$work/old.err"
    s1=$?
    "$new" --quiet "${args[@]}" "$work/$image.png" "$work/new.png" 2>"$work/new.err"
    s2=$?
    # Both must render: two equal failures would prove nothing.
    # The notes name the output file, which differs by design.
    if [ "$s1" -eq 0 ] && [ "$s2" -eq 0 ] && cmp -s "$work/old.png" "$work/new.png" &&
       cmp -s <(sed 's/old\.png/OUT/g' "$work/old.err") <(sed 's/new\.png/OUT/g' "$work/new.err"); then
      same=$((same + 1))
    else
      differ=$((differ + 1))
      echo "DIFFERENT: $image with '${sets[$i]}' (exit $s1 / $s2)"
    fi
    rm -f "$work/old.png" "$work/new.png"
  done
done
echo "compare-renders: $same identical, $differ different"
[ "$differ" -eq 0 ]
