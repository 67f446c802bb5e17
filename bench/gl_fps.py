#!/usr/bin/env python3
"""Frame rate of the window program on software OpenGL (Mesa llvmpipe under
Xvfb), with the signal worker running: starts the frame-logging build in a
scratch folder, loads a genome and a colony with Space, and reports the median
of the per-second frame rates it prints.

  gl_fps.py --binary build/kelvaro-framelog --cells N [--genome FILE] [--seconds S]
  gl_fps.py --binary build/kelvaro-framelog --colony FILE --genome FILE
  gl_fps.py ... --overlay          (with the F1 overlay shown)
  gl_fps.py ... --compare inside   (plain view, heat map, heat map and slice)
  gl_fps.py ... --compare record   (plain view, recording with F11)
  gl_fps.py ... --compare record --without-ffmpeg   (recording to PNGs)
  gl_fps.py ... --compare panel    (plain view, the control panel open with Tab)
  gl_fps.py ... --compare overlay  (plain view, the F1 overlay)
  gl_fps.py ... --after-load "v Home" (keys pressed once after the reload: a growing
                                   embryo, whose rates --compare also gives by population)
  gl_fps.py --suite [--build build] [--seconds S] [--grow-seconds G] [--rounds R]
                                   (the drawing table: bare programs, smoothed and sprite paths)

With --compare the modes take turns in the same process, --rounds times for
--phase-seconds each, so that a change in the machine's load hits them alike;
each mode's per-second rates are pooled, and the median and range are given
with the ratio of the medians to the plain view's.

--suite runs, back to back in one X server and on the same colonies, the bare
drawing programs (kelvaro-gl-bare: smoothed points in immediate mode, from one
vertex-array call, and through the point-sprite shader), the window program
with KELVARO_POINTS=smooth and the window program as it draws by default: a
static 200,000-cell block from the start camera, the same block with Home (all
cells in view), 50,000 cells, and the example embryo growing under V. --rounds
repeats the whole sequence, so that a change in the machine's load hits every
variant alike; rates are pooled over the rounds.

With --cells N it writes a block of N cells (types 2..9 mixed, on the floor in
front of the start camera).
"""
import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time


def block(n):
    """n cells in a block in front of the start camera (lattice x from 8, y from 1, z from 1)."""
    side = max(1, round((n / 2) ** (1 / 3)))
    lines, x, y, z = [], 0, 0, 0
    while len(lines) < n:
        t = 2 + (x * 7 + y * 3 + z) % 8
        lines.append("%d %d %d %d" % (t, 8 + x - 40, 1 + y - 40, 1 + z))
        z += 1
        if z == side:
            z, y = 0, y + 1
            if y == 2 * side:
                y, x = 0, x + 1
    return "\n".join(lines) + "\n"


# The modes --compare measures: name, keys that turn it on, keys that turn it off.
COMPARE = {
    "inside": [("plain", [], []),
               ("heat map", ["F4"], ["shift+F4"]),
               ("heat map + slice", ["F4", "F6"], ["shift+F4", "F6", "F6", "F6"])],
    "record": [("plain", [], []),
               ("recording", ["F11"], ["F11"])],
    "panel": [("plain", [], []),
              ("panel open", ["Tab"], ["Tab"])],
    "overlay": [("plain", [], []),
                ("overlay (F1)", ["F1"], ["F1"])],
}


def keys(env, names):
    for name in names:
        subprocess.run(["xdotool", "key", name], env=env, check=True)
        time.sleep(0.2)


def rates_since(path, start):
    """Per-second (rate, cells) rows logged since byte `start`."""
    return [(float(r[1]), int(r[3])) for r in log_rows(path, start)]


