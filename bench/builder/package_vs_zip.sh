#!/usr/bin/env bash
# The package builder beside the zip writer alone, in one hyperfine run: "qelsaver-tool package build"
# on settings that list the zip corpus (make_corpus.sh: ~60 MB of JPEG photos as pictures, ~40 MB of
# text as sounds) against "qelsaver-tool zip" of the same files and the three files every package
# adds. Then the peak memory (maximum resident size) of building a 1 GB package of incompressible
# files, and of zipping them alone.
#   package_vs_zip.sh [BUILD_DIR] [CORPUS_DIR]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../../build/release}" && pwd)
corpus=${2:-/tmp/qel-zip-corpus}
tool=$build/bin/qelsaver-tool
out=${TMPDIR:-/tmp}/qel-package-bench
mkdir -p "$out/tmp"
export TMPDIR=$out/tmp
"$here/../zip/make_corpus.sh" "$corpus" >/dev/null

# settings FILE: a settings file listing the arrays pics (pictures) and snds (sounds).
settings() {
  {
    printf '[Options]\r\nImageSize=1\r\n[Transitions]\r\nTransSetup=1\r\n[Sounds]\r\n'
    for f in "${snds[@]}"; do printf '%s=\r\n' "$f"; done
    printf '[Images]\r\n'
    for f in "${pics[@]}"; do printf '%s=\r\n' "$f"; done
  } >"$1"
}

pictures=("$corpus"/*.jpg)
sounds=("$corpus"/*.txt)
pics=("${pictures[@]}")
snds=("${sounds[@]}")
settings "$out/corpus.dat"
extras=("$build/bin/build/Saver.pak" "$build/bin/QelMpegDll.dll" "$build/bin/build/Uninstall.pak")
echo "corpus: $(cat "${pictures[@]}" "${sounds[@]}" | wc -c) bytes in $(( ${#pictures[@]} + ${#sounds[@]} )) files"

hyperfine --warmup 1 --runs "${RUNS:-5}" --export-markdown "$out/results.md" \
  --prepare "rm -f $out/setup.run" --prepare "rm -f $out/alone.zip" \
  -n "qelsaver-tool package build" "$tool package build $out/corpus.dat Corpus $out/setup.run" \
  -n "qelsaver-tool zip (the same files)" "$tool zip $out/alone.zip ${pictures[*]} ${sounds[*]} ${extras[*]}"
echo "package: $(stat -c %s "$out/setup.run") bytes; archive alone: $(stat -c %s "$out/alone.zip") bytes"

# Peak memory: ten files of 100 MB that do not compress make a package of about 1 GB.
big=()
for i in $(seq 0 9); do
  f=$out/big$i.bin
  [ -e "$f" ] || head -c 100000000 /dev/urandom >"$f"
  big+=("$f")
done
pics=("${big[@]}")
snds=()
settings "$out/big.dat"
rm -f "$out/big.run" "$out/big.zip"
/usr/bin/time -f '%M' -o "$out/package.kb" "$tool" package build "$out/big.dat" Big "$out/big.run" >/dev/null 2>&1
/usr/bin/time -f '%M' -o "$out/zip.kb" "$tool" zip "$out/big.zip" "${big[@]}" >/dev/null
echo "1 GB package ($(stat -c %s "$out/big.run") bytes): peak memory $(( $(cat "$out/package.kb") / 1024 )) MB;" \
     "zip writer alone: $(( $(cat "$out/zip.kb") / 1024 )) MB"
rm -f "$out/big.run" "$out/big.zip"
