"""kelvaro-search: genome operators, the score, reproducibility across pools and
resumes, bad inputs, failing score functions and the best's checkpoint."""
import collections
import json
import os
import pickle
import random
import signal
import subprocess
import sys
import time

import numpy as np
import pytest

import kelvaro
from conftest import CELLS, GENOME, ROOT, batch, child_env
from kelvaro.search import genome as gn
from kelvaro.search import engine, propose, refine
from kelvaro.search.cli import main
from kelvaro.search.score import iou

SPACE = gn.Space(types=(5, 6, 11), channels=(1, 2, 3, 5, 6, 11), max_genes=6, division=True)
# A tiny search: every run is a few frames.
TINY = ["--frames", "4", "--population", "6", "--generations", "3", "--seed", "7", "--quiet"]


GROWING = SPACE._replace(start_types=(1, 2, 3), moves=True)


def test_operators_reach_the_whole_language_in_steps_and_jumps():
    """Every value of every field is reached, +-1 steps occur, the three kinds of
    line (gene, division gene without EX, table line) are made, and every genome
    written is canonical and clean."""
    rng, seen, steps, kinds = random.Random(5), {}, collections.Counter(), set()
    genome = gn.random_genome(rng, GROWING)
    for n in range(30000):
        child = gn.mutate(rng, GROWING, genome) if n % 7 else gn.cross(
            rng, GROWING, genome, gn.random_genome(rng, GROWING))
        if n % 25 == 0:
            text = gn.genome_text(child)
            assert kelvaro.check_genome(text)["count"] == 0, text
            assert gn.parse_genome(text) == child and 1 <= len(child) <= GROWING.max_genes
        for g in child:
            kinds.add("table" if not g.en else "keeps type" if g.ex is None else "gene")
            for field in ("signal", "glueds", "ex"):
                seen.setdefault(field, set()).add(getattr(g, field))
            seen.setdefault("en", set()).update(g.en)
        for a, b in zip(genome, child):
            steps.update((f, abs(getattr(a, f) - getattr(b, f))) for f in ("signal", "glueds")
                         if None not in (getattr(a, f), getattr(b, f))
                         and a != b == a._replace(**{f: getattr(b, f)}))
        genome = child if rng.random() < 0.7 else genome
    assert seen["signal"] - {None} == set(range(gn.SIGNAL_RANGE[1] + 1))
    assert seen["glueds"] - {None} == set(range(gn.GLUEDS_RANGE[1] + 1))
    assert seen["ex"] - {None} == set(SPACE.types) | {1, 2, 3}
    assert seen["en"] == set(SPACE.channels)
    # small steps are common, not the odd jump that lands next door
    moved = sum(n for (f, d), n in steps.items() if f == "signal" and d)
    assert steps["signal", 1] > 0.2 * moved and steps["signal", 2] > 0.1 * moved
    assert steps["glueds", 1] > 0
    assert kinds == {"table", "keeps type", "gene"}
    # without division and gravity: no GLUEDS, no MPF
    static = SPACE._replace(division=False, start_types=(1, 2, 3), moves=False)
    genome = gn.random_genome(rng, static)
    for _ in range(3000):
        genome = gn.mutate(rng, static, genome)
        assert all(g.glueds is None and g.mpf == 0 for g in genome), genome
    best = (gn.Gene((2, 3), (), 5, None, 52, 0),)
    near = refine.neighbours(static, best)
    assert sorted(g[0].signal for g in near[:6]) == [49, 50, 51, 53, 54, 55]  # steps first
    assert not refine.neighbours(static, best, {gn.genome_text(n) for n in near})
    assert refine.neighbours(static, best, limit=9) == near[:9]
    # one structural move reaches a gene the best lacks, or mends a pair, a
    # type, a silencer, a start strength, a division without EX
    gene = best[0]
    one_move = {
        static: [(gene._replace(en=(1, 1)),), (gene._replace(ex=11),), (gene._replace(si=(6,)),),
                 (gn.Gene((3, 11), (), 6, None, None, 0),) + best,
                 best + (gn.Gene((1, 5), (), 11, None, None, 0),),
                 best + (gn.Gene((), (), 2, None, 58, 0),)],
        GROWING: [(gene._replace(mpf=1),), best + (gn.Gene((2, 2), (), None, None, None, 1),),
                  best + (gn.Gene((1, 6), (), 6, None, None, 1),)],
    }
    for space, wanted in one_move.items():
        reached = {gn.genome_text(n): n for n in refine.neighbours(space, best)}
        for genome in wanted:
            assert gn.genome_text(genome) in reached, genome
        for text, genome in reached.items():
            assert kelvaro.check_genome(text)["count"] == 0 and gn.parse_genome(text) == genome
    two = best + (gn.Gene((1, 2), (), 6, None, None, 1),)
    assert two[1:] in refine.neighbours(GROWING, two)  # a gene taken out
    assert two[::-1] in refine.neighbours(GROWING, two)  # two genes swapped
    # the sweep: the gene's strength in strides, and each start type's strength
    strides = set(range(0, gn.SIGNAL_RANGE[1] + 1, refine.STRIDE))
    swept = refine.sweep(static, best)
    assert {g[0].signal for g in swept if len(g) == 1} == strides
    assert {g[1] for g in swept if len(g) == 2} == {
        gn.Gene((), (), t, None, v, 0) for t in (1, 2, 3) for v in strides}


