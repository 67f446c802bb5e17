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
gives its genes as the loader reads them. In a notebook a Colony shows itself as
the page of Colony.to_html. kelvaro.AXIS is the lattice's sites per axis;
START_GLUEDS and START_SIGNAL are the per-type tables before a genome sets them.
"""
import html as _html
import os as _os
import tempfile as _tempfile

from ._kelvaro import (AXIS, START_GLUEDS, START_SIGNAL, TYPE, TYPE_COLOURS, X, Y, Z, Colony,
                       Page, __version__, can_render, check_genome, read_genes, type_colour)

__all__ = ["Colony", "Page", "AXIS", "X", "Y", "Z", "TYPE", "TYPE_COLOURS", "type_colour",
           "START_GLUEDS", "START_SIGNAL",
           "can_render", "check_genome", "read_genes", "__version__"]


def _repr_html_(self):
    """The colony's page (Colony.to_html) in an iframe whose srcdoc holds it, so
    that its script runs apart from the notebook's; None for a closed colony."""
    if self.closed:
        return None
    with _tempfile.TemporaryDirectory() as folder:
        path = _os.path.join(folder, "colony.html")
        self.to_html(path)
        with open(path, encoding="utf-8", errors="replace") as f:
            page = f.read()
    return ('<iframe title="Kelvaro colony" sandbox="allow-scripts" '
            'style="width: 100%%; height: 520px; border: 0" srcdoc="%s"></iframe>'
            % _html.escape(page, quote=True))


Colony._repr_html_ = _repr_html_
