#!/usr/bin/env python3
"""The layers of src/, checked from the includes: a file may include headers of
its own folder and of the layers below its own, never of its layer's level or
above. The core (sim) and the platform layer are the floor and never include
each other; the programs sit on top and never include one another, except the
Python module, which drives the batch program's run loop.

Usage: layers.py SRC_DIR   (exit 1 and one line per include that runs up or sideways)
"""
import glob
import os
import re
import sys

RANK = {"sim": 0, "platform": 0, "app": 1, "view": 2, "ui": 3, "batch": 4, "window": 4, "python": 5}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([a-z_]+)/', re.M)


def faults(src):
    out = []
    for folder in sorted(os.listdir(src)):
        path = os.path.join(src, folder)
        if not os.path.isdir(path):
            continue
        if folder not in RANK:
            out.append("%s/: a folder of no known layer" % folder)
            continue
        for f in sorted(glob.glob(os.path.join(path, "**", "*"), recursive=True)):
            if re.search(r"\.(h|hpp|c|cc|cpp)$", f):
                with open(f, errors="replace") as text:
                    out += ["%s includes %s/" % (os.path.relpath(f, src), target)
                            for target in INCLUDE.findall(text.read()) if target != folder
                            and (target not in RANK or RANK[target] >= RANK[folder])]
    return out


def main():
    found = faults(sys.argv[1])
    for line in found:
        print(line)
    print("%d includes run up or sideways" % len(found))
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
