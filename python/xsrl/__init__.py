"""Per-unit-length R(f), L(f), C and G of multiconductor interconnect, from an xsrl deck.

    import xsrl
    result = xsrl.solve("examples/microstrip-fr4.deck")        # a deck file
    print(result.freq, result.R[:, 0, 0], result.z0()[:, 0])     # SI units per metre
    deck = (xsrl.Deck(freq=(1e6, 1e10, 4), unit="um")             # or a deck built here
            .plate(x1=-1000, x2=1000, y1=-35, y2=0, v=0)
            .line(x1=-50, x2=50, y1=100, y2=118))
    results = xsrl.sweep([deck, "examples/microstrip.deck"])    # many decks at once
    result.to_csv("microstrip.csv")

Pictures: xsrl.plot.plot(result) and xsrl.view.view(deck) return Matplotlib Figures; the two
modules (and Matplotlib) are imported on first use.
"""
from __future__ import annotations

import importlib

from . import _xsrl
from ._deck import Deck
from ._result import Modes, Pair, Result
from ._solve import Structure, ribbons, solve
from ._sweep import WORKER_ENVIRONMENT, sweep

__all__ = ["solve", "ribbons", "sweep", "Deck", "Result", "Modes", "Pair", "Structure", "DeckError", "SolveError",
           "OutOfMemoryError", "RIBBON_KINDS", "WORKER_ENVIRONMENT", "__version__"]

__version__: str = _xsrl.__version__

DeckError = _xsrl.DeckError
DeckError.__doc__ = ("The deck cannot be read or its structure is refused (a ValueError); the text is the "
                     "command line's error line without its 'ERROR: '.")
SolveError = _xsrl.SolveError
SolveError.__doc__ = ("The solve failed (partial inductances, capacitance, sweep or a written file), or its "
                      "result holds values that are not finite; the text says where.")
OutOfMemoryError = _xsrl.OutOfMemoryError
OutOfMemoryError.__doc__ = ("The structure needs more memory than this machine has available (a MemoryError): "
                            "refused before anything large is made, so another machine or a later try may do.")

# Ribbon kinds as the discretization numbers them, in words.
RIBBON_KINDS = {0: "face ribbon (top or bottom)", 1: "face ribbon (side)", 2: "plate ribbon (one face)",
                3: "plate ribbon (both faces)", 4: "whole face (top or bottom)", 5: "whole face (side)",
                10: "chord of a circle", 11: "chord of a circle (accurate mode)", 20: "volume filament", 30: "plate strip (one face)",
                31: "plate strip (both faces)"}


def __getattr__(name: str):
    """xsrl.plot and xsrl.view, imported when first named: Matplotlib loads only for pictures."""
    if name in ("plot", "view"):
        return importlib.import_module(f".{name}", __name__)
    raise AttributeError(f"module 'xsrl' has no attribute {name!r}")
