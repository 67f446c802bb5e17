#!/usr/bin/env python3
"""End-to-end tests of looking inside the colony: pause and step, framing, the
cell inspector, the slice, the heat map and recording, each as a user sees it.
Three program sessions, each test class one session, its steps in order.

Usage: e2e_inside.py --binary PATH --xprobe PATH [unittest arguments]
"""
import glob
import os
import shutil
import subprocess
import time

import harness
from harness import BLUE, ORANGE, SKY, Image, SessionTest, colony, run, wait_until

# The heat map's colour map at its ends.
VIOLET_END, YELLOW_END = (68, 1, 84), (253, 231, 37)
# The inspector's panel stands on the right, below the F1 key legend.
PANEL = (740, 16, 990, 180)


def region_count(img, box, rgb):
    x0, y0, x1, y1 = box
    return sum(img.pixel(x, y) == rgb for x in range(x0, x1, 2) for y in range(y0, y1, 2))


class PauseStepFrameInspect(SessionTest):
    # One red cell lifted high above the floor, out of the start camera's sight.
    files = {"dna.vdna": "\n", "list.txt": colony([(2, 20, 8, 30)])}
    RED_CELL = (255, 0, 0)

    def height(self):
        return self.s.save()[0][3]

    def test_1_pause_holds_a_lifted_cell_under_gravity(self):
        self.s.key("space")
        wait_until("the reload", lambda: os.path.exists(self.s.path("dedug.tmp")))
        self.s.key("F2", "g")  # gravity is switched on while paused
        self.assertEqual(self.height(), 30)
        time.sleep(2)
        self.assertEqual(self.height(), 30)

    def test_2_each_step_moves_it_at_most_one_layer(self):
        z = self.height()
        for _ in range(20):
            self.s.key("F3")
            now = self.height()
            self.assertIn(z - now, (0, 1))
            if now < z:
                break
        self.assertLess(now, 30, "twenty steps and it never fell")

    def test_3_home_brings_the_cell_into_the_middle_of_the_view(self):
        self.s.key("m")  # the axis markers are red too
        self.s.wait_no_colour(self.RED_CELL)
        self.s.key("Home")
        self.s.wait_colour(self.RED_CELL, 5)
        x, y = self.s.shot().centre(self.RED_CELL)
        self.assertLess(abs(x - 500), 60)
        self.assertLess(abs(y - 300), 60)

    def test_4_a_click_on_the_cell_shows_the_panel_and_empty_space_closes_it(self):
        before = self.s.shot()
        self.assertGreater(region_count(before, PANEL, SKY), 2000)
        self.s.key("Escape")
        x, y = before.centre(self.RED_CELL)
        run("xdotool", "mousemove", "--window", self.s.window, str(int(x)), str(int(y)), "click", "1")
        shown = wait_until("the panel", lambda: (lambda i: i if region_count(i, PANEL, SKY) < 500 else None)(self.s.shot()))
        self.assertGreater(shown.count((255, 255, 255)), 100)  # the mark and the bars
        run("xdotool", "mousemove", "--window", self.s.window, "150", "500", "click", "1")
        wait_until("the panel closed", lambda: region_count(self.s.shot(), PANEL, SKY) > 2000)

    def test_5_resuming_lets_it_fall_to_the_floor(self):
        self.s.key("F2")
        wait_until("the fall", lambda: self.height() == 1, timeout=30)


def block_with_core():
    """A 40-cube of blue cells around an 8-cube orange core: framed, the cells
    in front hide the core."""
    core = lambda x, y, z: 36 <= x <= 43 and 16 <= y <= 23 and 16 <= z <= 23
    return [(6 if core(x, y, z) else 3, x, y, z)
            for x in range(20, 60) for y in range(1, 41) for z in range(1, 41)]


