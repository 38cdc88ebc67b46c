"""R(f) and L(f), and C, G and Z0 when present: python3 -m xsrl.plot DECK_OR_CSV [-o FILE].

One labelled curve per matrix entry (the diagonal solid, the mutual entries i < j dashed) on
logarithmic frequency axes; each curve is an SVG group with the id curve-Q-I-J. The source is
a deck (solved here) or a csv export of the command line.
"""
from __future__ import annotations

import csv
import os
from typing import Dict, Optional

import numpy as np

from . import Deck, solve
from ._figure import command_line, new_figure, save

# Symbol, axis label, csv unit.
QUANTITIES = (("R", "R (Ω/m)", "ohm"), ("L", "L (H/m)", "H"), ("C", "C (F/m)", "F"), ("G", "G (S/m)", "S"))


def read_csv(path: str) -> Dict[str, np.ndarray]:
    """The sweep of a csv export: "freq" and the (nf, n, n) matrices R, L and, when present, C, G."""
    with open(path, newline="") as file:
        rows = list(csv.reader(file))
    columns = {name: np.array([float(row[k]) for row in rows[1:]]) for k, name in enumerate(rows[0])}
    n = int(round(np.sqrt(sum(name.startswith("R_") for name in columns))))
    sweep = {"freq": columns["f_Hz"]}
    for symbol, _, unit in QUANTITIES:
        names = [[f"{symbol}_{i + 1}_{j + 1}_{unit}_per_m" for j in range(n)] for i in range(n)]
        if names[0][0] in columns:
            sweep[symbol] = np.stack([np.stack([columns[name] for name in row], axis=-1) for row in names], axis=-2)
    return sweep


def sweep_of(source: Deck) -> Dict[str, np.ndarray]:
    """The sweep of a csv export (by its extension) or of a deck solved here."""
    if str(source).endswith(".csv"):
        return read_csv(source)
    result = solve(source)
    sweep = {"freq": result.freq, "R": result.R, "L": result.L}
    if result.C is not None:
        sweep.update(C=result.C, G=result.G)
    return sweep


def line_impedance(sweep: Dict[str, np.ndarray]) -> np.ndarray:
    """|Z0| of each conductor on its own, sqrt((R + jwL) / (G + jwC)) of the diagonal, (nf, n)."""
    omega = 2 * np.pi * sweep["freq"][:, None]
    diagonal = {q: np.diagonal(sweep[q], axis1=1, axis2=2) for q in "RLCG"}
    return np.abs(np.sqrt((diagonal["R"] + 1j * omega * diagonal["L"]) / (diagonal["G"] + 1j * omega * diagonal["C"])))


def plot(source: Deck, output: str, title: Optional[str] = None) -> None:
    """Plots the sweep of `source` (deck path or text, or a .csv export) to `output` (.svg or .png)."""
    sweep = sweep_of(source)
    panels = [q for q in QUANTITIES if q[0] in sweep]
    with_z0 = "C" in sweep
    figure, axes = new_figure(len(panels) + with_z0)
    freq = sweep["freq"]
    for (symbol, label, _), ax in zip(panels, axes):
        n = sweep[symbol].shape[1]
        for i in range(n):
            for j in range(i, n):
                (curve,) = ax.plot(freq, sweep[symbol][:, i, j], "-" if i == j else "--", label=f"{symbol}{i + 1}{j + 1}")
                curve.set_gid(f"curve-{symbol}-{i + 1}-{j + 1}")
        ax.set_ylabel(label, fontsize=8)
    if with_z0:
        ax = axes[-1]
        for i, z0 in enumerate(line_impedance(sweep).T):
            (curve,) = ax.plot(freq, z0, "-", label=f"Z0 {i + 1}")
            curve.set_gid(f"curve-Z0-{i + 1}-{i + 1}")
        ax.set_ylabel("|Z0| (Ω)", fontsize=8)
    for ax in axes:
        ax.set_xscale("log")
        ax.tick_params(labelsize=7)
        ax.legend(fontsize=6, loc="center left", bbox_to_anchor=(1.01, 0.5))
    axes[-1].set_xlabel("frequency (Hz)")
    axes[0].set_title(title or "per-unit-length parameters", fontsize=9)
    figure.tight_layout()
    save(figure, output)


def main() -> None:
    arguments = command_line(__doc__.splitlines()[0], "a deck file or a csv export")
    plot(arguments.source, arguments.output, title=os.path.basename(arguments.source))


if __name__ == "__main__":
    main()
