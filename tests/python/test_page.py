"""The embryo page in a real browser: headless Chromium (software WebGL)
driven by Selenium opens the pages of kelvaro-batch --html, Colony.to_html and
a notebook's output cell, from file://, and reads back what they draw.

Every wait is on a condition the page sets (data-frame-drawn after each draw);
the pixels come from kelvaroPage.pixels(), which draws and reads in one go."""
import base64
import csv
import json
import shutil
import subprocess
import sys

import numpy as np
import pytest

import kelvaro
from conftest import CELLS, GENOME, ROOT, batch, child_env
from kelvaro.search.cli import main as search

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.by import By
from selenium.webdriver.support.ui import Select, WebDriverWait

# Software WebGL (SwiftShader), no network of the browser's own, a fresh profile.
CHROMIUM = ["--headless=new", "--no-sandbox", "--disable-gpu", "--use-gl=angle",
            "--use-angle=swiftshader", "--enable-unsafe-swiftshader",
            "--disable-background-networking", "--disable-component-update", "--disable-sync",
            "--no-first-run", "--disable-default-apps", "--disable-extensions"]
EXAMPLES = ROOT / "examples"
SIZE = (1000, 600)  # the batch picture's default size, the page's viewport here
# A colour may cover this share of its pixels more or fewer in the page than
# in the picture: the two rasterise a 5-pixel point and break depth ties each
# its own way (measured: within 1% for the colony below).
TOLERANCE = 0.03
EVIL = "# </script><script>window.kvOwned = 1; document.title = 'owned'</script><b>bold</b>\n"


@pytest.fixture(scope="module")
def browser(tmp_path_factory):
    opts = webdriver.ChromeOptions()
    for a in CHROMIUM + ["--user-data-dir=%s" % tmp_path_factory.mktemp("profile")]:
        opts.add_argument(a)
    opts.set_capability("goog:loggingPrefs", {"browser": "ALL", "performance": "ALL"})
    driver = webdriver.Chrome(service=Service(shutil.which("chromedriver")),
                              options=opts)
    driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride", dict(
        width=SIZE[0], height=SIZE[1], deviceScaleFactor=1, mobile=False))
    yield driver
    driver.quit()


def load(driver, path):
    """Opens a page and waits for its first drawing; the console's errors and
    the URLs the page asked for meanwhile."""
    driver.get_log("browser"), driver.get_log("performance")  # forget earlier pages
    driver.get(path.as_uri())
    WebDriverWait(driver, 30).until(lambda d: d.execute_script(
        "return document.body && document.body.dataset.frameDrawn"))
    errors = [e["message"] for e in driver.get_log("browser") if e["level"] == "SEVERE"]
    urls = [m["params"]["request"]["url"] for m in
            (json.loads(e["message"])["message"] for e in driver.get_log("performance"))
            if m["method"] == "Network.requestWillBeSent"]
    return errors, urls


def pixels(driver):
    shot = driver.execute_script("return kelvaroPage.pixels()")
    rgb = np.frombuffer(base64.b64decode(shot["rgb"]), np.uint8)
    return rgb.reshape(shot["height"], shot["width"], 3)


def colour_counts(rgb):
    """{(r, g, b): pixels} for every type colour."""
    keys = rgb.astype(np.int64) @ np.array([1 << 16, 1 << 8, 1])
    values, counts = np.unique(keys, return_counts=True)
    found = dict(zip(values.tolist(), counts.tolist()))
    colours = {r << 16 | g << 8 | b for r, g, b in kelvaro.TYPE_COLOURS.values()}
    return {c: found.get(c, 0) for c in colours}


def click(driver, css):
    driver.find_element(By.CSS_SELECTOR, css).click()


