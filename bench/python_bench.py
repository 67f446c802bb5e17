#!/usr/bin/env python3
"""The Python module's costs, on an idle machine (timings on a shared one are
noise):

  * run: Colony.run against kelvaro-batch on the same 200,000-cell colony and
    100 frames, one Python process and one kelvaro-batch process per round,
    median of the rounds; both time the frames only (kelvaro-batch's --stats
    elapsed_ms of the last frame, time.perf_counter around run), so that the
    load of the colony counts on neither side;
  * handover: c.cells and c.signal, per access, with one cell and with 200,000;
  * import: `import kelvaro` in a fresh interpreter, median of the rounds.

  PYTHONPATH=build/python python3 bench/python_bench.py [--batch build/src/batch/kelvaro-batch]
      [--rounds 5] [--frames 100] [--smoke]

--smoke runs each part once on a small colony, to see that the benchmark works.
"""
import argparse
import os
import pathlib
import statistics
import subprocess
import sys
import tempfile
import timeit

ROOT = pathlib.Path(__file__).resolve().parents[1]
GENOME = ROOT / "examples" / "dna.vdna"

# The Python side of a round, in a process of its own: load, then time the frames.
RUN_ROUND = """
import sys, time, kelvaro
with kelvaro.Colony(genome=sys.argv[1], cells=sys.argv[2], seed=1) as c:
    c.run(0, division=True)
    t = time.perf_counter()
    c.run(int(sys.argv[3]))
    print(time.perf_counter() - t)
"""

HANDOVER = """
import sys, timeit, kelvaro
with kelvaro.Colony(cells=sys.argv[1] or None) as c:
    n = int(sys.argv[2])
    for name in ("cells", "signal"):
        t = min(timeit.repeat("c.%s" % name, globals=dict(c=c), number=n, repeat=5))
        print(name, len(c.cells), t / n * 1e9)
"""

IMPORT = """
import time
t = time.perf_counter()
import kelvaro
print(time.perf_counter() - t)
"""


def colony_file(folder, cells):
    """A block of type-1 cells, 100 x 100 sites per layer, as many layers as needed."""
    path = folder / ("colony-%d.txt" % cells)
    with open(path, "w") as out:
        for k in range(cells):
            z, rest = divmod(k, 100 * 100)
            y, x = divmod(rest, 100)
            out.write("1 %d %d %d\n" % (x + 10 - 40, y + 10 - 40, z + 1))
    return path


def python(code, *args):
    return subprocess.run([sys.executable, "-c", code, *map(str, args)], check=True,
                          capture_output=True, text=True).stdout


def batch_round(binary, cells, frames, folder):
    stats = folder / "stats.csv"
    subprocess.run([binary, "--genome", GENOME, "--cells", cells, "--seed", "1", "--division",
                    "--frames", str(frames), "--quiet", "--stats", stats], check=True)
    return float(stats.read_text().splitlines()[-1].rsplit(",", 1)[1]) / 1000.0


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("--batch", default=str(ROOT / "build" / "src" / "batch" / "kelvaro-batch"))
    ap.add_argument("--rounds", type=int, default=5)
    ap.add_argument("--frames", type=int, default=100)
    ap.add_argument("--cells", type=int, default=200000)
    ap.add_argument("--smoke", action="store_true")
    args = ap.parse_args()
    if args.smoke:
        args.rounds, args.frames, args.cells = 1, 3, 2000
    with tempfile.TemporaryDirectory() as tmp:
        folder = pathlib.Path(tmp)
        cells = colony_file(folder, args.cells)
        batch_s, python_s = [], []
        for _ in range(args.rounds):
            batch_s.append(batch_round(args.batch, cells, args.frames, folder))
            python_s.append(float(python(RUN_ROUND, GENOME, cells, args.frames)))
        b, p = statistics.median(batch_s), statistics.median(python_s)
        print("| what | figure |\n|---|---|")
        print("| kelvaro-batch, %d cells, %d frames (median of %d) | %.3f s |"
              % (args.cells, args.frames, args.rounds, b))
        print("| Colony.run, the same | %.3f s (%+.1f%%) |" % (p, (p / b - 1) * 100))
        for size, path in (("one cell", ""), ("%d cells" % args.cells, cells)):
            for line in python(HANDOVER, path, 1000 if args.smoke else 200000).splitlines():
                name, _, ns = line.split()
                print("| c.%s, %s | %.0f ns |" % (name, size, float(ns)))
        imports = [float(python(IMPORT)) for _ in range(args.rounds)]
        print("| import kelvaro (median of %d) | %.1f ms |"
              % (args.rounds, statistics.median(imports) * 1000))


if __name__ == "__main__":
    main()
