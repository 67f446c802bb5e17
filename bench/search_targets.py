#!/usr/bin/env python3
"""The held-out targets of kelvaro-search: genomes drawn from the whole genome
language, grown from the example start, kept only when they are honest.

    PYTHONPATH=build/python python3 bench/search_targets.py [--out bench/search_targets.json]

Each target's seed is fixed below; the list it gives is committed, so the
search is measured on targets drawn before it was tuned. Never tune on these
seeds: tune with --first-seed 1000 (docs/performance.md says which).

Static targets: 100 frames, division off, one run. Growing targets: 300
frames, division on, the target colony is the run on TARGET_SEED, and the
search scores 3 replicates in blocks of 4. A target is kept when:
- it has 3 to 6 genes, and removing any one of them leaves a genome that
  does not succeed against it (static: score < 0.99; growing: < 0.95 x the
  ceiling, the target genome's own replicate score);
- static targets of even number hold a SIGNAL or GLUEDS whose +1 or -1
  changes the grown colony;
- growing targets have a division gene (the first one's divides without EX)
  and grow to at most MAX_CELLS cells, so that a run takes about a second.
"""
import argparse
import json
import os
import random
import sys
import warnings

import numpy as np

import kelvaro
from kelvaro.search import genome as gn
from kelvaro.search.evaluate import replicate_seeds
from kelvaro.search.score import iou

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
START = os.path.join(ROOT, "examples", "list.txt")
STATIC = dict(frames=100, division=False, replicates=1, block=1)
GROWING = dict(frames=300, division=True, replicates=3, block=4)
TARGET_SEED = 12345
# The measuring seeds: 12 static targets, 6 growing ones.
SEEDS = [("s%d" % i, 100 + i, STATIC) for i in range(1, 13)] + \
        [("g%d" % i, 200 + i, GROWING) for i in range(1, 7)]
# Types a target's genes make: channel types (60 or 140 strong) and a few
# without a channel.
TYPE_POOL = tuple(range(4, 20)) + (20, 24, 29)
START_TYPES = (1, 2, 3)
# The largest growing target: ten times the start.
MAX_CELLS = 20400


def grow(text, kind, seed, most=None):
    """The colony a genome grows from the example start: (n, 4) cells; None
    as soon as it holds more than `most` cells (colonies never shrink)."""
    with warnings.catch_warnings():
        warnings.simplefilter("ignore")
        with kelvaro.Colony(genome_text=text, cells=START, seed=seed) as c:
            for done in range(0, kind["frames"], 25):
                c.run(min(25, kind["frames"] - done), division=kind["division"])
                if most is not None and len(c.cells) > most:
                    return None
            return c.cells.copy()


def score(text, target, kind, run_seed=0):
    """What the search scores a genome text against a target colony."""
    seeds = replicate_seeds(run_seed, text, kind["replicates"])
    return float(np.mean([iou(grow(text, kind, s), target, kind["block"]) for s in seeds]))


def draw_gene(rng, channels, division):
    """One gene drawn from the whole language, uniformly within each range (the
    generator's own draws: a change to the search's operators changes nothing here)."""
    if rng.random() < 0.1:  # a table line for a start type
        both = division and rng.random() < 0.5
        return gn.Gene((), (), rng.choice(START_TYPES),
                       rng.randint(*gn.GLUEDS_RANGE) if both else None,
                       rng.randint(*gn.SIGNAL_RANGE), 0)
    en = tuple(rng.choice(channels) for _ in range(2 + (rng.random() < 0.3)))
    mpf = int(division and rng.random() < 0.3)
    if mpf and rng.random() < 0.4:
        return gn.Gene(en, (), None, None, None, 1)
    return gn.Gene(en, (rng.choice(channels),) if rng.random() < 0.25 else (),
                   rng.choice(TYPE_POOL),
                   rng.randint(*gn.GLUEDS_RANGE) if division and rng.random() < 0.25 else None,
                   rng.randint(*gn.SIGNAL_RANGE) if rng.random() < 0.35 else None, mpf)