@pytest.mark.parametrize("line, canonical", [
    ("EN=2;EN=3;EX=5x;", "EN=2;EN=3;EX=5;MPF=0;"),  # the number ends where the digits do
    ("EN=2;EN=3;EX=5;MPF=1;MPF=0;", "EN=2;EN=3;EX=5;MPF=0;"),  # the last MPF counts
    ("EN=2;EN=3;MPF=7;MPF=1;", "EN=2;EN=3;MPF=1;"),  # divides, keeps the type
    ("EN=2;EN=3;SIGNAL=40;EX=5;GLUEDS=3", "EN=2;EN=3;EX=5;GLUEDS=3;MPF=0;"),  # 40 sets type 0
    ("EN=2;EN=3;EX=5;;SIGNAL=9;", "EN=2;EN=3;EX=5;MPF=0;"),  # ';;' ends the line
    ("EN=1;EN=2;EN=3;EN=5;SI=6;SI=7;EX=8;EX=9;", "EN=1;EN=2;EN=3;SI=6;EX=8;MPF=0;"),
    ("EX=2;SIGNAL=52", "EX=2;SIGNAL=52;MPF=0;"),  # a table line
    ("EN=2;EX=5;", "1 EN: a gene reads two or three"),
    ("EN=2;EN=3;MPF=0;", "neither an EX nor MPF=1"),
    (" ", "0 EN"),  # a blank line is a gene that does nothing
])
def test_genomes_are_read_as_the_loader_reads_them(line, canonical):
    try:
        assert gn.genome_text(gn.parse_genome("# a comment\n" + line)) == canonical + "\n"
    except ValueError as e:
        assert str(e).startswith("line 2 is not a gene the search can hold: " + canonical)


EXAMPLE = ROOT / "examples"


# A target the best cannot reach in one move of its own: a missing pair, and a
# shell where a type-1 cell's own strength (41, not 3) meets an organiser's level.
@pytest.mark.parametrize("genome, best", [
    ("EN=2;EN=3;EX=5;\nEN=5;EN=5;EX=9;", "EN=5;EN=5;EX=9;"),
    ("EX=1;SIGNAL=41;\nEN=3;EN=1;EX=6;", "EN=2;EN=3;EX=6;"),
])
def test_genes_read_off_the_target_grow_it(genome, best):
    def grown(text):
        with kelvaro.Colony(genome_text=text, cells=EXAMPLE / "list.txt", seed=1) as c:
            c.run(100, until_settled=True)
            return c.cells.copy()  # the next colony reuses the view's memory
    target = grown(genome)
    levels, kinds = propose.target_levels((), target)  # the organisers at their start strength
    assert all(levels[kinds == t, t].max() == kelvaro.START_SIGNAL[t] == 60 for t in (2, 3))
    types = sorted(set(target[:, kelvaro.TYPE]) - {1, 2, 3})
    space = gn.Space(tuple(types), tuple(sorted({1, 2, 3, *types})), 6, False, (1, 2, 3), False)
    found = propose.proposals(space, gn.parse_genome(best), target)
    assert found and max(iou(grown(gn.genome_text(g)), target) for g in found) == 1.0


