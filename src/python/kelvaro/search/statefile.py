"""The state of a search on disk, for --resume: data only, never a pickle, so
that resuming a folder from someone else runs no code from it.

    search.json               the texts and numbers (genomes, the budget, the run's settings)
    search-DIGEST.npz         the arrays: scores (which may be -inf), the generator's
                              state, the log's columns, the target's cells, the start's bytes

search.json names its arrays file, whose name carries the digest of its bytes:
each file is written whole under a temporary name, the arrays first, so that a
stop between the two writes leaves the last pair as it was. A file that is not
such a pair, or is damaged, raises Damaged.

    write(folder, state); state = read(folder)   # None where no search is
"""
import hashlib
import io
import json
import os
import random

import numpy as np
from deap import tools

from . import genome as gn
from .outputs import CSV_COLUMNS, write_atomic

STATE = "search.json"
FORMAT = "kelvaro-search state"
VERSION = 1
# The log's columns that hold integers; the others hold floats.
_INT_COLUMNS = ("generation", "evaluations", "best_genes", "unique", "failures")
# The settings of the run that are plain JSON values.
_RUN_KEYS = ("start", "target", "frames", "division", "gravity", "shift", "replicates", "seed",
             "types", "channels", "start_types", "max_genes", "population", "block", "score",
             "pictures", "command")


class Damaged(ValueError):
    """The state in a folder cannot be read: its message says why."""


def _scored(pairs):
    """Texts and a float64 array of scores from (text, score) pairs."""
    pairs = list(pairs)
    return [t for t, _ in pairs], np.array([s for _, s in pairs], dtype=np.float64)


def _split(state):
    """The state as a JSON document and a dict of arrays."""
    run, best = state["run"], state["best"]
    version, internal, gauss = state["rng"]
    pop, pop_scores = _scored(state["population"])
    front, front_scores = _scored(state["front"])
    cache, cache_scores = _scored(state["cache"].items())
    rows = list(state["log"])
    arrays = dict(population=pop_scores, front=front_scores, cache=cache_scores,
                  rng=np.array(internal, dtype=np.uint32),
                  target_cells=np.asarray(run["target_cells"], dtype=np.int32),
                  start_bytes=np.frombuffer(run["start_bytes"], dtype=np.uint8),
                  best_score=np.array([best["score"] if best else 0.0], dtype=np.float64))
    for col in CSV_COLUMNS:
        arrays["log_" + col] = np.array([r[col] for r in rows], dtype=np.int64
                                        if col in _INT_COLUMNS else np.float64)
    doc = dict(format=FORMAT, version=VERSION,
               run=dict({k: run[k] for k in _RUN_KEYS}, from_genes=gn.genome_text(run["from_genes"])),
               budget=state["budget"], rng=dict(version=version, gauss_next=gauss),
               generation=state["generation"], evaluations=state["evaluations"],
               failures=state["failures"], retries=state.get("retries", 0),
               elapsed=state["elapsed"], population=pop, front=front, cache=cache,
               best=None if best is None else {k: v for k, v in best.items() if k != "score"})
    return doc, arrays


def write(folder, state):
    """Writes the state: the arrays file, then search.json naming it, then
    removes the arrays files it no longer names."""
    doc, arrays = _split(state)
    out = io.BytesIO()
    np.savez(out, **arrays)
    data = out.getvalue()
    name = "search-%s.npz" % hashlib.blake2b(data, digest_size=12).hexdigest()
    write_atomic(os.path.join(folder, name), data)
    write_atomic(os.path.join(folder, STATE), json.dumps(dict(doc, arrays=name), indent=1) + "\n")
    for old in os.listdir(folder):
        if old.startswith("search-") and old.endswith(".npz") and old != name:
            os.remove(os.path.join(folder, old))


def _arrays(folder, name):
    """The arrays file that search.json names, checked against its digest."""
    if not isinstance(name, str) or os.path.basename(name) != name:
        raise Damaged("it names no arrays file")
    with open(os.path.join(folder, name), "rb") as f:
        data = f.read()
    if name != "search-%s.npz" % hashlib.blake2b(data, digest_size=12).hexdigest():
        raise Damaged("%s does not match its digest" % name)
    with np.load(io.BytesIO(data), allow_pickle=False) as z:
        return {k: z[k] for k in z.files}


def _join(doc, a):
    """The state from search.json and its arrays; KeyError, TypeError or
    ValueError where they do not fit together."""
    def pairs(key):
        texts, scores = doc[key], a[key]
        if len(texts) != len(scores) or not all(isinstance(t, str) for t in texts):
            raise ValueError("%s and its scores differ" % key)
        return list(zip(texts, map(float, scores)))

    run = dict({k: doc["run"][k] for k in _RUN_KEYS},
               from_genes=gn.parse_genome(doc["run"]["from_genes"]),
               target_cells=a["target_cells"].astype(np.int32).reshape(-1, 4),
               start_bytes=a["start_bytes"].astype(np.uint8).tobytes())
    log = tools.Logbook()
    columns = {c: a["log_" + c].tolist() for c in CSV_COLUMNS}
    for i in range(len(columns["generation"])):
        log.record(**{c: (int if c in _INT_COLUMNS else float)(columns[c][i]) for c in columns})
    best = doc["best"]
    if best is not None:
        best = dict(best, score=float(a["best_score"][0]))
    rng = random.Random()
    rng.setstate((doc["rng"]["version"], tuple(int(v) for v in a["rng"]), doc["rng"]["gauss_next"]))
    return dict(run=run, budget=dict(doc["budget"]), rng=rng.getstate(),
                generation=int(doc["generation"]), evaluations=int(doc["evaluations"]),
                failures=int(doc["failures"]), retries=int(doc["retries"]),
                elapsed=float(doc["elapsed"]), population=pairs("population"),
                front=pairs("front"), cache=dict(pairs("cache")), best=best, log=log)


def read(folder):
    """The state of the search in `folder`; None where it holds none; Damaged
    where it holds one that cannot be read."""
    path = os.path.join(folder, STATE)
    try:
        with open(path, "rb") as f:
            raw = f.read()
    except FileNotFoundError:
        return None
    except OSError as e:
        raise Damaged("%s: %s" % (STATE, e.strerror))
    try:
        doc = json.loads(raw.decode("utf-8"))
        if not isinstance(doc, dict) or doc.get("format") != FORMAT:
            raise Damaged("%s is not a kelvaro-search state" % STATE)
        if doc.get("version") != VERSION:
            raise Damaged("%s is of version %r, not %d" % (STATE, doc.get("version"), VERSION))
        return _join(doc, _arrays(folder, doc.get("arrays")))
    except Damaged:
        raise
    except (OSError, ValueError, KeyError, TypeError, IndexError, AttributeError) as e:
        raise Damaged("%s cannot be read: %s" % (STATE, e))
