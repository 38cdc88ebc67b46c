"""The cross-section of a deck to scale: python3 -m xsrl.view DECK [-o FILE.svg|.png].

Conductors filled (signals and grounds in two colours), dielectric blocks shaded by er, every
ribbon or filament outlined and coloured by kind, plate cut points marked, and the ribbon
count of each conductor in the legend. Each ribbon is an SVG group with the id ribbon-N.
"""
from __future__ import annotations

import os
from typing import Optional

import numpy as np
from matplotlib import patches
from matplotlib.lines import Line2D

from . import RIBBON_KINDS, Deck, Structure, ribbons
from ._figure import command_line, new_figure, save

SIGNAL_COLOUR = "#f4a259"
GROUND_COLOUR = "#9aa5b1"
KIND_COLOURS = {0: "tab:blue", 1: "tab:green", 2: "tab:purple", 3: "tab:red", 4: "tab:cyan",
                5: "tab:olive", 10: "tab:brown", 20: "tab:pink", 30: "tab:purple", 31: "tab:red"}
FILAMENT = 20
PLATE_KINDS = (2, 3, 30, 31)


def length_unit(extent: float):
    """(metres per unit, unit name) for drawing an extent of `extent` metres."""
    for scale, name in ((1e-6, "µm"), (1e-3, "mm")):
        if extent < 2000 * scale:
            return scale, name
    return 1.0, "m"


def draw_structure(axes, structure: Structure) -> None:
    """Draws the structure on `axes`, lengths in the unit length_unit picks."""
    scale, unit = length_unit(float(np.ptp(structure.corners)) if len(structure.corners) else 1.0)
    max_er = max([d["er"] for d in structure.dielectrics] + [1.0])
    for block in structure.dielectrics:
        x1, y1, x2, y2 = (v / scale for v in block["box"])
        shade = 0.15 + 0.5 * (block["er"] - 1.0) / max(max_er - 1.0, 1e-12)
        axes.add_patch(patches.Rectangle((x1, y1), x2 - x1, y2 - y1, color="tab:green", alpha=shade, lw=0,
                                         label=f"dielectric er = {block['er']:g}"))
    counts = np.bincount(structure.conductor, minlength=len(structure.conductors) + 1)
    for c in structure.conductors:
        colour = SIGNAL_COLOUR if c["signal"] else GROUND_COLOUR
        label = f"{c['number']} {c['shape']} ({'signal' if c['signal'] else 'ground'}): {counts[c['number']]} ribbons"
        if "circle" in c:
            xc, yc, rad = (v / scale for v in c["circle"])
            axes.add_patch(patches.Circle((xc, yc), rad, color=colour, label=label))
        else:
            x1, y1, x2, y2 = (v / scale for v in c["box"])
            axes.add_patch(patches.Rectangle((x1, y1), x2 - x1, y2 - y1, color=colour, label=label))
    for index, (corners, kind) in enumerate(zip(structure.corners / scale, structure.kind)):
        x1, y1, x2, y2 = corners
        colour = KIND_COLOURS.get(int(kind), "black")
        if kind == FILAMENT:
            shape = patches.Rectangle((min(x1, x2), min(y1, y2)), abs(x2 - x1), abs(y2 - y1), fill=False,
                                      edgecolor=colour, lw=0.6)
            axes.add_patch(shape)
        else:
            (shape,) = axes.plot([x1, x2], [y1, y2], color=colour, lw=1.2, marker="|", ms=4)
        shape.set_gid(f"ribbon-{index}")
    plate = np.isin(structure.kind, PLATE_KINDS)
    if plate.any():
        cuts = structure.corners[plate] / scale
        axes.plot(np.r_[cuts[:, 0], cuts[:, 2]], np.r_[cuts[:, 1], cuts[:, 3]], "kx", ms=4, label="plate cut points")
    kinds = sorted(set(int(k) for k in structure.kind))
    handles, _ = axes.get_legend_handles_labels()
    handles += [Line2D([], [], color=KIND_COLOURS.get(k, "black"), label=f"kind {k} {RIBBON_KINDS.get(k, '')}")
                for k in kinds]
    axes.legend(handles=handles, fontsize=7, loc="upper left", bbox_to_anchor=(1.01, 1.0))
    axes.set_aspect("equal")
    axes.autoscale_view()
    axes.set_xlabel(f"x ({unit})")
    axes.set_ylabel(f"y ({unit})")


def view(deck: Deck, output: str, title: Optional[str] = None) -> None:
    """Draws the cross-section of `deck` (path or text) to `output` (.svg or .png)."""
    figure, (axes,) = new_figure()
    draw_structure(axes, ribbons(deck))
    axes.set_title(title or "cross-section")
    figure.tight_layout()
    save(figure, output)


def main() -> None:
    arguments = command_line(__doc__.splitlines()[0], "the deck file")
    view(arguments.source, arguments.output, title=os.path.basename(arguments.source))


if __name__ == "__main__":
    main()
