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


HALF = dict(frames=30, division=True, gravity=True, divide_all_at=[10])
REST = dict(frames=30, divide_all_at=[45])
# Each way: how the colony starts (from the genome file, the genome's text, or
# kelvaro-batch's checkpoint at frame 30), then its runs; "checkpoint" closes it
# and resumes a new one from its checkpoint. The switches hold from one run to
# the next; the frames are absolute.
WAYS = {
    "in_one": ("file", [RUN]),
    "from_genome_text": ("text", [RUN]),  # as the search gives it: no file, the same run
    "in_two": ("file", [HALF, REST]),
    "through_checkpoint": ("file", [HALF, "checkpoint", REST]),
    "from_batch_checkpoint": ("batch", [REST]),
    "steps_of_one": ("file", [dict(frames=0, division=True, gravity=True)] + [
        dict(frames=1, divide_all_at=[f] if f in (10, 45) else []) for f in range(1, 61)]),
}


@pytest.mark.parametrize("way", WAYS)
def test_same_bytes_as_kelvaro_batch(colony, tmp_path, whole, way):
    start, runs = WAYS[way]
    half = tmp_path / "half.kck"
    if start == "batch":
        batch("--genome", GENOME, "--cells", CELLS, "--seed", 7, "--frames", 30, "--division",
              "--gravity", "--divide-all-at", 10, "--checkpoint", half)
        c = colony(resume=half)
    elif start == "text":
        c = colony(genome_text=GENOME.read_text(), cells=CELLS, seed=7)
    else:
        c = colony(genome=GENOME, cells=CELLS, seed=7)
    for run in runs:
        if run == "checkpoint":
            c.checkpoint(half)
            c.close()
            c = colony(resume=half)
            assert c.frame == 30
        else:
            c.run(**run)
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
