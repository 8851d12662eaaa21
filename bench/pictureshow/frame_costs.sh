#!/usr/bin/env bash
# One frame of every style as a multiple of one full-frame copy timed in the same run, at 1080p and
# 4K, before and after (ROUNDS runs of each, default 3, taking turns): builds this tree's
# transitions_bench.cpp against the sources of BASE_REV
# (in a folder of its own under $TMPDIR, reused), runs both benchmarks, and prints the table.
#
#   bench/pictureshow/frame_costs.sh BUILD [BASE_REV]      (BASE_REV default: main)
#   e.g. bench/pictureshow/frame_costs.sh build/release c1ed824   (the engine before its frames
#   were made to cost what they change)
set -euo pipefail
if [ $# -lt 1 ]; then
  echo "usage: $0 BUILD [BASE_REV]" >&2
  exit 2
fi
here=$(cd "$(dirname "$0")/../.." && pwd)
build=$1
rev=${2:-main}
base="${TMPDIR:-/tmp}/qel-frame-costs-$(git -C "$here" rev-parse --short "$rev")"
if [ ! -x "$base/build/bin/pictureshow_bench" ]; then
  mkdir -p "$base"
  git -C "$here" archive "$rev" | tar -x -C "$base"
  cp "$here/bench/pictureshow/transitions_bench.cpp" "$base/bench/pictureshow/"
  # Revisions from before the copies had one header of their own named the full-frame copy Draw.
  if [ ! -f "$base/src/raster/copy.h" ]; then
    sed -i 's|"raster/copy.h"|"raster/blit.h"|; s|qel::raster::Copy(dst, 0, 0, src)|qel::raster::Draw(dst, 0, 0, src)|' \
      "$base/bench/pictureshow/transitions_bench.cpp"
  fi
  launcher=()
  if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  fi
  cmake -S "$base" -B "$base/build" -G Ninja -DCMAKE_BUILD_TYPE=Release "${launcher[@]}" >/dev/null
  cmake --build "$base/build" --target pictureshow_bench >/dev/null
fi
# ROUNDS runs of each, taking turns, so that the machine's other load falls on both alike; each
# benchmark counts with its least time.
before=()
after=()
for round in $(seq "${ROUNDS:-3}"); do
  "$base/build/bin/pictureshow_bench" --benchmark_format=json >"$base/before.$round.json"
  "$build/bin/pictureshow_bench" --benchmark_format=json >"$base/after.$round.json"
  before+=("$base/before.$round.json")
  after+=("$base/after.$round.json")
done
"$here/bench/pictureshow/frame_costs.py" "$(IFS=,; echo "${before[*]}")" "$(IFS=,; echo "${after[*]}")"
