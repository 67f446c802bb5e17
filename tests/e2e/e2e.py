#!/usr/bin/env python3
"""End to end: the window program's start, every key of its table, its files
and its overlay, in two program runs.

Usage: e2e.py --binary PATH --xprobe PATH [unittest arguments]
"""
import glob
import os
import time

import harness
from harness import (BLUE, GREEN, ORANGE, RED, SKY, YELLOW, Image, SessionTest, colony, run,
                     wait_until)

SIGNAL_MARK = (0, 255, 0)  # the signal overlay's last mark: level on channel 5 == show_len


class Start(SessionTest):
    """A fresh folder: the seed, the window, M, P, the cursor, F1, F12."""

    def test_01_title_class_and_size(self):
        self.assertIn('"Kelvaro v0.24 https://', run("xprop", "-id", self.s.window, "WM_NAME"))
        self.assertIn('WM_CLASS(STRING) = "TALVEN", "TALVEN"',
                      run("xprop", "-id", self.s.window, "WM_CLASS"))
        self.assertIn("1000x600", run("xdotool", "getwindowgeometry", self.s.window))

    def test_02_sky_and_axis_markers_which_m_hides(self):
        img = self.s.shot()
        self.assertEqual(img.pixel(900, 50), SKY)
        self.assertGreater(img.count(RED), 100)
        self.s.key("m")
        self.s.wait_no_colour(RED)
        self.s.key("m")
        self.s.wait_colour(RED, 100)

    def test_03_p_saves_the_seed(self):
        self.assertEqual(self.s.save(), [[1, 20, 20, 50]])

    def test_04_escape_shows_and_hides_the_cursor(self):
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

    def test_05_f1_shows_the_overlay_and_a_second_f1_restores_the_view_exactly(self):
        before = self.s.shot()
        self.s.key("F1")
        shown = wait_until("the overlay", lambda: (lambda i: i if i.data != before.data else None)(self.s.shot()))
        self.assertLess(shown.count(SKY), before.count(SKY) - 20000)  # panels darken the sky
        self.s.key("F1")
        wait_until("the view restored pixel for pixel", lambda: self.s.shot().data == before.data)

    def test_06_f12_saves_the_view_as_a_png(self):
        self.s.key("F12")
        names = wait_until("the PNG", lambda: glob.glob(self.s.path("kelvaro-*.png")))
        self.assertRegex(os.path.basename(names[0]), r"^kelvaro-\d{6}\.png$")
        png = Image.of_png(names[0])
        self.assertEqual((png.width, png.height), (1000, 600))
        self.assertEqual(png.data[: 1000 * 600 * 3], self.s.shot().data[: 1000 * 600 * 3])
        self.assertEqual([n for n in os.listdir(self.s.dir) if n.startswith("kelvaro-")],
                         [os.path.basename(names[0])])  # no temporary beside it

    def test_07_closing_the_window_ends_the_program_with_code_0(self):
        self.assertEqual(self.s.close(), 0)


# On the floor in view of the start camera: coloured cells (types 3, 6, 11) on
# every other site, undifferentiated cells beside blue ones; a red cell lifted.
COLOURED = [(t, x, y, 1) for i, (x, y) in enumerate((x, y) for x in range(16, 30, 2) for y in range(3, 17, 2))
            for t in [(3, 6, 11)[i % 3]]]
MIXED = [(1, x, y, 1) for x in range(16, 22) for y in range(19, 23)] + \
        [(3, x, y, 1) for x in range(24, 30) for y in range(19, 23)]
LIFTED = [(2, 20, 8, 30)]
ALL = COLOURED + MIXED + LIFTED


class Colony(SessionTest):
    """A genome and a colony: Space, the filters, keypad -/+, flight, Return, G, V."""
    files = {"dna.vdna": "EN=3;EN=3;MPF=1\n", "list.txt": colony(ALL)}

    def test_01_space_loads_genome_and_colony_and_draws_type_colours(self):
        self.s.reload(BLUE)
        self.assertEqual(self.s.read("dedug.tmp").splitlines()[0], "0/0/3/3/ ")
        img = self.s.shot()
        for colour in (BLUE, ORANGE, GREEN, YELLOW):
            self.assertGreater(img.count(colour), 20, colour)
        self.assertEqual(len(self.s.save()), len(ALL))

    def test_02_l_hides_type_one_and_digits_isolate_a_type(self):
        self.s.key("l")
        self.s.wait_no_colour(YELLOW)
        self.assertGreater(self.s.shot().count(BLUE), 20)
        self.s.key("l")
        self.s.wait_colour(YELLOW, 20)
        for digit in "123456789":  # isolate mode: only the type equal to show_len (1) is drawn
            self.s.key("0", digit)
            self.s.wait_no_colour(BLUE)
        self.assertGreater(self.s.shot().count(YELLOW), 20)
        self.s.key("l")  # with type 1 hidden too, nothing is drawn
        self.s.wait_no_colour(YELLOW)
        self.s.key("0", "l")
        self.s.wait_colour(BLUE, 20)
        self.s.wait_colour(YELLOW, 20)

    def test_03_keypad_minus_and_plus_move_the_signal_overlay(self):
        # At show_len 0 every cell with no level on channel 5 takes its mark.
        self.s.key("KP_Subtract")
        self.s.wait_colour(SIGNAL_MARK, 100)
        self.s.key("KP_Add")
        self.s.wait_no_colour(SIGNAL_MARK)
        self.s.wait_colour(ORANGE, 20)

    def test_04_w_a_s_d_fly_the_camera(self):
        for key in ("w", "s", "a", "d"):  # over a colony that stands still, in view
            before = self.s.shot().data
            self.s.hold(key)
            wait_until("the view after " + key, lambda: self.s.shot().data != before)

    def test_05_return_doubles_a_colony_with_room(self):
        self.s.key("Return")  # served after a P polled in the same frame: save until it shows
        wait_until("the division", lambda: len(self.s.save()) == 2 * len(ALL))

    def test_06_g_lets_the_lifted_cells_fall_to_the_floor(self):
        self.s.key("g")
        wait_until("the fall", lambda: any(t == 2 and z == 1 for t, x, y, z in self.s.save()), timeout=30)

    def test_07_v_lets_division_genes_grow_the_colony(self):
        before = len(self.s.save())
        self.s.key("v")
        wait_until("growth", lambda: len(self.s.save()) > before + 20, timeout=30)


if __name__ == "__main__":
    harness.main()
