"""solve and ribbons: a deck given by path, by text or as a Deck, solved in a thread of its own
so that Ctrl-C and a progress callback are served while it runs."""
from __future__ import annotations

import operator
import os
import threading
from dataclasses import dataclass
from typing import Callable, List, Optional, Tuple, Union

import numpy as np

from . import _xsrl
from ._deck import Deck
from ._result import Result

PathArgument = Union[str, "os.PathLike[str]"]
# progress(stage, done, total): stage "inductance fill" counts ribbon pairs, "sweep" frequency points.
Progress = Callable[[str, int, int], None]

# How often the waiting thread looks at the solve: Ctrl-C and progress are served this often.
_POLL_SECONDS = 0.1


def _source(path: Optional[PathArgument], deck: Union[str, bytes, Deck, None]) -> Tuple[Union[str, bytes], bool, str]:
    """(path or text, is a path, the name the exports give the deck) from exactly one of path and deck."""
    if isinstance(path, Deck):
        path, deck = None, path
    if (path is None) == (deck is None):
        raise TypeError("give the deck either as a path (a file) or as deck= (its text or an xsrl.Deck)")
    if path is not None:
        if not isinstance(path, (str, os.PathLike)):
            raise TypeError(f"path must be a str or os.PathLike; got {type(path).__name__}")
        return os.fspath(path), True, os.fspath(path)
    if isinstance(deck, Deck):
        return deck.text(), False, "deck"
    if not isinstance(deck, (str, bytes)):
        raise TypeError(f"deck must be the deck text or an xsrl.Deck; got {type(deck).__name__}")
    return deck, False, "deck"


def _whole_number(name: str, value: int) -> int:
    """`value` when it is a whole number of at least 1 (not a float, not a bool)."""
    if isinstance(value, bool):
        raise TypeError(f"{name} must be a whole number; got {value!r}")
    try:
        count = operator.index(value)
    except TypeError:
        raise TypeError(f"{name} must be a whole number; got {value!r}") from None
    if count < 1:
        raise ValueError(f"{name} must be at least 1; got {count}")
    return count


def _thread_count(threads: Optional[int]) -> int:
    """The library's thread count: 0 (one per hardware thread) for None."""
    return 0 if threads is None else _whole_number("threads", threads)


def _report(progress: Optional[Progress], control, reported: dict) -> None:
    """Calls progress for each stage whose count moved since the last call, in stage order."""
    if progress is None:
        return
    for stage, (done, total) in (("inductance fill", control.pairs), ("sweep", control.points)):
        if total > 0 and reported.get(stage) != done:
            reported[stage] = done
            progress(stage, done, total)


def _run_waiting(call: Callable[[], dict], control, progress: Optional[Progress]) -> dict:
    """Runs `call` in a thread while this one waits, reporting progress; any exception here
    (KeyboardInterrupt, or one raised by progress) cancels the solve, waits for it to stop and
    goes on."""
    outcome: dict = {}

    def work() -> None:
        try:
            outcome["value"] = call()
        except BaseException as error:  # handed to the waiting thread
            outcome["error"] = error

    worker = threading.Thread(target=work, name="xsrl solve", daemon=True)
    worker.start()
    reported: dict = {}
    try:
        while True:
            worker.join(_POLL_SECONDS)
            _report(progress, control, reported)
            if not worker.is_alive():
                break
    except BaseException:
        control.cancel()
        worker.join()
        raise
    if "error" in outcome:
        raise outcome.pop("error")
    return outcome["value"]


def solve(path: Optional[PathArgument] = None, *, deck: Union[str, bytes, Deck, None] = None, mode: str = "w",
          workdir: Optional[PathArgument] = None, threads: Optional[int] = None,
          progress: Optional[Progress] = None) -> Result:
    """Solves a deck and returns its sweep as a Result; prints nothing.

    path: the deck file; or deck: the deck text, or an xsrl.Deck (which may also come first).
    mode: "w" computes the partial inductances (and writes the files `plate` and `induc` into
      `workdir` when one is given); "r" reads them from `workdir`'s `induc` instead.
    workdir: an existing folder for the run files `plate` and `induc`; None (the default):
      no file is read or written, so calls may run at once in any folder, in threads or
      processes.
    threads: worker threads of the solve, a whole number >= 1; None: one per hardware thread.
      Results do not depend on it.
    progress: called as progress(stage, done, total) in the calling thread, at most ten times a
      second while a stage moves and once at its end: "inductance fill" in ribbon pairs, then
      "sweep" in frequency points.

    Ctrl-C (KeyboardInterrupt) stops the solve within about a second: it is checked after every
    row of the inductance fill and every frequency point.
    Raises DeckError for a bad deck or structure, OutOfMemoryError (a MemoryError) when the
    structure needs more memory than there is, SolveError when the solve fails or its result
    holds values that are not finite; TypeError and ValueError for bad arguments.
    """
    source, is_path, name = _source(path, deck)
    if mode not in ("w", "r"):
        raise ValueError(f'mode must be "w" or "r"; got {mode!r}')
    count = _thread_count(threads)
    folder = ""
    if workdir is not None:
        folder = os.fspath(workdir)
        if not os.path.isdir(folder):
            raise FileNotFoundError(f"the working folder {folder!r} does not exist or is not a folder")
    elif mode == "r":
        raise ValueError('mode "r" reads induc from workdir: give workdir')
    control = _xsrl.SolveControl()
    values = _run_waiting(lambda: _xsrl.solve(source, is_path, mode, folder, count, control), control, progress)
    return Result(deck_path=name, **values)


@dataclass
class Structure:
    """A deck cut into ribbons, in metres.

    corners: (x1, y1, x2, y2) of every ribbon or volume filament, shape (m, 4).
    kind: ribbon kind numbers (see RIBBON_KINDS), shape (m,).
    conductor: the conductor of each ribbon, numbered from 1 in deck order, shape (m,).
    conductors: per conductor a dict: number, shape ("line", "plate", "circle"), signal,
      and box (x1, y1, x2, y2) or circle (xc, yc, rad).
    dielectrics: per dielectric block a dict: box, er, tand.
    """

    corners: np.ndarray
    kind: np.ndarray
    conductor: np.ndarray
    conductors: List[dict]
    dielectrics: List[dict]


def ribbons(path: Optional[PathArgument] = None, *, deck: Union[str, bytes, Deck, None] = None) -> Structure:
    """Reads a deck (path, or deck= text or xsrl.Deck) and cuts it into ribbons without solving.

    Raises DeckError for a bad deck or structure.
    """
    source, is_path, _ = _source(path, deck)
    return Structure(**_xsrl.structure(source, is_path))
