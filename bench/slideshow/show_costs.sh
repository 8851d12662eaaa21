#!/usr/bin/env bash
# The running show, before and after, side by side in one run (each configuration runs the base
# build and this build one after the other):
#   - CPU share of a running show over SECONDS (default 60) at 1920x1080 and 3840x2160, with
#     Interval 1 / Duration 0 and with the defaults Interval 3 / Duration 2; and the wake-ups of an
#     idle show (a picture on screen, the next one a minute away);
#   - the pace at 3840x2160, Duration 0: nominal against measured time of chosen styles
#     (STYLES, default: the five slowest of pictureshow_bench at 4K);
#   - the time from `QelSaver /s` to the first frame of a 24 MP JPEG at 1920x1080 against the time
#     djpeg takes to decode it at half scale (minimum and median of 10);
#   - pan and zoom (Motion 1) at 1920x1080 and 3840x2160, Interval 3 / Duration 2: the CPU share
#     with Motion off and on, and the times between the frames of the moving pictures (this build
#     only: the base build may not know the setting). MOTION_ONLY=1 runs this part alone.
#
#   bench/slideshow/show_costs.sh BUILD BASE_BIN_DIR [SECONDS]
#   e.g. bench/slideshow/show_costs.sh build/release /tmp/baseline/bin
#
# Pictures are made once in $TMPDIR/qel-show-costs (ImageMagick, scripts/setup --bench). The
# machine should be otherwise idle: every figure is a wall-clock or CPU-time measure.
set -euo pipefail
if [ $# -lt 2 ]; then
  echo "usage: $0 BUILD BASE_BIN_DIR [SECONDS]" >&2
  exit 2
fi
build=$1
base=$2
seconds=${3:-60}
styles=${STYLES:-"40 26 60 59 56"}
costs="$build/bin/slideshow_costs"
figures="$build/bin/slideshow_figures"
pics="${TMPDIR:-/tmp}/qel-show-costs"
mkdir -p "$pics"
for i in 1 2 3 4; do
  [ -f "$pics/p$i.jpg" ] || convert -size 2400x1600 -seed "$i" plasma:fractal -quality 90 "$pics/p$i.jpg"
done
[ -f "$pics/big.jpg" ] || convert -size 6000x4000 -seed 5 plasma:fractal -quality 92 "$pics/big.jpg"
photos=("$pics"/p1.jpg "$pics"/p2.jpg "$pics"/p3.jpg "$pics"/p4.jpg)

motion() {
  echo "== Pan and zoom: CPU share with Motion off and on, frame times ($seconds s each, this build)"
  for size in "1920 1080" "3840 2160"; do
    echo -n "off: "; "$costs" cpu "$seconds" $size 3 2 "${photos[@]}"
    echo -n "on:  "; "$costs" cpu "$seconds" $size 3 2 "${photos[@]}" --motion
  done
}
if [ "${MOTION_ONLY:-0}" = 1 ]; then
  motion
  exit 0
fi

echo "== CPU share of a running show ($seconds s each; before = $base, after = $build)"
for size in "1920 1080" "3840 2160"; do
  for timing in "1 0" "3 2"; do
    echo -n "before: "; "$costs" cpu "$seconds" $size $timing "${photos[@]}" --bin "$base"
    echo -n "after:  "; "$costs" cpu "$seconds" $size $timing "${photos[@]}"
  done
done
echo "== An idle show (Interval 60, measured 4 s after the first picture, 20 s)"
echo -n "before: "; "$costs" cpu 20 1920 1080 60 0 "${photos[@]}" --settle 4 --bin "$base"
echo -n "after:  "; "$costs" cpu 20 1920 1080 60 0 "${photos[@]}" --settle 4

echo "== Pace at 3840x2160, Duration 0"
echo "before:"; "$costs" pace 3840 2160 $styles --bin "$base"
echo "after:"; "$costs" pace 3840 2160 $styles

echo "== First frame of a 24 MP JPEG at 1920x1080 against its half-scale decode: 10 warm runs, before and after taking turns"
"$figures" firstframe "$pics/big.jpg" 11 --base "$base" | tail -2

motion
