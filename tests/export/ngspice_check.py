#!/usr/bin/python3
"""The SPICE export run in ngspice against the Touchstone export.

For every example deck that computes the capacitance, a 10 cm line is written both ways. An AC
run of the subcircuit, one copy per driven port with every port on 50 ohm, gives its
S-parameters at the sweep's frequencies: each entry above -40 dB must be within 0.2 dB in
magnitude and 2 degrees in phase of the Touchstone file. A transient run of a 1 V step through
50 ohm into the first near end, every other port on 50 ohm, must stay finite and settle at the far
end, within 1 %, on the DC divider 50 / (100 + R l), R the resistance per metre at the lowest
frequency (10 ns after the step the skin effect still holds the line's resistance a little above
its DC value, as it does on the real line: about 0.5 % of the divider on the FR-4 microstrip);
the model's DC operating point must give the divider within 0.1 %.

Usage: ngspice_check.py XSRL EXAMPLES_FOLDER. Exits 77 (skipped) when ngspice is missing.
"""

import math
import pathlib
import re
import shutil
import subprocess
import sys
import tempfile

import numpy as np

LENGTH_METRES = 0.1
Z0 = 50.0
UNITS = {"m": 1.0, "cm": 1e-2, "mm": 1e-3, "um": 1e-6, "in": 0.0254, "mils": 2.54e-5, "ft": 0.3048}


def deck_scale(deck):
    match = re.search(r"^\.unit\s+(\S+)", deck.read_text(), re.MULTILINE)
    return UNITS[match.group(1)] if match else 1.0


def read_touchstone(path, ports):
    numbers = []
    for line in path.read_text().splitlines():
        if line.startswith(("!", "#")):
            continue
        numbers += [float(v) for v in line.split()]
    per_point = 1 + 2 * ports * ports
    frequencies, matrices = [], []
    for k in range(0, len(numbers), per_point):
        block = numbers[k : k + per_point]
        values = np.array(block[1::2]) + 1j * np.array(block[2::2])
        s = values.reshape(ports, ports)
        frequencies.append(block[0])
        matrices.append(s.T if ports == 2 else s)  # two-port files go column by column
    return frequencies, matrices


def run_ngspice(netlist, folder, name):
    """Runs ngspice on the netlist and returns what it printed."""
    path = folder / name
    path.write_text(netlist)
    done = subprocess.run(["ngspice", "-b", str(path)], cwd=folder, capture_output=True, text=True, timeout=120)
    # ngspice checks each system of coupled coils; one not positive definite would not be passive.
    if done.returncode != 0 or "positive definite" in done.stdout + done.stderr:
        sys.exit(f"ngspice failed on {name}:\n{done.stdout[-2000:]}\n{done.stderr[-2000:]}")
    return done.stdout


def terminated_copy(copy, subckt, ports, driven, source):
    """One instance of the line with every port on 50 ohm, port `driven` through the source."""
    nodes = [f"p{copy}_{k}" for k in range(ports)]
    lines = [f"X{copy} {' '.join(nodes)} 0 {subckt}"]
    for k, node in enumerate(nodes):
        if k == driven:
            lines.append(f"V{copy} s{copy} 0 {source}")
            lines.append(f"Rs{copy} s{copy} {node} {Z0}")
        else:
            lines.append(f"R{copy}_{k} {node} 0 {Z0}")
    return lines, nodes


def ac_scattering(model, subckt, ports, frequencies, folder):
    lines = ["* S-parameters of the subcircuit", f".include {model}"]
    vectors = []
    for driven in range(ports):
        copy, nodes = terminated_copy(driven, subckt, ports, driven, "dc 0 ac 1")
        lines += copy
        vectors += [f"v({node})" for node in nodes]
    # The sweep is log-spaced: with a whole number of points a decade, one ac command of ngspice
    # gives them all; otherwise one run per frequency (several ac commands in one run take many
    # times as long as separate runs).
    per_decade = (len(frequencies) - 1) / math.log10(frequencies[-1] / frequencies[0]) if len(frequencies) > 1 else 0
    if len(frequencies) > 1 and abs(per_decade - round(per_decade)) < 1e-9:
        analyses = [(f"ac dec {round(per_decade)} {frequencies[0]!r} {frequencies[-1]!r}", frequencies)]
    else:
        analyses = [(f"ac lin 1 {f!r} {f!r}", [f]) for f in frequencies]
    matrices = []
    for analysis, wanted in analyses:
        control = [".options noopac", ".control", "set wr_singlescale", analysis,
                   f"wrdata ac.txt {' '.join(vectors)}", "quit 0", ".endc", ".end"]
        run_ngspice("\n".join(lines + control) + "\n", folder, "ac.cir")
        rows = np.atleast_2d(np.loadtxt(folder / "ac.txt"))
        if len(rows) != len(wanted) or not np.allclose(rows[:, 0], wanted, rtol=1e-9):
            sys.exit(f"ngspice computed the frequencies {rows[:, 0]}, not {wanted}")
        for row in rows:
            values = row[1::2] + 1j * row[2::2]
            v = values.reshape(ports, ports).T  # v[i, j]: node i with port j driven
            # A 1 V source behind z0: a_j = 1/2, b_i = v_i - 1/2 at the driven port, v_i elsewhere.
            matrices.append(2.0 * v - np.eye(ports))
    return matrices


