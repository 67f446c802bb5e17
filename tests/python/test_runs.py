"""The promise: a Colony and kelvaro-batch with the same options write the same
colony and the same checkpoint, byte for byte, however the run is split."""
import pytest

from conftest import CELLS, GENOME, RUN, RUN_ARGS, batch, files_of


@pytest.fixture(scope="module")
def whole(tmp_path_factory):
    """kelvaro-batch's files of the whole run."""
    d = tmp_path_factory.mktemp("batch")
    batch("--genome", GENOME, "--cells", CELLS, "--seed", 7, *RUN_ARGS,
          "--out", d / "b.txt", "--checkpoint", d / "b.kck")
    return (d / "b.txt").read_bytes(), (d / "b.kck").read_bytes()


def in_one(colony, tmp):
    c = colony(genome=GENOME, cells=CELLS, seed=7)
    c.run(**RUN)
    return c


def from_genome_text(colony, tmp):
    # The genome as a text, as the search gives it: no file, the same run.
    with open(GENOME) as f:
        c = colony(genome_text=f.read(), cells=CELLS, seed=7)
    c.run(**RUN)
    return c


def in_two(colony, tmp):
    # The switches hold from one run to the next; the frames are absolute.
    c = colony(genome=GENOME, cells=CELLS, seed=7)
    c.run(30, division=True, gravity=True, divide_all_at=[10])
    c.run(30, divide_all_at=[45])
    return c


def through_checkpoint(colony, tmp):
    c = colony(genome=GENOME, cells=CELLS, seed=7)
    c.run(30, division=True, gravity=True, divide_all_at=[10])
    c.checkpoint(tmp / "half.kck")
    c.close()
    c = colony(resume=tmp / "half.kck")
    assert c.frame == 30
    c.run(30, divide_all_at=[45])
    return c


def from_batch_checkpoint(colony, tmp):
    batch("--genome", GENOME, "--cells", CELLS, "--seed", 7, "--frames", 30, "--division",
          "--gravity", "--divide-all-at", 10, "--checkpoint", tmp / "half.kck")
    c = colony(resume=tmp / "half.kck")
    c.run(30, divide_all_at=[45])
    return c


def steps_of_one(colony, tmp):
    c = colony(genome=GENOME, cells=CELLS, seed=7)
    c.run(0, division=True, gravity=True)
    for frame in range(1, 61):
        c.run(1, divide_all_at=[frame] if frame in (10, 45) else [])
    return c


@pytest.mark.parametrize("way", [in_one, from_genome_text, in_two, through_checkpoint,
                                 from_batch_checkpoint, steps_of_one])
def test_same_bytes_as_kelvaro_batch(colony, tmp_path, whole, way):
    c = way(colony, tmp_path)
    assert c.frame == 60
    assert files_of(c, tmp_path, "py") == whole


def test_switches_off_again_and_passes_matter(colony, tmp_path):
    """division=False switches off what an earlier run switched on, and the
    settling passes are kelvaro-batch's --signal-passes."""
    c = colony(genome=GENOME, cells=CELLS, seed=3)
    c.run(20, division=True)
    c.run(20, division=False, signal_passes=0)
    batch("--genome", GENOME, "--cells", CELLS, "--seed", 3, "--frames", 20, "--division",
          "--checkpoint", tmp_path / "a.kck")
    batch("--resume", tmp_path / "a.kck", "--frames", 20, "--no-division", "--signal-passes", 0,
          "--out", tmp_path / "b.txt", "--checkpoint", tmp_path / "b.kck")
    assert files_of(c, tmp_path, "py") == ((tmp_path / "b.txt").read_bytes(),
                                           (tmp_path / "b.kck").read_bytes())