@pytest.fixture(scope="module")
def grown_page(tmp_path_factory):
    """The example embryo of seed 7 after 40 frames, every 7th cell of type 150
    (no colour of its own) and the signal marks at the commonest level: the
    batch picture from the start camera and the page of Colony.to_html, with
    the escaping case in its genome; and the same colony from kelvaro-batch
    --html-every 10 with --stats."""
    folder = tmp_path_factory.mktemp("page")
    genome, cells = folder / "genome.vdna", folder / "list.txt"
    genome.write_text(EVIL + (EXAMPLES / "dna.vdna").read_text())
    rows = [r.split() for r in (EXAMPLES / "list.txt").read_text().splitlines()]
    cells.write_text("".join("%s %s %s %s\n" % ("150" if k % 7 == 3 else t, x, y, z)
                             for k, (t, x, y, z) in enumerate(rows)))
    c = kelvaro.Colony(genome=genome, cells=cells, seed=7)
    try:
        c.run(40, division=True)
        levels, counts = np.unique(c.levels[:, 2:6], return_counts=True)
        marked = int(levels[np.argmax(np.where(levels > 0, counts, 0))])
        picture = (c.render(size=SIZE, camera=None, show_len=marked)
                   if kelvaro.can_render else None)
        c.to_html(folder / "colony.html", show_len=marked)
        c.to_html(folder / "hidden.html", hide=[1])
    finally:
        c.close()
    batch("--genome", genome, "--cells", cells, "--seed", 7, "--frames", 40, "--division",
          "--html", folder / "series.html", "--html-every", 10, "--stats", folder / "run.csv")
    return folder, picture


def test_page_draws_the_picture_offline(browser, grown_page):
    folder, picture = grown_page
    errors, urls = load(browser, folder / "colony.html")
    assert errors == []
    assert set(urls) <= {(folder / "colony.html").as_uri()}
    start = pixels(browser)
    assert start.shape == (SIZE[1], SIZE[0], 3)
    page = colour_counts(start)
    assert sum(page.values()) > 2000
    if picture is not None:
        want = colour_counts(picture)
        for colour, n in want.items():
            assert abs(page[colour] - n) <= TOLERANCE * n + 10, (hex(colour), page[colour], n)
    # The escaping case: the genome's comment is text, and nothing of it ran.
    assert browser.execute_script("return window.kvOwned") is None
    assert browser.title == "colony.html"
    assert EVIL.strip() in browser.find_element(By.ID, "kv-genome").get_attribute("textContent")

    # Unticking magenta's type (and type 150, which takes the colour of the
    # cell before it) takes magenta away; ticking them brings it back.
    magenta = 255 << 16 | 255
    assert page[magenta] > 0
    for t in (150, 5):
        click(browser, "input[data-type='%d']" % t)
    assert colour_counts(pixels(browser))[magenta] == 0
    for t in (150, 5):
        click(browser, "input[data-type='%d']" % t)
    assert np.array_equal(pixels(browser), start)

    # A drag turns the view; Home frames it the same way whatever came before.
    click(browser, "#kv-home")
    home = pixels(browser)
    assert not np.array_equal(home, start)
    canvas = browser.find_element(By.TAG_NAME, "canvas")
    # The orbit control's handlers run in the same dispatch as this listener.
    browser.execute_script("document.addEventListener('mouseup', () => { window.kvUp = 1; })")
    ActionChains(browser).move_to_element(canvas).click_and_hold().move_by_offset(
        120, 40).release().perform()
    WebDriverWait(browser, 30).until(lambda d: d.execute_script("return window.kvUp"))
    assert not np.array_equal(pixels(browser), home)
    click(browser, "#kv-home")
    assert np.array_equal(pixels(browser), home)
    click(browser, "#kv-start")
    assert np.array_equal(pixels(browser), start)


def test_hidden_types_start_unticked(browser, grown_page):
    folder, _ = grown_page
    assert load(browser, folder / "hidden.html")[0] == []
    boxes = [browser.find_element(By.CSS_SELECTOR, "input[data-type='%d']" % t) for t in (1, 150)]
    assert [b.is_selected() for b in boxes] == [False, True]
    # A hidden type 1 cell still passes yellow on to the type 150 cell after it.
    yellow = 255 << 16 | 255 << 8
    assert colour_counts(pixels(browser))[yellow] > 0
    boxes[1].click()
    assert colour_counts(pixels(browser))[yellow] == 0
    boxes[0].click()
    assert colour_counts(pixels(browser))[yellow] > 0


