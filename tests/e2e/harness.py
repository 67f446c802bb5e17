"""The harness of the end-to-end tests: the real window program in a real X
server (Xvfb, Mesa's software OpenGL), driven with real key presses (xdotool),
checked by the files it writes, its window's properties and the pixels it draws.

A test file imports this module, defines unittest cases on SessionTest (one
program run per class, its steps in the order of their names), and ends with
harness.main(), which takes
--binary PATH --xprobe PATH and starts one Xvfb for the whole file.
"""
import argparse
import os
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

    @classmethod
    def of_png(cls, path):
        return cls(subprocess.run(["convert", path, "-depth", "8", "ppm:-"], check=True,
                                  capture_output=True).stdout)

    def count(self, rgb, width=None):
        """Pixels of colour `rgb`, in the leftmost `width` columns (all by default)."""
        target, d, row = bytes(rgb), self.data, self.width * 3
        width = min(width or self.width, self.width)
        return sum(d[i : i + 3] == target for y in range(0, self.height * row, row)
                   for i in range(y, y + width * 3, 3))

    def centre(self, rgb):
        """The middle of the pixels of colour `rgb` (every other row and column), or None."""
        at = [(x, y) for y in range(0, self.height, 2) for x in range(0, self.width, 2)
              if self.pixel(x, y) == rgb]
        return (sum(x for x, _ in at) / len(at), sum(y for _, y in at) / len(at)) if at else None


class Session:
    """One run of the program in a scratch working folder."""

    def __init__(self, files=None, extra_env=None):
        self.dir = tempfile.mkdtemp(prefix="kelvaro-e2e-")
        # Where the panel's controls lie, kept out of the working folder.
        self.map = self.dir + ".panel"
        self.clicks = 0  # left clicks sent
        extra_env = dict(extra_env or {}, KELVARO_PANEL_MAP=self.map)
        for name, text in (files or {}).items():
            with open(os.path.join(self.dir, name), "w") as f:
                f.write(text)
        self.proc = subprocess.Popen([BINARY], cwd=self.dir, env=dict(env(), **(extra_env or {})),
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

    def tap(self, *names, hold=0.001):
        """Taps each key, held for `hold` seconds: far shorter than a slow frame."""
        for name in names:
            run("xdotool", "keydown", name, "sleep", str(hold), "keyup", name)

    def control(self, label, timeout=10.0):
        """The box (x0, y0, x1, y1) of the panel's control `label`, once shown."""
        def find():
            try:
                with open(self.map) as f:
                    rows = dict(line.rstrip("\n").split("\t") for line in f if "\t" in line)
            except FileNotFoundError:
                return None
            return tuple(map(float, rows[label].split())) if label in rows else None
        return wait_until("the panel's " + label, find, timeout)

    def click(self, *labels, dx=None):
        """Clicks the middle of each of the panel's controls in turn (or `dx`
        pixels from its left edge)."""
        for label in labels:
            x0, y0, x1, y1 = self.control(label)
            x = x0 + dx if dx is not None else (x0 + x1) / 2
            run("xdotool", "mousemove", "--window", str(self.window), str(int(x)),
                str(int((y0 + y1) / 2)))
            time.sleep(0.1)
            run("xdotool", "click", "1")
            self.clicks += 1
            # The next control is looked up in a map drawn after this click.
            wait_until("the click", lambda: self.control("Clicks seen")[0] >= self.clicks)
            time.sleep(0.3)  # longer than a toggle's pause

    def hold(self, name, seconds=0.5):
        """Holds a key down for a while, as a user flying the camera does."""
        run("xdotool", "keydown", name)
        time.sleep(seconds)
        run("xdotool", "keyup", name)
        time.sleep(0.25)

    def shot(self):
        for attempt in range(50):
            r = subprocess.run(["import", "-window", str(self.window), "-depth", "8", "ppm:-"],
                               env=env(), capture_output=True)
            if r.returncode == 0:
                return Image(r.stdout)
            time.sleep(0.1)  # the window may not be viewable yet
        raise AssertionError("cannot take a screenshot: " + r.stderr.decode())

    def steady_shot(self):
        """A screenshot once the view has caught up with the keys sent: two alike in a row."""
        last = [self.shot()]

        def same():
            now = self.shot()
            alike, last[0] = now.data == last[0].data, now
            return now if alike else None
        return wait_until("a steady view", same)

    def wait_colour(self, rgb, at_least=1, timeout=20.0, width=None):
        return wait_until("colour %s" % (rgb,), lambda: self.shot().count(rgb, width) >= at_least,
                          timeout)

    def wait_no_colour(self, rgb, timeout=20.0, width=None):
        return wait_until("no colour %s" % (rgb,),
                          lambda: self.shot().count(rgb, width) == 0 or None, timeout)

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
            if os.path.exists(self.map):
                os.remove(self.map)


class SessionTest(unittest.TestCase):
    """One run of the program for the whole class: its test steps act on the
    same window, in the order of their names (test_01_..., test_02_...)."""
    files = None
    extra_env = None  # the program's environment beyond the display's
    before_start = ()  # commands run on the display before the program starts

    @classmethod
    def setUpClass(cls):
        for command in cls.before_start:
            run(*command)
        cls.s = Session(cls.files, cls.extra_env)

    @classmethod
    def tearDownClass(cls):
        cls.s.finish()


def main(module="__main__"):
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
        result = unittest.main(module=module, argv=[sys.argv[0]] + rest, exit=False, verbosity=2).result
    finally:
        XVFB.terminate()
        XVFB.wait()
    sys.exit(0 if result.wasSuccessful() else 1)

