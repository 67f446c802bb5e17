"""The files of a search folder, each written under a temporary name and
renamed when whole: best.vdna, kelvaro.ckpt, search.csv, front.csv and front/,
progress.png, best-GGGG.png and best.html (with --pictures); the state is
statefile.py's."""
import csv
import io
import os
import warnings

import kelvaro

CSV_COLUMNS = ["generation", "evaluations", "best", "median", "worst", "best_genes", "unique",
               "failures", "elapsed_s", "evaluations_per_s"]
# The columns that differ between two runs of the same search.
TIME_COLUMNS = ("elapsed_s", "evaluations_per_s")


def write_atomic(path, data):
    """Writes bytes or text to `path` through a temporary name in the same folder."""
    tmp = "%s.tmp-%d" % (path, os.getpid())
    with open(tmp, "wb") as f:
        f.write(data.encode() if isinstance(data, str) else data)
        f.flush()
        os.fsync(f.fileno())
    os.replace(tmp, path)


def write_csv(folder, rows):
    """search.csv: one row per generation."""
    out = io.StringIO()
    w = csv.DictWriter(out, CSV_COLUMNS, lineterminator="\n")
    w.writeheader()
    for row in rows:
        w.writerow({k: ("%.6f" % row[k] if isinstance(row[k], float) else row[k])
                    for k in CSV_COLUMNS})
    write_atomic(os.path.join(folder, "search.csv"), out.getvalue())


def write_front(folder, front):
    """front.csv and front/NN.vdna: the Pareto front, fewest genes first."""
    sub = os.path.join(folder, "front")
    os.makedirs(sub, exist_ok=True)
    names = set()
    out = io.StringIO()
    out.write("score,genes,file\n")
    for i, (text, score, genes) in enumerate(front):
        name = "front/%02d.vdna" % i
        names.add(os.path.basename(name))
        write_atomic(os.path.join(folder, name), "# score %.6f, %d genes\n%s" % (score, genes, text))
        out.write("%.6f,%d,%s\n" % (score, genes, name))
    for old in os.listdir(sub):
        if old.endswith(".vdna") and old not in names:
            os.remove(os.path.join(sub, old))
    write_atomic(os.path.join(folder, "front.csv"), out.getvalue())


def best_text(best, command):
    """best.vdna: comment lines on the best, then its genes."""
    return ("# kelvaro-search best: score %.6f, %d genes\n"
            "# found in generation %d, after %d evaluations\n"
            "# command: %s\n%s" % (best["score"], best["genes"], best["generation"],
                                   best["evaluations"], command, best["text"]))


def write_best(folder, best, run, command):
    """best.vdna and kelvaro.ckpt: the best's start state (start colony, its genome on
    a fresh program's tables, frame 0, the switches) for F9 and --resume."""
    write_atomic(os.path.join(folder, "best.vdna"), best_text(best, command))
    with warnings.catch_warnings():
        warnings.simplefilter("ignore")
        with kelvaro.Colony(genome_text=best["text"], cells=run["start"], seed=best["seeds"][0],
                            shift=run["shift"]) as c:
            c.run(0, division=run["division"], gravity=run["gravity"])
            c.checkpoint(os.path.join(folder, "kelvaro.ckpt"))


def write_progress(folder, rows):
    """progress.png: the best and median score by generation."""
    import matplotlib
    matplotlib.use("Agg")
    from matplotlib.figure import Figure
    from matplotlib.ticker import MaxNLocator
    fig = Figure(figsize=(6, 3.5), dpi=100)
    ax = fig.subplots()
    gens = [r["generation"] for r in rows]
    ax.plot(gens, [r["best"] for r in rows], label="best")
    ax.plot(gens, [r["median"] for r in rows], label="median")
    ax.xaxis.set_major_locator(MaxNLocator(integer=True))  # whole generations only
    ax.set_xlabel("generation")
    ax.set_ylabel("score")
    ax.legend(loc="lower right")
    fig.tight_layout()
    out = io.BytesIO()
    fig.savefig(out, format="png")
    write_atomic(os.path.join(folder, "progress.png"), out.getvalue())


def write_page(folder, best, run, target_path):
    """best.html: the best's grown colony and the target, switchable in one page."""
    with warnings.catch_warnings():
        warnings.simplefilter("ignore")
        with kelvaro.Page(os.path.join(folder, "best.html"),
                          genome_text=best_text(best, run["command"]),
                          command=run["command"]) as page:
            with kelvaro.Colony(genome_text=best["text"], cells=run["start"],
                                seed=best["seeds"][0], shift=run["shift"]) as c:
                c.run(run["frames"], division=run["division"], gravity=run["gravity"])
                page.add(c, "best of generation %d" % best["generation"])
            with kelvaro.Colony(cells=target_path, shift=0) as c:
                page.add(c, "target")


def write_picture(folder, best, run, target_path):
    """best-GGGG.png: the best's grown colony beside the target, from one camera."""
    import numpy as np
    import matplotlib
    matplotlib.use("Agg")
    import matplotlib.image
    with warnings.catch_warnings():
        warnings.simplefilter("ignore")
        with kelvaro.Colony(genome_text=best["text"], cells=run["start"], seed=best["seeds"][0],
                            shift=run["shift"]) as c:
            c.run(run["frames"], division=run["division"], gravity=run["gravity"])
            grown = c.render(size=(600, 450), camera=None)
        with kelvaro.Colony(cells=target_path, shift=0) as c:
            target = c.render(size=(600, 450), camera=None)
    out = io.BytesIO()
    matplotlib.image.imsave(out, np.hstack([grown, target]), format="png")
    write_atomic(os.path.join(folder, "best-%04d.png" % best["generation"]), out.getvalue())
