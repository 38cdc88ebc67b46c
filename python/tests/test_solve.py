"""xsrl.solve and xsrl.ribbons against the command line: the same values and errors, no output,
no files unless asked, checked arguments."""
import csv
import math
import pickle
import re
import subprocess

import numpy as np
import pytest

import xsrl
from conftest import EXAMPLES, SOURCE_DIR

TWO_STRIPS = SOURCE_DIR / "examples" / "two-strips-over-plate.deck"
MICROSTRIP = SOURCE_DIR / "examples" / "microstrip-fr4.deck"


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


def test_path_text_and_thread_counts_agree_and_nothing_is_printed_or_written(capfd, tmp_path, monkeypatch):
    monkeypatch.chdir(tmp_path)
    by_path = xsrl.solve(TWO_STRIPS)
    by_text = xsrl.solve(deck=TWO_STRIPS.read_text())
    one_thread = xsrl.solve(str(TWO_STRIPS), threads=1)
    structure = xsrl.ribbons(deck=TWO_STRIPS.read_text())
    for other in (by_text, one_thread):
        assert np.array_equal(other.R, by_path.R) and np.array_equal(other.L, by_path.L)
    assert by_path.ports == [(2, True), (3, True), (4, True)]
    assert by_path.ribbon_count == len(structure.kind) == 33 and by_path.panel_count == 0
    assert capfd.readouterr() == ("", "")
    assert list(tmp_path.iterdir()) == []


def test_progress_reaches_the_end_of_each_stage():
    calls = []
    xsrl.solve(TWO_STRIPS, progress=lambda *call: calls.append(call))
    ends = {stage: (done, total) for stage, done, total in calls}
    assert ends == {"inductance fill": (33 * 34 // 2, 33 * 34 // 2), "sweep": (11, 11)}
    assert [stage for stage, _, _ in calls] == sorted(stage for stage, _, _ in calls)  # the fill first


def test_induc_is_read_back_from_the_working_folder_and_non_finite_results_raise(tmp_path):
    written = xsrl.solve(TWO_STRIPS, workdir=tmp_path)
    assert sorted(p.name for p in tmp_path.iterdir()) == ["induc", "plate"]
    read = xsrl.solve(TWO_STRIPS, mode="r", workdir=tmp_path)
    assert np.allclose(read.L, written.L, rtol=1e-3)
    # A finite partial inductance that drives the ribbon matrix to infinity, as the command
    # line's test does: the command line exits 1, solve raises.
    induc = tmp_path / "induc"
    induc.write_text(re.sub(r"\n2 3 \S+\n", "\n2 3 1e300\n", induc.read_text()))
    with pytest.raises(xsrl.SolveError, match=r"not finite, first at f=1\.0000e\+06 Hz"):
        xsrl.solve(TWO_STRIPS, mode="r", workdir=tmp_path)


def test_errors_carry_the_command_line_text_and_tell_memory_from_faults(binary, tmp_path):
    deck = tmp_path / "bad.deck"
    deck.write_text(".freq 1e6 1e9 2\nend\nline{ x1=0 x2=1 y1=0 y2=1 nx=0 }\nend\n")
    printed = subprocess.run([binary, str(deck), "w"], cwd=tmp_path, capture_output=True, text=True)
    with pytest.raises(xsrl.DeckError) as error:
        xsrl.solve(deck)
    assert isinstance(error.value, ValueError)
    assert "ERROR: " + str(error.value) == printed.stdout.strip().splitlines()[-1]
    # Refused before anything is allocated: a MemoryError, not a SolveError.
    with pytest.raises(xsrl.OutOfMemoryError, match="bytes are available") as refusal:
        xsrl.solve(deck=".freq 1e6 1e9 3\nend\nline{ x2=1 y1=0 nx=1000000000 }\nend\n")
    assert isinstance(refusal.value, MemoryError) and not isinstance(refusal.value, xsrl.SolveError)
    # Errors cross process boundaries (pools, Dask) intact.
    copy = pickle.loads(pickle.dumps(refusal.value))
    assert type(copy) is xsrl.OutOfMemoryError and str(copy) == str(refusal.value)


def test_arguments_are_checked():
    one_line = ".freq 1e6 1e9 2 end line{ x1=0 x2=1 y1=0 y2=1 } line{ x1=2 x2=3 y1=0 y2=1 v=0 } end"
    assert xsrl.solve(deck=one_line).L.shape == (3, 1, 1)  # text by keyword, even on one line
    with pytest.raises(xsrl.DeckError, match="cannot open the deck"):
        xsrl.solve(one_line)  # the first argument is always a path
    for wrong in ({}, {"path": TWO_STRIPS, "deck": one_line}, {"path": 3}):
        with pytest.raises(TypeError):
            xsrl.solve(**wrong)
    for threads, error in ((0, ValueError), (-1, ValueError), (2.7, TypeError), (2.0, TypeError), (True, TypeError)):
        with pytest.raises(error, match="threads"):
            xsrl.solve(TWO_STRIPS, threads=threads)
    with pytest.raises(ValueError, match="mode"):
        xsrl.solve(TWO_STRIPS, mode="x")
    with pytest.raises(FileNotFoundError, match="working folder"):
        xsrl.solve(TWO_STRIPS, workdir="/no/such/folder")
    result = xsrl.solve(MICROSTRIP)
    wrong = ((-1e-3, 50), (0.0, 50), (math.nan, 50), (math.inf, 50), (1e-3, 0), (1e-3, -50), (1e-3, math.nan))
    for length, z0 in wrong:
        with pytest.raises(ValueError, match="length" if z0 == 50 else "z0"):
            result.to_touchstone("never.s2p", length=length, z0=z0)


def test_exports_from_a_pickled_result_equal_the_command_line(binary, tmp_path):
    subprocess.run([binary, "--export", "csv,touchstone,rlgc,spice", "--length", "1000", str(MICROSTRIP), "w"],
                   cwd=tmp_path, check=True, capture_output=True)
    result = pickle.loads(pickle.dumps(xsrl.solve(MICROSTRIP)))
    result.to_csv(tmp_path / "python.csv")
    result.to_touchstone(tmp_path / "python.s2p", length=1e-3)
    result.to_rlgc(tmp_path / "python.rlgc")
    result.to_spice(tmp_path / "python.sp", length=1e-3)
    for extension in ("csv", "s2p", "rlgc", "sp"):
        command_line = (tmp_path / f"microstrip-fr4.{extension}").read_bytes()
        assert (tmp_path / f"python.{extension}").read_bytes() == command_line
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
