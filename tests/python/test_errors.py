"""Bad input: what makes kelvaro-batch exit 2 (or 1, for an output) raises
ValueError or OSError with its one-line message and leaves the colony as it
was; what it warns about comes as a UserWarning; a call that succeeds prints
nothing."""
import warnings

import pytest

import kelvaro
from conftest import CELLS, GENOME, batch, files_of


@pytest.fixture(scope="module")
def inputs(tmp_path_factory):
    d = tmp_path_factory.mktemp("inputs")
    (d / "binary.txt").write_bytes(b"1 2 3 4\n\0\n")
    (d / "empty.vdna").write_text("")
    (d / "empty.txt").write_text("")
    (d / "bad.kck").write_bytes(b"KELVARO" + bytes(100))
    return d


# (Colony arguments, kelvaro-batch arguments, exception)
NEW = [
    (dict(genome="absent.vdna"), ["--genome", "absent.vdna"], FileNotFoundError),
    (dict(cells="{d}"), ["--cells", "{d}"], IsADirectoryError),
    (dict(cells="{d}/binary.txt"), ["--cells", "{d}/binary.txt"], ValueError),
    (dict(resume="{d}/bad.kck"), ["--resume", "{d}/bad.kck"], ValueError),
    (dict(resume="{d}/absent.kck"), ["--resume", "{d}/absent.kck"], FileNotFoundError),
    (dict(seed=-1), ["--seed", "-1"], ValueError),
    (dict(shift=10**7), ["--shift", "10000000"], ValueError),
]
# (run or file call on a grown colony, the same as arguments after --resume, exception)
ON_GROWN = [
    (lambda c: c.run(-1), ["--frames", "-1"], ValueError),
    *[(lambda c, f=f: c.run(5, divide_all_at=[f]), ["--frames", "5", "--divide-all-at", str(f)],
       ValueError) for f in (66, 60, 0)],
    (lambda c: c.run(5, signal_passes=-2), ["--frames", "5", "--signal-passes", "-2"],
     ValueError),
    (lambda c: c.save_cells("absent/x.txt"), ["--frames", "0", "--out", "absent/x.txt"],
     FileNotFoundError),
    (lambda c: c.checkpoint("absent/x.kck"), ["--frames", "0", "--checkpoint", "absent/x.kck"],
     FileNotFoundError),
    (lambda c: c.to_html("absent/x.html"), ["--frames", "0", "--html", "absent/x.html"],
     FileNotFoundError),
    (lambda c: c.to_html("x.html", hide=[100]), ["--frames", "0", "--html", "x.html",
                                                 "--hide-types", "100"], ValueError),
]


def message(exc):
    return exc.strerror if isinstance(exc, OSError) and exc.errno else str(exc)


def batch_line(args, cwd):
    status, err = batch(*args, cwd=cwd, check=False)
    assert status in (1, 2) and err.count("\n") == 1, err
    return err.removeprefix("kelvaro-batch: ").rstrip("\n")


@pytest.mark.parametrize("kw, args, error", NEW)
def test_a_colony_that_cannot_load(inputs, tmp_path, monkeypatch, kw, args, error):
    monkeypatch.chdir(tmp_path)
    kw = {k: v.format(d=inputs) if isinstance(v, str) else v for k, v in kw.items()}
    with pytest.raises(error) as e:
        kelvaro.Colony.resume(kw["resume"]) if "resume" in kw else kelvaro.Colony(**kw)
    assert message(e.value) == batch_line([a.format(d=inputs) for a in args], tmp_path)
    kelvaro.Colony().close()  # nothing was left holding the process's colony


@pytest.mark.parametrize("call, args, error", ON_GROWN)
def test_a_refused_call_changes_nothing(grown, tmp_path, monkeypatch, call, args, error):
    monkeypatch.chdir(tmp_path)
    before = files_of(grown, tmp_path, "before")
    with pytest.raises(error) as e:
        call(grown)
    assert message(e.value) == batch_line(["--resume", "before.kck", *args], tmp_path)
    assert grown.frame == 60 and files_of(grown, tmp_path, "after") == before


def test_wrong_types_raise_type_error(grown):
    for call in (lambda: grown.run(1.5), lambda: grown.run(True), lambda: grown.run(1, division=1),
                 lambda: grown.run(1, divide_all_at=61), lambda: grown.save_cells(3)):
        with pytest.raises(TypeError):
            call()
    assert grown.frame == 60


@pytest.mark.parametrize("kw, args", [
    (dict(genome="{d}/empty.vdna"), ["--genome", "{d}/empty.vdna"]),
    (dict(cells="{d}/empty.txt"), ["--cells", "{d}/empty.txt"]),
])
def test_warnings_are_kelvaro_batch_messages(inputs, kw, args):
    with warnings.catch_warnings(record=True) as caught:
        warnings.simplefilter("always")
        kelvaro.Colony(**{k: v.format(d=inputs) for k, v in kw.items()}).close()
    _, err = batch(*[a.format(d=inputs) for a in args], "--frames", 0)
    assert [str(w.message) for w in caught] == [err.removeprefix("kelvaro-batch: ").rstrip()]
    assert caught[0].category is UserWarning and caught[0].filename == __file__


def test_a_successful_call_prints_nothing(colony, tmp_path, capfd):
    c = colony(genome=GENOME, cells=CELLS, seed=2)
    c.run(5, division=True)
    c.census(), c.levels, c.clamp, c.cells, c.signal
    files_of(c, tmp_path, "quiet")
    if kelvaro.can_render:
        c.render(size=(64, 64))
    assert capfd.readouterr() == ("", "")
