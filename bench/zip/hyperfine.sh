#!/usr/bin/env bash
# Whole-program timing of "qelsaver-tool zip" beside Info-ZIP's zip at -8 and -0 on the ~100 MB corpus
# of make_corpus.sh, then the archive sizes. Usage: hyperfine.sh [BUILD_DIR] [CORPUS_DIR]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../../build/release}
corpus=${2:-/tmp/qel-zip-corpus}
tool=$build/bin/qelsaver-tool
out=${TMPDIR:-/tmp}/qel-zip-bench
"$here/make_corpus.sh" "$corpus" >/dev/null
mkdir -p "$out"
files="$corpus/*.jpg $corpus/*.txt"
echo "corpus: $(cat $files | wc -c) bytes in $(ls $files | wc -l) files"

# One --prepare per command, in command order (zip adds to an existing archive: start afresh).
hyperfine --warmup 1 --runs "${RUNS:-5}" --export-markdown "$out/results.md" \
  --prepare "rm -f $out/qel.zip" --prepare "rm -f $out/qel1.zip" \
  --prepare "rm -f $out/zip8.zip" --prepare "rm -f $out/zip0.zip" \
  -n "qelsaver-tool zip (level 8)" "$tool zip $out/qel.zip $files" \
  -n "qelsaver-tool zip (level 8, one core)" "taskset -c 0 $tool zip $out/qel1.zip $files" \
  -n "zip -8" "zip -q -j -8 $out/zip8.zip $files" \
  -n "zip -0" "zip -q -j -0 $out/zip0.zip $files"

echo
for a in qel qel1 zip8 zip0; do
  unzip -tqq "$out/$a.zip" >/dev/null
  printf '%-6s %12d bytes  (unzip -t ok)\n' "$a" "$(stat -c %s "$out/$a.zip")"
done
cmp -s "$out/qel.zip" "$out/qel1.zip" && echo "qel.zip and qel1.zip are identical"
python3 -c "import sys; a,b=int(sys.argv[1]),int(sys.argv[2]); print('qel vs zip -8: %+.3f %%' % (100.0*(a-b)/b))" \
  "$(stat -c %s "$out/qel.zip")" "$(stat -c %s "$out/zip8.zip")"
