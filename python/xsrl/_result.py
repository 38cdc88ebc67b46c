"""Result: a solved sweep as plain NumPy arrays (so it pickles), its exports, and the line
quantities engineers compute first from R, L, G and C."""
from __future__ import annotations

import math
import os
from dataclasses import dataclass, field
from typing import List, Optional, Tuple

import numpy as np

from . import _xsrl

# The speed of light in vacuum, m/s.
C0 = 299792458.0
# Neper to decibel: 20 log10(e).
DB_PER_NEPER = 20.0 / math.log(10.0)


def _positive(name: str, value: float) -> float:
    """`value` as a float when it is a finite number above zero; ValueError otherwise."""
    number = float(value)
    if not (math.isfinite(number) and number > 0.0):
        raise ValueError(f"{name} must be a finite number above zero; got {value!r}")
    return number


@dataclass(frozen=True)
class Modes:
    """The propagation modes of a multiconductor line at every frequency, from the eigenvalues
    and eigenvectors of Z Y (Z = R + jωL, Y = G + jωC, per metre).

    gamma: propagation constants α + jβ (1/m), shape (nf, n), β > 0, sorted by ascending β.
    vectors: the modal voltages, column k of vectors[f] the mode gamma[f, k], shape (nf, n, n).
    zc: the characteristic impedance matrix, V = Zc I for waves travelling forward,
      Zc = T diag(1/γ) T⁻¹ Z with T the vectors (ohm), shape (nf, n, n).
    """

    gamma: np.ndarray
    vectors: np.ndarray
    zc: np.ndarray


@dataclass(frozen=True)
class Pair:
    """The impedances and modes of a coupled pair, each shape (nf,); impedances complex (ohm).

    differential: Zdiff = Zc11 + Zc22 − Zc12 − Zc21, the impedance seen by a differential
      signal (V1 − V2 over the current I1 = −I2).
    common: Zcomm = (Zc11 + Zc22 + Zc12 + Zc21) / 4, seen by a common signal ((V1 + V2)/2 over
      I1 + I2 with I1 = I2).
    odd, even: Zodd = Zdiff / 2 and Zeven = 2 Zcomm. For a symmetric pair these are
      sqrt((Z11 − Z12) / (Y11 − Y12)) and sqrt((Z11 + Z12) / (Y11 + Y12)); lossless,
      sqrt((L11 − L12) / (C11 − C12)) and sqrt((L11 + L12) / (C11 + C12)).
    eps_eff_odd, eps_eff_even, loss_odd_db_per_m, loss_even_db_per_m: those of the odd mode
      (the one whose two voltages have opposite signs) and of the even mode; see Result.eps_eff
      and Result.loss_db_per_m.
    """

    differential: np.ndarray
    common: np.ndarray
    odd: np.ndarray
    even: np.ndarray
    eps_eff_odd: np.ndarray
    eps_eff_even: np.ndarray
    loss_odd_db_per_m: np.ndarray
    loss_even_db_per_m: np.ndarray