class SliceHeatRecord(SessionTest):
    files = {"dna.vdna": "# no genes\n", "list.txt": colony(block_with_core())}

    def test_1_a_slice_reveals_the_core(self):
        self.s.reload(BLUE)
        self.s.key("Home")
        whole = self.s.steady_shot()
        self.s.key("F6")  # across x, through the middle
        blue = whole.count(BLUE)
        sliced = wait_until("the slice", lambda: (lambda i: i if i.count(BLUE) < blue / 3 else None)(self.s.shot()))
        self.assertGreater(sliced.count(ORANGE), 3 * whole.count(ORANGE))
        # The core lies in the middle of the slab's cross-section.
        ox, oy = sliced.centre(ORANGE)
        bx, by = sliced.centre(BLUE)
        self.assertLess(abs(ox - bx), 30)
        self.assertLess(abs(oy - by), 30)
        self.s.key("F6", "F6", "F6")  # y, z, then off
        wait_until("the whole block", lambda: self.s.shot().data == whole.data)

    def test_2_the_heat_map_recolours_and_off_restores_the_picture(self):
        before = self.s.shot()
        self.s.key("F4", "F4", "F4", "F4")  # channel 3, which the blue cells emit
        # The shell at the top of the range, the colour bar's low end, no blue left.
        recoloured = lambda i: i.count(YELLOW_END) > 2000 and i.count(VIOLET_END) > 20 and i.count(BLUE) == 0
        wait_until("the heat map", lambda: recoloured(self.s.shot()))
        self.s.key("shift+F4", "shift+F4", "shift+F4", "shift+F4")
        wait_until("the picture restored pixel for pixel", lambda: self.s.shot().data == before.data)

    def test_3_f11_records_a_playable_movie(self):
        if not shutil.which("ffmpeg") or not shutil.which("ffprobe"):
            self.skipTest("no ffmpeg")
        self.s.key("F11")
        time.sleep(1.5)
        self.s.key("F11")
        names = wait_until("the movie", lambda: glob.glob(self.s.path("kelvaro-*.mp4")))
        self.assertRegex(os.path.basename(names[0]), r"^kelvaro-\d{6}\.mp4$")
        probe = lambda: subprocess.run(
            ["ffprobe", "-v", "error", "-count_frames", "-show_entries",
             "stream=codec_name,width,height,nb_read_frames", "-of", "csv=p=0", names[0]],
            capture_output=True, text=True).stdout.strip()
        codec, width, height, frames = wait_until("a complete movie", probe).split(",")
        self.assertEqual((codec, width, height), ("h264", "1000", "600"))
        self.assertGreater(int(frames), 0)


class RecordWithoutFfmpeg(SessionTest):
    # PATH without ffmpeg: the frames go to numbered PNGs.
    files = {"dna.vdna": "# no genes\n", "list.txt": colony([(3, 20, 8, 1)])}
    extra_env = {"PATH": "/nonexistent"}

    def test_f11_writes_numbered_pngs(self):
        self.s.key("F11")
        time.sleep(1)
        self.s.key("F11")
        folders = wait_until("the folder", lambda: glob.glob(self.s.path("kelvaro-*")))
        self.assertRegex(os.path.basename(folders[0]), r"^kelvaro-\d{6}$")
        time.sleep(0.5)
        pngs = sorted(os.listdir(folders[0]))
        self.assertGreater(len(pngs), 1)
        self.assertEqual(pngs[:2], ["000000.png", "000001.png"])
        png = Image.of_png(os.path.join(folders[0], pngs[-1]))
        self.assertEqual((png.width, png.height), (1000, 600))
        # The view as shown below the panel's opener (a row of 40 pixels); the
        # line that says a recording runs is not in it, nor is the opener.
        row = 1000 * 3
        shown = self.s.shot()
        self.assertEqual(png.data[40 * row : 600 * row], shown.data[40 * row : 600 * row])
        self.assertNotEqual(png.data[: 40 * row], shown.data[: 40 * row])


if __name__ == "__main__":
    harness.main()
