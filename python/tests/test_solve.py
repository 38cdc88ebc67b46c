"""xsrl.solve and xsrl.ribbons against the command line."""
import csv
import subprocess

import numpy as np
import pytest

import xsrl
from conftest import EXAMPLES, SOURCE_DIR

TWO_STRIPS = SOURCE_DIR / "examples" / "two-strips-over-plate.deck"


def command_line_csv(binary, deck, folder):
    """The columns of the csv export of the command line's run of `deck` in `folder`."""
    subprocess.run([binary, "--export", "csv", str(deck), "w"], cwd=folder, check=True, capture_output=True)
    with open(folder / (deck.stem + ".csv"), newline="") as file:
        rows = list(csv.reader(file))
    return {name: np.array([float(row[k]) for row in rows[1:]]) for k, name in enumerate(rows[0])}


@pytest.mark.parametrize("deck", EXAMPLES, ids=lambda deck: deck.stem)
def test_result_equals_the_command_line_to_the_bit(deck, binary, tmp_path):
    columns = command_line_csv(binary, deck, tmp_path)
    result = xsrl.solve(deck)
    assert np.array_equal(result.freq, columns["f_Hz"])
    n = len(result.ports)
    matrices = [("R", "ohm", result.R), ("L", "H", result.L)]
    if result.C is not None:
        matrices += [("C", "F", result.C), ("G", "S", result.G)]
    assert len(columns) == 1 + len(matrices) * n * n
    for symbol, unit, values in matrices:
        assert values.shape == (len(result.freq), n, n) and values.dtype == np.float64
        for i in range(n):
            for j in range(n):
                assert np.array_equal(values[:, i, j], columns[f"{symbol}_{i + 1}_{j + 1}_{unit}_per_m"])


def test_deck_text_and_path_and_thread_counts_agree():
    by_path = xsrl.solve(TWO_STRIPS)
    by_text = xsrl.solve(TWO_STRIPS.read_text())
    one_thread = xsrl.solve(str(TWO_STRIPS), threads=1)
    for other in (by_text, one_thread):
        assert np.array_equal(other.R, by_path.R) and np.array_equal(other.L, by_path.L)
    assert by_path.ports == [(2, True), (3, True), (4, True)]


def test_induc_is_read_back_from_the_working_folder(tmp_path):
    written = xsrl.solve(TWO_STRIPS, workdir=tmp_path)
    assert (tmp_path / "induc").exists() and (tmp_path / "plate").exists()
    read = xsrl.solve(TWO_STRIPS, mode="r", workdir=tmp_path)
    assert np.allclose(read.L, written.L, rtol=1e-3)


def test_a_bad_deck_raises_deck_error_with_the_command_line_text(binary, tmp_path):
    deck = tmp_path / "bad.deck"
    deck.write_text(".freq 1e6 1e9 2\nend\nline{ x1=0 x2=1 y1=0 y2=1 nx=0 }\nend\n")
    printed = subprocess.run([binary, str(deck), "w"], cwd=tmp_path, capture_output=True, text=True)
    assert printed.returncode == 1
    with pytest.raises(xsrl.DeckError) as error:
        xsrl.solve(deck)
    assert isinstance(error.value, ValueError)
    assert "ERROR: " + str(error.value) == printed.stdout.strip().splitlines()[-1]


def test_exports_use_the_command_line_writers(binary, tmp_path):
    deck = SOURCE_DIR / "examples" / "microstrip-fr4.deck"
    subprocess.run([binary, "--export", "csv,touchstone", "--length", "1000", str(deck), "w"],
                   cwd=tmp_path, check=True, capture_output=True)
    result = xsrl.solve(deck)
    result.to_csv(tmp_path / "python.csv")
    result.to_touchstone(tmp_path / "python.s2p", length=1e-3)
    assert (tmp_path / "python.csv").read_bytes() == (tmp_path / "microstrip-fr4.csv").read_bytes()
    python_lines = (tmp_path / "python.s2p").read_text().splitlines()
    assert python_lines == (tmp_path / "microstrip-fr4.s2p").read_text().splitlines()
    with pytest.raises(xsrl.SolveError, match="touchstone needs the capacitance"):
        xsrl.solve(TWO_STRIPS).to_touchstone(tmp_path / "none.s6p", length=1.0)


def test_ribbons_without_solving():
    structure = xsrl.ribbons(TWO_STRIPS)
    assert structure.corners.shape == (len(structure.kind), 4)
    assert sorted(set(structure.conductor)) == [1, 2, 3, 4]
    assert list(structure.kind[structure.conductor == 4]) == [10] * 16
    assert [c["shape"] for c in structure.conductors] == ["plate", "line", "line", "circle"]
    assert structure.dielectrics == []


def test_lc_check_is_the_number_the_command_line_notes(binary, tmp_path):
    deck = SOURCE_DIR / "examples" / "microstrip-fr4.deck"
    check = xsrl.solve(deck).lc_check
    assert 0 < check < 0.05  # L and C of the trace agree within the normal discretization
    printed = subprocess.run([binary, str(deck), "w"], cwd=tmp_path, capture_output=True, text=True, check=True)
    assert f"note: L-C check {check:.1e} (largest entry of c0^2 (L - R/omega) C0 - I" in printed.stderr
    assert np.isnan(xsrl.solve(TWO_STRIPS).lc_check)  # no capacitance
