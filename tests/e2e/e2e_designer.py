#!/usr/bin/env python3
"""End to end: the genome designer's loop. F8 follows dna.vdna (a rewrite turns
the colony's cells without reloading them, a broken one keeps the genome), the
inspector tells a cell's history, and F7 steps a paused run back exactly.

Usage: e2e_designer.py --binary PATH --xprobe PATH [unittest arguments]
"""
import os
import time

import harness
from harness import SessionTest, colony, run, wait_until

MAGENTA = (255, 0, 255)  # type 5
TEXT = (235, 235, 235)  # the inspector's text
# A red emitter (type 2) at the end of a row of undifferentiated cells on the floor.
ROW = [(2, 20, 8, 1)] + [(1, x, 8, 1) for x in range(21, 31)]


def types(records):
    return sorted({r[0] for r in records})


class FollowTheGenome(SessionTest):
    files = {"dna.vdna": "# no genes yet\n", "list.txt": colony(ROW)}

    def rewrite(self, text):
        """Saves as editors do: a new file renamed over the old one."""
        tmp = self.s.path("dna.vdna.new")
        with open(tmp, "w") as f:
            f.write(text)
        os.rename(tmp, self.s.path("dna.vdna"))

    def test_01_the_colony_is_loaded_and_divided(self):
        self.s.reload(harness.YELLOW)
        self.s.key("Return")  # every cell divides: the colony is no longer the file's
        self.assertEqual(len(self.s.save()), 2 * len(ROW))

    def test_02_a_rewrite_turns_type_1_into_type_5_without_reloading_the_cells(self):
        before = self.s.save()
        self.s.key("F8")
        started = time.monotonic()
        self.rewrite("EN=2;EN=2;EX=5\n")
        wait_until("the new genome's dump", lambda: self.s.read("dedug.tmp").startswith("0/5/2/2/ \n"))
        self.assertLess(time.monotonic() - started, 5)
        self.s.wait_colour(MAGENTA, 20)
        after = wait_until("no type 1 left", lambda: (lambda c: c if 1 not in types(c) else None)(self.s.save()))
        # The same cells at the same sites: only their types changed.
        self.assertEqual([r[1:] for r in after], [r[1:] for r in before])
        self.assertEqual(types(after), [2, 5])

    def test_03_a_broken_rewrite_keeps_the_genome_in_force(self):
        dump = self.s.read("dedug.tmp")
        os.remove(self.s.path("dna.vdna"))  # an editor's save under way
        time.sleep(0.5)
        os.mkdir(self.s.path("dna.vdna"))  # nothing that can be read
        time.sleep(0.5)
        self.s.key("Return")  # new type-1 daughters: the genome in force turns them
        cells = wait_until("the daughters turned", lambda: (lambda c: c if len(c) == 4 * len(ROW) and 1 not in types(c) else None)(self.s.save()))
        self.assertEqual(types(cells), [2, 5])
        self.assertEqual(self.s.read("dedug.tmp"), dump)
        os.rmdir(self.s.path("dna.vdna"))

    def test_04_the_inspector_tells_a_cells_history(self):
        s = self.s
        s.key("m", "Home", "F2")  # no axis markers; the colony framed and still
        img = s.steady_shot()
        hits = [(x, y) for y in range(0, img.height, 2) for x in range(0, img.width, 2)
                if img.pixel(x, y) == MAGENTA]
        self.assertTrue(hits)
        x, y = hits[len(hits) // 2]
        s.key("Escape")
        run("xdotool", "mousemove", "--window", s.window, str(x), str(y), "click", "1")
        # Two lines of text under the level bars, where the panel used to end.
        band = lambda i: sum(i.pixel(px, py) == TEXT for px in range(540, 996) for py in range(206, 242))
        wait_until("the history lines", lambda: band(s.shot()) > 150)


class StepBack(SessionTest):
    # A division gene: each step draws, divides and switches; the colony grows.
    files = {"dna.vdna": "EN=2;EN=2;EX=5;MPF=1\n", "list.txt": colony(ROW)}

    def test_01_a_growing_run_is_paused(self):
        self.s.reload(MAGENTA)
        self.s.key("v")
        wait_until("growth", lambda: len(self.s.save()) > len(ROW) + 4)
        self.s.key("F2")
        time.sleep(0.3)
        type(self).first = self.s.save()

    def test_02_five_steps_change_the_colony(self):
        self.s.key(*["F3"] * 5)
        type(self).second = self.s.save()
        self.assertNotEqual(self.second, self.first)

    def test_03_five_steps_back_give_the_first_save(self):
        self.s.key(*["F7"] * 5)
        self.assertEqual(self.s.save(), self.first)

    def test_04_five_steps_again_give_the_second(self):
        self.s.key(*["F3"] * 5)
        self.assertEqual(self.s.save(), self.second)

    def test_05_nothing_kept_beyond_the_first_leaves_it_alone(self):
        self.s.key(*["F7"] * 6)
        self.assertEqual(self.s.save(), self.first)


if __name__ == "__main__":
    harness.main()