def test_slider_shows_each_frames_counts(browser, grown_page):
    folder, _ = grown_page
    assert load(browser, folder / "series.html")[0] == []
    with open(folder / "run.csv") as f:
        rows = {int(r["frame"]): r for r in csv.DictReader(f)}
    for k, frame in enumerate([0, 10, 20, 30, 40]):
        browser.execute_script("const s = document.getElementById('kv-slider');"
                               "s.value = arguments[0]; s.dispatchEvent(new Event('input'));", k)
        canvas = browser.find_element(By.TAG_NAME, "canvas")
        assert int(canvas.get_attribute("data-frame")) == frame
        assert int(canvas.get_attribute("data-cells")) == int(rows[frame]["cells"])
        counts = {int(b.get_attribute("data-type")): b.find_element(By.XPATH, "..").text
                  for b in browser.find_elements(By.CSS_SELECTOR, "input[data-type]")}
        for t, label in counts.items():
            want = int(rows[frame].get("type_%d" % t if t < 100 else "type_other") or 0)
            assert label.endswith("(%d)" % want), (frame, t, label)


def test_empty_colony_says_so(browser, tmp_path):
    (tmp_path / "none.txt").write_text("")
    batch("--cells", tmp_path / "none.txt", "--frames", 0, "--html", tmp_path / "e.html")
    assert load(browser, tmp_path / "e.html")[0] == []
    assert browser.find_element(By.ID, "kv-empty").text == "This page holds no cells."


def test_notebook_shows_the_page(browser, tmp_path):
    """The example notebook, executed by jupyter nbconvert: its output cell is
    the page in an iframe's srcdoc, which draws inside the browser."""
    shutil.copytree(EXAMPLES / "python", tmp_path / "python")
    for name in ("dna.vdna", "list.txt"):
        shutil.copy(EXAMPLES / name, tmp_path / name)
    subprocess.run([sys.executable, "-m", "nbconvert", "--to", "notebook", "--execute",
                    "--inplace", tmp_path / "python" / "embryo.ipynb"],
                   env=child_env(), check=True, capture_output=True, timeout=300)
    cells = json.loads((tmp_path / "python" / "embryo.ipynb").read_text())["cells"]
    shown = [o["data"]["text/html"] for c in cells for o in c.get("outputs", [])
             if "text/html" in o.get("data", {})]
    assert len(shown) == 1 and "<iframe" in "".join(shown[0])
    (tmp_path / "cell.html").write_text("".join(shown[0]))
    assert (tmp_path / "python" / "embryo.html").exists()
    browser.get((tmp_path / "cell.html").as_uri())
    browser.switch_to.frame(browser.find_element(By.TAG_NAME, "iframe"))
    WebDriverWait(browser, 30).until(lambda d: d.execute_script(
        "return document.body && document.body.dataset.frameDrawn"))
    assert "cells" in browser.find_element(By.ID, "kv-status").text
    browser.switch_to.default_content()


@pytest.mark.skipif(not kelvaro.can_render, reason="the search's pictures need rendering")
def test_search_page_switches_between_best_and_target(browser, tmp_path):
    target = tmp_path / "target.txt"
    batch("--genome", GENOME, "--cells", CELLS, "--frames", 4, "--division", "--out", target)
    assert search(["--cells", str(CELLS), "--target", str(target), "--out", str(tmp_path / "s"),
                   "--frames", "4", "--population", "4", "--generations", "1", "--quiet",
                   "--pictures"]) == 0
    assert load(browser, tmp_path / "s" / "best.html")[0] == []
    assert browser.find_element(By.ID, "kv-status").text.startswith("Frame 4 ")
    Select(browser.find_element(By.ID, "kv-series")).select_by_visible_text("target")
    cells = len(target.read_text().splitlines())
    assert browser.find_element(By.ID, "kv-status").text == "Frame 0 \u00b7 %d cells" % cells
