"""The arrays: views of the cell table and the signal field (read-only, no
copy, keeping the colony alive), copies of what is gathered per cell, the
one-colony-per-process rule that their lifetime is part of, and the window's
type colours for plots."""
import gc
import subprocess
import sys
import threading
import time
import warnings

import numpy as np
import pytest

import kelvaro
from conftest import CELLS, GENOME, batch, child_env


def test_views_read_the_live_state_without_copies(grown, tmp_path):
    cells, signal = grown.cells, grown.signal
    assert cells.shape == (len(grown.levels), 4) and cells.dtype == np.int32
    assert signal.shape == (202, 202, 202, 20) and signal.dtype == np.int32
    for view in (cells, signal):
        assert not view.flags.writeable and not view.flags.owndata
        with pytest.raises(ValueError):
            view[0, 0] = 1
    # The same memory every time, and the same as the saved colony.
    assert cells.ctypes.data == grown.cells.ctypes.data
    assert signal.ctypes.data == grown.signal.ctypes.data
    grown.save_cells(tmp_path / "out.txt")
    saved = np.loadtxt(tmp_path / "out.txt", dtype=np.int32, ndmin=2)
    assert (cells[:, [kelvaro.TYPE, kelvaro.X, kelvaro.Y, kelvaro.Z]] == saved).all()
    # The copies gather at each cell's site.
    x, y, z = cells[:, kelvaro.X], cells[:, kelvaro.Y], cells[:, kelvaro.Z]
    assert (grown.levels == signal[x, y, z]).all()
    assert set(np.unique(grown.clamp)) <= {0, 1, 2}
    before = cells.copy()
    grown.run(5, divide_all_at=[65])
    assert not (cells == before).all(), "a view shows the frames run after it was taken"
    assert (cells == grown.cells[: len(cells)]).all()


def test_census_counts_what_kelvaro_batch_counts(grown, tmp_path):
    batch("--genome", GENOME, "--cells", CELLS, "--seed", 7, "--frames", 60, "--division",
          "--gravity", "--divide-all-at", "10,45", "--stats", tmp_path / "s.csv")
    rows = (tmp_path / "s.csv").read_text().splitlines()
    head, last = rows[0].split(","), rows[-1].split(",")
    expected = {int(k[5:]): int(v) for k, v in zip(head, last) if k.startswith("type_")}
    census = grown.census()
    assert {t: n for t, n in census.items() if n} == {t: n for t, n in expected.items() if n}
    assert list(census) == sorted(census) and sum(census.values()) == int(last[1])


# What a replaced or closed colony refuses.
USES = [lambda c: c.cells, lambda c: c.run(1), lambda c: c.census(), lambda c: c.save_cells("x")]


def test_a_new_colony_replaces_a_live_one(colony):
    old = colony(cells=CELLS)
    view = old.cells
    with pytest.warns(UserWarning, match="replaced the one alive"):
        new = colony()
    assert old.closed and "replaced" in repr(old) and view.shape == (42, 4)
    for use in USES + [lambda c: c.__enter__()]:
        with pytest.raises(RuntimeError, match="replaced by a newer one"):
            use(old)
    old.close()  # harmless, and it leaves the new one alone
    assert not new.closed and len(new.cells) == 1
    # A replacement warning turned into an error replaces nothing.
    with warnings.catch_warnings():
        warnings.simplefilter("error")
        with pytest.raises(UserWarning):
            kelvaro.Colony(cells=CELLS)
        assert not new.closed and len(new.cells) == 1
        # Dropped, or closed: the next one loads without a word.
        new.close()
        dropped = kelvaro.Colony()
        del dropped
        gc.collect()
        with kelvaro.Colony() as c:
            kept = c.cells
    assert c.closed and kept.sum() > 0, "a view outlives its closed colony"
    for use in USES:
        with pytest.raises(RuntimeError, match="closed"):
            use(c)


def test_run_lets_other_threads_go_and_refuses_a_second_call(colony):
    c = colony(genome=GENOME, cells=CELLS, seed=1)
    t = threading.Thread(target=c.run, args=(300,), kwargs=dict(division=True))
    t.start()
    # Each wake-up from sleep needs the GIL: a run that held it would allow none.
    wakes = 0
    while t.is_alive() and wakes < 20:
        time.sleep(0.002)
        wakes += 1
    with pytest.raises(RuntimeError, match="busy"):
        c.run(1)
    with pytest.raises(RuntimeError, match="running in another thread"):
        kelvaro.Colony()
    t.join()
    assert wakes == 20, "the run ended before the main thread woke 20 times"
    assert c.frame == 300


def test_type_colours_are_the_windows():
    table = kelvaro.TYPE_COLOURS
    assert table[5] == (255, 0, 255), "type 5 is magenta in the window"
    assert table == {t: kelvaro.type_colour(t) for t in range(-5, 300) if kelvaro.type_colour(t)}
    for t in (np.int32(5), np.int64(5), True):
        assert kelvaro.type_colour(t) == table[int(t)]
    for t in (0, -1, 19, 2**70, -2**70):
        assert kelvaro.type_colour(t) is None, t
    for t in ("5", 5.0, None):
        with pytest.raises(TypeError):
            kelvaro.type_colour(t)
    with pytest.raises(TypeError):
        table[5] = (0, 0, 0)


def test_arrays_without_numpy_say_which_python_and_how():
    code = """
import sys
sys.modules["numpy"] = None  # as if it were not installed
import kelvaro
with kelvaro.Colony() as c:
    assert c.census() == {1: 1}
    try:
        c.cells
    except ImportError as e:
        print(e)
"""
    out = subprocess.run([sys.executable, "-c", code], env=child_env(), capture_output=True,
                         text=True, check=True).stdout
    assert "NumPy" in out and sys.executable + " -m pip install numpy" in out, out
