"""python3 -m kelvaro.search: the kelvaro-search command."""
import sys

from .cli import main

sys.exit(main())
