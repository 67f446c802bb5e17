#!/usr/bin/env python3
"""kelvaro-search on the held-out targets (bench/search_targets.json): one
search per target, its result kept in a file of its own, so that the suite
runs in parts and resumes where it stopped.

    PYTHONPATH=build/python python3 bench/search_suite.py [--targets 1-4|s1,g2]
        [--static-minutes 5] [--growing-minutes 8] [-j 2] [--seed 1]
        [--out bench-results/search-suite] [--plot docs/search-suite.png]
        [--report] [--markdown]

Success: static >= 0.99; growing >= 0.95 x the ceiling (the target genome's
own replicates against the target, from the list). Reports per target and in
all: successes, the median time to success, the median score at the budget.
"""
import argparse
import csv
import json
import os
import statistics
import subprocess
import sys
import time
import warnings

import kelvaro

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
START = os.path.join(ROOT, "examples", "list.txt")


def pick(targets, wanted):
    """The targets `wanted` names: numbers and ranges from 1 ("1-4,13"), or names ("s1,g2")."""
    if not wanted:
        return targets
    chosen = []
    for part in wanted.split(","):
        if part[0].isalpha():
            chosen += [t for t in targets if t["name"] == part]
        else:
            low, _, high = part.partition("-")
            chosen += targets[int(low) - 1:int(high or low)]
    return chosen


def write_target(t, folder):
    """The target colony, grown as the list's generator grew it."""
    path = os.path.join(folder, "target.txt")
    if not os.path.exists(path):
        with warnings.catch_warnings():
            warnings.simplefilter("ignore")
            with kelvaro.Colony(genome_text=t["genome"], cells=START, seed=t["target_seed"]) as c:
                c.run(t["frames"], division=t["division"])
                c.save_cells(path)
    return path


def threshold(t):
    return 0.99 if not t["division"] else 0.95 * t["ceiling"]


def run_one(t, o):
    """One target's search, and its result."""
    folder = os.path.join(o.out, t["name"])
    search = os.path.join(folder, "search")
    os.makedirs(folder, exist_ok=True)
    if os.path.exists(search):  # a search cut short: start it again
        subprocess.run(["rm", "-rf", search], check=True)
    need = threshold(t)
    minutes = o.growing_minutes if t["division"] else o.static_minutes
    args = [sys.executable, "-m", "kelvaro.search", "--cells", START,
            "--target", write_target(t, folder), "--frames", str(t["frames"]),
            "--replicates", str(t["replicates"]), "--block", str(t["block"]),
            "--seed", str(o.seed), "-j", str(o.jobs), "--minutes", str(minutes),
            "--stop-at", repr(need), "--out", search, "--quiet"]
    if t["division"]:
        args.append("--division")
    began = time.monotonic()
    subprocess.run(args, check=True)
    wall = time.monotonic() - began
    with open(os.path.join(search, "search.csv")) as f:
        rows = list(csv.DictReader(f))
    hit = next((r for r in rows if float(r["best"]) >= need), None)
    return dict(name=t["name"], kind="growing" if t["division"] else "static",
                threshold=need, best=float(rows[-1]["best"]),
                success=hit is not None,
                time_to_success=float(hit["elapsed_s"]) if hit else None,
                evaluations=int(rows[-1]["evaluations"]), wall_s=round(wall, 1),
                minutes=minutes, jobs=o.jobs, seed=o.seed)


def summary(results):
    """One line per kind: successes, median time to success, median score at the budget."""
    lines = []
    for kind in ("static", "growing"):
        rs = [r for r in results if r["kind"] == kind]
        if not rs:
            continue
        times = [r["time_to_success"] for r in rs if r["success"]]
        lines.append("%s: %d of %d successful; median time to success %s; median best %.4f"
                     % (kind, len(times), len(rs),
                        "%.1f s" % statistics.median(times) if times else "-",
                        statistics.median(r["best"] for r in rs)))
    return lines


def markdown(results):
    """The results as a table for docs/performance.md."""
    lines = ["| target | kind | needs | best | found after | evaluations |", "|---|---|---|---|---|---|"]
    for r in results:
        lines.append("| %s | %s | %.4f | %.4f | %s | %d |" % (
            r["name"], r["kind"], r["threshold"], r["best"],
            "%.0f s" % r["time_to_success"] if r["success"] else
            "not within %g min" % r["minutes"], r["evaluations"]))
    return "\n".join(lines)


def plot(results, path):
    import matplotlib
    matplotlib.use("Agg")
    from matplotlib.figure import Figure
    fig = Figure(figsize=(7, 3.2), dpi=100)
    ax = fig.subplots()
    names = [r["name"] for r in results]
    ratio = [r["best"] / r["threshold"] for r in results]
    ax.bar(names, ratio, color=["tab:green" if r["success"] else "tab:red" for r in results])
    ax.axhline(1.0, color="black", linewidth=0.8)
    ax.set_ylabel("best / success threshold")
    ax.set_ylim(min(ratio + [0.9]) - 0.05, max(ratio + [1.0]) + 0.03)
    fig.tight_layout()
    fig.savefig(path)


def main(argv=None):
    p = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    p.add_argument("--targets", help="1-4, 13, s1,g2 (default: all)")
    p.add_argument("--list", default=os.path.join(ROOT, "bench", "search_targets.json"))
    p.add_argument("--static-minutes", type=float, default=5)
    p.add_argument("--growing-minutes", type=float, default=8)
    p.add_argument("-j", "--jobs", type=int, default=2)
    p.add_argument("--seed", type=int, default=1)
    p.add_argument("--out", default=os.path.join(ROOT, "bench-results", "search-suite"))
    p.add_argument("--plot", help="a PNG of every result in --out")
    p.add_argument("--markdown", action="store_true", help="print the results as a table")
    p.add_argument("--report", action="store_true", help="run nothing: report what --out holds")
    o = p.parse_args(argv)
    with open(o.list) as f:
        targets = json.load(f)
    os.makedirs(o.out, exist_ok=True)
    for t in [] if o.report else pick(targets, o.targets):
        result_path = os.path.join(o.out, t["name"] + ".json")
        if os.path.exists(result_path):
            continue
        r = run_one(t, o)
        with open(result_path + ".tmp", "w") as f:
            json.dump(r, f)
        os.replace(result_path + ".tmp", result_path)
        print("%s: %s, best %.4f (needs %.4f), %s, %d evaluations" % (
            r["name"], "found" if r["success"] else "not found", r["best"], r["threshold"],
            "%.1f s" % r["time_to_success"] if r["success"] else "budget %g min" % r["minutes"],
            r["evaluations"]), flush=True)
    results = []
    for t in targets:
        path = os.path.join(o.out, t["name"] + ".json")
        if os.path.exists(path):
            with open(path) as f:
                results.append(json.load(f))
    print("\n".join(summary(results)))
    if o.markdown:
        print(markdown(results))
    if o.plot and results:
        plot(results, o.plot)


if __name__ == "__main__":
    main()
