#!/usr/bin/env python3
"""End-to-end tests of the window program: the real binary in a real X server
(Xvfb, Mesa's software OpenGL), driven with real key presses (xdotool), checked
by the files it writes, its window's properties and the pixels it draws.

Usage: e2e.py --binary PATH --xprobe PATH [unittest arguments]
"""
import argparse
import glob
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

BINARY = None
XPROBE = None
DISPLAY = None
XVFB = None

SKY = (153, 204, 255)  # the clear colour 0.6, 0.8, 1.0
RED = (255, 0, 0)  # axis markers, type 2
YELLOW = (255, 255, 0)  # type 1
BLUE = (0, 0, 255)  # types 3 and 4
ORANGE = (255, 120, 0)  # type 6
GREEN = (0, 255, 100)  # type 11


def env():
    e = dict(os.environ)
    e["DISPLAY"] = DISPLAY
    e.setdefault("LIBGL_ALWAYS_SOFTWARE", "1")
    return e


def run(*args, check=True):
    return subprocess.run(args, env=env(), check=check, capture_output=True, text=True).stdout


def wait_until(what, predicate, timeout=20.0, step=0.05):
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() > deadline:
            raise AssertionError("timed out waiting for " + what)
        time.sleep(step)


def colony(records):
    """Cell-list text for records given in lattice coordinates (the reload adds 40 to x and y)."""
    return "".join("%d %d %d %d\n" % (t, x - 40, y - 40, z) for t, x, y, z in records)


class Image:
    def __init__(self, ppm):
        # Binary PPM: "P6\n<w> <h>\n<max>\n" then RGB bytes.
        parts = ppm.split(b"\n", 3)
        assert parts[0] == b"P6", parts[0]
        self.width, self.height = map(int, parts[1].split())
        self.data = parts[3]
        assert len(self.data) >= self.width * self.height * 3

    def pixel(self, x, y):
        i = (y * self.width + x) * 3
        return tuple(self.data[i : i + 3])

    def count(self, rgb):
        target = bytes(rgb)
        n = 0
        d = self.data
        for i in range(0, self.width * self.height * 3, 3):
            if d[i : i + 3] == target:
                n += 1
        return n