# Switches, genomes tried, and how many of them must come to rest (gravity is
# never argued to rest; division genes keep many colonies dividing).
@pytest.mark.parametrize("division, gravity, genomes, at_rest", [
    (False, False, 160, 80), (True, False, 100, 25), (False, True, 40, 0)])
def test_a_run_stopped_at_rest_is_the_whole_run(tmp_path, division, gravity, genomes, at_rest):
    """The example's start grown by the example's genome, its mutants and random
    genomes: a run that stops at rest leaves the very checkpoint (cells, grids,
    random sequence, frame) of the whole run."""
    band_genes = gn.parse_genome((EXAMPLE / "dna.vdna").read_text())
    settled = []
    for seed in range(genomes):
        rng = random.Random(seed)
        genes = band_genes if seed % 3 else gn.random_genome(rng, SPACE)
        for _ in range(seed % 4):
            genes = gn.mutate(rng, SPACE, genes)
        checkpoints = []
        for until_settled in (False, True):
            with kelvaro.Colony(genome_text=gn.genome_text(genes), cells=EXAMPLE / "list.txt",
                                seed=seed) as c:
                at = c.run(60, division=division, gravity=gravity, until_settled=until_settled)
                assert c.frame == 60
                c.checkpoint(tmp_path / "k.kck")
            checkpoints.append((tmp_path / "k.kck").read_bytes())
        assert checkpoints[0] == checkpoints[1], gn.genome_text(genes)
        settled.append(at)
    early = [f for f in settled if f is not None]
    assert len(early) >= at_rest and (not early or max(early) > 10), settled
    assert at_rest or not early


def colony(*cells):
    return np.array(cells, dtype=np.int32)


@pytest.mark.parametrize("result, target, block, expected", [
    (colony((1, 1, 1, 2)), colony((1, 1, 1, 2)), 1, 1.0),
    # type 2 shares one of three sites; type 3 only in the result: (1/3 + 0) / 2
    (colony((1, 1, 1, 2), (2, 1, 1, 2), (9, 9, 9, 3)), colony((1, 1, 1, 2), (3, 1, 1, 2)), 1,
     1 / 6),
    # in blocks of 4 from the origin, sites 1..3 share a block, 4 does not
    (colony((1, 1, 1, 2), (2, 1, 1, 2)), colony((3, 2, 1, 2), (4, 1, 1, 2)), 4, 0.5),
    (colony((1, 1, 1, 2)), colony((3, 3, 3, 2)), 4, 1.0),
])
def test_mean_per_type_iou(result, target, block, expected):
    assert iou(result, target, block) == pytest.approx(expected)


@pytest.fixture(scope="module")
def target(tmp_path_factory):
    path = tmp_path_factory.mktemp("target") / "target.txt"
    batch("--genome", GENOME, "--cells", CELLS, "--frames", "4", "--out", path)
    return path


def search(folder, target, *extra):
    return main(["--cells", str(CELLS), "--target", str(target), "--out", str(folder), *TINY,
                 *extra])


def without_time(folder):
    rows = (folder / "search.csv").read_text().splitlines()
    best = (folder / "best.vdna").read_text().splitlines()
    return [r.rsplit(",", 2)[0] for r in rows], [b for b in best if not b.startswith("# command")]


