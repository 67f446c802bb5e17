"""Shared fixtures of the Python module's tests: the test genome and colony,
kelvaro-batch run as a program, and colonies that are closed after each test
(the simulation state is the process's own).

Run through CTest, or by hand from the source folder:
    PYTHONPATH=build/python python3 -m pytest tests/python
"""
import os
import pathlib
import subprocess

import pytest

import kelvaro

ROOT = pathlib.Path(__file__).resolve().parents[2]
DATA = ROOT / "tests" / "data" / "batch"
GENOME, CELLS = DATA / "genome.vdna", DATA / "colony.txt"
BATCH = os.environ.get("KELVARO_BATCH", str(ROOT / "build" / "src" / "batch" / "kelvaro-batch"))
# The run of the promise: both faces, the same options.
RUN = dict(frames=60, division=True, gravity=True, divide_all_at=[10, 45])
RUN_ARGS = ["--frames", "60", "--division", "--gravity", "--divide-all-at", "10,45"]


def child_env():
    """The environment for a Python child that imports this kelvaro."""
    here = os.path.dirname(os.path.dirname(kelvaro.__file__))
    return dict(os.environ, PYTHONPATH=os.pathsep.join([here, os.environ.get("PYTHONPATH", "")]))


def batch(*args, cwd=None, check=True):
    """kelvaro-batch with `args`; its status and standard error."""
    r = subprocess.run([BATCH, "--quiet", *map(str, args)], cwd=cwd, capture_output=True,
                       text=True, env=dict(os.environ, DISPLAY=""))
    if check and r.returncode != 0:
        raise AssertionError("kelvaro-batch %s: %s" % (" ".join(map(str, args)), r.stderr))
    return r.returncode, r.stderr


def files_of(c, folder, name):
    """The colony's cell list and checkpoint as bytes, written by the colony."""
    c.save_cells(folder / (name + ".txt"))
    c.checkpoint(folder / (name + ".kck"))
    return (folder / (name + ".txt")).read_bytes(), (folder / (name + ".kck")).read_bytes()


@pytest.fixture
def colony():
    """Makes colonies (kelvaro.Colony or .resume arguments) and closes them all afterwards."""
    made = []

    def make(resume=None, **kw):
        c = kelvaro.Colony.resume(resume) if resume else kelvaro.Colony(**kw)
        made.append(c)
        return c

    yield make
    for c in made:
        c.close()


@pytest.fixture
def grown(colony):
    """The test colony of seed 7 after the promise's run."""
    c = colony(genome=GENOME, cells=CELLS, seed=7)
    c.run(**RUN)
    return c
