"""kelvaro-search: genome operators, the score, reproducibility across pools and
resumes, bad inputs, failing score functions and the best's checkpoint."""
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
from kelvaro.search.cli import main
from kelvaro.search.score import iou

SPACE = gn.Space(types=(5, 6, 11), channels=(1, 2, 3, 5, 6, 11), max_genes=6, division=True)
# A tiny search: every run is a few frames.
TINY = ["--frames", "4", "--population", "6", "--generations", "3", "--seed", "7", "--quiet"]


def test_operators_keep_genomes_valid_and_canonical():
    for seed in range(300):
        rng = random.Random(seed)
        a, b = gn.random_genome(rng, SPACE), gn.random_genome(rng, SPACE)
        for child in (gn.mutate(rng, SPACE, a), gn.cross(rng, SPACE, a, b)):
            text = gn.genome_text(child)
            assert 1 <= len(child) <= SPACE.max_genes
            assert kelvaro.check_genome(text)["count"] == 0, text
            assert gn.genome_text(gn.parse_genome(text)) == text


EXAMPLE = ROOT / "examples"


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


def test_same_seed_same_search_on_every_pool_and_across_a_resume(tmp_path, target):
    from distributed import LocalCluster
    assert search(tmp_path / "j1", target, "-j", "1") == 0
    expected = without_time(tmp_path / "j1")
    assert search(tmp_path / "j2", target, "-j", "2") == 0
    with LocalCluster(n_workers=2, threads_per_worker=1, processes=True,
                      dashboard_address=":0") as cluster:
        assert search(tmp_path / "dask", target, "--scheduler", cluster.scheduler_address) == 0
    # stopped after generation 1, then resumed to the same budget, given as a user may
    assert search(tmp_path / "r", target, "-j", "1", "--generations", "1") == 0
    assert main(["--resume=%s" % (tmp_path / "r"), "--gen", "3", "-j2", "--qui"]) == 0
    for name in ("j2", "dask", "r"):
        assert without_time(tmp_path / name) == expected, name
    assert (tmp_path / "j1" / "front.csv").read_text() == (tmp_path / "r" / "front.csv").read_text()


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
    (tmp_path / "scores.py").write_text("def bad(c):\n    raise RuntimeError('no score')\n")
    monkeypatch.syspath_prepend(str(tmp_path))
    monkeypatch.setenv("PYTHONPATH", str(tmp_path) + ":" + child_env()["PYTHONPATH"])
    assert search(tmp_path / "d", target, "-j", "1", "--score", "scores:bad") == 0
    last = (tmp_path / "d" / "search.csv").read_text().splitlines()[-1].split(",")
    assert last[2] == "-inf" and int(last[7]) == int(last[1]) > 0
    assert capsys.readouterr().err.count("RuntimeError: no score") == 1
    # -inf survives the state file
    assert main(["--resume", str(tmp_path / "d"), "--generations", "4", "-j", "1", "--quiet"]) == 0
    assert (tmp_path / "d" / "search.csv").read_text().splitlines()[-1].split(",")[2] == "-inf"
