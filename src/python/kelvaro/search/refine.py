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

It draws no random number: the neighbours are a function of the best alone,
so resumes and any number of workers see the same ones.
"""
from . import genome as gn

# How far a numeric field moves: +-1 .. +-K.
K = 3
# The sweep: every STRIDE-th strength, once the best is STALL generations old.
STRIDE = 4
STALL = 5


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


def neighbours(space, genes, known=(), k=K):
    """The genomes one coordinate away from `genes` whose text is not in `known`,
    each once, in a fixed order."""
    out, seen = [], set()
    for i, g in enumerate(genes):
        for n in gene_neighbours(space, g, k):
            child = genes[:i] + (n,) + genes[i + 1:]
            text = gn.genome_text(child)
            if text not in seen and text not in known:
                seen.add(text)
                out.append(child)
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
