"""The cross-section of a deck to scale: python3 -m xsrl.view DECK [-o FILE.svg|.png].

The view is zoomed to the lines and wires and the plates they face; plates and dielectric
blocks running on beyond it are cut, the plates with a break mark. Conductors are filled in the
colour of a signal or a ground and numbered as in the deck (signals also with their port), dielectric
blocks shaded by er and labelled, and every ribbon or filament outlined, with ticks where the
plates are cut into ribbons. Each ribbon is an SVG group with the id ribbon-N.
"""
from __future__ import annotations

import os
from typing import Optional, Tuple, Union

from matplotlib import patches
from matplotlib.figure import Figure
from matplotlib.lines import Line2D

from ._deck import Deck
from ._figure import command_line, new_figure, save
from ._solve import Structure, ribbons

SIGNAL_COLOUR = "#e8833a"
GROUND_COLOUR = "#8c96a0"
DIELECTRIC_COLOUR = "#3a9d5d"
RIBBON_COLOUR = "#1f2d3d"
FILAMENT = 20
# Space left around the lines and wires, as a share of their extent (or of the plates' height).
MARGIN = 0.5
ASPECT = 0.4

Box = Tuple[float, float, float, float]


def length_unit(extent: float) -> Tuple[float, str]:
    """(metres per unit, unit name) for drawing an extent of `extent` metres."""
    for scale, name in ((1e-6, "µm"), (1e-3, "mm")):
        if extent < 2000 * scale:
            return scale, name
    return 1.0, "m"


def _outline(conductor: dict) -> Box:
    if "circle" in conductor:
        xc, yc, rad = conductor["circle"]
        return xc - rad, yc - rad, xc + rad, yc + rad
    return conductor["box"]


def view_window(structure: Structure) -> Box:
    """The part of the plane worth drawing, in metres: the lines and wires with MARGIN around
    them, across the full height of the plates, at least ASPECT times as high as wide."""
    boxes = [_outline(c) for c in structure.conductors]
    focus = [b for b, c in zip(boxes, structure.conductors) if c["shape"] != "plate"] or boxes
    x1, y1 = min(b[0] for b in focus), min(b[1] for b in focus)
    x2, y2 = max(b[2] for b in focus), max(b[3] for b in focus)
    y1, y2 = min([y1] + [b[1] for b in boxes]), max([y2] + [b[3] for b in boxes])
    margin = MARGIN * max(x2 - x1, y2 - y1)
    x1, x2 = x1 - margin, x2 + margin
    pad = max(0.15 * (y2 - y1), (ASPECT * (x2 - x1) - (y2 - y1)) / 2)
    return x1, y1 - pad, x2, y2 + pad


def _clipped(box: Box, window: Box) -> Tuple[Box, bool, bool]:
    """`box` cut to the window's x range, and whether its left and right ends were cut."""
    x1, y1, x2, y2 = box
    return (max(x1, window[0]), y1, min(x2, window[2]), y2), x1 < window[0], x2 > window[2]


def _break_mark(axes, x: float, y1: float, y2: float, width: float) -> None:
    """Two slanted strokes on a white gap across the plate y1 .. y2 at x: the plate goes on."""
    height = y2 - y1
    for shift in (-width, width):
        axes.plot([x + shift - width, x + shift + width], [y1 - 0.4 * height, y2 + 0.4 * height],
                  color="black", lw=1.0, solid_capstyle="butt", zorder=3.6)
    axes.add_patch(patches.Rectangle((x - width, y1 - 0.3 * height), 2 * width, 1.6 * height,
                                     color="white", lw=0, zorder=3.5))


def _draw_dielectrics(axes, structure: Structure, scale: float, window: Box) -> None:
    width = window[2] - window[0]
    for block in structure.dielectrics:
        (x1, y1, x2, y2), _, _ = _clipped(tuple(v / scale for v in block["box"]), window)
        shade = min(0.12 + 0.05 * (block["er"] - 1.0), 0.5)
        axes.add_patch(patches.Rectangle((x1, y1), x2 - x1, y2 - y1, color=DIELECTRIC_COLOUR, alpha=shade, lw=0))
        words = f"εr = {block['er']:g}" + (f", tan δ = {block['tand']:g}" if block["tand"] else "")
        axes.text(x1 + 0.06 * width, y2, words, ha="left", va="top", fontsize=8, color="#1d5e34")


