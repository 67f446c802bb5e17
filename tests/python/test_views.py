"""The arrays: views of the cell table and the signal field (read-only, no
copy, keeping the colony alive), copies of what is gathered per cell, and the
one-colony-per-process rule that their lifetime is part of."""
import gc
import threading
import time

import numpy as np
import pytest

import kelvaro
from conftest import CELLS, GENOME, batch


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


def test_one_colony_per_process_and_what_frees_it(colony):
    c = kelvaro.Colony(cells=CELLS)
    view, field = c.cells, c.signal
    del c
    gc.collect()
    with pytest.raises(RuntimeError, match="already alive in this process"):
        kelvaro.Colony()
    assert view.shape == (42, 4) and view.base.frame == 0, "the view keeps the colony"
    del view
    with pytest.raises(RuntimeError):
        kelvaro.Colony()
    del field  # the last view: the colony goes with it
    with kelvaro.Colony() as c:
        kept = c.cells
        assert len(kept) == 1
    # Closed: the claim is free while the view lives, and the view still reads.
    assert c.closed and kept.sum() > 0
    for use in (lambda: c.cells, lambda: c.run(1), lambda: c.census(), lambda: c.save_cells("x")):
        with pytest.raises(RuntimeError, match="closed"):
            use()
    colony(cells=CELLS)
    assert kept.shape == (1, 4)


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
    t.join()
    assert wakes == 20, "the run ended before the main thread woke 20 times"
    assert c.frame == 300