def compare(args, env, log_path):
    modes = COMPARE[args.compare]
    pooled = {name: [] for name, _, _ in modes}
    for _ in range(args.rounds):
        for name, on, off in modes:
            keys(env, on)
            time.sleep(1.2)  # past the second in which the mode changed
            start = os.path.getsize(log_path)
            time.sleep(args.phase_seconds)
            pooled[name] += rates_since(log_path, start)
            keys(env, off)
            time.sleep(0.3)
    base = statistics.median(r for r, _ in pooled[modes[0][0]])
    for name, _, _ in modes:
        r = [rate for rate, _ in pooled[name]]
        m = statistics.median(r)
        print("%-18s median %6.1f fps  range %.1f to %.1f  (%d seconds)  %5.1f%% of plain" %
              (name, m, min(r), max(r), len(r), 100 * m / base))
    if max(c for rows in pooled.values() for _, c in rows) >= 10000:
        print("by population (median fps; the last column: the second mode against the first)")
        growth_table(pooled, ratio=True)
        paired_ratios(pooled)


def paired_ratios(pooled):
    """While the colony grows, each second of the second mode against the first
    mode's rate at the same population (interpolated between the first mode's
    seconds before and after it), by population bin: the phases alternate, so
    a bin's plain and other seconds are taken at different populations."""
    names = list(pooled)
    base = sorted((c, r) for r, c in pooled[names[0]])
    bins = {}
    for rate, cells in pooled[names[1]]:
        below = [p for p in base if p[0] <= cells]
        above = [p for p in base if p[0] >= cells]
        if not below or not above:
            continue
        (c0, r0), (c1, r1) = below[-1], above[0]
        plain = r0 if c1 == c0 else r0 + (r1 - r0) * (cells - c0) / (c1 - c0)
        bins.setdefault(cells // 10000, []).append(rate / plain)
    print("paired with the first mode at the same population: median ratio (seconds)")
    for b in sorted(bins):
        print("    %6d-%6d cells  %5.1f%%  (%d)" % (b * 10000, b * 10000 + 9999,
                                                  100 * statistics.median(bins[b]), len(bins[b])))


def start_xvfb():
    read_fd, write_fd = os.pipe()
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_fd), "-screen", "0", "1280x1024x24",
                             "-nolisten", "tcp"], pass_fds=(write_fd,),
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write_fd)
    with os.fdopen(read_fd) as f:
        env = dict(os.environ, DISPLAY=":" + f.readline().strip())
    return xvfb, env


def peak_mb(pid):
    with open("/proc/%d/status" % pid) as f:
        return int([l.split()[1] for l in f if l.startswith("VmHWM")][0]) // 1024


def log_rows(path, start):
    with open(path) as f:
        f.seek(start)
        return [line.split() for line in f if line.startswith("fps")]


def bare(build, env, mode, cells, all_in_view, seconds):
    """Per-second rates of kelvaro-gl-bare."""
    work = tempfile.mkdtemp(prefix="kelvaro-bare-")
    log_path = os.path.join(work, "fps.log")
    with open(log_path, "w") as log:
        args = [os.path.join(build, "kelvaro-gl-bare"), mode, str(cells)] + (["all"] if all_in_view else [])
        prog = subprocess.Popen(args, env=env, stderr=log)
        time.sleep(2.0)
        start = os.path.getsize(log_path)
        time.sleep(seconds)
        prog.terminate()
        prog.wait()
    rates = [float(r[1]) for r in log_rows(log_path, start)]
    shutil.rmtree(work, ignore_errors=True)
    return rates


def window(build, env, points, files, keys_after_load, seconds):
    """Per-second (rate, cells) of the frame-logging window program, its first
    frame's delay after launch and its peak resident memory."""
    work = tempfile.mkdtemp(prefix="kelvaro-fps-")
    for name, text in files.items():
        with open(os.path.join(work, name), "w") as f:
            f.write(text)
    log_path = os.path.join(work, "fps.log")
    prog_env = dict(env, KELVARO_POINTS=points)
    with open(log_path, "w") as log:
        launched = time.monotonic()
        prog = subprocess.Popen([os.path.join(build, "kelvaro-framelog")], cwd=work, env=prog_env,
                                stderr=log)
        time.sleep(1.5)
        keys(env, ["space"])
        time.sleep(2.5)  # the reload and its settling passes
        keys(env, keys_after_load)
        time.sleep(1.0)
        start = os.path.getsize(log_path)
        time.sleep(seconds)
        peak = peak_mb(prog.pid)
        prog.terminate()
        prog.wait()
    with open(log_path) as f:
        first = [float(l.split()[3]) for l in f if l.startswith("first frame at")]
    rows = [(float(r[1]), int(r[3])) for r in log_rows(log_path, start)]
    shutil.rmtree(work, ignore_errors=True)
    return rows, (first[0] - launched) * 1000 if first else float("nan"), peak