def _draw_conductors(axes, structure: Structure, scale: float, window: Box) -> bool:
    """Fills and numbers the conductors; true when a plate was cut at the window's edge."""
    signals = [c["number"] for c in structure.conductors if c["signal"]]
    port_of = {number: k + 1 for k, number in enumerate(signals)} if len(signals) > 1 else {}
    gap = 0.006 * (window[2] - window[0])  # half the width of a break mark
    plate_cut = False
    for conductor in structure.conductors:
        colour = SIGNAL_COLOUR if conductor["signal"] else GROUND_COLOUR
        box = tuple(v / scale for v in _outline(conductor))
        if "circle" in conductor:
            xc, yc, rad = (v / scale for v in conductor["circle"])
            axes.add_patch(patches.Circle((xc, yc), rad, color=colour, zorder=2))
        else:
            box, cut_left, cut_right = _clipped(box, window)
            x1, y1, x2, y2 = box
            axes.add_patch(patches.Rectangle((x1, y1), x2 - x1, y2 - y1, color=colour, zorder=2))
            if cut_left:
                _break_mark(axes, x1 + 3 * gap, y1, y2, gap)
            if cut_right:
                _break_mark(axes, x2 - 3 * gap, y1, y2, gap)
            plate_cut = plate_cut or cut_left or cut_right
        middle = (box[0] + box[2]) / 2
        axes.annotate(str(conductor["number"]), (middle, box[3]), xytext=(0, 3), textcoords="offset points",
                      ha="center", va="bottom", fontsize=9, fontweight="bold", zorder=4)
        if conductor["number"] in port_of:
            axes.annotate(f"port {port_of[conductor['number']]}", (middle, box[1]), xytext=(0, -3),
                          textcoords="offset points", ha="center", va="top", fontsize=8, zorder=4)
    return plate_cut


def _draw_ribbons(axes, structure: Structure, scale: float) -> None:
    for index, ((x1, y1, x2, y2), kind) in enumerate(zip(structure.corners / scale, structure.kind)):
        if kind == FILAMENT:
            shape = patches.Rectangle((min(x1, x2), min(y1, y2)), abs(x2 - x1), abs(y2 - y1), fill=False,
                                      edgecolor=RIBBON_COLOUR, lw=0.4, zorder=3)
            axes.add_patch(shape)
        else:
            (shape,) = axes.plot([x1, x2], [y1, y2], color=RIBBON_COLOUR, lw=0.6, marker="|", ms=3, mew=0.6,
                                 zorder=3)
        shape.set_gid(f"ribbon-{index}")


def draw_structure(axes, structure: Structure) -> None:
    """Draws the structure on `axes`, lengths in the unit length_unit picks for the window."""
    window = view_window(structure)
    scale, unit = length_unit(max(window[2] - window[0], window[3] - window[1]))
    window = tuple(v / scale for v in window)
    _draw_dielectrics(axes, structure, scale, window)
    plate_cut = _draw_conductors(axes, structure, scale, window)
    _draw_ribbons(axes, structure, scale)
    legend = [patches.Patch(color=SIGNAL_COLOUR, label="signal conductor"),
              patches.Patch(color=GROUND_COLOUR, label="ground conductor"),
              Line2D([], [], color=RIBBON_COLOUR, lw=0.6, marker="|", ms=5,
                     label=f"ribbons ({len(structure.kind)}), ticks at their ends")]
    if structure.dielectrics:
        legend.append(patches.Patch(color=DIELECTRIC_COLOUR, alpha=0.3, label="dielectric (darker: higher εr)"))
    if plate_cut:
        legend.append(Line2D([], [], color="black", lw=1.0, marker=r"$//$", ls="none", ms=10,
                             label="break: the plate runs on"))
    axes.legend(handles=legend, fontsize=8, loc="upper left", bbox_to_anchor=(1.01, 1.0), frameon=False)
    axes.set_xlim(window[0], window[2])
    axes.set_ylim(window[1], window[3])
    axes.set_aspect("equal")
    axes.set_xlabel(f"x ({unit})")
    axes.set_ylabel(f"y ({unit})")


def view(source: Union[Deck, Structure, str, "os.PathLike[str]"], output: Optional[str] = None,
         title: Optional[str] = None, figure: Optional[Figure] = None) -> Figure:
    """Draws the cross-section of `source` (an xsrl.Deck, a Structure or a deck file) and returns
    the Figure; `output` (.svg or .png) also saves it. `figure`: draw into this one instead of a
    new one."""
    if isinstance(source, Structure):
        structure = source
    elif isinstance(source, Deck):
        structure = ribbons(deck=source)
    else:
        structure = ribbons(source)
    # A fixed frame, the legend to its right: the axes keep the true aspect inside it.
    figure = new_figure((9.0, 5.0), figure, layout=None)
    axes = figure.add_axes((0.09, 0.1, 0.63, 0.82), anchor="W")
    draw_structure(axes, structure)
    default = "cross-section" if isinstance(source, (Deck, Structure)) else os.path.basename(os.fspath(source))
    axes.set_title(title or default)
    if output is not None:
        save(figure, output)
    return figure


def main() -> None:
    arguments = command_line(__doc__.splitlines()[0], "the deck file")
    view(arguments.source, arguments.output)


if __name__ == "__main__":
    main()
