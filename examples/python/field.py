#!/usr/bin/env python3
"""Shows one channel of the signal field on a plane through the colony, as an
image (matplotlib): the field is read straight from the running simulation
(Colony.signal, a view, no copy).

  field.py [--frames 200] [--channel 2] [--axis z] [--at N] [--seed 1] [--genome G]
           [--cells L] [--out field.png]

The plane goes through the middle of the colony unless --at names a layer.
"""
import argparse
import os

import numpy as np

import kelvaro

EXAMPLES = os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir)
AXES = {"x": kelvaro.X, "y": kelvaro.Y, "z": kelvaro.Z}


def plane(c, axis, at, channel):
    """The channel's levels on the plane, cropped to the colony with a margin;
    the crop's first corner; the plane's two axes."""
    k = AXES[axis]
    field = np.take(c.signal[..., channel], at, axis=k)  # still a view
    others = [a for a in (kelvaro.X, kelvaro.Y, kelvaro.Z) if a != k]
    lo = np.maximum(c.cells[:, others].min(axis=0) - 5, 0)
    hi = np.minimum(c.cells[:, others].max(axis=0) + 6, 202)
    return field[lo[0]:hi[0], lo[1]:hi[1]], lo, others


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("--frames", type=int, default=200)
    ap.add_argument("--channel", type=int, default=2, help="0 to 19 (2: an end cap's signal)")
    ap.add_argument("--axis", choices="xyz", default="z")
    ap.add_argument("--at", type=int, help="the layer (default: the middle of the colony)")
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--genome", default=os.path.join(EXAMPLES, "dna.vdna"))
    ap.add_argument("--cells", default=os.path.join(EXAMPLES, "list.txt"))
    ap.add_argument("--out", default="field.png")
    args = ap.parse_args()
    if not 0 <= args.channel < 20:
        ap.error("--channel is 0 to 19")

    import matplotlib
    matplotlib.use("Agg")
    import matplotlib.pyplot as plt
    with kelvaro.Colony(genome=args.genome, cells=args.cells, seed=args.seed) as c:
        c.run(args.frames, division=True)
        at = args.at if args.at is not None else int(np.median(c.cells[:, AXES[args.axis]]))
        levels, lo, others = plane(c, args.axis, at, args.channel)
        fig, ax = plt.subplots(figsize=(7, 6))
        # The field lives where the cells are: the picture is the colony's
        # section, coloured by level. Rows are the plane's second axis.
        im = ax.imshow(levels.T, origin="lower", cmap="magma",
                       extent=(lo[0] - 0.5, lo[0] + levels.shape[0] - 0.5,
                               lo[1] - 0.5, lo[1] + levels.shape[1] - 0.5))
        names = "xyz"
        ax.set_xlabel(names[others[0]])
        ax.set_ylabel(names[others[1]])
        ax.set_title("Channel %d on %s = %d at frame %d" % (args.channel, args.axis, at, c.frame))
        fig.colorbar(im, ax=ax, label="level")
        fig.tight_layout()
        fig.savefig(args.out, dpi=100)
        print("field.py: channel %d, %s = %d, highest level %d -> %s"
              % (args.channel, args.axis, at, levels.max(), args.out))


if __name__ == "__main__":
    main()
