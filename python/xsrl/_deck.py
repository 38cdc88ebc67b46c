"""Deck: a cross-section built in Python and written as deck text, so that no one writes braces."""
from __future__ import annotations

import math
import numbers
from typing import Dict, Optional, Tuple, Union

# The keywords of each block, as the deck names them (see the README's table).
_CONDUCTOR_KEYS = ("x1", "y1", "x2", "y2", "sigma", "v", "type", "nx", "ny", "rx", "ry")
_BLOCK_KEYS = {
    "plate": _CONDUCTOR_KEYS,
    "line": _CONDUCTOR_KEYS,
    "circle": ("xc", "yc", "rad", "sigma", "v", "nr"),
    "dielectric": ("x1", "y1", "x2", "y2", "er", "tand"),
}
_REQUIRED = {"plate": ("x1", "y1", "x2", "y2"), "line": ("x1", "y1", "x2", "y2"), "circle": ("xc", "yc", "rad"),
             "dielectric": ("x1", "y1", "x2", "y2")}

Value = Union[int, float, str, bool]


def _word(name: str, value: Value) -> str:
    """A value as the deck reads it: numbers in the shortest form that reads back to the same
    double, yes/no for booleans, other words as they are."""
    if isinstance(value, bool):
        return "yes" if value else "no"
    if isinstance(value, numbers.Integral):
        return str(int(value))
    if isinstance(value, numbers.Real):
        if not math.isfinite(value):
            raise ValueError(f"{name} must be a finite number; got {value!r}")
        return repr(float(value))
    if isinstance(value, str) and value and not any(c.isspace() or c in "{}=*" for c in value):
        return value
    raise TypeError(f"{name} must be a number or a single word; got {value!r}")


class Deck:
    """A deck built block by block; `str(deck)` (or `deck.text()`) is its text, and xsrl.solve,
    xsrl.ribbons and xsrl.sweep take it as it is.

        deck = (xsrl.Deck(freq=(1e6, 1e10, 4), unit="um")
                .plate(x1=-1000, x2=1000, y1=-35, y2=0, v=0)
                .dielectric(x1=-1000, x2=1000, y1=0, y2=100, er=4.3, tand=0.02)
                .line(x1=-50, x2=50, y1=100, y2=118))

    freq: (fmin, fmax, npoints) of the header's .freq (Hz; npoints intervals).
    unit: the length unit of every coordinate (m, mm, cm, in, um, mils, ft).
    partial, capacitance: booleans of the header's .partial and .capacitance (None: the default).
    Any other header directive goes by its name, e.g. solver="lu", cpanels=24.

    Each method takes the keywords of its block in the deck (x1 y1 x2 y2 sigma v type nx ny rx ry
    for plate and line; xc yc rad sigma v nr for circle; x1 y1 x2 y2 er tand for dielectric) and
    returns a new Deck with the block added: the original is left as it was, so one base deck
    can grow into many variants. Numbers are written so that they read back to the very same
    double; the deck reader checks the values themselves.
    """

    def __init__(self, freq: Tuple[float, float, int], unit: str = "m", partial: Optional[bool] = None,
                 capacitance: Optional[bool] = None, **header: Value):
        fmin, fmax, npoints = freq
        if not isinstance(npoints, numbers.Integral) or isinstance(npoints, bool):
            raise TypeError(f"npoints of freq must be a whole number; got {npoints!r}")
        lines = [f".freq {_word('fmin', fmin)} {_word('fmax', fmax)} {_word('npoints', npoints)}",
                 f".unit {_word('unit', unit)}"]
        for name, value in dict(partial=partial, capacitance=capacitance, **header).items():
            if value is not None:
                lines.append(f".{_word('header directive', name)} {_word(name, value)}")
        self._header = tuple(lines)
        self._blocks: Tuple[str, ...] = ()

    def _with(self, word: str, values: Dict[str, Value]) -> "Deck":
        unknown = sorted(set(values) - set(_BLOCK_KEYS[word]))
        if unknown:
            raise TypeError(f"{word}() takes {', '.join(_BLOCK_KEYS[word])}; not {', '.join(unknown)}")
        missing = [key for key in _REQUIRED[word] if key not in values]
        if missing:
            raise TypeError(f"{word}() needs {', '.join(missing)}")
        fields = " ".join(f"{key}={_word(key, value)}" for key, value in values.items())
        deck = Deck.__new__(Deck)
        deck._header = self._header
        deck._blocks = self._blocks + (f"{word}{{ {fields} }}",)
        return deck

    def plate(self, **values: Value) -> "Deck":
        """A plate (normally a ground, v=0): x1 y1 x2 y2, and sigma v nx ny rx ry."""
        return self._with("plate", values)

    def line(self, **values: Value) -> "Deck":
        """A rectangular line: x1 y1 x2 y2, and sigma v type (tl, pw, vf) nx ny rx ry."""
        return self._with("line", values)

    def circle(self, **values: Value) -> "Deck":
        """A round wire: xc yc rad, and sigma v nr."""
        return self._with("circle", values)

    def dielectric(self, **values: Value) -> "Deck":
        """A dielectric block: x1 y1 x2 y2, and er tand."""
        return self._with("dielectric", values)

    def text(self) -> str:
        """The deck text: the header, "end", one block per line, "end"."""
        return "\n".join(self._header + ("end",) + self._blocks + ("end", ""))

    __str__ = text

    def __repr__(self) -> str:
        return f"<xsrl.Deck of {len(self._blocks)} blocks>"

    def __eq__(self, other: object) -> bool:
        return isinstance(other, Deck) and self.text() == other.text()

    def __hash__(self) -> int:
        return hash(self.text())
