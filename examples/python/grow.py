#!/usr/bin/env python3
"""Grows the example embryo and plots how many cells of each type it has,
frame by frame, into a PNG (matplotlib).

  grow.py [--frames 500] [--every 5] [--seed 1] [--genome G] [--cells L] [--out grow.png]
"""
import argparse
import os

import kelvaro

# The example genome and colony lie one folder up, in the source tree and
# when installed (share/kelvaro).
EXAMPLES = os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir)


def grow(args):
    """Frames and the census at each of them, every `every` frames."""
    frames, counts = [], []
    with kelvaro.Colony(genome=args.genome, cells=args.cells, seed=args.seed) as c:
        c.run(0, division=True)
        while True:
            frames.append(c.frame)
            counts.append(c.census())
            if c.frame >= args.frames:
                return frames, counts
            c.run(min(args.every, args.frames - c.frame))


def plot(frames, counts, path):
    import matplotlib
    matplotlib.use("Agg")  # a file, no window
    import matplotlib.pyplot as plt
    fig, ax = plt.subplots(figsize=(8, 5))
    # Each type in the window's colour for it, on grey so that white and black
    # both show; a type without a colour of its own takes matplotlib's next.
    ax.set_facecolor("0.6")
    for t in sorted(set().union(*counts)):
        rgb = kelvaro.type_colour(t)
        colour = {"color": [v / 255 for v in rgb]} if rgb else {}
        ax.plot(frames, [n.get(t, 0) for n in counts], label="type %d" % t, **colour)
    ax.plot(frames, [sum(n.values()) for n in counts], "k--", label="all cells")
    ax.set_xlabel("frame")
    ax.set_ylabel("cells")
    ax.set_title("Population of the example embryo")
    ax.legend(ncol=2, fontsize="small")
    fig.tight_layout()
    fig.savefig(path, dpi=100)


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("--frames", type=int, default=500)
    ap.add_argument("--every", type=int, default=5, help="frames between two counts")
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--genome", default=os.path.join(EXAMPLES, "dna.vdna"))
    ap.add_argument("--cells", default=os.path.join(EXAMPLES, "list.txt"))
    ap.add_argument("--out", default="grow.png")
    args = ap.parse_args()
    frames, counts = grow(args)
    plot(frames, counts, args.out)
    print("grow.py: %d frames, %d cells -> %s" % (frames[-1], sum(counts[-1].values()), args.out))


if __name__ == "__main__":
    main()