def step_response(model, subckt, ports, folder):
    lines = ["* step response", f".include {model}"]
    # The DC value 1 V is the operating point's; the transient starts from rest (uic).
    copy, nodes = terminated_copy(0, subckt, ports, 0, "dc 1 pulse(0 1 0 10p 10p 1 2)")
    far = nodes[ports // 2]
    lines += copy + [".control", "set wr_singlescale", "op", f"print v({far})",
                     "tran 10p 10n 0 10p uic", f"wrdata tran.txt v({far})", "quit 0", ".endc", ".end"]
    printed = run_ngspice("\n".join(lines) + "\n", folder, "tran.cir")
    data = np.loadtxt(folder / "tran.txt")
    return data[:, 0], data[:, 1], printed


def check_deck(xsrl, deck, folder):
    length = LENGTH_METRES / deck_scale(deck)
    run = subprocess.run([xsrl, "--export", "spice,touchstone,csv", "--length", repr(length), str(deck), "w"],
                         cwd=folder, capture_output=True, text=True, timeout=300)
    if "needs the capacitance" in run.stdout:
        return None
    if run.returncode != 0:
        sys.exit(f"{deck.name}: xsrl failed: {run.stdout}{run.stderr}")
    stem = deck.stem
    subckt = re.sub(r"[^A-Za-z0-9_]", "_", stem)
    model = folder / f"{stem}.sp"
    touchstone = next(folder.glob(f"{stem}.s*p"))
    ports = int(re.match(r"s(\d+)p", touchstone.suffix[1:]).group(1))
    frequencies, expected = read_touchstone(touchstone, ports)

    worst_db = worst_degrees = 0.0
    for f, got, want in zip(frequencies, ac_scattering(model, subckt, ports, frequencies, folder), expected):
        shown = np.abs(want) > 0.01
        ratio = got[shown] / want[shown]
        worst_db = max(worst_db, float(np.max(np.abs(20 * np.log10(np.abs(ratio))))))
        worst_degrees = max(worst_degrees, float(np.max(np.abs(np.degrees(np.angle(ratio))))))
    print(f"{deck.name}: ngspice AC against Touchstone, {len(frequencies)} frequencies: "
          f"{worst_db:.3f} dB, {worst_degrees:.3f} degrees")
    ok = worst_db <= 0.2 and worst_degrees <= 2.0

    csv = np.genfromtxt(folder / f"{stem}.csv", delimiter=",", names=True)
    resistance = float(np.atleast_1d(csv["R_1_1_ohm_per_m"])[0])
    divider = Z0 / (2 * Z0 + resistance * LENGTH_METRES)
    times, far, printed = step_response(model, subckt, ports, folder)
    operating = float(re.search(r"^v\(\S+\) = (\S+)", printed, re.MULTILINE).group(1))
    tail = far[times >= 0.8 * times[-1]]
    settled = (np.all(np.isfinite(far)) and np.ptp(tail) < 1e-3 and abs(tail[-1] - divider) < 1e-2 * divider
               and abs(operating - divider) < 1e-3 * divider)
    print(f"{deck.name}: step at the far end settles at {tail[-1]:.5f} V (last 20 % within {np.ptp(tail):.2e} V), "
          f"DC operating point {operating:.5f} V, DC divider {divider:.5f} V")
    return ok and settled


def main():
    if shutil.which("ngspice") is None:
        print("ngspice is not installed: the SPICE export is not checked (make test installs it)")
        sys.exit(77)
    xsrl, examples = sys.argv[1], pathlib.Path(sys.argv[2])
    results = []
    with tempfile.TemporaryDirectory() as scratch:
        for deck in sorted(examples.glob("*.deck")):
            folder = pathlib.Path(scratch) / deck.stem
            folder.mkdir()
            result = check_deck(xsrl, deck.resolve(), folder)
            if result is not None:
                results.append(result)
    if not results:
        sys.exit("no example deck computes the capacitance")
    sys.exit(0 if all(results) else 1)


if __name__ == "__main__":
    main()
