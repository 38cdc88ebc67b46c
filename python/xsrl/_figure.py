"""What view and plot share: the Agg backend (never a window) and saving by extension."""
from __future__ import annotations

import argparse
import os

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402  (after the backend is chosen)

# Every figure is this size, so a PNG is WIDTH x HEIGHT pixels.
FIGSIZE = (8.0, 6.0)
DPI = 100


def new_figure(rows: int = 1):
    """A figure of FIGSIZE with `rows` axes stacked, and the axes."""
    figure, axes = plt.subplots(rows, 1, figsize=FIGSIZE, dpi=DPI, squeeze=False)
    return figure, list(axes[:, 0])


def save(figure, path: str) -> None:
    """Saves as SVG or PNG by the extension of `path`; any other extension is refused."""
    extension = os.path.splitext(path)[1].lower()
    if extension not in (".svg", ".png"):
        raise ValueError(f"{path}: the output must end in .svg or .png")
    figure.savefig(path, dpi=DPI)
    plt.close(figure)


def command_line(description: str, source_help: str) -> argparse.Namespace:
    """The arguments of view and plot: a source and -o FILE (default: the source's name with .svg)."""
    parser = argparse.ArgumentParser(description=description)
    parser.add_argument("source", help=source_help)
    parser.add_argument("-o", "--output", help="FILE.svg or FILE.png (default: the source's name with .svg)")
    arguments = parser.parse_args()
    if arguments.output is None:
        arguments.output = os.path.splitext(os.path.basename(arguments.source))[0] + ".svg"
    return arguments
