"""The refinement the loop runs on its best candidate: every genome one
coordinate away from it (a SIGNAL or GLUEDS moved by 1 to K, a channel or a
type moved to the next one), scored with the generation's children. What
improves becomes the best, and the next generation refines around that, so
the loop climbs a sharp landscape one exact number at a time.

A strength's landscape is flat but for a peak a few values wide (a score that
rises within 2 or 3 of the exact value), so when the best has not improved for
STALL generations the loop also sweeps each strength of the best across its
whole range in strides of STRIDE, an organiser's strength too (a table line
added): one of them lands on the peak's slope, and the steps climb it.

The numbers alone cannot climb to a gene the best lacks, nor mend a gene that
reads the wrong pair of channels: a switch needs both of its channels present
within one level of each other, so a pair is right or wrong as a whole, and
the next channel number is no nearer than any other. So the refinement also
holds the best's structural neighbours: each gene's enhancer pair set to every
pair of the channels, its type to every other, its silencer to every channel
or none, its division flag and EX turned; each gene taken out; a new gene for
every pair and type put first and last; each start type's strength moved from
its start value by 1 to K; two neighbouring genes swapped. That is a few
hundred genomes for a handful of genes and types, each scored once (the cache
knows the rest), and at most LIMIT x the population of them per generation:
the next generation takes the next ones while the best stays.

It draws no random number: the neighbours are a function of the best alone,
so resumes and any number of workers see the same ones.
"""
from . import genome as gn
from .propose import pairs, strength

# How far a numeric field moves: +-1 .. +-K.
K = 3
# The sweep: every STRIDE-th strength, once the best is STALL generations old.
STRIDE = 4
STALL = 5
# Neighbours scored per generation, at most, in populations.
LIMIT = 4


def _numeric(space, g):
    """The numeric fields of a gene and their bounds."""
    out = []
    if g.signal is not None:
        out.append(("signal", gn.SIGNAL_RANGE))
    if g.glueds is not None:
        out.append(("glueds", gn.GLUEDS_RANGE))
    return out


def _next_ones(value, choices):
    """The entries before and after `value` in the sorted `choices`."""
    if value not in choices:
        return ()
    i = choices.index(value)
    return tuple(choices[j] for j in (i - 1, i + 1) if 0 <= j < len(choices))


def gene_neighbours(space, g, k=K):
    """Each gene one coordinate away from g, in a fixed order."""
    out = []
    for field, (low, high) in _numeric(space, g):
        v = getattr(g, field)
        out += [g._replace(**{field: v + d}) for step in range(1, k + 1) for d in (-step, step)
                if low <= v + d <= high]
    for i, c in enumerate(g.en):
        out += [g._replace(en=g.en[:i] + (n,) + g.en[i + 1:]) for n in _next_ones(c, space.channels)]
    if g.si:
        out += [g._replace(si=(n,)) for n in _next_ones(g.si[0], space.channels)]
    if g.ex is not None:
        choices = space.start_types if not g.en else space.types
        out += [g._replace(ex=n) for n in _next_ones(g.ex, tuple(choices))]
    return out


def gene_moves(space, g):
    """Each gene one structural move away from g, in a fixed order."""
    if not g.en:
        return []
    out = [g._replace(en=p + g.en[2:]) for p in pairs(space.channels) if p != g.en[:2]]
    if g.ex is None:
        return out + [g._replace(ex=t) for t in space.types]
    out += [g._replace(ex=t, signal=g.signal if gn._emits(t) else None)
            for t in space.types if t != g.ex]
    out += [g._replace(si=s) for s in [()] + [(c,) for c in space.channels] if s != g.si]
    if space.division:
        out.append(g._replace(mpf=1 - g.mpf))
        if g.mpf:
            out.append(gn.Gene(g.en, (), None, None, None, 1))
    return out


