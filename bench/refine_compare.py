#!/usr/bin/env python3
"""Which refinement kelvaro-search runs on its best candidate: coordinate steps
(kelvaro.search.refine) or CMA-ES with margin (python3-cmaes' CMAwM) over the
numeric fields of the gene list. Both start from a target's genome with one
sensitive SIGNAL moved by D, and get the same budget of distinct evaluations.

    PYTHONPATH=build/python python3 bench/refine_compare.py TARGETS.json [--budget 60]

Use a tuning list (bench/search_targets.py --first-seed 1000), never the
measuring one.
"""
import argparse
import json
import os
import sys

import numpy as np

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from search_targets import grow  # noqa: E402

from kelvaro.search import genome as gn  # noqa: E402
from kelvaro.search import refine  # noqa: E402
from kelvaro.search.score import iou  # noqa: E402


class Scorer:
    """Scores genomes against one static target, each text once; counts them."""

    def __init__(self, target, kind):
        self.target, self.kind, self.cache = target, kind, {}

    def __call__(self, genes):
        text = gn.genome_text(genes)
        if text not in self.cache:
            self.cache[text] = iou(grow(text, self.kind, 0), self.target)
        return self.cache[text]


def coordinate(start, space, score, budget):
    best, value = start, score(start)
    while len(score.cache) < budget and value < 0.99:
        moves = refine.neighbours(space, best)
        scored = [(score(m), m) for m in moves[:budget - len(score.cache)]]
        top = max(scored, default=(value, best), key=lambda s: s[0])
        if top[0] <= value:
            break
        value, best = top
    return value


def swept(start, space, score, budget):
    """The sweep of the best's strengths, then the coordinate steps."""
    scored = [(score(m), m) for m in refine.sweep(space, start)[:budget]]
    value, best = max(scored + [(score(start), start)], key=lambda s: s[0])
    return coordinate(best, space, score, budget) if value < 0.99 else value


def fields(genes):
    return [(i, f) for i, g in enumerate(genes) for f in ("signal", "glueds")
            if getattr(g, f) is not None]


def cma(start, space, score, budget, seed=1):
    from cmaes import CMAwM
    where = fields(start)
    bounds = np.array([gn.SIGNAL_RANGE if f == "signal" else gn.GLUEDS_RANGE for _, f in where],
                      dtype=float)
    mean = np.array([getattr(start[i], f) for i, f in where], dtype=float)
    steps = np.ones(len(where))
    if len(where) == 1:  # CMAwM needs two dimensions: a continuous one that nothing reads
        bounds, mean, steps = np.vstack([bounds, [0, 1]]), np.append(mean, 0.5), np.append(steps, 0)
    opt = CMAwM(mean=mean, sigma=3.0, bounds=bounds, steps=steps, seed=seed)
    value, stalls = score(start), 0
    while len(score.cache) < budget and value < 0.99 and stalls < 50:
        told, before = [], len(score.cache)
        for _ in range(opt.population_size):
            x_eval, x_tell = opt.ask()
            genes = list(start)
            for (i, f), v in zip(where, x_eval):
                genes[i] = genes[i]._replace(**{f: int(round(v))})
            s = score(tuple(genes))
            value = max(value, s)
            told.append((x_tell, -s))
        opt.tell(told)
        stalls = stalls + 1 if len(score.cache) == before else 0
    return value


def main():
    p = argparse.ArgumentParser()
    p.add_argument("targets")
    p.add_argument("--budget", type=int, default=400)
    o = p.parse_args()
    rows = []
    for t in json.load(open(o.targets)):
        if t["division"] or not t["sensitive"]:
            continue
        genes = gn.parse_genome(t["genome"])
        i = int(t["sensitive"][0].split()[1])
        kind = dict(frames=t["frames"], division=False)
        target = grow(t["genome"], kind, 0)
        types = tuple(sorted({g.ex for g in genes if g.ex is not None and g.en}))
        space = gn.Space(types, (1, 2, 3) + tuple(x for x in types if x < 20), 6, False,
                         (1, 2, 3), False)
        for d in (1, 3, 8, 20):
            v = min(max(genes[i].signal + d, 0), gn.SIGNAL_RANGE[1])
            start = genes[:i] + (genes[i]._replace(signal=v),) + genes[i + 1:]
            for name, method in (("coordinate", coordinate), ("cmawm", cma),
                                 ("sweep", swept)):
                score = Scorer(target, kind)
                best = method(start, space, score, o.budget)
                rows.append((t["name"], d, name, best, len(score.cache)))
                print("%s D=%d %s: best %.4f after %d evaluations" % rows[-1], flush=True)
    for name in ("coordinate", "cmawm", "sweep"):
        mine = [r for r in rows if r[2] == name]
        print("%s: %d of %d exact, median evaluations %.0f" % (
            name, sum(r[3] >= 0.99 for r in mine), len(mine),
            np.median([r[4] for r in mine])))


if __name__ == "__main__":
    main()
