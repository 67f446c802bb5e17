"""Genes read off the target. The target colony, loaded under the best
genome's tables, shows the levels at each of its cells; a switch to type T
belongs where T's cells read two channels within one level of each other and
the cells left undifferentiated do not. So, for each type the genes may make:

- the pairs of channels whose switch would fit T's cells best (by F1 over the
  cells of T and of type 1) become genes, put first and last;
- where T's cells read a pair whose levels differ by a steady amount, the
  strength of one emitter moved by that amount makes the pair fit: the gene
  and the strength come together, one move where the refinement needs two. A
  type-1 cell reads its own strength on channel 1, so a gene on channel 1
  moves type 1's strength to the level T's cells read on the other channel.

A function of the best and the target alone: it draws no random number.
"""
import os
import tempfile
import warnings

import numpy as np

import kelvaro

from . import genome as gn

# Pairs proposed per type, as genes alone and with a strength moved.
PAIRS = 4
SHIFTS = 3
# A steady difference: this share of T's cells within one level of it, at least.
STEADY = 0.5


def pairs(channels):
    """Every unordered pair of channels, a channel with itself included (a switch
    reads its two channels alike)."""
    return [(a, b) for i, a in enumerate(channels) for b in channels[i:]]


def target_levels(genes, target):
    """The levels (n, 20) at the target's cells, settled under the genome's
    tables, and the cells' types."""
    fd, path = tempfile.mkstemp(prefix="kelvaro-search-target-", suffix=".txt")
    try:
        with os.fdopen(fd, "w") as f:
            np.savetxt(f, np.asarray(target)[:, [kelvaro.TYPE, kelvaro.X, kelvaro.Y, kelvaro.Z]],
                       fmt="%d")
        with warnings.catch_warnings():
            warnings.simplefilter("ignore")
            with kelvaro.Colony(genome_text=gn.genome_text(genes), cells=path, shift=0) as c:
                return c.levels, c.cells[:, kelvaro.TYPE].copy()
    finally:
        os.unlink(path)


def strength(genes, t):
    """The strength type t emits under the genome: the last line's that sets it."""
    s = kelvaro.START_SIGNAL[t] if 0 <= t < len(kelvaro.START_SIGNAL) else 0
    for g in genes:
        if g.ex == t and g.signal is not None:
            s = g.signal
    return s


def with_strength(space, genes, t, value):
    """The genome with type t emitting `value`: on the lines that set it, else
    on a new table line for a start type; None when no line can hold it."""
    low, high = gn.SIGNAL_RANGE
    if not low <= value <= high or not gn._emits(t):
        return None
    if any(g.ex == t and g.signal is not None for g in genes):
        return tuple(g._replace(signal=value) if g.ex == t and g.signal is not None else g
                     for g in genes)
    if t in space.start_types and len(genes) < space.max_genes:
        return genes + (gn.Gene((), (), t, None, value, 0),)
    return None


def _fits(levels, a, b):
    la, lb = levels[:, a], levels[:, b]
    return (la >= 1) & (lb >= 1) & (np.abs(la - lb) <= 1)


def _genes_alone(space, genes, levels, mine, undifferentiated, t):
    ranked = []
    for a, b in pairs(space.channels):
        fires = _fits(levels, a, b)
        hit = np.count_nonzero(fires & mine)
        if hit:
            false = np.count_nonzero(fires & undifferentiated)
            ranked.append((-2 * hit / (np.count_nonzero(mine) + hit + false), a, b))
    out = []
    for _, a, b in sorted(ranked)[:PAIRS]:
        g = gn.Gene((a, b), (), t, None, None, 0)
        out += [(g,) + genes, genes + (g,)]
    return out


def _steady(levels, mine, a, b):
    """(share, difference) of L(a) - L(b) over T's cells."""
    la, lb = levels[mine, a], levels[mine, b]
    seen = (la >= 1) & (lb >= 1)
    if not seen.any():
        return 0.0, 0
    d = (la - lb)[seen]
    values, counts = np.unique(d, return_counts=True)
    near = [counts[np.abs(values - v) <= 1].sum() for v in values]
    best = int(np.argmax(near))
    return near[best] / len(la), int(values[best])


def _with_shift(space, genes, levels, mine, t):
    ranked = []
    for a in space.channels:
        for b in space.channels:
            if a == b or (b != 1 and a > b):
                continue
            share, d = _steady(levels, mine, a, b)
            if share >= STEADY and abs(d) >= 2:
                ranked.append((-share, a, b, d))
    # the gene put first, or in place of the best's first gene for T
    mine_at = [i for i, g in enumerate(genes) if g.ex == t and g.en][:1]
    out = []
    for _, a, b, d in sorted(ranked)[:SHIFTS]:
        g = gn.Gene((a, b), (), t, None, None, 0)
        moved = [(b, strength(genes, b) + d)] if b == 1 else \
            [(a, strength(genes, a) - d), (b, strength(genes, b) + d)]
        where = [(g,) + genes] + [genes[:i] + (g,) + genes[i + 1:] for i in mine_at]
        for emitter, value in moved:
            for with_gene in where:
                child = with_strength(space, with_gene, emitter, value)
                if child is not None:
                    out.append(child)
    return out


def proposals(space, genes, target):
    """Genomes read off `target` ((n, 4): x, y, z, type) around the best `genes`,
    in a fixed order, within --max-genes."""
    if len(genes) >= space.max_genes:
        return []
    levels, types = target_levels(genes, target)
    # A cell switches while it is of type 1, when it reads type 1's strength
    # on channel 1 (its own emission), whatever its neighbours say.
    levels[:, 1] = strength(genes, 1)
    undifferentiated = types == 1
    out = []
    for t in space.types:
        mine = types == t
        if mine.any():
            out += _genes_alone(space, genes, levels, mine, undifferentiated, t)
            out += _with_shift(space, genes, levels, mine, t)
    return out