class Session:
    """One run of the program in a scratch working folder."""

    def __init__(self, files=None):
        self.dir = tempfile.mkdtemp(prefix="kelvaro-e2e-")
        for name, text in (files or {}).items():
            with open(os.path.join(self.dir, name), "w") as f:
                f.write(text)
        self.proc = subprocess.Popen([BINARY], cwd=self.dir, env=env(),
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            self.window = wait_until("the window", self._find_window)
            wait_until("the first frame", lambda: self.shot().count(SKY) > 1000)
        except BaseException:
            self.finish()
            raise

    def _find_window(self):
        out = run("xdotool", "search", "--onlyvisible", "--classname", "TALVEN", check=False).split()
        return out[0] if out else None

    def path(self, name):
        return os.path.join(self.dir, name)

    def read(self, name):
        with open(self.path(name)) as f:
            return f.read()

    def key(self, *names):
        for name in names:
            run("xdotool", "key", name)
            time.sleep(0.25)  # longer than the poll's own pause after a key

    def shot(self):
        for attempt in range(50):
            r = subprocess.run(["import", "-window", str(self.window), "-depth", "8", "ppm:-"],
                               env=env(), capture_output=True)
            if r.returncode == 0:
                return Image(r.stdout)
            time.sleep(0.1)  # the window may not be viewable yet
        raise AssertionError("cannot take a screenshot: " + r.stderr.decode())

    def wait_colour(self, rgb, at_least=1, timeout=20.0):
        return wait_until("colour %s" % (rgb,), lambda: self.shot().count(rgb) >= at_least, timeout)

    def wait_no_colour(self, rgb, timeout=20.0):
        return wait_until("no colour %s" % (rgb,), lambda: self.shot().count(rgb) == 0 or None, timeout)

    def save(self):
        """Presses P and returns the saved records as lists of four integers."""
        target = self.path("list.txt")
        if os.path.exists(target):
            os.remove(target)
        self.key("p")
        wait_until("list.txt", lambda: os.path.exists(target))
        return [list(map(int, line.split())) for line in self.read("list.txt").splitlines()]

    def reload(self, settled_colour):
        self.key("space")
        wait_until("dedug.tmp", lambda: os.path.exists(self.path("dedug.tmp")))
        self.wait_colour(settled_colour)

    def close(self):
        if self.proc.poll() is None:
            run(XPROBE, "close", str(self.window), check=False)
            try:
                return self.proc.wait(timeout=20)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()
                raise
        return self.proc.returncode

    def finish(self):
        try:
            if self.proc.poll() is None:
                self.proc.kill()
                self.proc.wait()
        finally:
            shutil.rmtree(self.dir, ignore_errors=True)


class ProgramTest(unittest.TestCase):
    files = None

    def setUp(self):
        self.s = Session(self.files)
        self.addCleanup(self.s.finish)


class Window(ProgramTest):
    def test_title_class_and_size(self):
        name = run("xprop", "-id", self.s.window, "WM_NAME")
        self.assertIn('"Kelvaro v0.24 https://', name)
        self.assertIn('WM_CLASS(STRING) = "TALVEN", "TALVEN"', run("xprop", "-id", self.s.window, "WM_CLASS"))
        geometry = run("xdotool", "getwindowgeometry", self.s.window)
        self.assertIn("1000x600", geometry)

    def test_sky_and_axis_markers_which_m_hides(self):
        img = self.s.shot()
        self.assertEqual(img.pixel(900, 50), SKY)
        self.assertGreater(img.count(RED), 100)
        self.s.key("m")
        self.s.wait_no_colour(RED)
        self.s.key("m")
        self.s.wait_colour(RED, 100)

    def test_save_at_start_writes_the_seed(self):
        self.s.save()
        self.assertEqual(self.s.read("list.txt"), "1 20 20 50\n")

    def test_escape_shows_and_hides_the_cursor(self):
        def cursor_after_move():
            run("xdotool", "mousemove", "--window", self.s.window, "100", "100")
            time.sleep(0.2)
            return run(XPROBE, "cursor").strip()

        self.assertEqual(cursor_after_move(), "0")  # mouse look: hidden and captured
        self.s.key("Escape")
        self.assertEqual(cursor_after_move(), "1")
        self.assertIn("x:100 y:100", run("xdotool", "getmouselocation"))
        self.s.key("Escape")
        self.assertEqual(cursor_after_move(), "0")

    def test_closing_the_window_ends_the_program_with_code_0(self):
        self.assertEqual(self.s.close(), 0)


class Overlay(ProgramTest):
    def test_f1_shows_the_overlay_and_a_second_f1_restores_the_view_exactly(self):
        before = self.s.shot()
        self.s.key("F1")
        shown = wait_until("the overlay", lambda: (lambda img: img if img.data != before.data else None)(self.s.shot()))
        # The panels darken the sky where they stand.
        self.assertLess(shown.count(SKY), before.count(SKY) - 20000)
        self.s.key("F1")
        wait_until("the view restored pixel for pixel", lambda: self.s.shot().data == before.data)

    def test_f12_saves_the_view_as_a_png(self):
        self.s.key("F12")
        names = wait_until("the PNG", lambda: glob.glob(self.s.path("kelvaro-*.png")))
        self.assertEqual(len(names), 1)
        self.assertRegex(os.path.basename(names[0]), r"^kelvaro-\d{6}\.png$")
        png = Image(subprocess.run(["convert", names[0], "-depth", "8", "ppm:-"],
                                   check=True, capture_output=True).stdout)
        self.assertEqual((png.width, png.height), (1000, 600))
        self.assertEqual(png.data[: 1000 * 600 * 3], self.s.shot().data[: 1000 * 600 * 3])
        # No temporary file is left beside it.
        self.assertEqual([n for n in os.listdir(self.s.dir) if n.startswith("kelvaro-")],
                         [os.path.basename(names[0])])


# A spread of cells of three colours on the floor, in view of the start camera.
COLOURED = [(t, x, y, 1) for i, (x, y) in enumerate((x, y) for x in range(16, 30, 2) for y in range(3, 17, 2))
            for t in [(3, 6, 11)[i % 3]]]


class Reload(ProgramTest):
    files = {"dna.vdna": "# no genes\n", "list.txt": colony(COLOURED)}

    def test_space_loads_genome_and_colony_and_draws_type_colours(self):
        self.s.reload(BLUE)
        self.assertEqual(self.s.read("dedug.tmp").splitlines()[0], "0/1 ")
        img = self.s.shot()
        for colour in (BLUE, ORANGE, GREEN):
            self.assertGreater(img.count(colour), 20, colour)
        self.assertEqual(len(self.s.save()), len(COLOURED))


# Isolated cells: every one has all six neighbours free.
ISOLATED = [(3, x, y, 5) for x in range(16, 30, 4) for y in range(3, 17, 4)]


class Division(ProgramTest):
    files = {"dna.vdna": "EN=3;EN=3;MPF=1\n", "list.txt": colony(ISOLATED)}

    def test_return_doubles_a_free_colony(self):
        self.s.reload(BLUE)
        self.s.key("Return")
        time.sleep(0.3)
        self.assertEqual(len(self.s.save()), 2 * len(ISOLATED))

    def test_v_lets_division_genes_grow_the_colony(self):
        self.s.reload(BLUE)
        self.s.key("v")
        wait_until("growth", lambda: len(self.s.save()) > 2 * len(ISOLATED), timeout=30)


class Gravity(ProgramTest):
    files = {"dna.vdna": "\n", "list.txt": colony([(2, 20, 8, 30)])}

    def test_g_lets_a_lifted_cell_fall_to_the_floor(self):
        self.s.key("space")
        wait_until("the reload", lambda: os.path.exists(self.s.path("dedug.tmp")))
        time.sleep(0.3)
        self.assertEqual(self.s.save(), [[2, 20, 8, 30]])
        self.s.key("g")
        wait_until("the fall", lambda: self.s.save()[0][3] == 1, timeout=30)
        self.assertEqual(self.s.save()[0][:3], [2, 20, 8])


# Undifferentiated cells on one side, blue ones on the other.
MIXED = [(1, x, y, 1) for x in range(16, 22) for y in range(4, 8)] + \
        [(3, x, y, 1) for x in range(24, 30) for y in range(4, 8)]


class Filters(ProgramTest):
    files = {"dna.vdna": "# none\n", "list.txt": colony(MIXED)}

    def test_l_hides_type_one_and_digits_isolate_a_type(self):
        self.s.reload(BLUE)
        self.s.wait_colour(YELLOW, 20)
        self.s.key("l")
        self.s.wait_no_colour(YELLOW)
        self.assertGreater(self.s.shot().count(BLUE), 20)
        self.s.key("l")
        self.s.wait_colour(YELLOW, 20)
        # A digit turns isolate mode on: only the type equal to show_len (1) is drawn.
        self.s.key("5")
        self.s.wait_no_colour(BLUE)
        self.assertGreater(self.s.shot().count(YELLOW), 20)
        # With type 1 hidden too, nothing is drawn; the simulation goes on.
        self.s.key("l")
        self.s.wait_no_colour(YELLOW)
        self.assertEqual(self.s.shot().count(BLUE), 0)
        self.s.key("0", "l")
        self.s.wait_colour(BLUE, 20)
        self.s.wait_colour(YELLOW, 20)


def main():
    global BINARY, XPROBE, DISPLAY, XVFB
    parser = argparse.ArgumentParser()
    parser.add_argument("--binary", required=True)
    parser.add_argument("--xprobe", required=True)
    args, rest = parser.parse_known_args()
    BINARY, XPROBE = os.path.abspath(args.binary), os.path.abspath(args.xprobe)
    read_fd, write_fd = os.pipe()
    XVFB = subprocess.Popen(["Xvfb", "-displayfd", str(write_fd), "-screen", "0", "1280x1024x24",
                             "-nolisten", "tcp", "-noreset"], pass_fds=(write_fd,),
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write_fd)
    with os.fdopen(read_fd) as f:
        DISPLAY = ":" + f.readline().strip()
    try:
        result = unittest.main(argv=[sys.argv[0]] + rest, exit=False, verbosity=2).result
    finally:
        XVFB.terminate()
        XVFB.wait()
    sys.exit(0 if result.wasSuccessful() else 1)


if __name__ == "__main__":
    main()
