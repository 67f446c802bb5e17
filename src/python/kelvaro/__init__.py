"""Kelvaro from Python: grow a colony with kelvaro-batch's own run loop and
read it as NumPy arrays.

    import kelvaro
    with kelvaro.Colony(genome="dna.vdna", cells="list.txt", seed=42) as c:
        c.run(100, division=True)
        c.cells     # (n, 4) int32 view: x, y, z, type
        c.signal    # (202, 202, 202, 20) int32 view of the signal field

One colony per process; see help(kelvaro.Colony) and docs/python.md.
kelvaro.check_genome(text) says what a genome text does.
"""
from ._kelvaro import TYPE, X, Y, Z, Colony, __version__, can_render, check_genome

__all__ = ["Colony", "X", "Y", "Z", "TYPE", "can_render", "check_genome", "__version__"]
