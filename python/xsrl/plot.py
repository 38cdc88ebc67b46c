"""The sweep of a deck against frequency: python3 -m xsrl.plot DECK_OR_CSV [-o FILE].

R on log-log axes, L in nH/m, and when the capacitance is computed C in pF/m, G, the
characteristic impedance, the effective permittivity and the loss in dB/m: of the line for one
port, of the differential, common, odd and even modes for a pair, of each line and mode for more.
One curve per matrix entry (self terms solid, mutual terms i < j dashed), a marker on every
computed point; each curve is an SVG group with the id curve-QUANTITY-LABEL. The source is a
Result, an xsrl.Deck, a deck file (solved here) or a csv export of the command line.
"""
from __future__ import annotations

import csv
import os
from typing import List, Optional, Tuple, Union

import numpy as np
from matplotlib.figure import Figure

from ._deck import Deck
from ._figure import command_line, new_figure, save
from ._result import Result
from ._solve import solve

# Symbol, axis label, csv unit, scale to the axis unit, log-log axes.
MATRICES = (("R", "R (Ω/m)", "ohm", 1.0, True), ("L", "L (nH/m)", "H", 1e9, False),
            ("C", "C (pF/m)", "F", 1e12, False), ("G", "G (S/m)", "S", 1.0, True))
# Each curve of a panel gets the next marker, so that curves lying on one another still show.
MARKERS = "osv^DP"
# Beyond this many ports only the self terms and the mutual terms of neighbours are drawn.
ALL_ENTRIES_UP_TO = 4


def read_csv(path: str) -> Result:
    """The sweep of a csv export as a Result; its ports are taken to be signals 1 .. n."""
    with open(path, newline="") as file:
        rows = list(csv.reader(file))
    columns = {name: np.array([float(row[k]) for row in rows[1:]]) for k, name in enumerate(rows[0])}
    n = int(round(np.sqrt(sum(name.startswith("R_") for name in columns))))
    matrices = {}
    for symbol, _, unit, _, _ in MATRICES:
        names = [[f"{symbol}_{i + 1}_{j + 1}_{unit}_per_m" for j in range(n)] for i in range(n)]
        if names[0][0] in columns:
            matrices[symbol] = np.stack([np.stack([columns[name] for name in row], axis=-1) for row in names], axis=-2)
    return Result(columns["f_Hz"], matrices["R"], matrices["L"], matrices.get("C"), matrices.get("G"),
                  [(k + 1, True) for k in range(n)], deck_path=path)


def result_of(source: Union[Result, Deck, str, "os.PathLike[str]"]) -> Result:
    """A Result as it is, a Deck solved, or a file: a csv export (by its extension) or a deck solved."""
    if isinstance(source, Result):
        return source
    if isinstance(source, Deck):
        return solve(deck=source)
    if os.fspath(source).endswith(".csv"):
        return read_csv(os.fspath(source))
    return solve(source)


def _entries(n: int) -> List[Tuple[int, int]]:
    return [(i, j) for i in range(n) for j in range(i, n) if n <= ALL_ENTRIES_UP_TO or j - i <= 1]


def _draw(axes, freq: np.ndarray, values: np.ndarray, label: str, gid: str, dashed: bool = False) -> None:
    marker = MARKERS[len(axes.get_lines()) % len(MARKERS)]
    (curve,) = axes.plot(freq, values, "--" if dashed else "-", label=label, marker=marker, markersize=4,
                         markerfacecolor="none" if dashed else None)
    curve.set_gid(gid)


def _matrix_panel(axes, result: Result, symbol: str, label: str, scale: float, log: bool) -> None:
    """One curve per entry; on log axes mutual terms are drawn by magnitude (|R12|)."""
    values = getattr(result, symbol) * scale
    for i, j in _entries(values.shape[1]):
        curve = values[:, i, j]
        name = f"{symbol}{i + 1}{j + 1}"
        if log and i != j:
            curve, name = np.abs(curve), f"|{name}|"
        _draw(axes, result.freq, curve, name, f"curve-{symbol}-{i + 1}-{j + 1}", dashed=i != j)
    _finish(axes, label, log=log and bool(np.all(np.abs(values) > 0)))


def _finish(axes, label: str, log: bool = False) -> None:
    axes.set_xscale("log")
    if log:
        axes.set_yscale("log")
    axes.set_ylabel(label)
    axes.grid(True, which="major", alpha=0.3)
    if len(axes.get_lines()) > 1:
        axes.legend(fontsize=7, ncol=2 if len(axes.get_lines()) > 4 else 1)


