#!/usr/bin/env bash
# Decoding a five-minute MP3 into a PCM file: the decoder library (through mpegdll-decode) beside
# `mpg123 -w`, whole process, with hyperfine. Then the CPU share of playing to the silent sink.
#   bench/audio/compare.sh [BUILD_DIR] [FILE.mp3]
# Needs: hyperfine, mpg123, ffmpeg (scripts/setup --bench).
set -euo pipefail
build=${1:-build/release}
bin=$build/bin
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mp3=${2:-$work/five.mp3}
if [ ! -f "$mp3" ]; then
  # Five minutes of pink noise under a tone, stereo, 44.1 kHz, 192 kbit/s: decodes like music.
  ffmpeg -loglevel error -f lavfi -i "anoisesrc=d=300:c=pink:a=0.3" \
    -f lavfi -i "sine=frequency=440:duration=300" -filter_complex amix=inputs=2 \
    -ac 2 -ar 44100 -c:a libmp3lame -b:a 192k -y "$mp3"
fi
hyperfine -N -w 3 -r 20 \
  -n "mpg123 -w" "mpg123 -q -w $work/ref.wav $mp3" \
  -n "QelMpegDll.dll" "$bin/mpegdll-decode $bin/QelMpegDll.dll $mp3 $work/out.pcm"
# Same samples: the WAV file's 44-byte header aside, the outputs are identical.
cmp <(tail -c +45 "$work/ref.wav") "$work/out.pcm" && echo "outputs identical"
QELSAVER_AUDIO_SINK=null "$bin/mpegdll-decode" "$bin/QelMpegDll.dll" "$mp3" - 30
