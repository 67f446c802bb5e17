"""kelvaro-search's throughput on the example's bands: evaluations per second
with -j 1, -j 2, a two-worker LocalCluster, and -j 2 with every run going all
its frames (KELVARO_SEARCH_FULL_RUNS=1, the early stop off). Each round runs
the four searches in turn, so that a drift of the machine's speed touches them
alike; ratios are taken round by round. The rate is the search's own, from its
search.csv (evaluations over elapsed seconds), without the command's start.

Guards (exit status 1 when one fails): -j 2 at least 1.6 times -j 1, the
LocalCluster at least 1.25 times -j 1. Run it on a quiet machine:

    PYTHONPATH=build/python python3 bench/search_throughput.py [--rounds 3] [--generations 40]

--runs-only times, in this one process, the runs of every genome that one such
search evaluated, with the early stop and without it in turn, in processor
seconds: the cost of a run on one worker, which a loaded machine disturbs less
than it does the rates above.
"""
import argparse
import csv
import os
import statistics
import subprocess
import sys
import tempfile
import time

import kelvaro
from kelvaro.search import evaluate, statefile

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


def run_costs(folder, target, generations, rounds):
    """Processor seconds per run of the genomes a -j 1 search evaluated: with
    the early stop, and with full runs, in turn."""
    out = tempfile.mkdtemp(dir=folder)
    subprocess.run([sys.executable, "-m", "kelvaro.search", "--cells",
                    os.path.join(EXAMPLE, "list.txt"), "--target", target, "--generations",
                    str(generations), "--seed", "1", "--quiet", "--out", out, "-j", "1"],
                   check=True)
    state = statefile.read(out)
    run, texts = state["run"], list(state["cache"])
    ctx = evaluate.Context("bench", run["start"], run["start_bytes"], run["shift"], run["frames"],
                           run["division"], run["gravity"], run["target_cells"], run["block"],
                           None)
    items = [(t, [1]) for t in texts]
    costs = {True: [], False: []}
    for _ in range(rounds):
        for early in (True, False):
            evaluate.EARLY_STOP = early
            began = time.process_time()
            evaluate.evaluate_batch(ctx, items)
            costs[early].append((time.process_time() - began) / len(items))
    return len(items), costs


def summary(values, digits=1):
    f = "%%.%df" % digits
    return (f + " (" + f + " to " + f + ")") % (statistics.median(values), min(values), max(values))


def main():
    p = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    p.add_argument("--rounds", type=int, default=3)
    p.add_argument("--generations", type=int, default=40)
    p.add_argument("--runs-only", action="store_true")
    o = p.parse_args()
    if o.runs_only:
        with tempfile.TemporaryDirectory() as folder:
            n, costs = run_costs(folder, make_target(folder), o.generations, o.rounds)
        print("processor ms per run over the %d genomes of a search, %d rounds:" % (n, o.rounds))
        for early, name in ((True, "early stop"), (False, "full runs")):
            print("  %-10s %s ms, %s runs/s" % (name, summary([1e3 * c for c in costs[early]], 2),
                                                summary([1 / c for c in costs[early]])))
        ratio = [f / e for e, f in zip(costs[True], costs[False])]
        print("  full over early stop: %s x" % summary(ratio, 2))
        return 0
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
