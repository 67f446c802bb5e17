"""python3 -m kelvaro: which kelvaro this Python imports, and what it can do.

Prints the version, whether pictures can be rendered, the interpreter and
where the module was loaded from, and whether NumPy (for the arrays) is there.
"""
import importlib.util
import os
import sys

import kelvaro


def main():
    numpy = importlib.util.find_spec("numpy") is not None
    rows = [
        ("kelvaro", kelvaro.__version__),
        ("pictures", "yes (Colony.render)" if kelvaro.can_render
         else "no (built without OpenGL and EGL)"),
        ("python", "%s (%s)" % (sys.executable, sys.version.split()[0])),
        ("module", os.path.dirname(os.path.abspath(kelvaro.__file__))),
        ("numpy", "yes" if numpy
         else "missing: %s -m pip install numpy (Debian's own python3: apt install "
              "python3-numpy)" % sys.executable),
    ]
    try:
        for name, value in rows:
            print("%-9s %s" % (name + ":", value))
        sys.stdout.flush()
    except BrokenPipeError:
        # The reader stopped early (| head -1, | grep -q): what it did not
        # read is not wanted. Nothing more goes to the closed pipe, not even
        # the interpreter's own flush at exit.
        os.dup2(os.open(os.devnull, os.O_WRONLY), sys.stdout.fileno())
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
