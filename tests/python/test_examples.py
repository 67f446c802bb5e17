"""The examples of examples/python/ on a few frames: the two plots, and the
sweep, whose summary must be the one examples/sweep/ makes of kelvaro-batch's
runs, from a local process pool and from a dask.distributed cluster of two
single-threaded worker processes on this machine."""
import json
import subprocess
import sys
import time

import pytest

from conftest import ROOT, batch, child_env

EXAMPLES = ROOT / "examples" / "python"
GENOMES = sorted((ROOT / "examples" / "sweep" / "genomes").glob("*.vdna"))
FRAMES = 12


def example(name, *args, cwd):
    r = subprocess.run([sys.executable, EXAMPLES / name, *map(str, args)], cwd=cwd,
                       env=child_env(), capture_output=True, text=True, timeout=300)
    assert r.returncode == 0, r.stderr
    return r.stdout


@pytest.mark.parametrize("name, args", [("grow.py", ["--frames", FRAMES, "--every", 4]),
                                        ("field.py", ["--frames", FRAMES, "--channel", 2])])
def test_plot(tmp_path, name, args):
    example(name, *args, "--out", "plot.png", cwd=tmp_path)
    png = (tmp_path / "plot.png").read_bytes()
    assert png.startswith(b"\x89PNG") and len(png) > 10000


@pytest.fixture(scope="module")
def expected(tmp_path_factory):
    """examples/sweep/summarise.sh over kelvaro-batch's runs of the same pairs."""
    d = tmp_path_factory.mktemp("shell")
    for g in GENOMES:
        for seed in (1, 2):
            run = d / ("%s-s%d" % (g.stem, seed))
            run.mkdir()
            batch("--genome", g, "--cells", ROOT / "examples" / "list.txt", "--seed", seed,
                  "--frames", FRAMES, "--division", "--stats", run / "stats.csv")
    # The summary comes first; the contact sheet after it fails without pictures.
    subprocess.run([ROOT / "examples" / "sweep" / "summarise.sh", d], capture_output=True)
    return (d / "summary.csv").read_text()


def sweep(tmp_path, *args):
    example("sweep.py", "-f", FRAMES, "-o", "runs", *args, *GENOMES, ":::", 1, 2, cwd=tmp_path)
    return (tmp_path / "runs" / "summary.csv").read_text()


def test_sweep_in_a_process_pool(tmp_path, expected):
    assert sweep(tmp_path, "-j", 2) == expected


def started(cmd, tmp_path, log):
    return subprocess.Popen(list(map(str, cmd)), cwd=tmp_path, env=child_env(), stdout=open(tmp_path / log, "w"),
                            stderr=subprocess.STDOUT)


def test_sweep_on_a_dask_cluster(tmp_path, expected):
    pytest.importorskip("distributed")
    dask = [sys.executable, "-m", "distributed.cli.dask_%s"]
    address_file = tmp_path / "scheduler.json"
    scheduler = started([dask[0], dask[1], dask[2] % "scheduler", "--host", "127.0.0.1",
                         "--port", "0", "--no-dashboard", "--scheduler-file", address_file],
                        tmp_path, "scheduler.log")
    workers = None
    try:
        for _ in range(300):
            if address_file.exists() and address_file.stat().st_size:
                break
            time.sleep(0.1)
        address = json.loads(address_file.read_text())["address"]
        workers = started([dask[0], dask[1], dask[2] % "worker", address, "--nworkers", 2,
                           "--nthreads", 1, "--no-dashboard", "--local-directory", tmp_path],
                          tmp_path, "workers.log")
        assert sweep(tmp_path, "--scheduler", address) == expected
        assert (tmp_path / "scheduler.log").read_text().count("Register worker") == 2
    finally:
        for p in (workers, scheduler):
            if p:
                p.terminate()
                p.wait(timeout=30)
