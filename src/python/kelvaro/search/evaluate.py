"""The runs of the search, on the worker side: one candidate genome grown from
the start colony on its replicate seeds and scored. Workers hold one Colony at
a time (the simulation state is the process's own)."""
import hashlib
import importlib
import math
import os
import tempfile
import time
import traceback
import warnings
from collections import namedtuple

import kelvaro

from .score import iou, occupied

# A run longer than this is a failure.
RUN_LIMIT_S = 60.0
# Frames per call of Colony.run, so that a long run is noticed between calls.
_CHUNK = 25
# Runs stop where the colony comes to rest (Colony.run's until_settled), which
# changes no score; KELVARO_SEARCH_FULL_RUNS=1 runs every frame, for measuring
# what the early stop saves.
EARLY_STOP = os.environ.get("KELVARO_SEARCH_FULL_RUNS", "") != "1"

Context = namedtuple("Context", "token start_path start_bytes shift frames division gravity "
                                "target block score")
Context.__doc__ = """What every run of one search shares, shipped to each worker once
and told apart by its token: the start colony (its path and its bytes, for a worker on another machine), the
switches, the target's cells, the block size and the --score function."""


def replicate_seeds(seed, text, replicates):
    """The seeds of a candidate's runs, drawn from the search's seed and the genome's text."""
    out = []
    for r in range(replicates):
        digest = hashlib.blake2b(("%d\n%d\n" % (seed, r)).encode() + text.encode(),
                                 digest_size=8).digest()
        out.append(int.from_bytes(digest, "little"))
    return out


def load_function(where):
    """The callable MODULE:FUNCTION names (ImportError, AttributeError or ValueError)."""
    module, sep, name = where.partition(":")
    if not sep or not module or not name:
        raise ValueError("expected MODULE:FUNCTION, got %r" % where)
    fn = getattr(importlib.import_module(module), name)
    if not callable(fn):
        raise ValueError("%s is not callable" % where)
    return fn


class _Worker:
    """What a worker process keeps for the context in use: the start file, the
    target's occupied keys, the score function."""

    def __init__(self, ctx):
        self.ctx = ctx
        self.start = self._start_file(ctx)
        self.target = occupied(ctx.target, ctx.block)
        self.score = load_function(ctx.score) if ctx.score else None

    @staticmethod
    def _start_file(ctx):
        try:
            with open(ctx.start_path, "rb") as f:
                if f.read() == ctx.start_bytes:
                    return ctx.start_path
        except OSError:
            pass
        # Another machine: the shipped bytes, in a file of this worker's own.
        fd, path = tempfile.mkstemp(prefix="kelvaro-search-start-", suffix=".txt")
        with os.fdopen(fd, "wb") as f:
            f.write(ctx.start_bytes)
        return path

    def run(self, text, seed):
        """One run of a genome text on one seed, and its score."""
        ctx, began = self.ctx, time.monotonic()
        with warnings.catch_warnings():
            warnings.simplefilter("ignore")
            with kelvaro.Colony(genome_text=text, cells=self.start, seed=seed,
                                shift=ctx.shift) as c:
                done = 0
                while done < ctx.frames:
                    n = min(_CHUNK, ctx.frames - done)
                    settled = c.run(n, division=ctx.division, gravity=ctx.gravity,
                                    until_settled=EARLY_STOP)
                    done += n
                    if settled is not None and done < ctx.frames:
                        # At rest: one more call runs a single frame and accounts
                        # for the rest, so the colony is the whole run's.
                        c.run(ctx.frames - done, until_settled=True)
                        done = ctx.frames
                    if time.monotonic() - began > RUN_LIMIT_S:
                        raise TimeoutError("the run took over %g s (frame %d of %d)"
                                           % (RUN_LIMIT_S, done, ctx.frames))
                value = self.score(c) if self.score else iou(c.cells, self.target, ctx.block)
        value = float(value)
        if math.isnan(value):
            raise ValueError("the score is not a number")
        return value


_worker = None


def _worker_for(ctx):
    global _worker
    if _worker is None or _worker.ctx.token != ctx.token:
        _worker = _Worker(ctx)
    return _worker


def evaluate_batch(ctx, batch):
    """Scores each (text, seeds) of `batch`: a list of (score, None) or (None, traceback)."""
    out = []
    for text, seeds in batch:
        began = time.monotonic()
        try:
            worker = _worker_for(ctx)
            out.append((sum(worker.run(text, s) for s in seeds) / len(seeds), None,
                        time.monotonic() - began))
        except Exception:
            out.append((None, traceback.format_exc(), time.monotonic() - began))
    return out


def init_process(ctx):
    """A pool process: ignores Ctrl+C (the search stops them) and prepares for `ctx`."""
    import signal
    signal.signal(signal.SIGINT, signal.SIG_IGN)
    global _context
    _context = ctx


_context = None


def evaluate_in_process(batch):
    """evaluate_batch with the context the pool process was started with."""
    return evaluate_batch(_context, batch)