def _line_panels(impedance, permittivity, loss, result: Result) -> None:
    """Z0, eps_eff and loss: of the line, of the modes of a pair, or of each line and mode."""
    freq = result.freq
    n = len(result.ports)
    if n == 2:
        pair = result.pair()
        for name, z in (("differential", pair.differential), ("common", pair.common), ("odd", pair.odd),
                        ("even", pair.even)):
            _draw(impedance, freq, np.abs(z), f"Z {name}", f"curve-Z0-{name}", dashed=name in ("odd", "even"))
        for name, eps, db in (("odd", pair.eps_eff_odd, pair.loss_odd_db_per_m),
                              ("even", pair.eps_eff_even, pair.loss_even_db_per_m)):
            _draw(permittivity, freq, eps, f"{name} mode", f"curve-eps-{name}")
            _draw(loss, freq, db, f"{name} mode", f"curve-loss-{name}")
    else:
        z0, eps, db = result.z0(), result.eps_eff(), result.loss_db_per_m()
        for k in range(n):
            line = "Z0" if n == 1 else f"Z0 of port {k + 1}"
            mode = "line" if n == 1 else f"mode {k + 1}"
            _draw(impedance, freq, np.abs(z0[:, k]), line, f"curve-Z0-{k + 1}")
            _draw(permittivity, freq, eps[:, k], mode, f"curve-eps-{k + 1}")
            _draw(loss, freq, db[:, k], mode, f"curve-loss-{k + 1}")
    _finish(impedance, "|Z| (Ω)")
    _finish(permittivity, "effective εr")
    _finish(loss, "loss (dB/m)", log=all(np.all(curve.get_ydata() > 0) for curve in loss.get_lines()))


def _summary(result: Result) -> str:
    """The ports and counts of the result, line by line."""
    lines = [f"port {k + 1}: conductor {c} ({'signal' if signal else 'ground'})"
             for k, (c, signal) in enumerate(result.ports)]
    if result.ribbon_count:
        panels = f", {result.panel_count} panels" if result.panel_count else ""
        lines.append(f"{result.ribbon_count} ribbons{panels}")
    return "\n".join(lines)


def plot(source: Union[Result, Deck, str, "os.PathLike[str]"], output: Optional[str] = None,
         title: Optional[str] = None, figure: Optional[Figure] = None) -> Figure:
    """Draws the sweep of `source` (a Result, an xsrl.Deck, a deck file or a csv export) and
    returns the Figure; `output` (.svg or .png) also saves it. `figure`: draw into this one
    (e.g. pyplot.figure(), to show it in a window) instead of a new one."""
    result = result_of(source)
    # The line quantities need a loop report whose C is not zero (a lone conductor's is).
    with_line = (result.C is not None and all(signal for _, signal in result.ports)
                 and bool(np.all(np.diagonal(result.C, axis1=1, axis2=2) > 0)))
    panels = 4 + 3 * with_line if result.C is not None else 2
    rows = (panels + 1) // 2
    figure = new_figure((10.0, 2.6 * rows + 0.6), figure)
    grid = figure.subplots(rows, 2, sharex=True, squeeze=False).ravel()
    for (symbol, label, _, scale, log), axes in zip(MATRICES, grid):
        if getattr(result, symbol) is not None:
            _matrix_panel(axes, result, symbol, label, scale, log)
    if with_line:
        _line_panels(grid[4], grid[5], grid[6], result)
    for axes in grid[panels:]:
        axes.axis("off")
        axes.text(0.05, 0.95, _summary(result), va="top", fontsize=9, transform=axes.transAxes)
    for axes in grid[max(panels - 2, 0):panels]:
        axes.set_xlabel("frequency (Hz)")
        axes.xaxis.set_tick_params(labelbottom=True)
    heading = title or os.path.basename(result.deck_path)
    if panels % 2 == 0:
        heading += "  (ports: " + ", ".join(f"{k + 1} = conductor {c}" for k, (c, _) in enumerate(result.ports)) + ")"
    figure.suptitle(heading, fontsize=10)
    if output is not None:
        save(figure, output)
    return figure


def main() -> None:
    arguments = command_line(__doc__.splitlines()[0], "a deck file or a csv export")
    plot(arguments.source, arguments.output, title=os.path.basename(arguments.source))


if __name__ == "__main__":
    main()
