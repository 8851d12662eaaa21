#!/usr/bin/env bash
# Fitting large JPEG photos to 1920x1080, decode included, side by side with ImageMagick and
# libvips in one hyperfine run (and with the qelsaver-tool of a base build when BASE_BIN names its
# folder); a progressive photo against its full decode by djpeg. Then the minimum and median of
# each, the ratios the budgets speak of, peak memory and the PSNR of the fast fit against the exact
# full-size path. Test photos are made here in a temporary folder (nothing big is kept).
#   [RUNS=N] [BASE_BIN=DIR] bench/imaging/fit_vs_tools.sh [BUILD_DIR]   (default build/release)
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build/release}
tool=$(realpath "$build/bin/qelsaver-tool")
convert=/usr/bin/convert
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

# Photo-like pictures: smooth fractal colour with sensor-like noise, JPEG quality 92.
# p6000 6000x4000, p4000 4000x3000, portrait 3000x4000, camera420 6000x4000 with 4:2:0 colour,
# p2560 2560x1920, progressive 5640x3172 (progressive scans).
$convert -size 3000x2000 plasma:fractal -resize 6000x4000! -attenuate 0.3 +noise Gaussian -quality 92 p6000.jpg
$convert p6000.jpg -resize 4000x3000! -quality 92 p4000.jpg
$convert p6000.jpg -crop 3000x4000+1000+0 +repage -quality 92 portrait.jpg
# ImageMagick keeps full colour resolution at quality 92; cameras mostly store colour at half size.
$convert p6000.jpg -sampling-factor 2x2 -quality 92 camera420.jpg
$convert p6000.jpg -resize 2560x1920! -quality 92 p2560.jpg
$convert p6000.jpg -resize 5640x3172! -interlace JPEG -quality 92 progressive.jpg

args=()
for p in p6000 p4000 portrait camera420 p2560 progressive; do
  args+=(-n "qelsaver-tool fit $p" "$tool fit $p.jpg out-q.bmp 1920 1080")
  [ -n "${BASE_BIN:-}" ] && args+=(-n "base qelsaver-tool fit $p" "$BASE_BIN/qelsaver-tool fit $p.jpg out-b.bmp 1920 1080")
  args+=(-n "convert $p" "$convert $p.jpg -filter Lanczos -resize 1920x1080 out-c.bmp")
  args+=(-n "vipsthumbnail $p" "vipsthumbnail $p.jpg -s 1920x1080 -o out-v.png")
done
args+=(-n "djpeg full decode progressive" "djpeg -dct int -outfile /dev/null progressive.jpg")
hyperfine -N -w 2 -r "${RUNS:-10}" --export-markdown "$work/table.md" --export-json "$work/times.json" "${args[@]}" >/dev/null
cat "$work/table.md"

echo
python3 - "$work/times.json" <<'PY'
import json, statistics, sys
runs = {r["command"]: r["times"] for r in json.load(open(sys.argv[1]))["results"]}
low = {c: 1000 * min(t) for c, t in runs.items()}
mid = {c: 1000 * statistics.median(t) for c, t in runs.items()}
print("| Command | min [ms] | median [ms] |")
print("|---|---:|---:|")
for c in runs:
    print(f"| {c} | {low[c]:.1f} | {mid[c]:.1f} |")
print()
print("| Ratio | of minimums | of medians |")
print("|---|---:|---:|")
def ratio(name, a, b):
    if a in runs and b in runs:
        print(f"| {name} | {low[a] / low[b]:.2f} | {mid[a] / mid[b]:.2f} |")
for who in ("", "base "):
    for p in ("p6000", "p4000", "portrait", "camera420", "p2560"):
        ratio(f"{who}fit {p} / vipsthumbnail", f"{who}qelsaver-tool fit {p}", f"vipsthumbnail {p}")
    ratio(f"{who}fit progressive / djpeg full decode", f"{who}qelsaver-tool fit progressive",
          "djpeg full decode progressive")
PY
if [ -n "${BASE_BIN:-}" ]; then
  echo
  for p in p6000 p4000 portrait camera420 p2560 progressive; do
    "$tool" fit $p.jpg out-q.bmp 1920 1080
    "$BASE_BIN/qelsaver-tool" fit $p.jpg out-b.bmp 1920 1080
    cmp -s out-q.bmp out-b.bmp && same="the same bytes" || same="DIFFERENT bytes"
    echo "fit $p: $same as the base build"
  done
fi

echo
echo "| Picture | qelsaver-tool fit peak RSS | convert peak RSS | vipsthumbnail peak RSS | PSNR fast fit vs exact |"
echo "|---|---|---|---|---|"
for p in p6000 p4000 portrait camera420 p2560 progressive; do
  q=$(/usr/bin/time -f %M "$tool" fit $p.jpg fast.bmp 1920 1080 2>&1 >/dev/null | tail -1)
  c=$(/usr/bin/time -f %M $convert $p.jpg -filter Lanczos -resize 1920x1080 out-c.bmp 2>&1 >/dev/null | tail -1)
  v=$(/usr/bin/time -f %M vipsthumbnail $p.jpg -s 1920x1080 -o out-v.png 2>&1 >/dev/null | tail -1)
  # The exact path: full-size decode, resized to the fitted size, compared on the picture's area.
  read -r w h < <(identify -format "%w %h\n" $p.jpg)
  if (( h * 1920 > w * 1080 )); then fw=$(( (w * 1080 + h / 2) / h )); fh=1080; else fw=1920; fh=$(( (h * 1920 + w / 2) / w )); fi
  "$tool" resize $p.jpg exact.bmp $fw $fh
  $convert fast.bmp -crop ${fw}x${fh}+$(( (1920 - fw) / 2 ))+$(( (1080 - fh) / 2 )) +repage fastcrop.bmp
  psnr=$(compare -metric PSNR exact.bmp fastcrop.bmp null: 2>&1 || true)
  echo "| $p ${w}x${h} | $((q / 1024)) MB | $((c / 1024)) MB | $((v / 1024)) MB | $psnr dB |"
done
