#!/usr/bin/env python3
"""End-to-end test of the window program's checkpoint keys: F5 writes
kelvaro.ckpt, F9 brings back the colony and the camera; a missing or corrupted
checkpoint changes nothing.

Usage: e2e_checkpoint.py --binary PATH --xprobe PATH [unittest arguments]
"""
import os

import harness
from harness import BLUE, SessionTest, colony, wait_until

# Isolated cells, no genes, no switches: the colony stands still until a key changes it.
ISOLATED = [(3, x, y, 5) for x in range(16, 30, 4) for y in range(3, 17, 4)]


class Checkpoint(SessionTest):
    files = {"dna.vdna": "# no genes\n", "list.txt": colony(ISOLATED)}

    def test_f5_then_f9_restores_the_colony_and_the_view_and_bad_files_change_nothing(self):
        s = self.s
        s.reload(BLUE)
        start = s.save()
        s.key("F9")  # no checkpoint yet: nothing happens
        self.assertEqual(s.save(), start)

        s.key("F5")
        ckpt = s.path("kelvaro.ckpt")
        wait_until("kelvaro.ckpt", lambda: os.path.exists(ckpt))
        saved = s.save()
        view = s.shot()
        s.key("Return", "w", "w", "w")  # divide every cell, fly forward
        divided = s.save()
        self.assertEqual(len(divided), 2 * len(saved))
        self.assertNotEqual(s.shot().data, view.data)

        s.key("F9")
        self.assertEqual(s.save(), saved)
        wait_until("the view of F5", lambda: s.shot().data == view.data)

        # One flipped byte: the checksum refuses the file, the colony stays divided.
        s.key("Return")
        divided = s.save()
        with open(ckpt, "r+b") as f:
            f.seek(os.path.getsize(ckpt) // 2)
            byte = f.read(1)
            f.seek(-1, os.SEEK_CUR)
            f.write(bytes([byte[0] ^ 0x10]))
        s.key("F9")
        self.assertEqual(s.save(), divided)
        self.assertEqual(sorted(n for n in os.listdir(s.dir) if n.startswith("kelvaro")),
                         ["kelvaro.ckpt"])  # no temporary file beside it


if __name__ == "__main__":
    harness.main()
