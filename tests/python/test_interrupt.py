"""Ctrl+C: a child process sent SIGINT in the middle of a long run stops after
a whole frame with KeyboardInterrupt, and its colony is the one kelvaro-batch
makes in that many frames."""
import signal
import subprocess
import sys
import time

from conftest import CELLS, GENOME, batch, child_env

CHILD = """
import sys, kelvaro
c = kelvaro.Colony(genome=sys.argv[1], cells=sys.argv[2], seed=5)
print("running", flush=True)
try:
    c.run(10**9, division=True)
except KeyboardInterrupt:
    c.checkpoint("stopped.kck")
    c.run(1)  # the colony goes on
    print(c.frame - 1, flush=True)
"""


def test_sigint_stops_between_frames(tmp_path):
    child = subprocess.Popen(
        [sys.executable, "-c", CHILD, str(GENOME), str(CELLS)], cwd=tmp_path, text=True,
        stdout=subprocess.PIPE, env=child_env(),
        # As a terminal's Ctrl+C finds it: Python's own SIGINT handler in place.
        preexec_fn=lambda: signal.signal(signal.SIGINT, signal.SIG_DFL))
    try:
        assert child.stdout.readline() == "running\n"
        time.sleep(0.5)
        child.send_signal(signal.SIGINT)
        out, _ = child.communicate(timeout=60)
    finally:
        child.kill()
    assert child.returncode == 0
    frame = int(out)
    assert frame > 0
    batch("--genome", GENOME, "--cells", CELLS, "--seed", 5, "--division", "--frames", frame,
          "--checkpoint", tmp_path / "batch.kck")
    assert (tmp_path / "stopped.kck").read_bytes() == (tmp_path / "batch.kck").read_bytes()
