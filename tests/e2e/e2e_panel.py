#!/usr/bin/env python3
"""End to end: the control panel (Tab). Closed, it leaves the view as it was
but for its opener; its controls act as their keys do; types hide and show one
by one; the genome editor checks as the user types, applies and saves.

Usage: e2e_panel.py --binary PATH --xprobe PATH [unittest arguments]
"""
import os
import time

import harness
from harness import SessionTest, colony, wait_until

MAGENTA = (255, 0, 255)  # type 5
WHITE = (255, 255, 255)  # type 7
CORNER = 40  # the opener's corner, in pixels
# A blue emitter (type 3) at the end of a row of undifferentiated cells.
ROW = [(3, 20, 8, 1)] + [(1, x, 8, 1) for x in range(21, 31)]
GENOME = "EN=3;EN=3;EX=5\n"


class Panel(SessionTest):
    files = {"dna.vdna": GENOME, "list.txt": colony(ROW)}

    def saved(self):
        """Saves the colony with the panel's button; the number of cells."""
        target = self.s.path("list.txt")
        os.remove(target)
        self.s.click("Save colony")
        wait_until("list.txt", lambda: os.path.exists(target))
        return len(self.s.read("list.txt").splitlines())

    def test_01_closed_it_draws_nothing_but_its_opener(self):
        self.s.reload(MAGENTA)
        self.s.key("F2")  # paused: the pictures can be compared
        before = self.s.shot()
        self.s.key("Tab")
        self.s.control("Pause")
        self.s.key("Tab")
        x0, y0, x1, y1 = self.s.control("Open the panel")
        self.assertTrue(x0 >= 0 and y0 >= 0 and x1 <= CORNER and y1 <= CORNER)
        after = self.s.shot()
        outside = [(x, y) for y in range(0, before.height, 2) for x in range(0, before.width, 2)
                   if x >= CORNER or y >= CORNER]
        self.assertEqual([after.pixel(x, y) for x, y in outside], [before.pixel(x, y) for x, y in outside])
        self.assertTrue(any(before.pixel(x, y) != harness.SKY for x in range(CORNER) for y in range(CORNER)))
        self.s.key("F2")

    def test_02_its_controls_act_as_their_keys(self):
        self.s.key("Tab")  # the cursor is captured: the opener is for a free cursor
        self.s.click("Files", "Pause")
        self.assertEqual(self.saved(), len(ROW))
        self.s.click("Step", "Divide every cell")
        self.assertEqual(self.saved(), 2 * len(ROW))
        self.s.click("Step back")  # the state the step started from
        self.assertEqual(self.saved(), len(ROW))
        self.s.click("Axes")
        self.s.wait_no_colour(harness.RED)
        self.s.click("Axes")
        self.s.wait_colour(harness.RED)
        self.s.click("Pause", "Files")

    def test_03_a_type_hides_and_shows_again(self):
        view = int(self.s.control("Run")[0]) - 10  # the view left of the panel (its swatches are magenta)
        self.s.click("Show type 5")
        self.s.wait_no_colour(MAGENTA, width=view)
        self.s.click("Show type 5")
        self.s.wait_colour(MAGENTA, width=view)

    def test_04_the_editor_checks_as_typed_and_applies(self):
        # At 5 frames a second every tap, held for a millisecond, still reaches the editor.
        self.s.click("Frame-rate cap", dx=13)
        self.s.click("Switches", "Types", "Genome", "Genome text")
        self.s.tap("ctrl+End")
        harness.run("xdotool", "type", "EN=3;EN =3;EX=7")
        self.s.tap("Return")
        harness.run("xdotool", "type", "EN =3")
        self.s.control("line:2:6: warning: key 'EN ' has blanks, so it is not EN: the field is "
                       "ignored")
        wait_until("line 3's finding", lambda: "line:3:1:" in open(self.s.map).read())
        self.s.tap("ctrl+a")
        harness.run("xdotool", "type", "EN=3;EN=3;EX=7xy")
        self.s.tap("Left", "Delete", "BackSpace")  # each one lost leaves an x or a y (test_05)
        wait_until("no findings", lambda: "line:" not in open(self.s.map).read())
        self.s.key("Escape")  # the keyboard back to the view: Return divides
        self.s.click("Frame-rate cap", dx=2)  # off again
        self.s.click("Apply")
        self.s.key("Return")  # new type-1 daughters: the edited genome turns them white
        self.s.wait_colour(WHITE)
        self.assertEqual(self.s.read("dna.vdna"), GENOME)  # applied, not saved

    def test_05_save_writes_the_genome_file(self):
        self.s.click("Save")
        wait_until("the saved genome", lambda: self.s.read("dna.vdna") != GENOME)
        self.assertEqual(self.s.read("dna.vdna"), "EN=3;EN=3;EX=7")
        self.assertFalse([f for f in os.listdir(self.s.dir) if f.endswith(".ini")])
        self.s.click("Genome", "Files", "Save as page")  # the colony as a page, with the genome saved
        page = wait_until("the page", lambda: [f for f in os.listdir(self.s.dir) if f.endswith(".html")])
        self.assertIn("EN=3;EN=3;EX=7", self.s.read(page[0]))

    def test_06_tab_and_clicks_never_keep_the_keyboard(self):
        # A click on the panel, then Tab twice; Tab three times more: M still reaches the view.
        for taps, colour in ((2, None), (4, harness.RED)):
            self.s.click("Frame")
            self.s.key(*["Tab"] * taps)
            self.s.key("m")
            self.s.wait_colour(colour) if colour else self.s.wait_no_colour(harness.RED)


if __name__ == "__main__":
    harness.main()