def test_same_seed_same_search_on_every_pool_and_across_a_resume(tmp_path, target,
                                                                  monkeypatch):
    from distributed import LocalCluster
    # a population 3 generations without a better best starts afresh
    monkeypatch.setattr(engine, "RESTART", 3)
    starts, first = [], engine.Search._first_population
    monkeypatch.setattr(engine.Search, "_first_population",
                        lambda self: starts.append(self.state["generation"]) or first(self))
    # 8 generations: the best goes stale and is swept (refine.STALL) on every
    # pool; with 2 replicates, the second runs only for candidates near the best
    more = ("--generations", "8", "--replicates", "2")
    assert search(tmp_path / "j1", target, "-j", "1", *more) == 0
    expected = without_time(tmp_path / "j1")
    assert search(tmp_path / "j2", target, "-j", "2", *more) == 0
    with LocalCluster(n_workers=2, threads_per_worker=1, processes=True,
                      dashboard_address=":0") as cluster:
        assert search(tmp_path / "dask", target, "--scheduler", cluster.scheduler_address,
                      *more) == 0
    # stopped after generation 1, then resumed to the same budget, given as a user may
    assert search(tmp_path / "r", target, "-j", "1", "--generations", "1", "--replicates", "2") == 0
    assert main(["--resume=%s" % (tmp_path / "r"), "--gen", "8", "-j2", "--qui"]) == 0
    for name in ("j2", "dask", "r"):
        assert without_time(tmp_path / name) == expected, name
    assert (tmp_path / "j1" / "front.csv").read_text() == (tmp_path / "r" / "front.csv").read_text()
    evaluations = [int(r.split(",")[1]) for r in expected[0][1:]]
    assert max(b - a for a, b in zip(evaluations, evaluations[1:])) > 60  # a sweep ran
    assert [g for g in starts if g >= 0]  # and a restart


def start_search(folder, target, *extra):
    """kelvaro-search in a child process, once it has written its first state."""
    p = subprocess.Popen([sys.executable, "-m", "kelvaro.search", "--cells", str(CELLS),
                          "--target", str(target), "--out", str(folder), "-j", "1", *TINY,
                          *extra], env=child_env(), stderr=subprocess.PIPE, text=True)
    while not (folder / "search.json").exists() and p.poll() is None:
        time.sleep(0.01)
    return p


def test_a_search_stopped_by_sigterm_resumes_alone_and_ends_as_a_whole_one(tmp_path, target,
                                                                          capsys):
    assert search(tmp_path / "whole", target, "-j", "1", "--generations", "30") == 0
    folder = tmp_path / "s"
    p = start_search(folder, target, "--generations", "30")
    while not (folder / "search.csv").exists() and p.poll() is None:
        time.sleep(0.01)
    # The folder is in use: a second search on it is refused and changes nothing.
    assert main(["--resume", str(folder), "--quiet"]) == 2
    assert "in use by another kelvaro-search" in capsys.readouterr().err
    p.send_signal(signal.SIGTERM)
    assert p.wait(60) == 128 + signal.SIGTERM
    assert "to go on: kelvaro-search --resume %s\n" % folder in p.stderr.read()
    # No budget at resume: the search's own, 30 generations.
    assert main(["--resume", str(folder), "--quiet", "-j", "1"]) == 0
    assert without_time(folder) == without_time(tmp_path / "whole")


@pytest.mark.parametrize("signo", [signal.SIGINT, signal.SIGTERM])
def test_a_stop_takes_effect_within_a_second_whatever_the_population(tmp_path, target, signo):
    p = start_search(tmp_path / "big", target, "--population", "100000")
    time.sleep(1.0)  # building the first generation, or running it
    began = time.monotonic()
    p.send_signal(signo)
    assert p.wait(60) == 128 + signo
    assert time.monotonic() - began < 1.0
    assert "kelvaro-search --resume" in p.stderr.read()


class Planted:
    """Runs a command when it is unpickled."""

    def __reduce__(self):
        return (os.system, ("touch planted",))


@pytest.mark.parametrize("damage", ["pickle as json", "pickle as arrays", "cut json", "flip arrays",
                                    "foreign json"])
def test_a_planted_or_damaged_state_is_refused(tmp_path, target, capsys, monkeypatch, damage):
    monkeypatch.chdir(tmp_path)
    assert search(tmp_path / "d", target, "-j", "1", "--generations", "1") == 0
    state = tmp_path / "d" / "search.json"
    arrays = tmp_path / "d" / json.loads(state.read_text())["arrays"]
    if damage == "pickle as json":
        state.write_bytes(pickle.dumps(Planted()))
    elif damage == "pickle as arrays":
        np.save(arrays.open("wb"), np.array([Planted()], dtype=object), allow_pickle=True)
    elif damage == "cut json":
        state.write_bytes(state.read_bytes()[:100])
    elif damage == "flip arrays":
        arrays.write_bytes(arrays.read_bytes()[:-1] + b"x")
    else:
        state.write_text(json.dumps({"format": "something else"}))
    capsys.readouterr()
    assert main(["--resume", str(tmp_path / "d")]) == 2
    err = capsys.readouterr().err
    assert "holds no search to resume" in err and err.count("\n") == 1
    assert not (tmp_path / "planted").exists()


