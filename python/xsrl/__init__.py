"""Per-unit-length R(f), L(f), C and G of multiconductor interconnect, from an xsrl deck.

    import xsrl
    result = xsrl.solve("examples/microstrip.deck")
    print(result.freq, result.R[:, 0, 0], result.L[:, 0, 0])
    result.to_csv("microstrip.csv")
    structure = xsrl.ribbons("examples/microstrip.deck")
"""
from __future__ import annotations

import os
from dataclasses import dataclass
from typing import List, Optional, Tuple, Union

import numpy as np

from . import _xsrl

__all__ = ["solve", "ribbons", "Result", "Structure", "DeckError", "SolveError", "RIBBON_KINDS"]

DeckError = _xsrl.DeckError
DeckError.__doc__ = "The deck cannot be read or its structure is refused (a ValueError); the text is the command line's error line without its 'ERROR: '."
SolveError = _xsrl.SolveError
SolveError.__doc__ = "The solve failed (partial inductances, capacitance, sweep or a written file); the text is the command line's error line without its 'ERROR: '."

Deck = Union[str, "os.PathLike[str]"]

# Ribbon kinds as the discretization numbers them.
RIBBON_KINDS = {0: "FaceX", 1: "FaceY", 2: "PlateOneFace", 3: "PlateBothFaces", 4: "WholeFaceX",
                5: "WholeFaceY", 10: "Chord", 20: "Filament", 30: "PlateStripOneFace",
                31: "PlateStripBothFaces"}


def _deck_source(deck: Deck) -> Tuple[str, bool]:
    """The deck as (path, True) or (text, False): deck text always spans several lines."""
    if isinstance(deck, os.PathLike) or "\n" not in deck:
        return os.fspath(deck), True
    return deck, False


@dataclass
class Result:
    """A solved sweep, in SI units per metre.

    freq: frequencies in Hz, shape (nf,).
    R, L: resistance (ohm/m) and inductance (H/m), shape (nf, n, n).
    C, G: capacitance (F/m) and conductance (S/m), shape (nf, n, n), or None when the deck
      does not ask for them.
    ports: per row and column, (conductor number from 1 in deck order, is a signal).
    lc_check: the L-C check at the highest frequency, how far c0^2 (L - R/omega) C0 is from
      the identity (C0 the capacitance in vacuum; see the README), the number the command
      line notes on standard error; NaN without C or for a single conductor.
    """

    freq: np.ndarray
    R: np.ndarray
    L: np.ndarray
    C: Optional[np.ndarray]
    G: Optional[np.ndarray]
    ports: List[Tuple[int, bool]]
    deck_path: str
    _sweep: object
    lc_check: float = float("nan")

    def to_csv(self, path: str) -> None:
        """Writes the sweep as the command line's `csv` export."""
        self._sweep.write_csv(os.fspath(path))

    def to_touchstone(self, path: str, length: float, z0: float = 50.0) -> None:
        """Writes the S-parameters of a line of `length` metres, ports referred to `z0` ohm, as
        the command line's `touchstone` export. Needs C and G."""
        self._sweep.write_touchstone(os.fspath(path), self.deck_path, float(length), float(z0))


def solve(deck: Deck, mode: str = "w", workdir: Optional[str] = None, threads: Optional[int] = None) -> Result:
    """Solves a deck and returns its sweep as a Result.

    deck: a deck file path, or the deck text itself (several lines).
    mode: "w" computes the partial inductances (and writes the files `plate` and `induc` in
      `workdir` when one is given); "r" reads them back from `workdir`'s `induc` (workdir is
      then required).
    workdir: the folder of the run files `plate` and `induc`; None: no file is written.
    threads: worker threads; None: one per hardware thread. Results do not depend on it.
    Raises DeckError for a bad deck or structure, SolveError when the solve fails.
    """
    if mode.startswith("r") and workdir is None:
        raise ValueError('mode "r" reads induc from workdir: give workdir')
    source, is_path = _deck_source(deck)
    folder = os.fspath(workdir) if workdir is not None else ""
    sweep = _xsrl.solve(source, is_path, mode, folder, int(threads or 0))
    return Result(sweep.freq, sweep.R, sweep.L, sweep.C, sweep.G, sweep.ports,
                  source if is_path else "deck", sweep, sweep.lc_check)


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


def ribbons(deck: Deck) -> Structure:
    """Reads a deck (path or text) and cuts it into ribbons without solving.

    Raises DeckError for a bad deck or structure.
    """
    source, is_path = _deck_source(deck)
    return Structure(**_xsrl.structure(source, is_path))
