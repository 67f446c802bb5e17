"""Genomes as the search sees them: a tuple of genes, each written as one
canonical line, and the operators that change them.

A gene is a tuple (en, si, ex, glueds, signal, mpf): `en` two or three enhancer
channels, `si` none or one silencer, `ex` the type it makes, `glueds` and
`signal` None (not set) or the value it gives that type, `mpf` 1 for a division
gene. Every gene has at least two EN and an EX (a division gene may go
without, and then sets no table value), so the genome check finds nothing in
any genome written here.
"""
from collections import namedtuple

Gene = namedtuple("Gene", "en si ex glueds signal mpf")

# The channels a level can be read from (types outside emit nothing).
CHANNELS = 20
# Values a mutation may give: adhesion thresholds and emitted strengths.
GLUEDS_VALUES = tuple(range(0, 7))
SIGNAL_VALUES = (0, 10, 20, 30, 40, 60, 80, 100, 140)

Space = namedtuple("Space", "types channels max_genes division")
Space.__doc__ = """What a gene may hold: the types it may make, the channels it
may read, the genes a genome may have, and whether division genes may occur."""


def gene_line(g):
    """The canonical line of a gene: EN, SI, EX, GLUEDS, SIGNAL, MPF, each ended by ';'."""
    fields = ["EN=%d" % c for c in g.en] + ["SI=%d" % c for c in g.si]
    if g.ex is not None:
        fields.append("EX=%d" % g.ex)
        if g.glueds is not None:
            fields.append("GLUEDS=%d" % g.glueds)
        if g.signal is not None:
            fields.append("SIGNAL=%d" % g.signal)
    fields.append("MPF=%d" % g.mpf)
    return "".join(f + ";" for f in fields)


def genome_text(genome, comments=()):
    """The canonical text of a genome: comment lines first, then one gene per line."""
    return "".join("# %s\n" % c for c in comments) + "".join(gene_line(g) + "\n" for g in genome)


def parse_gene(line):
    """A gene line in the dna.vdna format as a gene of the search, fields in any
    order (the first EX, SI and MPF count, the last GLUEDS and SIGNAL); None for a
    line the search cannot hold (fewer than two EN, neither EX nor MPF=1)."""
    values = {}
    for field in line.strip().split(";"):
        key, eq, value = field.partition("=")
        if not eq:
            continue
        try:
            values.setdefault(key, []).append(int(value))
        except ValueError:
            return None
    en, si, ex = values.get("EN", [])[:3], values.get("SI", [])[:1], values.get("EX", [None])[0]
    mpf = int(values.get("MPF", [0])[0] == 1)
    if len(en) < 2 or (ex is None and not mpf):
        return None
    last = lambda key: values[key][-1] if key in values and ex is not None else None
    return Gene(tuple(en), tuple(si), ex, last("GLUEDS"), last("SIGNAL"), mpf)


def parse_genome(text):
    """The genes of a genome text, comment lines skipped; ValueError naming the
    first line the search cannot hold."""
    genes = []
    for n, line in enumerate(text.splitlines(), 1):
        if line.startswith("#"):
            continue
        g = parse_gene(line)
        if g is None:
            raise ValueError("line %d is not a gene the search can hold "
                             "(two EN or more, and EX or MPF=1): %r" % (n, line))
        genes.append(g)
    return tuple(genes)


def random_gene(rng, space):
    """A gene drawn from the space: two enhancers, sometimes a silencer or a table value."""
    en = tuple(rng.choice(space.channels) for _ in range(2))
    si = (rng.choice(space.channels),) if rng.random() < 0.15 else ()
    glueds = rng.choice(GLUEDS_VALUES) if rng.random() < 0.1 else None
    signal = rng.choice(SIGNAL_VALUES) if rng.random() < 0.15 else None
    mpf = int(space.division and rng.random() < 0.3)
    return Gene(en, si, rng.choice(space.types), glueds, signal, mpf)


def random_genome(rng, space, most=3):
    """A small random genome of 1 to `most` genes."""
    return tuple(random_gene(rng, space) for _ in range(rng.randint(1, min(most, space.max_genes))))


def change_field(rng, space, g):
    """The gene with one field changed: a channel, the silencer, the type, a table value."""
    what = rng.choice(("en", "en", "en3", "si", "ex", "ex", "glueds", "signal", "mpf"))
    if what == "en":
        en = list(g.en)
        en[rng.randrange(len(en))] = rng.choice(space.channels)
        return g._replace(en=tuple(en))
    if what == "en3":  # a third enhancer, or none
        return g._replace(en=g.en[:2] if len(g.en) == 3 else g.en + (rng.choice(space.channels),))
    if what == "si":
        return g._replace(si=() if g.si and rng.random() < 0.5 else (rng.choice(space.channels),))
    if what == "ex" or g.ex is None:
        return g._replace(ex=rng.choice(space.types))
    if what == "glueds":
        return g._replace(glueds=None if g.glueds is not None and rng.random() < 0.5
                          else rng.choice(GLUEDS_VALUES))
    if what == "signal":
        return g._replace(signal=None if g.signal is not None and rng.random() < 0.5
                          else rng.choice(SIGNAL_VALUES))
    return g._replace(mpf=1 - g.mpf) if space.division else g._replace(mpf=0)


def mutate(rng, space, genome):
    """One operator on the gene list: change a field, add, remove, duplicate or swap genes."""
    genes = list(genome)
    op = rng.choice(("change", "change", "change", "add", "remove", "duplicate", "swap"))
    full = len(genes) >= space.max_genes
    if op == "add" and not full:
        genes.insert(rng.randint(0, len(genes)), random_gene(rng, space))
    elif op == "remove" and len(genes) > 1:
        del genes[rng.randrange(len(genes))]
    elif op == "duplicate" and not full:
        i = rng.randrange(len(genes))
        genes.insert(rng.randint(0, len(genes)), change_field(rng, space, genes[i]))
    elif op == "swap" and len(genes) > 1:
        i, j = rng.sample(range(len(genes)), 2)
        genes[i], genes[j] = genes[j], genes[i]
    else:
        i = rng.randrange(len(genes))
        genes[i] = change_field(rng, space, genes[i])
    return tuple(genes)


def cross(rng, space, a, b):
    """A child of two gene lists: a's genes up to a cut, then b's from another cut."""
    i, j = rng.randint(0, len(a)), rng.randint(0, len(b))
    child = (a[:i] + b[j:])[:space.max_genes]
    return child if child else (rng.choice(a + b),)