def test_the_checkpoint_grows_the_colony_the_search_scored(tmp_path, target):
    assert search(tmp_path / "d", target, "-j", "1") == 0
    best = (tmp_path / "d" / "best.vdna").read_text()
    score = float(best.split("score ")[1].split(",")[0])
    batch("--resume", tmp_path / "d" / "kelvaro.ckpt", "--frames", "4", "--out", tmp_path / "x.txt")
    with kelvaro.Colony(cells=tmp_path / "x.txt", shift=0) as c:
        grown = c.cells.copy()
    with kelvaro.Colony(cells=target, shift=0) as c:
        assert iou(grown, c.cells.copy()) == pytest.approx(score, abs=1e-6)


@pytest.mark.parametrize("args, says", [
    (["--cells", "missing.txt"], "cannot read start colony"),
    (["--target", "binary.txt"], "cannot read target"),
    (["--target", "empty.txt"], "holds no cells"),
    (["--cells", "empty.txt"], "holds no cells"),
    (["--target", "oops.txt"], "oops.txt': line 2: 'oops' is not a number"),
    (["--cells", "short.txt"], "short.txt': line 1: the file ends after 2 of a record's 4"),
    (["--types", "1,5"], "types run from 2 to 99"),
    (["--score", "no_such_module:f"], "cannot be imported"),
    (["--frames", "ten"], "is not a number"),
    (["--scheduler", "tcp://127.0.0.1:9"], "does not answer"),
])
def test_bad_inputs_write_nothing(tmp_path, target, capsys, args, says):
    (tmp_path / "binary.txt").write_bytes(b"1 2 3\0")
    (tmp_path / "empty.txt").write_text("")
    (tmp_path / "oops.txt").write_text("2 1 1 1\n12 oops 7 5\n")
    (tmp_path / "short.txt").write_text("12 13\n")
    folder = tmp_path / "out"
    base = {"--cells": str(CELLS), "--target": str(target), "--out": str(folder)}
    base.update(dict(zip(args[::2], (str(tmp_path / a) if a.endswith(".txt") else a
                                     for a in args[1::2]))))
    assert main([x for kv in base.items() for x in kv] + TINY) == 2
    err = capsys.readouterr().err
    assert says in err and err.count("\n") == 1
    assert not folder.exists()
    assert main(["--resume", str(tmp_path)]) == 2


def test_a_score_function_that_raises_scores_worst_and_goes_on(tmp_path, target, monkeypatch,
                                                               capsys):
    (tmp_path / "scores.py").write_text(
        "def bad(c):\n    raise RuntimeError('no score')\n"
        "def counted(c):\n"
        "    with open(%r, 'a') as f:\n        f.write('.')\n"
        "    return float(c.cells[:, 3].sum() %% 101) / 100\n" % str(tmp_path / "runs"))
    monkeypatch.syspath_prepend(str(tmp_path))
    monkeypatch.setenv("PYTHONPATH", str(tmp_path) + ":" + child_env()["PYTHONPATH"])
    # with 2 replicates, the second runs for some candidates (near the best), not all
    assert search(tmp_path / "r", target, "-j", "1", "--score", "scores:counted",
                  "--replicates", "2") == 0
    rows = (tmp_path / "r" / "search.csv").read_text().splitlines()
    first, evaluations = (int(rows[i].split(",")[1]) for i in (1, -1))  # generation 0 runs both
    assert evaluations + first < len((tmp_path / "runs").read_text()) < 2 * evaluations
    assert search(tmp_path / "d", target, "-j", "1", "--score", "scores:bad") == 0
    last = (tmp_path / "d" / "search.csv").read_text().splitlines()[-1].split(",")
    assert last[2] == "-inf" and int(last[7]) == int(last[1]) > 0
    assert capsys.readouterr().err.count("RuntimeError: no score") == 1
    # -inf survives the state file
    assert main(["--resume", str(tmp_path / "d"), "--generations", "4", "-j", "1", "--quiet"]) == 0
    assert (tmp_path / "d" / "search.csv").read_text().splitlines()[-1].split(",")[2] == "-inf"