def draw_genome(rng, kind, no_ex):
    """3 to 6 genes from the whole language: each reads channels of the start
    or of earlier genes' types, as a designer builds bands on bands."""
    channels, genes = list(START_TYPES), []
    for _ in range(rng.randint(3, 6)):
        g = draw_gene(rng, sorted(set(channels)), kind["division"])
        if g.ex is not None and g.en and g.ex < gn.CHANNELS:
            channels.append(g.ex)
        genes.append(g)
    division = [i for i, g in enumerate(genes) if g.mpf]
    if kind["division"] and not division:
        i = rng.randrange(len(genes))  # becomes a division gene
        genes[i] = gn.Gene(tuple(rng.choice(channels) for _ in range(2)), (),
                           rng.choice(TYPE_POOL + (None,)), None, None, 1)
        division = [i]
    if no_ex:
        i = division[0]
        genes[i] = gn.Gene(genes[i].en, (), None, None, None, 1)
    return tuple(genes)


def sensitive_fields(genes, target, kind):
    """(gene, field, value) of every SIGNAL or GLUEDS whose +-1 changes the colony."""
    out = []
    for i, g in enumerate(genes):
        for field, (low, high) in (("signal", gn.SIGNAL_RANGE), ("glueds", gn.GLUEDS_RANGE)):
            v = getattr(g, field)
            if v is None:
                continue
            for d in (-1, 1):
                if low <= v + d <= high:
                    moved = genes[:i] + (g._replace(**{field: v + d}),) + genes[i + 1:]
                    if not np.array_equal(grow(gn.genome_text(moved), kind, TARGET_SEED),
                                          target):
                        out.append((i, field, v))
                        break
    return out


def honest(genes, kind, want_sensitive):
    """The target's record when the genome is honest, else None."""
    text = gn.genome_text(genes)
    if kelvaro.check_genome(text)["count"]:
        return None
    target = grow(text, kind, TARGET_SEED, MAX_CELLS)
    if target is None:
        return None  # too large
    start = {int(t) for t in grow("", kind, TARGET_SEED)[:, 3]}
    if not set(target[:, 3].tolist()) - start:
        return None  # no type the start lacks: nothing to search for
    ceiling = score(text, target, kind)
    need = 0.99 if not kind["division"] else 0.95 * ceiling
    for i in range(len(genes)):
        if score(gn.genome_text(genes[:i] + genes[i + 1:]), target, kind) >= need:
            return None
    sensitive = sensitive_fields(genes, target, kind) if not kind["division"] else []
    if want_sensitive and not sensitive:
        return None
    return dict(genome=text, ceiling=ceiling, cells=len(target),
                sensitive=["gene %d %s=%d" % s for s in sensitive])


def draw_target(name, seed, kind, tries=4000):
    """The first honest genome that `seed`'s generator draws."""
    rng = random.Random(seed)
    number = int(name[1:])
    for attempt in range(tries):
        genes = draw_genome(rng, kind, no_ex=kind["division"] and number == 1)
        found = honest(genes, kind, want_sensitive=not kind["division"] and number % 2 == 0)
        if found:
            found.update(name=name, seed=seed, attempt=attempt, target_seed=TARGET_SEED, **kind)
            return found
    raise RuntimeError("%s: no honest target in %d draws" % (name, tries))


def main(argv=None):
    p = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    p.add_argument("--out", default=os.path.join(ROOT, "bench", "search_targets.json"))
    p.add_argument("--first-seed", type=int, help="other seeds (for tuning), from this one on")
    p.add_argument("--only", help="names to draw, e.g. s1,s2")
    o = p.parse_args(argv)
    seeds = SEEDS
    if o.first_seed is not None:
        seeds = [(n, o.first_seed + k, kind) for k, (n, _, kind) in enumerate(SEEDS)]
    if o.only:
        seeds = [s for s in seeds if s[0] in o.only.split(",")]
    targets = []
    for name, seed, kind in seeds:
        t = draw_target(name, seed, kind)
        print("%s: %d genes, %d cells, ceiling %.4f, draw %d %s" % (
            name, t["genome"].count("\n"), t["cells"], t["ceiling"], t["attempt"],
            ", ".join(t["sensitive"])), file=sys.stderr, flush=True)
        targets.append(t)
        with open(o.out + ".tmp", "w") as f:
            json.dump(targets, f, indent=1)
            f.write("\n")
        os.replace(o.out + ".tmp", o.out)


if __name__ == "__main__":
    main()
