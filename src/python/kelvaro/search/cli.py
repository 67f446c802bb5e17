"""kelvaro-search: the command line. Every input is checked before anything is
written, so that a mistake gives one line, exit status 2, and an untouched DIR."""
import argparse
import fcntl
import hashlib
import os
import random
import shlex
import sys
import warnings

from deap import tools

import kelvaro

from . import genome as gn
from . import statefile
from .backends import DaskBackend, ProcessBackend
from .engine import Search
from .evaluate import Context, load_function

# The budget of a search: what --resume may replace, each from the start of the search.
BUDGET = ("generations", "evaluations", "minutes", "stop_at")
# Options that --resume takes; the rest belong to the search in DIR.
RESUMABLE = BUDGET + ("jobs", "scheduler", "quiet", "resume")
# The file that a search holds locked while it runs (fcntl.flock).
LOCK = "search.lock"


class Refused(Exception):
    """A bad input: its message is the one line the command prints."""


class _Parser(argparse.ArgumentParser):
    def error(self, message):
        raise Refused(message)


def _number(kind, low=None, high=None):
    def parse(text):
        try:
            value = kind(text)
        except ValueError:
            raise argparse.ArgumentTypeError("'%s' is not a number" % text)
        if (low is not None and value < low) or (high is not None and value > high):
            raise argparse.ArgumentTypeError("'%s' is outside %s to %s" % (
                text, low if low is not None else "any", high if high is not None else "any"))
        return value
    return parse


def _types(text):
    try:
        types = sorted({int(t) for t in text.split(",")})
    except ValueError:
        raise argparse.ArgumentTypeError("'%s' is not a list of types" % text)
    if not types or types[0] < 2 or types[-1] > 99:
        raise argparse.ArgumentTypeError("'%s': types run from 2 to 99" % text)
    return types


def parser(defaults=True):
    """The option table; without `defaults`, an option not given is left out of
    the result."""
    p = _Parser(prog="kelvaro-search", description="Find a genome that grows a target colony.",
                argument_default=None if defaults else argparse.SUPPRESS)
    a = p.add_argument
    a("--cells", help="start colony (list.txt format), shifted by --shift")
    a("--target", help="target colony (list.txt format), read where it stands")
    a("--frames", type=_number(int, 0))
    a("--division", action="store_true")
    a("--gravity", action="store_true")
    a("--shift", type=_number(int))
    a("--replicates", type=_number(int, 1, 1000))
    a("--seed", type=_number(int, 0, 2**64 - 1))
    a("--types", type=_types, help="types a gene may make, e.g. 5,6,11")
    a("--max-genes", type=_number(int, 1, 200))
    a("--from", dest="from_genome", metavar="GENOME")
    a("--population", type=_number(int, 2, 100000))
    a("--generations", type=_number(int, 0))
    a("--evaluations", type=_number(int, 1))
    a("--minutes", type=_number(float, 0))
    a("--stop-at", type=_number(float))
    a("-j", "--jobs", type=_number(int, 1, 4096))
    a("--scheduler", metavar="ADDRESS")
    a("--block", type=_number(int, 1, kelvaro.AXIS))
    a("--score", metavar="MODULE:FUNCTION")
    a("--pictures", action="store_true")
    a("--out", metavar="DIR")
    a("--resume", metavar="DIR")
    a("--quiet", action="store_true", help="no bar and no line per generation")
    if defaults:
        p.set_defaults(frames=100, shift=40, seed=0, max_genes=12, population=48, block=1)
    return p


def _read_colony(path, what, shift):
    """The cells of a colony file as the module reads it, or Refused where the
    reader stopped before the end or found no cell; what it skipped is told in
    one line."""
    try:
        with warnings.catch_warnings(record=True) as told:
            warnings.simplefilter("always")
            with kelvaro.Colony(cells=path, shift=shift) as c:
                cells = c.cells.copy()
    except (OSError, ValueError) as e:
        raise Refused("cannot read %s '%s': %s" % (what, path, e))
    for note in (str(w.message) for w in told):
        if "; stopped at " in note:
            raise Refused("cannot use %s '%s': %s" % (what, path, note.split("; stopped at ")[1]))
    if len(cells) == 0:
        raise Refused("the %s '%s' holds no cells" % (what, path))
    for note in (str(w.message) for w in told):
        print("kelvaro-search: %s (%s)" % (note, what), file=sys.stderr)
    return cells


