"""The score of a grown colony against the target: the mean per-type IoU,
site by site or in blocks of B x B x B sites counted from the lattice origin."""
import numpy as np

import kelvaro

# Types are shifted by this before they become part of a key, so that any
# int32 type (genes can make any) orders and divides cleanly.
_TYPE_OFFSET = 1 << 31


def occupied(cells, block=1):
    """The sorted, distinct keys (type, block) that `cells` ((n, 4): x, y, z,
    type) holds, and the number of blocks a type spans in the key."""
    cells = np.asarray(cells, dtype=np.int64)
    per_axis = kelvaro.AXIS // block + 1
    blocks = per_axis ** 3
    b = cells[:, :3] // block
    where = (b[:, 0] * per_axis + b[:, 1]) * per_axis + b[:, 2]
    return np.unique((cells[:, 3] + _TYPE_OFFSET) * blocks + where), blocks


def _counts(keys, blocks, types):
    """How many keys of each type in `types` (sorted) there are."""
    of_type = keys // blocks
    return np.searchsorted(of_type, types, "right") - np.searchsorted(of_type, types, "left")


def iou(result, target, block=1):
    """The mean over every type present in either colony of |both| / |either|,
    where a site (or block) holds a type when a cell of that type lies in it.
    `target` may be the pair occupied() returned for it, to be reused."""
    a, blocks = occupied(result, block)
    b, _ = target if isinstance(target, tuple) else occupied(target, block)
    types = np.union1d(a // blocks, b // blocks)
    if types.size == 0:
        return 1.0  # two empty colonies are the same
    both = _counts(np.intersect1d(a, b, assume_unique=True), blocks, types)
    either = _counts(a, blocks, types) + _counts(b, blocks, types) - both
    return float(np.mean(both / either))
