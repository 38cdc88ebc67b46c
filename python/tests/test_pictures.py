"""xsrl.view and xsrl.plot: SVG with one shape per ribbon and one line per curve, PNG of the figure size."""
import struct
import subprocess
import sys
import xml.etree.ElementTree as ElementTree

import xsrl
from conftest import SOURCE_DIR
from xsrl._figure import DPI, FIGSIZE

TWO_STRIPS = SOURCE_DIR / "examples" / "two-strips-over-plate.deck"
MICROSTRIP = SOURCE_DIR / "examples" / "microstrip-fr4.deck"


def ids_with_prefix(svg_path, prefix):
    """The ids of the SVG elements whose id starts with `prefix` (parsing the file as XML)."""
    return [e.get("id") for e in ElementTree.parse(svg_path).iter() if (e.get("id") or "").startswith(prefix)]


def run_module(module, *arguments):
    subprocess.run([sys.executable, "-m", module, *map(str, arguments)], check=True, capture_output=True)


def test_view_draws_one_shape_per_ribbon(tmp_path):
    run_module("xsrl.view", TWO_STRIPS, "-o", tmp_path / "view.svg")
    assert len(ids_with_prefix(tmp_path / "view.svg", "ribbon-")) == len(xsrl.ribbons(TWO_STRIPS).kind)


def test_plot_draws_one_line_per_curve_from_a_deck_or_a_csv(tmp_path):
    # Three ports: six entries i <= j of R and of L.
    run_module("xsrl.plot", TWO_STRIPS, "-o", tmp_path / "strips.svg")
    assert len(ids_with_prefix(tmp_path / "strips.svg", "curve-")) == 12
    # One port with C and G: R, L, C, G and Z0.
    xsrl.solve(MICROSTRIP).to_csv(tmp_path / "microstrip.csv")
    run_module("xsrl.plot", tmp_path / "microstrip.csv", "-o", tmp_path / "microstrip.svg")
    assert sorted(ids_with_prefix(tmp_path / "microstrip.svg", "curve-")) == [
        "curve-C-1-1", "curve-G-1-1", "curve-L-1-1", "curve-R-1-1", "curve-Z0-1-1"]


def test_png_has_the_figure_size(tmp_path):
    run_module("xsrl.view", TWO_STRIPS, "-o", tmp_path / "view.png")
    header = (tmp_path / "view.png").read_bytes()[:24]
    assert header[:8] == b"\x89PNG\r\n\x1a\n"
    assert struct.unpack(">II", header[16:24]) == (int(FIGSIZE[0] * DPI), int(FIGSIZE[1] * DPI))
