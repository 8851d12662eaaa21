#!/usr/bin/env bash
# Fitting phone-size photos of the newer formats to 1920x1080, decode included, side by side with
# vipsthumbnail in one hyperfine run: a 12 MP HEIC, a 12 MP AVIF and a 24 MP WebP, made here with the
# Debian encoders (heif-enc, avifenc, cwebp) from the same kind of photo-like picture as
# fit_vs_tools.sh. Then the peak memory of each.
#   bench/imaging/formats_vs_vips.sh [BUILD_DIR]   (default build/release)
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build/release}
tool=$(realpath "$build/bin/qelsaver-tool")
for t in heif-enc avifenc cwebp vipsthumbnail hyperfine convert; do
  command -v "$t" >/dev/null || { echo "formats_vs_vips.sh: $t is missing (scripts/setup --bench)" >&2; exit 2; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

# Smooth fractal colour with sensor-like noise, as a camera gives it.
convert -size 3000x2000 plasma:fractal -resize 6000x4000! -attenuate 0.3 +noise Gaussian p24.png
convert p24.png -resize 4000x3000! p12.png
heif-enc -q 85 p12.png -o p12.heic >/dev/null
avifenc -j all -s 8 p12.png p12.avif >/dev/null
cwebp -quiet -q 85 p24.png -o p24.webp
rm p12.png p24.png

args=()
for p in p12.heic p12.avif p24.webp; do
  args+=(-n "qelsaver-tool fit $p" "$tool fit $p out-q.bmp 1920 1080")
  args+=(-n "vipsthumbnail $p" "vipsthumbnail $p -s 1920x1080 -o out-v.png")
done
# vips writes a warning line for the colour profile of every HEIF tile; hyperfine hides the output.
hyperfine -N -w 1 -r "${RUNS:-5}" --export-markdown "$work/table.md" "${args[@]}" >/dev/null
cat "$work/table.md"

echo
echo "| Picture | qelsaver-tool fit peak RSS | vipsthumbnail peak RSS |"
echo "|---|---|---|"
for p in p12.heic p12.avif p24.webp; do
  q=$(/usr/bin/time -f %M "$tool" fit $p out-q.bmp 1920 1080 2>&1 >/dev/null | tail -1)
  v=$(/usr/bin/time -f %M vipsthumbnail $p -s 1920x1080 -o out-v.png 2>&1 >/dev/null | tail -1)
  echo "| $p $(identify -format "%wx%h" $p 2>/dev/null || true) | $((q / 1024)) MB | $((v / 1024)) MB |"
done
