"""The command line's exports as the tools that load them see them: the S-parameters of every
example deck with capacitance reciprocal and passive, and the README's export examples the very
lines the program writes."""
import os
import re
import shutil
import subprocess

import numpy as np
import pytest

from conftest import EXAMPLES, SOURCE_DIR


def read_touchstone(path):
    """The frequencies and the S matrices of a Touchstone 1.1 file in RI format."""
    numbers = []
    ports = int(re.search(r"\.s(\d+)p$", str(path)).group(1))
    for line in path.read_text().splitlines():
        if line.startswith("#"):
            assert line.split()[:4] == ["#", "Hz", "S", "RI"]
        elif not line.startswith("!"):
            numbers += [float(word) for word in line.split()]
    blocks = np.array(numbers).reshape(-1, 1 + 2 * ports * ports)
    s = (blocks[:, 1::2] + 1j * blocks[:, 2::2]).reshape(-1, ports, ports)
    if ports == 2:  # S11 S21 S12 S22: column by column
        s = s.transpose(0, 2, 1)
    return blocks[:, 0], s


@pytest.mark.parametrize("deck", EXAMPLES, ids=lambda deck: deck.stem)
def test_touchstone_is_reciprocal_and_passive(deck, binary, tmp_path):
    # 10 cm in a micrometre deck, 100 m in a millimetre one: any length must do.
    run = subprocess.run([binary, "--export", "touchstone", "--length", "1e5", str(deck), "w"], cwd=tmp_path,
                         capture_output=True, text=True)
    if "needs the capacitance" in run.stdout:
        pytest.skip("no capacitance")
    assert run.returncode == 0, run.stdout
    freq, s = read_touchstone(next(tmp_path.glob(deck.stem + ".s*p")))
    assert len(freq) >= 2
    assert np.abs(s - s.transpose(0, 2, 1)).max() <= 1e-12
    assert np.linalg.svd(s, compute_uv=False).max() <= 1 + 1e-12


def readme_examples():
    """Each example block of the README: the command after `<!-- output of: ... -->`, the file it
    names and the block's lines (four spaces in), `...` where lines are left out."""
    text = (SOURCE_DIR / "README.md").read_text()
    found = re.findall(r"<!-- output of: xsrl (.*?) \(file (.*?)\) -->\n\n((?:    .*\n|\n(?=    ))+)", text)
    return [(command.split(), file, [line[4:] for line in block.splitlines()]) for command, file, block in found]


@pytest.mark.parametrize("command, file, quoted", readme_examples(), ids=lambda value: str(value)[:40])
def test_readme_examples_are_what_the_program_writes(command, file, quoted, binary, tmp_path):
    deck = command[-2]
    shutil.copy(SOURCE_DIR / "examples" / deck, tmp_path / deck)
    # As the README's lines were made: C and G with one OpenBLAS thread, to the last bit.
    run = subprocess.run([binary] + command, cwd=tmp_path, capture_output=True, text=True,
                         env=dict(os.environ, OPENBLAS_NUM_THREADS="1"))
    assert run.returncode == 0, run.stdout
    written = (tmp_path / file).read_text().splitlines()
    if "..." not in quoted:
        assert written == quoted
        return
    # The quoted pieces between the `...` stand in the file in their order, the first at its
    # start and the last at its end.
    pieces = [[]]
    for line in quoted:
        if line == "...":
            pieces.append([])
        else:
            pieces[-1].append(line)
    assert written[:len(pieces[0])] == pieces[0]
    at = len(pieces[0])
    for piece in pieces[1:-1]:
        found = next((k for k in range(at, len(written) - len(piece) + 1) if written[k:k + len(piece)] == piece), None)
        assert found is not None, piece
        at = found + len(piece)
    last = pieces[-1]
    assert written[len(written) - len(last):] == last
    assert len(written) - len(last) > at


def test_the_readme_shows_an_example_of_every_export():
    assert sorted(file.rsplit(".", 1)[1] for _, file, _ in readme_examples()) == ["csv", "rlgc", "s2p", "sp"]