def summary(rates):
    if not rates:
        return "no rates"
    return "%6.1f fps (%.1f to %.1f, %d s)" % (statistics.median(rates), min(rates), max(rates),
                                             len(rates))


def growth_table(pooled, ratio=False):
    """The growing embryo's rates by population, in buckets of 10,000 cells;
    with `ratio`, the second column's median against the first's."""
    buckets = {}
    for name, rows in pooled.items():
        for rate, cells in rows:
            buckets.setdefault(cells // 10000, {}).setdefault(name, []).append(rate)
    names = list(pooled)
    for b in sorted(buckets):
        cols = "  ".join("%s %6.1f" % (n, statistics.median(buckets[b][n])) if n in buckets[b]
                         else "%s    -  " % n for n in names)
        if ratio and all(n in buckets[b] for n in names[:2]):
            cols += "  %5.1f%%" % (100 * statistics.median(buckets[b][names[1]]) /
                                  statistics.median(buckets[b][names[0]]))
        print("    %6d-%6d cells  %s" % (b * 10000, b * 10000 + 9999, cols))


def suite(args):
    here = os.path.dirname(os.path.abspath(__file__))
    examples = os.path.join(here, "..", "examples")
    genome = open(os.path.join(examples, "dna.vdna")).read()
    embryo = open(os.path.join(examples, "list.txt")).read()
    args.build = os.path.abspath(args.build)
    statics = [("200,000 cells, start camera", 200000, []), ("200,000 cells, all in view (Home)", 200000, ["Home"]),
               ("50,000 cells, start camera", 50000, [])]
    variants = [("bare smoothed, immediate", "smooth"), ("bare smoothed, one call", "smooth-array"),
                ("bare sprites, one call", "sprite")]
    xvfb, env = start_xvfb()
    pooled, extra = {}, {}
    try:
        for _ in range(args.rounds):
            for title, n, home in statics:
                for name, mode in variants:
                    pooled.setdefault((title, name), []).extend(
                        bare(args.build, env, mode, n, bool(home), args.seconds))
                for name, points in (("window, KELVARO_POINTS=smooth", "smooth"), ("window", "")):
                    rows, first, peak = window(args.build, env, points,
                                               {"list.txt": block(n), "dna.vdna": "\n"}, home,
                                               args.seconds)
                    pooled.setdefault((title, name), []).extend(r for r, _ in rows)
                    extra.setdefault((title, name), []).append((first, peak))
            for name, points in (("smooth", "smooth"), ("sprites", "")):
                rows, first, peak = window(args.build, env, points,
                                           {"list.txt": embryo, "dna.vdna": genome}, ["v"],
                                           args.grow_seconds)
                pooled.setdefault(("growing embryo", name), []).extend(rows)
                extra.setdefault(("growing embryo", name), []).append((first, peak))
    finally:
        xvfb.terminate()
    for title, _, _ in statics:
        print(title)
        for (t, name), rates in pooled.items():
            if t != title:
                continue
            more = extra.get((t, name))
            tail = ("  first frame %.0f ms, peak %d MB" % (statistics.median(f for f, _ in more),
                                                        max(p for _, p in more))) if more else ""
            print("  %-32s %s%s" % (name, summary(rates), tail))
        smooth = statistics.median(pooled[(title, "window, KELVARO_POINTS=smooth")])
        sprite = statistics.median(pooled[(title, "bare sprites, one call")])
        new = statistics.median(pooled[(title, "window")])
        print("  window / window smooth: %.2f   window / bare sprites: %.0f%%" %
              (new / smooth, 100 * new / sprite))
    print("growing embryo (V), median fps by population")
    growth_table({n: pooled[("growing embryo", n)] for n in ("smooth", "sprites")})
    for name in ("smooth", "sprites"):
        more = extra[("growing embryo", name)]
        print("  %s: first frame %.0f ms, peak %d MB" % (name, statistics.median(f for f, _ in more),
                                                       max(p for _, p in more)))
    return 0


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--suite", action="store_true", help="the drawing table (see above)")
    ap.add_argument("--build", default="build", help="with --suite: the build folder")
    ap.add_argument("--grow-seconds", type=float, default=60)
    ap.add_argument("--binary")
    ap.add_argument("--cells", type=int)
    ap.add_argument("--colony")
    ap.add_argument("--genome")
    ap.add_argument("--seconds", type=float, default=8)
    ap.add_argument("--overlay", action="store_true", help="show the overlay (F1) while measuring")
    ap.add_argument("--compare", choices=sorted(COMPARE), help="modes measured in turn")
    ap.add_argument("--without-ffmpeg", action="store_true",
                    help="hide ffmpeg from the program (F11 then writes PNGs)")
    ap.add_argument("--rounds", type=int, default=3)
    ap.add_argument("--after-load", default="", help="keys pressed once after the reload, as 'v Home'")
    ap.add_argument("--phase-seconds", type=float, default=4)
    args = ap.parse_args()
    if args.suite:
        return suite(args)
    if not args.binary:
        ap.error("--binary is required without --suite")
    work = tempfile.mkdtemp(prefix="kelvaro-fps-")
    xvfb, env = start_xvfb()
    try:
        if args.colony:
            shutil.copy(args.colony, os.path.join(work, "list.txt"))
        else:
            with open(os.path.join(work, "list.txt"), "w") as f:
                f.write(block(args.cells))
        if args.genome:
            shutil.copy(args.genome, os.path.join(work, "dna.vdna"))
        log = open(os.path.join(work, "fps.log"), "w")
        launched = time.monotonic()
        prog_env = dict(env, PATH="/nonexistent") if args.without_ffmpeg else env
        prog = subprocess.Popen([os.path.abspath(args.binary)], cwd=work, env=prog_env, stderr=log)
        time.sleep(1.5)
        with open(os.path.join(work, "fps.log")) as f:
            first = [float(l.split()[3]) for l in f if l.startswith("first frame at")]
        subprocess.run(["xdotool", "key", "space"], env=env, check=True)
        if args.overlay:
            subprocess.run(["xdotool", "key", "F1"], env=env, check=True)
        time.sleep(2.5)  # the reload and its settling passes
        keys(env, args.after_load.split())
        if args.compare:
            compare(args, env, os.path.join(work, "fps.log"))
            prog.terminate()
            prog.wait()
            return 0
        start = os.path.getsize(os.path.join(work, "fps.log"))
        time.sleep(args.seconds)
        with open("/proc/%d/status" % prog.pid) as f:
            peak = [l.split()[1] for l in f if l.startswith("VmHWM")][0]
        prog.terminate()
        prog.wait()
        with open(os.path.join(work, "fps.log")) as f:
            f.seek(start)
            rows = [line.split() for line in f if line.startswith("fps")]
        rates = [float(r[1]) for r in rows]
        overlay = [float(r[5]) for r in rows if len(r) > 5]
        cells = int(rows[-1][3]) if rows else 0
        print("cells %d  median %.1f fps  (per second: %s)" %
              (cells, statistics.median(rates), " ".join("%.1f" % r for r in rates)))
        if overlay:
            print("overlay %.3f ms per frame (median)" % statistics.median(overlay))
        if first:
            print("first frame %.0f ms after launch" % ((first[0] - launched) * 1000))
        print("peak resident memory %d MB" % (int(peak) // 1024))
    finally:
        xvfb.terminate()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
