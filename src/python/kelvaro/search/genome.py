"""Genomes as the search sees them: a tuple of genes, each written as one
canonical line, and the operators that change them.

A gene is a tuple (en, si, ex, glueds, signal, mpf): `en` the enhancer
channels, `si` none or one silencer, `ex` the type it makes or None, `glueds`
and `signal` None (not set) or the value it gives type `ex`, `mpf` 1 for a
division gene. Three kinds are written, and the genome check finds nothing in
any of them:

- a gene: two or three EN and an EX;
- a division gene without EX (MPF=1): it divides cells and keeps their type;
- a table line: no EN, an EX of a start colony's type and GLUEDS or SIGNAL,
  which sets that type's value and switches nothing.

The range of each value, and why, is in docs/search.md.
"""
from collections import namedtuple

import kelvaro

Gene = namedtuple("Gene", "en si ex glueds signal mpf")

# The channels a level can be read from (types outside emit nothing).
CHANNELS = 20
# Adhesion thresholds: 0 never lets a cell leave, 6 always does (the target
# site is empty, so at most five neighbours share the type); higher acts as 6,
# lower as 0.
GLUEDS_RANGE = (0, 6)
# Emitted strengths: a negative one acts as 0 (every test needs a level of 1 or
# more, and relays never go below 0); above the bound a strength compared with
# the organisers' 60 matches nowhere in colonies of the size searched.
SIGNAL_RANGE = (0, 160)
# Weights of a small step of 1, 2, 3, ... on a numeric field.
STEP_WEIGHTS = (8, 4, 2, 1, 1)

Space = namedtuple("Space", "types channels max_genes division start_types moves",
                   defaults=((), None))
Space.__doc__ = """What a gene may hold: the types it may make, the channels it
may read, the genes a genome may have, whether division genes may occur, the
start colony's types (which table lines may address) and whether cells are
pushed at all (division or gravity: only then does GLUEDS act; None: as
division)."""


def space_of(run):
    """The space of a search's settings."""
    return Space(tuple(run["types"]), tuple(run["channels"]), run["max_genes"], run["division"],
                 tuple(run.get("start_types", ())),
                 bool(run["division"] or run.get("gravity")))


def _moves(space):
    return space.division if space.moves is None else space.moves


def _emits(t):
    """Whether a strength acts for type t: only types 0 to 19 have a channel."""
    return 0 <= t < CHANNELS


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


def _held(r):
    """The search's gene for one gene as the loader read it, or why there is none.
    Nothing that acts is lost: only the first SI and EX act, only the first
    three EN, MPF acts only as 1, and GLUEDS or SIGNAL before the first EX set
    type 0, which no cell has."""
    mpf = int(r["mpf"] == 1)
    ex = r["ex"][0] if r["ex"] else None
    if not r["en"] and ex is not None and not mpf and (r["glueds"], r["signal"]) != (None, None):
        return Gene((), tuple(r["si"][:1]), ex, r["glueds"], r["signal"], 0)
    if len(r["en"]) < 2:
        return ("%d EN: a gene reads two or three (a line without EN holds only an EX and "
                "its GLUEDS or SIGNAL)" % len(r["en"]))
    if ex is None and not mpf:
        return "neither an EX nor MPF=1: the gene switches and divides nothing"
    en = tuple(r["en"][:3])
    if ex is None:
        return Gene(en, (), None, None, None, 1)
    return Gene(en, tuple(r["si"][:1]), ex, r["glueds"], r["signal"], mpf)


def parse_genome(text):
    """The genes of a genome text as the program's own loader reads it; ValueError
    naming the first gene the search cannot hold, and why."""
    genes = []
    for r in kelvaro.read_genes(text):
        g = _held(r)
        if not isinstance(g, Gene):
            raise ValueError("line %d is not a gene the search can hold: %s" % (r["line"], g))
        genes.append(g)
    return tuple(genes)


# --- drawing -----------------------------------------------------------------

def _jump(rng, bounds):
    return rng.randint(*bounds)


def _step(rng, value, bounds):
    """value moved by 1, 2, 3, ... (small steps likelier), kept within bounds."""
    size = rng.choices(range(1, len(STEP_WEIGHTS) + 1), STEP_WEIGHTS)[0]
    moved = value + (size if rng.random() < 0.5 else -size)
    if not bounds[0] <= moved <= bounds[1]:
        moved = value - (moved - value)
    return min(max(moved, bounds[0]), bounds[1])


def _neighbour(rng, value, choices):
    """The next or previous entry of the sorted `choices` (a step on a channel or type)."""
    if value not in choices:
        return rng.choice(choices)
    i = choices.index(value) + rng.choice((-1, 1))
    return choices[min(max(i, 0), len(choices) - 1)]