def _new_genes(space):
    """(first, gene): the genes a genome may gain, a switch for every pair and
    type first and last, a division gene (keeping the type, or switching) last."""
    every = pairs(space.channels)
    switches = [gn.Gene(p, (), t, None, None, 0) for t in space.types for p in every]
    out = [(True, g) for g in switches] + [(False, g) for g in switches]
    if space.division:
        out += [(False, gn.Gene(p, (), t, None, None, 1)) for t in (None,) + space.types
                for p in every]
    return out


def _table_steps(space, genes, k):
    """Table lines for the start types that have none: the start strength moved by 1 to k."""
    tabled = {g.ex for g in genes if not g.en}
    low, high = gn.SIGNAL_RANGE
    out = []
    for t in space.start_types:
        if t not in tabled and gn._emits(t):
            start = strength((), t)
            out += [gn.Gene((), (), t, None, start + d, 0) for step in range(1, k + 1)
                    for d in (-step, step) if low <= start + d <= high]
    return out


def _structural(space, genes, k):
    """The genomes one structural move from `genes`, in a fixed order: a gene
    out, a gene changed, a gene in, a start strength stepped, a pair swapped."""
    out = [genes[:i] + genes[i + 1:] for i in range(len(genes)) if len(genes) > 1]
    for i, g in enumerate(genes):
        out += [genes[:i] + (n,) + genes[i + 1:] for n in gene_moves(space, g)]
    if len(genes) < space.max_genes:
        out += [(g,) + genes if first else genes + (g,) for first, g in _new_genes(space)]
        out += [genes + (g,) for g in _table_steps(space, genes, k)]
    out += [genes[:i] + (genes[i + 1], genes[i]) + genes[i + 2:] for i in range(len(genes) - 1)]
    return out


def neighbours(space, genes, known=(), k=K, limit=None, first=()):
    """The genomes `first`, then those one coordinate or one structural move
    away from `genes`, whose text is not in `known`, each once, in a fixed
    order; the first `limit` of them."""
    out, seen = [], set()
    steps = [genes[:i] + (n,) + genes[i + 1:]
             for i, g in enumerate(genes) for n in gene_neighbours(space, g, k)]
    for child in list(first) + steps + _structural(space, genes, k):
        text = gn.genome_text(child)
        if text not in seen and text not in known:
            seen.add(text)
            out.append(child)
            if limit is not None and len(out) >= limit:
                break
    return out


def _sweeps(space, genes):
    """(index, gene) pairs: each strength and threshold of `genes` set to the
    swept values, and table lines for the start types that have none."""
    low, high = gn.SIGNAL_RANGE
    strengths = range(low, high + 1, STRIDE)
    thresholds = range(gn.GLUEDS_RANGE[0], gn.GLUEDS_RANGE[1] + 1) if gn._moves(space) else ()
    out = []
    for i, g in enumerate(genes):
        if g.ex is None:
            continue
        if gn._emits(g.ex) and (g.en or g.signal is not None):
            out += [(i, g._replace(signal=v)) for v in strengths]
        if g.en or g.glueds is not None:
            out += [(i, g._replace(glueds=v)) for v in thresholds]
    tabled = {g.ex for g in genes if not g.en}
    for t in space.start_types:
        if t not in tabled:
            line = gn.Gene((), (), t, None, None, 0)
            out += [(None, line._replace(signal=v)) for v in strengths if gn._emits(t)]
            out += [(None, line._replace(glueds=v)) for v in thresholds]
    return out


def sweep(space, genes, known=()):
    """The genomes of the sweep whose text is not in `known`, each once, in a
    fixed order; a new table line goes last, within --max-genes."""
    out, seen = [], set()
    for i, g in _sweeps(space, genes):
        if i is None and len(genes) >= space.max_genes:
            continue
        child = genes + (g,) if i is None else genes[:i] + (g,) + genes[i + 1:]
        text = gn.genome_text(child)
        if text not in seen and text not in known:
            seen.add(text)
            out.append(child)
    return out
