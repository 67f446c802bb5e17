"""kelvaro-search's throughput on the example's bands: evaluations per second
with -j 1, -j 2, a two-worker LocalCluster, and -j 2 with every run going all
its frames (KELVARO_SEARCH_FULL_RUNS=1, the early stop off). Each round runs
the four searches in turn, so that a drift of the machine's speed touches them
alike; ratios are taken round by round. The rate is the search's own, from its
search.csv (evaluations over elapsed seconds), without the command's start.

Guards (exit status 1 when one fails): -j 2 at least 1.6 times -j 1, the
LocalCluster at least 1.25 times -j 1. Run it on a quiet machine:

    PYTHONPATH=build/python python3 bench/search_throughput.py [--rounds 3] [--generations 40]
"""
import argparse
import csv
import os
import statistics
import subprocess
import sys
import tempfile

import kelvaro

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
EXAMPLE = os.path.join(ROOT, "examples")
GUARDS = {"-j 2": 1.6, "cluster": 1.25}


def make_target(folder):
    """The example embryo after 100 frames, where kelvaro-batch --out puts it."""
    path = os.path.join(folder, "target.txt")
    with kelvaro.Colony(genome=os.path.join(EXAMPLE, "dna.vdna"),
                        cells=os.path.join(EXAMPLE, "list.txt")) as c:
        c.run(100)
        c.save_cells(path)
    return path


def rate(folder, target, generations, backend, env):
    """Evaluations per second of one search, as its log counts them."""
    out = tempfile.mkdtemp(dir=folder)
    subprocess.run([sys.executable, "-m", "kelvaro.search", "--cells",
                    os.path.join(EXAMPLE, "list.txt"), "--target", target, "--frames", "100",
                    "--generations", str(generations), "--seed", "1", "--quiet", "--out", out,
                    *backend], check=True, env=env)
    with open(os.path.join(out, "search.csv")) as f:
        last = list(csv.DictReader(f))[-1]
    return int(last["evaluations"]) / float(last["elapsed_s"])


def summary(values, digits=1):
    f = "%%.%df" % digits
    return (f + " (" + f + " to " + f + ")") % (statistics.median(values), min(values), max(values))


def main():
    p = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    p.add_argument("--rounds", type=int, default=3)
    p.add_argument("--generations", type=int, default=40)
    o = p.parse_args()
    from distributed import LocalCluster
    with tempfile.TemporaryDirectory() as folder, LocalCluster(
            n_workers=2, threads_per_worker=1, processes=True, dashboard_address=":0") as cluster:
        target = make_target(folder)
        env = dict(os.environ)
        full = dict(env, KELVARO_SEARCH_FULL_RUNS="1")
        runs = {"-j 1": (["-j", "1"], env, 1), "-j 2": (["-j", "2"], env, 2),
                "cluster": (["--scheduler", cluster.scheduler_address], env, 2),
                "-j 2, full runs": (["-j", "2"], full, 2)}
        rates = {name: [] for name in runs}
        for _ in range(o.rounds):
            for name, (backend, e, _) in runs.items():
                rates[name].append(rate(folder, target, o.generations, backend, e))
    print("evaluations/s: median (min to max) over %d rounds, %d generations each"
          % (o.rounds, o.generations))
    for name, (_, _, workers) in runs.items():
        print("  %-16s %s, per worker %s" % (name, summary(rates[name]),
                                             summary([r / workers for r in rates[name]])))
    failed = False
    for name, least in GUARDS.items():
        ratio = [a / b for a, b in zip(rates[name], rates["-j 1"])]
        ok = statistics.median(ratio) >= least
        failed |= not ok
        print("  %s over -j 1: %s x, at least %.2f: %s" % (name, summary(ratio, 2), least,
                                                          "met" if ok else "NOT MET"))
    early = [a / b for a, b in zip(rates["-j 2"], rates["-j 2, full runs"])]
    print("  the early stop, -j 2 over full runs: %s x" % summary(early, 2))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
