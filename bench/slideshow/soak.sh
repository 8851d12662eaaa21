#!/usr/bin/env bash
# A long run of the real slideshow at its fastest (Interval 1, Duration 0) on a private Xvfb, fed
# what users feed it: pictures of every format, large and small, damaged ones, a FIFO and a folder
# among them, and files that vanish and come back while the show runs; a sound list with good,
# damaged, missing and FIFO entries. Samples the program's resident size, open files and threads
# every SAMPLE seconds; at the end a key must still end the show. Not run by scripts/test.
#   bench/slideshow/soak.sh [MINUTES] [OUT_DIR] [SAMPLE]      (default 30 minutes, every 10 s)
# Run it at low priority on a shared machine: nice -n 19 bench/slideshow/soak.sh 120
set -euo pipefail
cd "$(dirname "$0")/../.."
minutes=${1:-30}
out=${2:-build/soak}
sample=${3:-10}
bin=build/release/bin
[ -x "$bin/QelSaver" ] || { echo "soak: build the release tree first (scripts/build release)" >&2; exit 1; }
command -v convert >/dev/null || { echo "soak: needs ImageMagick's convert (scripts/setup)" >&2; exit 1; }

rm -rf "$out"
mkdir -p "$out/install" "$out/pictures" "$out/sounds" "$out/spare"
cp "$bin/QelSaver" "$bin/QelMpegDll.dll" "$out/install/"
pics=$(cd "$out/pictures" && pwd)
snd=$(cd "$out/sounds" && pwd)
spare=$(cd "$out/spare" && pwd)

# Ten pictures of each format, from tiny to camera-sized, each a different pattern.
sizes=(16x16 64x48 320x240 640x480 800x600 1024x768 1600x1200 2048x1536 3000x2000 4000x3000)
n=0
for ext in jpg gif bmp png ico; do
  for size in "${sizes[@]}"; do
    n=$((n + 1))
    [ "$ext" = ico ] && size=$(( (n % 4 + 1) * 64 ))x$(( (n % 4 + 1) * 64 ))
    convert -size "$size" "plasma:fractal" -seed "$n" "$pics/p$n.$ext" 2>/dev/null ||
      convert -size "$size" "gradient:red-blue" "$pics/p$n.$ext"
  done
done
# Damaged ones: cut short, garbage with a picture's name, an empty file, a FIFO, a folder.
head -c 3000 "$pics/p9.jpg" >"$pics/cut.jpg"
head -c 200 "$pics/p35.png" >"$pics/cut.png"
head -c 20000 /dev/urandom >"$pics/noise.gif"
head -c 20000 /dev/urandom >"$pics/noise.bmp"
: >"$pics/empty.jpg"
mkfifo "$pics/pipe.jpg"
mkdir "$pics/folder.png"
# The vanishing ones are moved away and back while the show runs.
vanishing=(p5.jpg p15.gif p25.bmp p35.png p45.ico)

cp tests/data/audio/tone.mp3 tests/data/audio/long.mp3 tests/data/audio/tone.wav tests/data/audio/tone.mid "$snd/"
head -c 30000 /dev/urandom >"$snd/noise.mp3"
head -c 30000 /dev/urandom >"$snd/noise.wav"
mkfifo "$snd/pipe.mp3"
mkfifo "$snd/pipe.ogg"

{
  printf '[Options]\r\nImageSize=1\r\nSequence=1\r\nBgColor=0\r\nInterval=1\r\nMouseMove=1\r\nMouseClick=1\r\n'
  printf 'KeyPress=1\r\nShowCursor=0\r\nRandomSound=0\r\nTransIndex=0\r\nDuration=0\r\n[Transitions]\r\n'
  printf 'TransSetup=%s\r\n[Sounds]\r\n' "$(printf '1%.0s' $(seq 92))"
  for s in tone.mp3 noise.mp3 missing.mp3 pipe.mp3 long.mp3 tone.wav noise.wav pipe.ogg tone.mid missing.wav; do
    printf '%s=\r\n' "$snd/$s"
  done
  printf '[Images]\r\n'
  for p in "$pics"/*; do printf '%s=\r\n' "$p"; done
  printf '%s=\r\n' "$pics/missing.jpg"
} >"$out/install/QelSetup.dat"

display=""
for d in $(seq 140 199); do
  [ -e "/tmp/.X$d-lock" ] && continue
  Xvfb ":$d" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb=$!
  for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$d" ] && break; sleep 0.1; done
  if kill -0 "$xvfb" 2>/dev/null; then display=":$d"; break; fi
done
[ -n "$display" ] || { echo "soak: no free display" >&2; exit 1; }
export DISPLAY=$display QELSAVER_AUDIO_SINK=null TMPDIR=$out
vandal=""
cleanup() {
  [ -n "$vandal" ] && kill "$vandal" 2>/dev/null || true
  [ -n "${saver:-}" ] && kill "$saver" 2>/dev/null || true
  kill "$xvfb" 2>/dev/null || true
}
trap cleanup EXIT

"$out/install/QelSaver" /s >"$out/saver.log" 2>&1 &
saver=$!

# Every few seconds one picture goes away, or comes back.
(
  i=0
  while sleep 3; do
    f=${vanishing[$((i % ${#vanishing[@]}))]}
    if [ -e "$pics/$f" ]; then mv "$pics/$f" "$spare/$f"; else mv "$spare/$f" "$pics/$f"; fi
    i=$((i + 1))
  done
) &
vandal=$!

echo "seconds,rss_kb,fds,threads" >"$out/samples.csv"
end=$(($(date +%s) + minutes * 60))
start=$(date +%s)
while [ "$(date +%s)" -lt "$end" ]; do
  kill -0 "$saver" 2>/dev/null || { echo "soak: the slideshow ended by itself" >&2; tail "$out/saver.log" >&2; exit 1; }
  rss=$(awk '/^VmRSS/ { print $2 }' "/proc/$saver/status")
  threads=$(awk '/^Threads/ { print $2 }' "/proc/$saver/status")
  fds=$(ls "/proc/$saver/fd" | wc -l)
  echo "$(($(date +%s) - start)),$rss,$fds,$threads" >>"$out/samples.csv"
  sleep "$sample"
done

xdotool key space
for _ in $(seq 100); do kill -0 "$saver" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$saver" 2>/dev/null; then
  echo "soak: a key did not end the show" >&2
  exit 1
fi
wait "$saver" || true
saver=""

# Start, middle and end of the curve: the first sample after warming up, the middle one, the last.
awk -F, 'NR > 1 { row[++n] = $0 }
  END {
    warm = n > 6 ? 6 : 1
    split(row[warm], a, ","); split(row[int((n + warm) / 2)], m, ","); split(row[n], z, ",")
    printf "samples: %d over %d s\n", n, z[1]
    printf "          %10s %10s %10s\n", "start", "middle", "end"
    printf "second    %10d %10d %10d\n", a[1], m[1], z[1]
    printf "RSS (kB)  %10d %10d %10d\n", a[2], m[2], z[2]
    printf "fds       %10d %10d %10d\n", a[3], m[3], z[3]
    printf "threads   %10d %10d %10d\n", a[4], m[4], z[4]
  }' "$out/samples.csv"
echo "pictures the show could not load (reported once each): $(grep -c 'Cannot load picture' "$out/saver.log" || true)"