def random_table_line(rng, space):
    """A table line: a start type's SIGNAL, its GLUEDS (when cells move), or both."""
    t = rng.choice(space.start_types)
    which = rng.choice(("signal", "glueds", "both")) if _moves(space) else "signal"
    which = which if _emits(t) else "glueds"
    return Gene((), (), t,
                _jump(rng, GLUEDS_RANGE) if which != "signal" else None,
                _jump(rng, SIGNAL_RANGE) if which != "glueds" else None, 0)


def random_gene(rng, space):
    """A gene drawn from the whole space: two or three enhancers, sometimes a
    silencer, a table value, a division gene with or without EX, or a table line."""
    if space.start_types and rng.random() < 0.08:
        return random_table_line(rng, space)
    en = tuple(rng.choice(space.channels) for _ in range(2 + (rng.random() < 0.2)))
    mpf = int(space.division and rng.random() < 0.3)
    if mpf and rng.random() < 0.3:
        return Gene(en, (), None, None, None, 1)
    si = (rng.choice(space.channels),) if rng.random() < 0.15 else ()
    ex = rng.choice(space.types)
    glueds = _jump(rng, GLUEDS_RANGE) if _moves(space) and rng.random() < 0.1 else None
    signal = _jump(rng, SIGNAL_RANGE) if _emits(ex) and rng.random() < 0.15 else None
    return Gene(en, si, ex, glueds, signal, mpf)


def random_genome(rng, space, most=3):
    """A small random genome of 1 to `most` genes."""
    return tuple(random_gene(rng, space) for _ in range(rng.randint(1, min(most, space.max_genes))))


# --- changing one field ------------------------------------------------------

def _value(rng, value, bounds, may_unset):
    """A numeric field changed: a small step, a jump anywhere, or unset."""
    if value is None:
        return _jump(rng, bounds)
    roll = rng.random()
    if roll < 0.6:
        return _step(rng, value, bounds)
    return None if may_unset and roll < 0.75 else _jump(rng, bounds)


def _change_table_line(rng, space, g):
    what = rng.choice(("ex", "glueds", "signal", "signal")) if _moves(space) else \
        rng.choice(("ex", "signal"))
    if what == "ex":
        t = rng.choice(space.start_types or (g.ex,))
        return g._replace(ex=t) if _emits(t) or g.glueds is not None else g
    what = what if _emits(g.ex) else "glueds"
    if what == "glueds":
        return g._replace(glueds=_value(rng, g.glueds, GLUEDS_RANGE, g.signal is not None))
    return g._replace(signal=_value(rng, g.signal, SIGNAL_RANGE, g.glueds is not None))


def change_field(rng, space, g):
    """The gene with one field changed: a channel (anywhere or to the next one),
    the third enhancer, the silencer, the type, a table value (a step, a jump,
    or unset), the division flag, or a division gene's EX taken away or given."""
    if not g.en:
        return _change_table_line(rng, space, g)
    what = rng.choice(("en", "en", "en_step", "en3", "si", "ex", "ex", "glueds", "signal",
                       "signal", "mpf", "no_ex"))
    if what in ("en", "en_step"):
        en, i = list(g.en), rng.randrange(len(g.en))
        en[i] = rng.choice(space.channels) if what == "en" else \
            _neighbour(rng, en[i], space.channels)
        return g._replace(en=tuple(en))
    if what == "en3":  # a third enhancer, or none
        return g._replace(en=g.en[:2] if len(g.en) == 3 else g.en + (rng.choice(space.channels),))
    if g.ex is None:  # a division gene that keeps the type: give it an EX
        return g._replace(ex=rng.choice(space.types))
    if what == "si":
        return g._replace(si=() if g.si and rng.random() < 0.5 else (rng.choice(space.channels),))
    if what == "ex":
        ex = rng.choice(space.types) if rng.random() < 0.5 else _neighbour(rng, g.ex, space.types)
        return g._replace(ex=ex, signal=g.signal if _emits(ex) else None)
    if what == "glueds" and _moves(space):
        return g._replace(glueds=_value(rng, g.glueds, GLUEDS_RANGE, True))
    if what in ("signal", "glueds") and _emits(g.ex):
        return g._replace(signal=_value(rng, g.signal, SIGNAL_RANGE, True))
    if not space.division:
        return g._replace(mpf=0)
    if what == "no_ex" and g.mpf:
        return Gene(g.en, (), None, None, None, 1)
    return g._replace(mpf=1 - g.mpf)


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
