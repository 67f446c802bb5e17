#!/usr/bin/env python3
"""The embryo page's size and speed (docs/performance.md, "The embryo page").

  page_bench.py [--build build] [--rounds 5] [--seconds 5] [--grow]

Size: what one frame of 200,000 cells adds to a page (kelvaro-batch --html of
gl_fps.py's 200,000-cell block against the page of an empty colony); with
--grow also the example embryo grown 3000 frames with division, every 30th
frame in the page (slow: the run itself takes minutes).

Speed, in headless Chromium with software WebGL (the browser tests' options):
the time from the start of loading to the first drawing of the 200,000-cell
page, and the frame rate while the camera orbits it, against page_bare.html,
three.js drawing the same round points with nothing else (and, for scale, the
same with square points, which need no alpha test). The pages take turns in
one browser, --rounds times each and in alternating order, so that the
machine's load hits them alike; each orbit follows a one-second one that is
not counted. Medians and ranges, and the page's rate over the bare page's,
pair by pair.
"""
import argparse
import base64
import os
import pathlib
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

import numpy as np

HERE = pathlib.Path(__file__).resolve().parent
ROOT = HERE.parent
sys.path.insert(0, str(HERE))
sys.path.insert(0, str(ROOT / "tests" / "python"))
from gl_fps import block  # noqa: E402

THREE = pathlib.Path("/usr/share/javascript/three/three.min.js")
TYPE_RGB = {2: (255, 0, 0), 3: (0, 0, 255), 4: (0, 0, 255), 5: (255, 0, 255), 6: (255, 120, 0),
            7: (255, 255, 255), 8: (0, 0, 0), 9: (55, 55, 255)}  # the block's types 2..9


def batch(build, *args):
    subprocess.run([str(build / "src" / "batch" / "kelvaro-batch"), "--quiet", *map(str, args)],
                   check=True)


def bare_page(cells_text, out, round_points=True):
    """page_bare.html with three.js and the block's points (after the load's +40 shift)."""
    rows = np.array([list(map(int, r.split())) for r in cells_text.splitlines()])
    xyz = np.stack([rows[:, 1] + 40, rows[:, 2] + 40, rows[:, 3]], 1).astype(np.float32)
    rgb = np.array([TYPE_RGB[t] for t in rows[:, 0]], np.uint8)
    page = (HERE / "page_bare.html").read_text()
    page = page.replace("@XYZ@", base64.b64encode(xyz.tobytes()).decode())
    page = page.replace("@RGB@", base64.b64encode(rgb.tobytes()).decode())
    page = page.replace("@ROUND@", "true" if round_points else "false")
    out.write_text(page.replace("@THREE@", THREE.read_text()))


def sizes(build, folder, grow):
    (folder / "none.txt").write_text("")
    batch(build, "--cells", folder / "none.txt", "--frames", 0, "--html", folder / "empty.html")
    base = (folder / "empty.html").stat().st_size
    one = (folder / "block.html").stat().st_size - base
    print("one frame of 200,000 cells adds %.3f MB (%d bytes; an empty page is %d bytes)"
          % (one / 1e6, one, base))
    if grow:
        t0 = time.monotonic()
        batch(build, "--genome", ROOT / "examples" / "dna.vdna", "--cells",
              ROOT / "examples" / "list.txt", "--frames", 3000, "--division", "--html",
              folder / "grow.html", "--html-every", 30, "--stats", folder / "grow.csv")
        last = (folder / "grow.csv").read_text().splitlines()[-1].split(",")
        print("the example grown 3000 frames, every 30th: %.2f MB, %s cells at the end (%.0f s)"
              % ((folder / "grow.html").stat().st_size / 1e6, last[1], time.monotonic() - t0))


def measure(driver, path, seconds):
    """First drawing (ms after the load began) and the orbit's frames per second."""
    driver.get(path.as_uri())
    from selenium.webdriver.support.ui import WebDriverWait
    WebDriverWait(driver, 120).until(lambda d: d.execute_script(
        "return document.body && document.body.dataset.frameDrawn"))
    first = float(driver.execute_script("return document.body.dataset.firstDrawMs"))
    orbit = "kelvaroPage.orbit(arguments[0]).then(arguments[arguments.length - 1])"
    driver.execute_async_script(orbit, 1000)  # the load's garbage collected, the shaders warm
    return first, driver.execute_async_script(orbit, seconds * 1000)


def summary(values, unit, digits=1):
    return "%.*f%s (%.*f to %.*f)" % (digits, statistics.median(values), unit, digits, min(values),
                                       digits, max(values))


def speeds(folder, rounds, seconds):
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service
    from test_page import CHROMIUM, SIZE
    opts = webdriver.ChromeOptions()
    for a in CHROMIUM + ["--user-data-dir=%s" % (folder / "profile")]:
        opts.add_argument(a)
    driver = webdriver.Chrome(service=Service(shutil.which("chromedriver")), options=opts)
    driver.set_script_timeout(seconds + 120)
    driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride", dict(
        width=SIZE[0], height=SIZE[1], deviceScaleFactor=1, mobile=False))
    got = {"page": [], "bare": [], "bare, square points": []}
    pages = ("block.html", "bare.html", "square.html")
    try:
        for r in range(rounds):
            # Each round in the other order, so that neither page always follows the same one.
            for name, page in list(zip(got, pages))[::1 if r % 2 == 0 else -1]:
                got[name].append(measure(driver, folder / page, seconds))
    finally:
        driver.quit()
    for name, runs in got.items():
        print("%s: first drawing %s, orbit %s" % (
            name, summary([r[0] for r in runs], " ms"), summary([r[1] for r in runs], " frames/s")))
    ratios = [p[1] / b[1] for p, b in zip(got["page"], got["bare"])]
    print("orbit rate, page / bare, pair by pair: %s; of the medians %.2f" % (
        summary(ratios, "", 2), statistics.median([r[1] for r in got["page"]]) /
        statistics.median([r[1] for r in got["bare"]])))


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--build", default=str(ROOT / "build"))
    ap.add_argument("--rounds", type=int, default=5)
    ap.add_argument("--seconds", type=float, default=5)
    ap.add_argument("--grow", action="store_true")
    args = ap.parse_args()
    build = pathlib.Path(args.build).resolve()
    with tempfile.TemporaryDirectory() as tmp:
        folder = pathlib.Path(tmp)
        cells = block(200000)
        (folder / "block.txt").write_text(cells)
        batch(build, "--cells", folder / "block.txt", "--frames", 0, "--html",
              folder / "block.html")
        bare_page(cells, folder / "bare.html")
        bare_page(cells, folder / "square.html", round_points=False)
        sizes(build, folder, args.grow)
        print("load average before the browser: %.2f %.2f %.2f" % os.getloadavg())
        speeds(folder, args.rounds, args.seconds)
        print("load average after: %.2f %.2f %.2f" % os.getloadavg())


if __name__ == "__main__":
    main()