def _run_settings(o, argv):
    """The settings of a new search from the options, every input checked."""
    for name in ("cells", "target", "out"):
        if getattr(o, name) is None:
            raise Refused("--%s is required (or --resume DIR)" % name)
    if os.path.exists(os.path.join(o.out, statefile.STATE)):
        raise Refused("'%s' already holds a search: --resume it, or choose another --out" % o.out)
    if os.path.exists(o.out) and not os.path.isdir(o.out):
        raise Refused("--out '%s' is not a folder" % o.out)
    if o.pictures and not kelvaro.can_render:
        raise Refused("--pictures: this kelvaro was built without rendering")
    if o.score:
        try:
            load_function(o.score)
        except Exception as e:
            raise Refused("--score %s cannot be imported: %s" % (o.score, e))
    start = _read_colony(o.cells, "start colony", o.shift)
    target = _read_colony(o.target, "target", 0)
    start_types = {int(t) for t in start[:, kelvaro.TYPE]}
    types = o.types or sorted({int(t) for t in target[:, kelvaro.TYPE]} - start_types)
    types = [t for t in types if 2 <= t <= 99]
    if not types:
        raise Refused("the target holds no type (2 to 99) that the start colony lacks: "
                      "name the types genes may make with --types")
    channels = sorted(t for t in start_types | set(types) if 0 <= t < gn.CHANNELS)
    from_genes = ()
    if o.from_genome:
        try:
            with open(o.from_genome, "rb") as f:
                raw = f.read()
            if b"\0" in raw[:65536]:
                raise ValueError("binary data (a NUL byte)")
            from_genes = gn.parse_genome(raw.decode("utf-8", "replace"))
        except (OSError, ValueError) as e:
            raise Refused("cannot use --from '%s': %s" % (o.from_genome, e))
    with open(o.cells, "rb") as f:
        start_bytes = f.read()
    replicates = o.replicates or (3 if o.division or o.gravity else 1)
    return dict(start=os.path.abspath(o.cells), target=os.path.abspath(o.target),
                start_bytes=start_bytes, target_cells=target, frames=o.frames,
                division=o.division, gravity=o.gravity, shift=o.shift, replicates=replicates,
                seed=o.seed, types=types, channels=channels or list(range(gn.CHANNELS)),
                start_types=sorted(start_types),
                max_genes=o.max_genes, from_genes=from_genes, population=o.population,
                block=o.block, score=o.score, pictures=o.pictures,
                command=shlex.join(["kelvaro-search"] + list(argv)))


def new_state(run, budget):
    """The state of a search before its first generation."""
    rng = random.Random(run["seed"])
    return dict(run=run, budget=budget, rng=rng.getstate(), generation=-1, population=[],
                front=[], cache={}, evaluations=0, failures=0, best=None, elapsed=0.0,
                log=tools.Logbook())


def _context(run):
    token = hashlib.blake2b(repr(sorted((k, v) for k, v in run.items() if k not in (
        "target_cells", "start_bytes"))).encode() + run["start_bytes"]).hexdigest()
    return Context(token, run["start"], run["start_bytes"], run["shift"], run["frames"],
                   run["division"], run["gravity"], run["target_cells"], run["block"],
                   run["score"])


def _backend(o, ctx):
    if o.scheduler:
        try:
            return DaskBackend(o.scheduler, ctx)
        except Exception as e:
            raise Refused("the scheduler %s does not answer: %s" % (o.scheduler, e))
    return ProcessBackend(o.jobs or os.cpu_count() or 1, ctx)


def _given(argv):
    """The options on the command line, by their names in the table, however
    they were written (--resume=DIR, abbreviations, -j2)."""
    return set(vars(parser(defaults=False).parse_args(argv)))


def _lock(folder):
    """Holds the folder's lock for the life of this process, or Refused when
    another search holds it."""
    f = open(os.path.join(folder, LOCK), "a")
    try:
        fcntl.flock(f, fcntl.LOCK_EX | fcntl.LOCK_NB)
    except BlockingIOError:
        f.close()
        raise Refused("'%s' is in use by another kelvaro-search" % folder)
    return f


def _resumed(o, argv):
    """The folder of --resume, locked, and its state, or Refused."""
    others = sorted(_given(argv) - set(RESUMABLE))
    if others:
        name = {"from_genome": "from"}.get(others[0], others[0].replace("_", "-"))
        raise Refused("--resume takes only budgets, -j and --scheduler, not --%s" % name)
    if not os.path.isfile(os.path.join(o.resume, statefile.STATE)):
        raise Refused("'%s' holds no search to resume" % o.resume)
    lock, why = _lock(o.resume), ""
    try:
        state = statefile.read(o.resume)
    except statefile.Damaged as e:
        state, why = None, ": %s" % e
    if state is None:
        lock.close()
        raise Refused("'%s' holds no search to resume%s" % (o.resume, why))
    return o.resume, state, lock


def _open(argv):
    """The search folder, its state, the backend and the budget, or Refused."""
    o = parser().parse_args(argv)
    if o.scheduler and o.jobs:
        raise Refused("-j and --scheduler exclude each other")
    budget = {k: getattr(o, k) for k in BUDGET}
    given = any(v is not None for v in budget.values())
    if o.resume:
        folder, state, lock = _resumed(o, argv)
        # A budget given now replaces the search's own; none keeps it.
        budget = budget if given else state["budget"]
        state["budget"] = budget
    else:
        budget = budget if given else dict(budget, generations=100)
        state, folder, lock = new_state(_run_settings(o, argv), budget), o.out, None
    backend = _backend(o, _context(state["run"]))
    if not o.resume:
        try:
            os.makedirs(folder, exist_ok=True)
            lock = _lock(folder)
            if os.path.exists(os.path.join(folder, statefile.STATE)):  # one started meanwhile
                raise Refused("'%s' already holds a search: --resume it, or choose another "
                              "--out" % folder)
        except Refused:
            backend.close()
            raise
        statefile.write(folder, state)
    return Search(folder, state, backend, budget, quiet=o.quiet, lock=lock)


def main(argv=None):
    """The command: returns its exit status (0; 2 for a bad input; 130 or 143 when
    Ctrl+C or SIGTERM stopped it, with the state kept for --resume)."""
    argv = sys.argv[1:] if argv is None else list(argv)
    try:
        search = _open(argv)
    except Refused as e:
        print("kelvaro-search: %s" % e, file=sys.stderr)
        return 2
    return search.go()