@dataclass
class Result:
    """A solved sweep, in SI units per metre, as plain NumPy arrays (it pickles).

    freq: frequencies in Hz, shape (nf,).
    R, L: resistance (ohm/m) and inductance (H/m), shape (nf, n, n).
    C, G: capacitance (F/m) and conductance (S/m), shape (nf, n, n), or None when the deck
      does not compute them (no dielectric block and no ".capacitance yes").
    ports: per row and column, (conductor number from 1 in deck order, is a signal).
    deck_path: the deck's path, or "deck" for deck text; the exports name it.
    ribbon_count, panel_count: the conductors were cut into so many ribbons, their outlines into
      so many capacitance panels (0 without C).
    warnings: the deck's warnings; the solve went on.
    lc_check: the L-C check at the highest frequency, how far c0^2 (L - R/omega) C0 is from
      the identity (C0 the capacitance in vacuum; see the README), the number the command
      line notes on standard error; NaN without C or for a single conductor.
    lc_check_note: the command line's note of it ("L-C check ..."), which the exports carry;
      empty with NaN.
    """

    freq: np.ndarray
    R: np.ndarray
    L: np.ndarray
    C: Optional[np.ndarray]
    G: Optional[np.ndarray]
    ports: List[Tuple[int, bool]]
    deck_path: str = "deck"
    ribbon_count: int = 0
    panel_count: int = 0
    warnings: List[str] = field(default_factory=list)
    lc_check: float = math.nan
    lc_check_note: str = ""

    # Exports: the command line's writers, fed with these arrays.

    def _export(self, kind: str, path: "os.PathLike[str] | str", length: float = 0.0, z0: float = 50.0) -> None:
        _xsrl.write_export(kind, os.fspath(path), self.deck_path, self.freq, self.R, self.L, self.C, self.G,
                           [(int(c), bool(s)) for c, s in self.ports], self.lc_check, self.lc_check_note, length, z0)

    def to_csv(self, path: "os.PathLike[str] | str") -> None:
        """Writes the sweep as the command line's `csv` export (the same bytes)."""
        self._export("csv", path)

    def to_touchstone(self, path: "os.PathLike[str] | str", length: float, z0: float = 50.0) -> None:
        """Writes the S-parameters of a line `length` metres long, every port referred to `z0`
        ohm, as the command line's `touchstone` export. Needs C and G."""
        self._export("touchstone", path, _positive("length", length), _positive("z0", z0))

    def to_spice(self, path: "os.PathLike[str] | str", length: float, z0: float = 50.0) -> None:
        """Writes a SPICE subcircuit of a line `length` metres long, as the command line's `spice`
        export; its stated error is measured at reference impedance `z0` ohm. Needs C and G."""
        self._export("spice", path, _positive("length", length), _positive("z0", z0))

    def to_rlgc(self, path: "os.PathLike[str] | str") -> None:
        """Writes the RLGC model of a SPICE W element, as the command line's `rlgc` export.
        Needs C and G."""
        self._export("rlgc", path)

    # Line quantities. Z = R + jωL and Y = G + jωC are the series impedance and shunt admittance
    # per metre; every one needs C and G and a loop report (ports all signals).

    def modes(self) -> Modes:
        """The modes of the line (see Modes): γ² are the eigenvalues of Z Y."""
        if self.C is None or self.G is None:
            raise ValueError("the line quantities need C and G: add .capacitance yes or a dielectric block")
        if not all(signal for _, signal in self.ports):
            raise ValueError("the line quantities need a loop report (.partial no): the ports include grounds")
        omega = 2.0 * np.pi * self.freq[:, None, None]
        z = self.R + 1j * omega * self.L
        y = self.G + 1j * omega * self.C
        squares, vectors = np.linalg.eig(z @ y)
        gamma = np.sqrt(squares)
        # The root of the wave travelling forward: phase falling along the line.
        gamma = np.where(gamma.imag < 0.0, -gamma, gamma)
        order = np.argsort(gamma.imag, axis=1)
        gamma = np.take_along_axis(gamma, order, axis=1)
        vectors = np.take_along_axis(vectors, order[:, None, :], axis=2)
        zc = vectors @ (np.linalg.inv(vectors) / gamma[:, :, None]) @ z
        return Modes(gamma, vectors, zc)

    def z0(self) -> np.ndarray:
        """Characteristic impedance (ohm, complex), shape (nf, n). For a single line
        Z0 = sqrt((R + jωL) / (G + jωC)); for several, entry i is Zc_ii, the diagonal of the
        characteristic impedance matrix (see Modes): line i's impedance to a wave travelling
        forward when no other line carries current. For a pair, see pair()."""
        return np.diagonal(self.modes().zc, axis1=1, axis2=2).copy()

    def eps_eff(self) -> np.ndarray:
        """Effective relative permittivity of each mode, (c0 β / ω)² with γ = α + jβ the roots of
        the eigenvalues of Z Y (c0² L C for a single lossless line); shape (nf, n), modes by
        ascending β."""
        beta = self.modes().gamma.imag
        return (C0 * beta / (2.0 * np.pi * self.freq[:, None])) ** 2

    def loss_db_per_m(self) -> np.ndarray:
        """Attenuation of each mode in dB/m, 20 log10(e) α = 8.686 α with γ = α + jβ; for a single
        line with small losses about 8.686 (R / (2 Z0) + G Z0 / 2). Shape (nf, n), modes in the
        order of eps_eff."""
        return DB_PER_NEPER * self.modes().gamma.real

    def pair(self) -> Pair:
        """Differential, common, odd- and even-mode impedances of a coupled pair, and the
        effective permittivity and loss of its odd and even modes (see Pair). Needs two ports."""
        if len(self.ports) != 2:
            raise ValueError(f"pair() needs a result of two ports; this one has {len(self.ports)}")
        modes = self.modes()
        zc = modes.zc
        differential = zc[:, 0, 0] + zc[:, 1, 1] - zc[:, 0, 1] - zc[:, 1, 0]
        common = (zc[:, 0, 0] + zc[:, 1, 1] + zc[:, 0, 1] + zc[:, 1, 0]) / 4.0
        # The odd mode: the one whose voltages are the most nearly opposite.
        v = modes.vectors
        alignment = (v[:, 0, :] * v[:, 1, :].conj()).real / (np.abs(v[:, 0, :]) * np.abs(v[:, 1, :]) + 1e-300)
        odd = np.argmin(alignment, axis=1)
        rows = np.arange(len(self.freq))
        gamma_odd, gamma_even = modes.gamma[rows, odd], modes.gamma[rows, 1 - odd]
        omega = 2.0 * np.pi * self.freq
        return Pair(differential=differential, common=common, odd=differential / 2.0, even=2.0 * common,
                    eps_eff_odd=(C0 * gamma_odd.imag / omega) ** 2, eps_eff_even=(C0 * gamma_even.imag / omega) ** 2,
                    loss_odd_db_per_m=DB_PER_NEPER * gamma_odd.real,
                    loss_even_db_per_m=DB_PER_NEPER * gamma_even.real)
