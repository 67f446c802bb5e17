#!/usr/bin/env python3
"""End-to-end tests of the window program's start, key table, files and overlay.

Usage: e2e.py --binary PATH --xprobe PATH [unittest arguments]
"""
import glob
import os
import subprocess
import time
import unittest

import harness
from harness import (BLUE, GREEN, ORANGE, RED, SKY, YELLOW, Image, ProgramTest, Session, colony,
                     run, wait_until)


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
            return run(harness.XPROBE, "cursor").strip()

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



if __name__ == "__main__":
    harness.main()
