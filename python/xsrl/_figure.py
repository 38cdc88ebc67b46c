"""What view and plot share: Matplotlib Figures made without pyplot (so no backend is chosen
and nothing opens a window), saving by extension, and the command line."""
from __future__ import annotations

import argparse
import os
from typing import Optional, Tuple

from matplotlib.figure import Figure

DPI = 100


def new_figure(size: Tuple[float, float], figure: Optional[Figure] = None,
               layout: Optional[str] = "constrained") -> Figure:
    """`figure` when given (e.g. one of pyplot's, to show in a window), else a new Figure of
    `size` inches, laid out so that labels do not overlap unless `layout` is None."""
    if figure is None:
        figure = Figure(figsize=size, dpi=DPI, layout=layout)
    return figure


def save(figure: Figure, path: str) -> None:
    """Saves as SVG or PNG by the extension of `path`; any other extension is refused."""
    extension = os.path.splitext(path)[1].lower()
    if extension not in (".svg", ".png"):
        raise ValueError(f"{path}: the output must end in .svg or .png")
    figure.savefig(path, dpi=DPI)


def command_line(description: str, source_help: str) -> argparse.Namespace:
    """The arguments of view and plot: a source and -o FILE (default: the source's name with .svg)."""
    parser = argparse.ArgumentParser(description=description)
    parser.add_argument("source", help=source_help)
    parser.add_argument("-o", "--output", help="FILE.svg or FILE.png (default: the source's name with .svg)")
    arguments = parser.parse_args()
    if arguments.output is None:
        arguments.output = os.path.splitext(os.path.basename(arguments.source))[0] + ".svg"
    return arguments
