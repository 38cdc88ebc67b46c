"""xsrl.view and xsrl.plot: Figures an engineer reads at a glance, no backend set on import, and
the command line's SVG (one shape per ribbon, one line per curve) and PNG."""
import os
import struct
import subprocess
import sys
import xml.etree.ElementTree as ElementTree

import numpy as np
from matplotlib.figure import Figure

import xsrl
import xsrl.plot
import xsrl.view
from conftest import SOURCE_DIR

TWO_STRIPS = SOURCE_DIR / "examples" / "two-strips-over-plate.deck"
STRIPLINE_PAIR = SOURCE_DIR / "examples" / "stripline-differential-pair.deck"


def ids_with_prefix(svg_path, prefix):
    """The ids of the SVG elements whose id starts with `prefix` (parsing the file as XML)."""
    return [e.get("id") for e in ElementTree.parse(svg_path).iter() if (e.get("id") or "").startswith(prefix)]


def run_module(module, *arguments):
    subprocess.run([sys.executable, "-m", module, *map(str, arguments)], check=True, capture_output=True)


def test_importing_the_pictures_chooses_no_backend():
    probe = ("import sys, matplotlib; chosen = matplotlib.rcParams._get_backend_or_none(); "
             "import xsrl.plot, xsrl.view; "
             "assert 'matplotlib.pyplot' not in sys.modules; "
             "assert matplotlib.rcParams._get_backend_or_none() == chosen")
    environment = {name: value for name, value in os.environ.items() if name != "MPLBACKEND"}
    subprocess.run([sys.executable, "-c", probe], check=True, env=environment)


def test_plot_of_a_pair_reads_at_a_glance():
    result = xsrl.solve(STRIPLINE_PAIR)
    figure = xsrl.plot.plot(result)
    assert isinstance(figure, Figure)
    axes = {a.get_ylabel(): a for a in figure.axes if a.get_ylabel()}
    assert axes["R (Ω/m)"].get_yscale() == "log" and axes["R (Ω/m)"].get_xscale() == "log"
    assert np.allclose(axes["L (nH/m)"].get_lines()[0].get_ydata(), result.L[:, 0, 0] * 1e9)
    assert np.allclose(axes["C (pF/m)"].get_lines()[0].get_ydata(), result.C[:, 0, 0] * 1e12)
    assert all(line.get_marker() not in (None, "None", "") for a in figure.axes for line in a.get_lines())
    # The impedances of the pair, not sqrt(Z11 / Y11) of a line alone.
    curves = {line.get_gid(): line.get_ydata() for line in axes["|Z| (Ω)"].get_lines()}
    assert np.allclose(curves["curve-Z0-differential"], np.abs(result.pair().differential))
    assert 95 < curves["curve-Z0-differential"][-1] < 105 and 47 < curves["curve-Z0-odd"][-1] < 53
    assert {"effective εr", "loss (dB/m)", "G (S/m)"} <= set(axes)


def test_view_is_zoomed_numbered_and_in_plain_words():
    figure = xsrl.view.view(STRIPLINE_PAIR)
    (axes,) = figure.axes
    left, right = axes.get_xlim()
    assert -600 < left and right < 600  # the plates run from -1500 to 1500 µm
    words = [t.get_text() for t in axes.texts] + [t.get_text() for t in axes.get_legend().get_texts()]
    assert {"1", "2", "3", "4", "port 1", "port 2"} <= set(words)
    assert any("εr = 4.3" in w for w in words) and any("plate runs on" in w for w in words)
    assert not any("kind" in w or "Plate" in w for w in words)


def test_svg_has_one_shape_per_ribbon_and_one_line_per_curve(tmp_path):
    xsrl.view.view(TWO_STRIPS, tmp_path / "view.svg")
    assert len(ids_with_prefix(tmp_path / "view.svg", "ribbon-")) == len(xsrl.ribbons(TWO_STRIPS).kind)
    # Three ports: six entries i <= j of R and of L.
    xsrl.plot.plot(TWO_STRIPS, tmp_path / "strips.svg")
    assert len(ids_with_prefix(tmp_path / "strips.svg", "curve-")) == 12
    # From the command line, one port with C and G, from a csv export: R, L, C, G, Z0, eps_eff, loss.
    xsrl.solve(SOURCE_DIR / "examples" / "microstrip-fr4.deck").to_csv(tmp_path / "microstrip.csv")
    run_module("xsrl.plot", tmp_path / "microstrip.csv", "-o", tmp_path / "microstrip.svg")
    assert sorted(ids_with_prefix(tmp_path / "microstrip.svg", "curve-")) == [
        "curve-C-1-1", "curve-G-1-1", "curve-L-1-1", "curve-R-1-1", "curve-Z0-1", "curve-eps-1", "curve-loss-1"]


def test_png_has_the_figure_size(tmp_path):
    figure = xsrl.view.view(TWO_STRIPS, tmp_path / "view.png")
    header = (tmp_path / "view.png").read_bytes()[:24]
    assert header[:8] == b"\x89PNG\r\n\x1a\n"
    width, height = figure.get_size_inches() * figure.dpi
    assert struct.unpack(">II", header[16:24]) == (round(width), round(height))
