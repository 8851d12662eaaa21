#!/usr/bin/env bash
# Compares the transition frames of two builds of qelsaver-tool, byte for byte: every style, at
# several progress values, with and without --accumulate, on pictures of several sizes (odd sizes,
# tiny ones, a pair of different sizes, and a full-HD pair at a few values). Use it before and
# after any change to the transition engine:
#
#   bench/pictureshow/compare_frames.sh /tmp/baseline/bin/qelsaver-tool build/release/bin/qelsaver-tool
#
# STYLES="26 85" limits it to some styles. Prints each frame that differs and a summary; exit status
# 1 when any differs. Needs ImageMagick (scripts/setup --bench) for the noise pictures.
set -euo pipefail
if [ $# -ne 2 ]; then
  echo "usage: $0 BASE_TOOL NEW_TOOL" >&2
  exit 2
fi
base=$1
new=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Noise pictures: any misplaced pixel changes the bytes.
picture() { convert -size "$2" xc: +noise Random -seed "$3" -depth 8 "BMP3:$work/$1.bmp"; }
picture o640 640x480 1
picture n640 640x480 2
picture o321 321x199 3
picture n321 321x199 4
picture o37 37x11 5
picture n37 37x11 6
picture o1 1x1 7
picture n1 1x1 8
picture oDiff 500x300 9
picture nDiff 333x251 10
picture oHD 1920x1080 11
picture nHD 1920x1080 12

checked=0
differ=0
compare() {  # old new style progress [--accumulate]
  local tag="$3-$4-$1-$2${5:-}"
  "$base" frame "$work/$1.bmp" "$work/$2.bmp" "$work/a.bmp" --style "$3" --progress "$4" --seed 7 ${5:-} 2>/dev/null ||
    echo "base failed: $tag" >&2
  "$new" frame "$work/$1.bmp" "$work/$2.bmp" "$work/b.bmp" --style "$3" --progress "$4" --seed 7 ${5:-} 2>/dev/null ||
    echo "new failed: $tag" >&2
  checked=$((checked + 1))
  if ! cmp -s "$work/a.bmp" "$work/b.bmp"; then
    differ=$((differ + 1))
    echo "differs: style $3 progress $4 $1 -> $2 ${5:-}"
  fi
}

for style in ${STYLES:-$(seq 0 91)}; do
  for pair in "o640 n640" "o321 n321" "o37 n37" "o1 n1" "oDiff nDiff"; do
    set -- $pair
    for p in 0 1 4 37 50 96 100 255; do
      compare "$1" "$2" "$style" "$p"
      compare "$1" "$2" "$style" "$p" --accumulate
    done
  done
  for p in 13 64; do
    compare oHD nHD "$style" "$p" --accumulate
  done
  compare oHD nHD "$style" 100 --accumulate
done
echo "$checked frames compared, $differ differ"
[ "$differ" -eq 0 ]
