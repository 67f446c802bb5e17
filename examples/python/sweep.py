#!/usr/bin/env python3
"""A sweep of genomes x seeds with the Python module, one colony per process,
and the summary that examples/sweep/ writes (summary.csv, without pictures).

  sweep.py [-f FRAMES] [-j JOBS] [-o OUTDIR] [-c CELLS] [--scheduler ADDRESS] GENOME... ::: SEED...

Defaults: 500 frames, one process per core, runs/ in the current folder, the
example colony. Division is on, as in examples/sweep/run_one.sh. By default
the runs go to a local process pool; with --scheduler they go to a
dask.distributed cluster (start its workers with --nthreads 1: a colony is a
process's own), so that a sweep that outgrows one machine runs unchanged on
many. Every machine must see the genomes and the colony under the same paths.

OUTDIR/summary.csv: genome,seed,frames,cells,type_N...: one row per run with
the count of each type at the last frame, a column for every type that any
run had at any frame (type_other for types outside 0..99, last).
"""
import argparse
import concurrent.futures
import os
import sys

import kelvaro

HERE = os.path.dirname(os.path.abspath(__file__))
# The example colony lies one folder up, in the source tree and when installed.
EXAMPLE_CELLS = os.path.join(HERE, os.pardir, "list.txt")


def column(t):
    return "type_%d" % t if 0 <= t < 100 else "type_other"


def run_one(genome, seed, cells, frames):
    """One run in this process: the types seen at any frame and the final counts."""
    seen, final = set(), {}
    with kelvaro.Colony(genome=genome, cells=cells, seed=seed) as c:
        c.run(0, division=True)
        for _ in range(frames + 1):
            final = {}
            for t, n in c.census().items():
                final[column(t)] = final.get(column(t), 0) + n
            seen.update(final)
            if c.frame < frames:
                c.run(1)
        return dict(genome=os.path.basename(genome).removesuffix(".vdna"), seed=seed,
                    frames=c.frame, cells=len(c.cells), seen=seen, final=final)


def run_all(jobs, args):
    """The runs on the cluster of --scheduler, or in a local process pool."""
    if args.scheduler:
        from dask.distributed import Client
        with Client(args.scheduler) as client:
            futures = [client.submit(run_one, *job, pure=False) for job in jobs]
            return client.gather(futures)
    with concurrent.futures.ProcessPoolExecutor(max_workers=args.jobs) as pool:
        return list(pool.map(run_one, *zip(*jobs)))


def write_summary(results, path):
    def order(c):
        return (c == "type_other", int(c[5:]) if c != "type_other" else 0)
    types = sorted(set().union(*(r["seen"] for r in results)), key=order)
    # Rows in the order of the run folders that examples/sweep/ sorts by name.
    results = sorted(results, key=lambda r: "%s-s%s" % (r["genome"], r["seed"]))
    with open(path, "w") as out:
        out.write(",".join(["genome", "seed", "frames", "cells"] + types) + "\n")
        for r in results:
            row = [r["genome"], r["seed"], r["frames"], r["cells"]]
            out.write(",".join(map(str, row + [r["final"].get(t, 0) for t in types])) + "\n")


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("-f", "--frames", type=int, default=500)
    ap.add_argument("-j", "--jobs", type=int, default=os.cpu_count())
    ap.add_argument("-o", "--outdir", default="runs")
    ap.add_argument("-c", "--cells", default=EXAMPLE_CELLS)
    ap.add_argument("--scheduler", help="a dask.distributed scheduler, e.g. tcp://node1:8786")
    ap.add_argument("items", nargs="+", metavar="GENOME... ::: SEED...")
    args = ap.parse_args()
    if ":::" not in args.items:
        ap.error("give the genomes, then ::: and the seeds")
    k = args.items.index(":::")
    genomes, seeds = args.items[:k], [int(s) for s in args.items[k + 1:]]
    if not genomes or not seeds:
        ap.error("give the genomes, then ::: and the seeds")
    # Absolute paths, so that every worker finds the files.
    cells = os.path.abspath(args.cells)
    jobs = [(os.path.abspath(g), s, cells, args.frames) for g in genomes for s in seeds]
    results = run_all(jobs, args)
    os.makedirs(args.outdir, exist_ok=True)
    write_summary(results, os.path.join(args.outdir, "summary.csv"))
    print("sweep.py: %d runs -> %s" % (len(results), os.path.join(args.outdir, "summary.csv")))


if __name__ == "__main__":
    sys.exit(main())
