#!/usr/bin/env python3
"""Every `#include "folder/..."` in src/ points to the file's own folder or one below it.

The order of the folders is the one the top CMakeLists.txt builds them in (QELSAVER_MODULES), from the
bottom up; a folder of src/ missing from it is a fault too, so the list stays the one place that says it.
Usage: layering_test.py [SOURCE_ROOT]
"""
import pathlib
import re
import sys

root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).resolve().parents[2])
cmake = (root / "CMakeLists.txt").read_text(encoding="utf-8")
match = re.search(r"set\(QELSAVER_MODULES\s+([^)]*)\)", cmake)
if not match:
    sys.exit("no set(QELSAVER_MODULES ...) in CMakeLists.txt")
order = match.group(1).split()
floor = {name: index for index, name in enumerate(order)}

include = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.MULTILINE)
faults = []
folders = sorted(p.name for p in (root / "src").iterdir() if p.is_dir())
for name in folders:
    if name not in floor:
        faults.append(f"src/{name}/ is not in QELSAVER_MODULES")
for path in sorted((root / "src").rglob("*")):
    if path.suffix not in (".h", ".hpp", ".cpp", ".cc", ".inc") or not path.is_file():
        continue
    own = path.relative_to(root / "src").parts[0]
    if own not in floor:
        continue
    text = path.read_text(encoding="utf-8", errors="replace")
    for target in include.findall(text):
        if "/" not in target:
            continue  # beside the file itself
        folder = target.split("/", 1)[0]
        if folder not in floor:
            continue  # not one of ours (a generated or third-party header)
        if floor[folder] > floor[own]:
            line = text.count("\n", 0, text.find(f'"{target}"')) + 1
            faults.append(f"src/{path.relative_to(root / 'src')}:{line}: {own}/ includes {target}, "
                          f"a folder above it")
if faults:
    print("\n".join(faults))
    sys.exit(1)
print(f"{len(order)} folders, every include points down")
