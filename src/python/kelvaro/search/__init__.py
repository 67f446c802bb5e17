"""kelvaro.search: find a genome that grows a target colony (kelvaro-search).

    from kelvaro.search import search
    search(cells="list.txt", target="target.txt", frames=100, out="found", jobs=2)

search(**options) takes the command's options as keywords (dashes as
underscores, True for a switch) and returns its exit status; see
docs/search.md. score.iou is the score, genome has the genome operators.
"""
from .cli import main


def search(**options):
    """kelvaro-search with these options (cells="a.txt" is --cells a.txt,
    division=True is --division); returns the exit status."""
    argv = []
    for key, value in options.items():
        flag = "-j" if key == "jobs" else "--" + key.replace("_", "-")
        if key == "from_genome":
            flag = "--from"
        if value is True:
            argv.append(flag)
        elif value not in (None, False):
            argv += [flag, ",".join(map(str, value)) if isinstance(value, (list, tuple))
                     else str(value)]
    return main(argv)


__all__ = ["search", "main"]
