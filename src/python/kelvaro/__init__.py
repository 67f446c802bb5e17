"""Kelvaro from Python: grow a colony with kelvaro-batch's own run loop and
read it as NumPy arrays.

    import kelvaro
    with kelvaro.Colony(genome="dna.vdna", cells="list.txt", seed=42) as c:
        c.run(100, division=True)
        c.cells     # (n, 4) int32 view: x, y, z, type
        c.signal    # (202, 202, 202, 20) int32 view of the signal field

One colony per process (a new one replaces a live one); see help(kelvaro.Colony)
and docs/python.md. kelvaro.type_colour(t) is the window's colour of a type;
kelvaro.check_genome(text) says what a genome text does; kelvaro.read_genes(text)
gives its genes as the loader reads them.
"""
from ._kelvaro import (TYPE, TYPE_COLOURS, X, Y, Z, Colony, __version__, can_render,
                       check_genome, read_genes, type_colour)

__all__ = ["Colony", "X", "Y", "Z", "TYPE", "TYPE_COLOURS", "type_colour", "can_render",
           "check_genome", "read_genes", "__version__"]
