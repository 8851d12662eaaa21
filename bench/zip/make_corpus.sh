#!/usr/bin/env bash
# Builds the ~100 MB benchmark corpus for the zip writer: JPEG photos-alike (plasma fractals and
# noisy gradients at several sizes and qualities) plus plain text (C headers and documentation),
# the kind of files a saver package holds. Usage: make_corpus.sh [DIR] (default /tmp/qel-zip-corpus).
set -euo pipefail
dir=${1:-/tmp/qel-zip-corpus}
mkdir -p "$dir"
cd "$dir"

# About 60 MB of pictures.
sizes=(3000x2000 2400x1600 1920x1080 1600x1200 1024x768 800x600 640x480 320x240 160x120)
n=0
for round in $(seq 6); do
  for s in "${sizes[@]}"; do
    n=$((n + 1))
    q=$((80 + (n * 7) % 16))
    f=$(printf 'photo%03d.jpg' "$n")
    [ -e "$f" ] && continue
    # Sensor-like noise over smooth shapes gives the sizes of real photos.
    if (( n % 3 == 0 )); then
      convert -seed "$n" -size "$s" gradient:navy-orange -attenuate 1.0 +noise Gaussian -quality "$q" "$f"
    else
      convert -seed "$n" -size "$s" plasma:fractal -blur 0x1 -attenuate 1.0 +noise Gaussian -quality "$q" "$f"
    fi
  done
done

# About 40 MB of text in files from 4 KB to 4 MB.
if [ ! -e text.done ]; then
  find /usr/include /usr/share/doc -type f \( -name '*.h' -o -name '*.txt' -o -name 'README*' \
       -o -name 'changelog' -o -name 'copyright' \) -size -2M 2>/dev/null | LC_ALL=C sort > text.list
  python3 - <<'EOF'
import itertools
paths = [p.strip() for p in open("text.list")]
targets = [4 << 10, 16 << 10, 60 << 10, 200 << 10, 700 << 10, 2 << 20, 4 << 20]
total, limit, i = 0, 40 << 20, 0
src = iter(paths)
while total < limit:
    want = targets[i % len(targets)]
    buf = bytearray()
    for p in src:
        try:
            buf += open(p, "rb").read()
        except OSError:
            continue
        if len(buf) >= want:
            break
    else:
        break
    buf = buf[:want]
    open("text%03d.txt" % i, "wb").write(buf)
    total += len(buf)
    i += 1
EOF
  rm -f text.list
  touch text.done
fi
du -sh "$dir"
