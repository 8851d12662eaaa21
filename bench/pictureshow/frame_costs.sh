#!/usr/bin/env bash
# One frame of every style as a multiple of one full-frame copy timed in the same run, at 1080p and
# 4K, before and after: builds this tree's transitions_bench.cpp against the sources of BASE_REV
# (in a folder of its own under $TMPDIR, reused), runs both benchmarks, and prints the table.
#
#   bench/pictureshow/frame_costs.sh BUILD [BASE_REV]      (BASE_REV default: main)
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
  cmake -S "$base" -B "$base/build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$base/build" --target pictureshow_bench >/dev/null
fi
"$base/build/bin/pictureshow_bench" --benchmark_format=json >"$base/before.json"
"$build/bin/pictureshow_bench" --benchmark_format=json >"$base/after.json"
"$here/bench/pictureshow/frame_costs.py" "$base/before.json" "$base/after.json"
