"""Colony.render draws what kelvaro-batch's picture of the same frame shows,
pixel for pixel."""
import struct
import zlib

import numpy as np
import pytest

import kelvaro
from conftest import CELLS, GENOME, batch

pytestmark = pytest.mark.skipif(not kelvaro.can_render, reason="built without rendering")


def read_png(path):
    """The RGB pixels of one of kelvaro-batch's PNGs: unfiltered rows."""
    data = path.read_bytes()
    pos, idat, size = 8, b"", None
    while pos < len(data):
        n, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + n]
        if kind == b"IHDR":
            size = struct.unpack(">II", body[:8])
        elif kind == b"IDAT":
            idat += body
        pos += 12 + n
    w, h = size
    rows = np.frombuffer(zlib.decompress(idat), np.uint8).reshape(h, 1 + 3 * w)
    assert not rows[:, 0].any(), "filter bytes"
    return rows[:, 1:].reshape(h, w, 3)


@pytest.mark.parametrize("kw, args", [
    (dict(size=(160, 96), axes=True, hide=[1, 5]), ["--camera", "auto", "--axes",
                                                    "--hide-types", "1,5"]),
    (dict(size=(128, 80), camera=(55, 0, 40, 50, 0), heat=2), ["--camera", "55,0,40,50,0",
                                                                "--heat", "2"]),
    (dict(size=(96, 96), camera=(55.0, 20.5, 30.0, 60.0, 0.0), slice=("z", 10, 2), show_len=3),
     ["--camera", "55,20.5,30,60,0", "--slice", "z:10:2", "--show-len", "3"]),
])
def test_render_is_the_batch_picture(colony, tmp_path, kw, args):
    c = colony(genome=GENOME, cells=CELLS, seed=4)
    c.run(12, division=True)
    w, h = kw["size"]
    batch("--genome", GENOME, "--cells", CELLS, "--seed", 4, "--frames", 12, "--division",
          "--render-every", 12, "--render-dir", tmp_path, "--render-size", "%dx%d" % (w, h), *args)
    picture = c.render(**kw)
    assert picture.shape == (h, w, 3) and picture.dtype == np.uint8
    assert len(np.unique(picture.reshape(-1, 3), axis=0)) > 2, "cells on the sky"
    assert (picture == read_png(tmp_path / "cells-000012.png")).all()
