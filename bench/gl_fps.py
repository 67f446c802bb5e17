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

With --compare the modes take turns in the same process, --rounds times for
--phase-seconds each, so that a change in the machine's load hits them alike;
each mode's per-second rates are pooled, and the median and range are given
with the ratio of the medians to the plain view's.

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
}


def keys(env, names):
    for name in names:
        subprocess.run(["xdotool", "key", name], env=env, check=True)
        time.sleep(0.2)


def rates_since(path, start):
    with open(path) as f:
        f.seek(start)
        return [float(line.split()[1]) for line in f if line.startswith("fps")]


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
    base = statistics.median(pooled[modes[0][0]])
    for name, _, _ in modes:
        r = pooled[name]
        m = statistics.median(r)
        print("%-18s median %6.1f fps  range %.1f to %.1f  (%d seconds)  %5.1f%% of plain" %
              (name, m, min(r), max(r), len(r), 100 * m / base))


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--binary", required=True)
    ap.add_argument("--cells", type=int)
    ap.add_argument("--colony")
    ap.add_argument("--genome")
    ap.add_argument("--seconds", type=float, default=8)
    ap.add_argument("--overlay", action="store_true", help="show the overlay (F1) while measuring")
    ap.add_argument("--compare", choices=sorted(COMPARE), help="modes measured in turn")
    ap.add_argument("--without-ffmpeg", action="store_true",
                    help="hide ffmpeg from the program (F11 then writes PNGs)")
    ap.add_argument("--rounds", type=int, default=3)
    ap.add_argument("--phase-seconds", type=float, default=4)
    args = ap.parse_args()
    work = tempfile.mkdtemp(prefix="kelvaro-fps-")
    read_fd, write_fd = os.pipe()
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_fd), "-screen", "0", "1280x1024x24",
                             "-nolisten", "tcp"], pass_fds=(write_fd,),
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write_fd)
    with os.fdopen(read_fd) as f:
        env = dict(os.environ, DISPLAY=":" + f.readline().strip())
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
