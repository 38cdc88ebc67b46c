"""The deck builder, and the line quantities of a Result against closed forms."""
import math

import numpy as np
import pytest

import xsrl
from conftest import SOURCE_DIR

C0 = 299792458.0
DB = 20 / math.log(10)
FREQ = np.array([1e6, 1e8, 1e10])


def line(R, L, G, C):
    """A Result of constant per-metre matrices (n x n lists) over FREQ."""
    stack = lambda m: np.repeat(np.array(m, dtype=float)[None], len(FREQ), axis=0)  # noqa: E731
    return xsrl.Result(FREQ, stack(R), stack(L), stack(C), stack(G), [(k + 1, True) for k in range(len(L))])


def test_the_builder_writes_the_deck_the_file_holds():
    built = (xsrl.Deck(freq=(1e6, 1e10, 4), unit="um", partial=False)
             .plate(x1=-1500, x2=1500, y1=-35, y2=0, v=0)
             .dielectric(x1=-1500, x2=1500, y1=0, y2=400, er=4.3, tand=0.02)
             .plate(x1=-1500, x2=1500, y1=400, y2=435, v=0))
    pair = built.line(x1=-180, x2=-75, y1=191, y2=209).line(x1=75, x2=180, y1=191, y2=209)
    assert built.text().count("{") == 3  # adding a block leaves the base deck as it was
    from_file = xsrl.solve(SOURCE_DIR / "examples" / "stripline-differential-pair.deck")
    from_builder = xsrl.solve(pair)
    for symbol in "RLCG":
        assert np.array_equal(getattr(from_builder, symbol), getattr(from_file, symbol))
    # Numbers read back to the very same double.
    assert "x1=0.1 " in xsrl.Deck(freq=(1e6, 1e9, 2)).line(x1=0.1, x2=1 / 3, y1=0, y2=1).text()
    assert "x2=0.3333333333333333 " in xsrl.Deck(freq=(1e6, 1e9, 2)).line(x1=0, x2=1 / 3, y1=0, y2=1).text()
    with pytest.raises(TypeError, match="not width"):
        xsrl.Deck(freq=(1e6, 1e9, 2)).line(x1=0, x2=1, y1=0, y2=1, width=3)
    with pytest.raises(TypeError, match="needs rad"):
        xsrl.Deck(freq=(1e6, 1e9, 2)).circle(xc=0, yc=0)
    with pytest.raises(ValueError, match="finite"):
        xsrl.Deck(freq=(1e6, 1e9, 2)).line(x1=0, x2=math.inf, y1=0, y2=1)


def test_a_single_line():
    L, C, tand = 250e-9, 100e-12, 0.02
    lossless = line([[0]], [[L]], [[0]], [[C]])
    assert np.allclose(lossless.z0()[:, 0], math.sqrt(L / C), rtol=1e-12, atol=0)
    assert np.allclose(lossless.eps_eff()[:, 0], C0 ** 2 * L * C, rtol=1e-12)
    assert np.all(np.abs(lossless.loss_db_per_m()) < 1e-9)
    # Dielectric loss alone, G = ω tand C: γ = jω sqrt(LC) sqrt(1 - j tand) exactly.
    omega = 2 * np.pi * FREQ
    lossy = xsrl.Result(FREQ, np.zeros((3, 1, 1)), np.full((3, 1, 1), L), np.full((3, 1, 1), C),
                        (omega * tand * C)[:, None, None], [(2, True)])
    alpha = omega * math.sqrt(L * C) * math.sqrt((math.sqrt(1 + tand ** 2) - 1) / 2)
    assert np.allclose(lossy.loss_db_per_m()[:, 0], DB * alpha, rtol=1e-12)
    # Small conductor loss: α ≈ R / (2 Z0) once ωL >> R.
    resistive = line([[5.0]], [[L]], [[0]], [[C]])
    assert resistive.loss_db_per_m()[-1, 0] == pytest.approx(DB * 5.0 / (2 * math.sqrt(L / C)), rel=1e-6)


def test_a_symmetric_pair_has_the_textbook_odd_and_even_modes():
    L11, L12, C11, C12 = 400e-9, 60e-9, 120e-12, -18e-12
    pair = line([[0, 0], [0, 0]], [[L11, L12], [L12, L11]], [[0, 0], [0, 0]], [[C11, C12], [C12, C11]]).pair()
    odd, even = math.sqrt((L11 - L12) / (C11 - C12)), math.sqrt((L11 + L12) / (C11 + C12))
    for values, expected in ((pair.odd, odd), (pair.even, even), (pair.differential, 2 * odd),
                             (pair.common, even / 2), (pair.eps_eff_odd, C0 ** 2 * (L11 - L12) * (C11 - C12)),
                             (pair.eps_eff_even, C0 ** 2 * (L11 + L12) * (C11 + C12))):
        assert np.allclose(values, expected, rtol=1e-12, atol=0)
    # Conductor loss of the odd mode: α ≈ (R11 - R12) / (2 Zodd).
    lossy = line([[8.0, 0.5], [0.5, 8.0]], [[L11, L12], [L12, L11]], [[0, 0], [0, 0]], [[C11, C12], [C12, C11]])
    assert lossy.pair().loss_odd_db_per_m[-1] == pytest.approx(DB * 7.5 / (2 * odd), rel=1e-6)


def test_solved_lines_match_their_closed_forms():
    # Two wires in vacuum at 1 GHz, many skin depths thick: Z0 = (η0 / π) acosh(D / 2a).
    wires = xsrl.solve(deck=(SOURCE_DIR / "examples" / "two-wire-line.deck").read_text()
                       .replace(".unit", ".capacitance yes\n.unit"))
    eta0 = 4e-7 * math.pi * C0
    assert abs(wires.z0()[-1, 0]) == pytest.approx(eta0 / math.pi * math.acosh(2.0), rel=0.01)
    assert wires.eps_eff()[-1, 0] == pytest.approx(1.0, rel=0.015)
    # The stripline pair's deck promises 50 ohm odd mode and 100 ohm differential.
    pair = xsrl.solve(SOURCE_DIR / "examples" / "stripline-differential-pair.deck").pair()
    assert abs(pair.differential[-1]) == pytest.approx(100, rel=0.02)
    with pytest.raises(ValueError, match="two ports"):
        xsrl.solve(SOURCE_DIR / "examples" / "microstrip-fr4.deck").pair()
