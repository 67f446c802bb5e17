# Names and types of the kelvaro module, for editors and type checkers.
import os
from types import TracebackType
from typing import (Dict, Iterable, List, Mapping, Optional, Sequence, SupportsIndex, Tuple, Type,
                    TypedDict, Union)

import numpy as np
import numpy.typing as npt

_Path = Union[str, bytes, os.PathLike]

__version__: str
can_render: bool
AXIS: int
START_GLUEDS: Tuple[int, ...]
START_SIGNAL: Tuple[int, ...]
X: int
Y: int
Z: int
TYPE: int
TYPE_COLOURS: Mapping[int, Tuple[int, int, int]]

class GenomeCheck(TypedDict):
    findings: List[Tuple[int, int, str]]
    count: int
    genes: int
    division_genes: int
    types: List[int]
    summary: str
    lines: List[str]

class GeneRead(TypedDict):
    line: int
    en: List[int]
    si: List[int]
    ex: List[int]
    mpf: int
    glueds: Optional[int]
    signal: Optional[int]
    elsewhere: int

def check_genome(text: Union[str, bytes], name: str = ...) -> GenomeCheck: ...
def read_genes(text: Union[str, bytes]) -> List[GeneRead]: ...
def type_colour(t: SupportsIndex) -> Optional[Tuple[int, int, int]]: ...

class Page:
    def __init__(self, path: _Path, *, genome_text: Optional[str] = ...,
                 command: Optional[str] = ..., hide: Optional[Sequence[int]] = ...,
                 show_len: int = ...) -> None: ...
    def add(self, colony: "Colony", name: str) -> None: ...
    def close(self) -> None: ...
    def __enter__(self) -> "Page": ...
    def __exit__(self, exc_type: Optional[Type[BaseException]],
                 exc: Optional[BaseException], tb: Optional[TracebackType]) -> None: ...


class Colony:
    def __init__(self, *, genome: Optional[_Path] = ...,
                 genome_text: Union[str, bytes, None] = ..., cells: Optional[_Path] = ...,
                 seed: Optional[int] = ..., shift: int = ...) -> None: ...
    @staticmethod
    def resume(path: _Path) -> "Colony": ...
    def run(self, frames: int, *, division: Optional[bool] = ..., gravity: Optional[bool] = ...,
            signal_passes: int = ..., divide_all_at: Iterable[int] = ...,
            until_settled: bool = ..., progress: bool = ...) -> Optional[int]: ...
    @property
    def frame(self) -> int: ...
    @property
    def closed(self) -> bool: ...
    @property
    def cells(self) -> npt.NDArray[np.int32]: ...
    @property
    def clamp(self) -> npt.NDArray[np.int32]: ...
    @property
    def levels(self) -> npt.NDArray[np.int32]: ...
    @property
    def signal(self) -> npt.NDArray[np.int32]: ...
    def census(self) -> Dict[int, int]: ...
    def save_cells(self, path: _Path) -> None: ...
    def checkpoint(self, path: _Path) -> None: ...
    def to_html(self, path: _Path, *, hide: Optional[Sequence[int]] = ...,
                show_len: int = ...) -> None: ...
    def _repr_html_(self) -> Optional[str]: ...
    def render(self, *, size: Tuple[int, int] = ...,
               camera: Union[str, None, Sequence[float]] = ..., heat: Optional[int] = ...,
               slice: Union[str, None, Tuple[str, int], Tuple[str, int, int]] = ...,
               axes: bool = ..., show_len: int = ...,
               hide: Optional[Sequence[int]] = ...) -> npt.NDArray[np.uint8]: ...
    def close(self) -> None: ...
    def __enter__(self) -> "Colony": ...
    def __exit__(self, exc_type: Optional[Type[BaseException]],
                 exc: Optional[BaseException], tb: Optional[TracebackType]) -> None: ...
