#!/usr/bin/env python3
"""End to end under a French keyboard layout: M and L act by the letters on
their labels, the flight keys by their places (Z is where W is on a US
keyboard); a layout switched while the window has the focus applies at once.

Usage: layout.py --binary PATH --xprobe PATH [unittest arguments]
"""
import time

import harness
from harness import BLUE, RED, YELLOW, SessionTest, colony

CELLS = [(1, x, y, 1) for x in range(16, 22) for y in range(4, 8)] + \
        [(3, x, y, 1) for x in range(24, 30) for y in range(4, 8)]


class FrenchLayout(SessionTest):
    before_start = (("setxkbmap", "fr"),)  # read by the program when its window opens
    files = {"dna.vdna": "\n", "list.txt": colony(CELLS)}

    def test_02_l_by_its_label_hides_type_one(self):
        self.s.reload(BLUE)
        self.s.wait_colour(YELLOW, 20)
        self.s.key("l")
        self.s.wait_no_colour(YELLOW)
        self.s.key("l")
        self.s.wait_colour(YELLOW, 20)

    def test_04_z_in_the_w_place_flies_forward(self):
        before = self.s.shot().data
        self.s.hold("z")
        harness.wait_until("the view after Z", lambda: self.s.shot().data != before)

    def test_03_m_by_its_label_also_after_a_layout_switched_while_focused(self):
        # The M label moves between the US and the French places; the window
        # keeps the focus throughout; French is in force again for the flight.
        shown = self.s.shot().count(RED)
        self.assertGreater(shown, 100)
        for layout in ("fr", "us", "fr"):
            harness.run("setxkbmap", layout)
            time.sleep(0.3)
            self.s.key("semicolon" if layout == "us" else "comma")  # the other place: not M
            self.assertGreater(self.s.shot().count(RED), 100)
            self.s.key("m")
            self.s.wait_no_colour(RED)
            self.s.key("m")
            self.s.wait_colour(RED, shown)

    @classmethod
    def tearDownClass(cls):
        super().tearDownClass()
        harness.run("setxkbmap", "us")


if __name__ == "__main__":
    harness.main()
