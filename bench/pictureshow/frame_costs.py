#!/usr/bin/env python3
"""Per style, the cost of one transition frame as a multiple of one full-frame copy timed in the same
run (the worst of P = 10, 50, 90), at 1920x1080 and 3840x2160, from pictureshow_bench's JSON output.
With a second file, its figures are shown beside the first ("before" first, then "after"). Either may be
a comma-separated list of runs of the same build; each benchmark then counts with its least time:

    pictureshow_bench --benchmark_format=json > after.json
    bench/pictureshow/frame_costs.py before.json after.json
    bench/pictureshow/frame_costs.py b1.json,b2.json,b3.json a1.json,a2.json,a3.json
"""
import json
import sys


def load(paths):
    # Several runs of the same benchmarks: each one's least time is its least disturbed by the rest
    # of the machine.
    best, labels = {}, {}
    for path in paths.split(","):
        with open(path) as f:
            runs = json.load(f)["benchmarks"]
        for r in runs:
            if r.get("run_type") == "aggregate":
                continue
            name = r["name"]
            best[name] = min(best.get(name, float("inf")), r["cpu_time"])
            labels[name] = r.get("label", "")
    copies, worst, names = {}, {}, {}
    for name, time in best.items():
        parts = name.split("/")
        if parts[0] == "BM_FullFrameCopy":
            copies[int(parts[1])] = time
        elif parts[0] == "BM_Frame":
            style, height = int(parts[1]), int(parts[3]) if len(parts) > 3 and parts[3].isdigit() else 1080
            key = (height, style)
            worst[key] = max(worst.get(key, 0.0), time)
            names[style] = labels[name]
    return copies, worst, names


def main():
    files = sys.argv[1:]
    if not 1 <= len(files) <= 2:
        sys.exit(__doc__)
    data = [load(p) for p in files]
    names = data[-1][2]
    heights = sorted({h for _, w, _ in data for (h, _) in w})
    header = "style  name                    " + "".join(
        f"{h}p {'before/after' if len(data) == 2 else 'x copy':>14}  " for h in heights)
    print(header)
    top = {}
    for style in sorted(names):
        cells = []
        for h in heights:
            ratios = []
            for i, (copies, worst, _) in enumerate(data):
                if (h, style) in worst and h in copies:
                    ratio = worst[(h, style)] / copies[h]
                    ratios.append(f"{ratio:5.2f}")
                    top.setdefault((i, h), []).append((ratio, style))
                else:
                    ratios.append("    -")
            cells.append(" / ".join(ratios).rjust(18))
        print(f"{style:5}  {names[style][:22]:22}  " + "  ".join(cells))
    for (i, h), values in sorted(top.items()):
        values.sort(reverse=True)
        label = ("before", "after")[i] if len(data) == 2 else "worst"
        copy = data[i][0][h]
        print(f"{h}p {label}: copy {copy:.3f} ms; slowest: " +
              ", ".join(f"{names[s]} {r:.2f}x" for r, s in values[:6]))


if __name__ == "__main__":
    main()
