#!/usr/bin/env python3
"""Differential impedance of an edge-coupled microstrip pair on FR-4 over a grid of trace widths
and spacings: 40 decks built with xsrl.Deck and solved side by side with xsrl.sweep.

    PYTHONPATH=build/python /usr/bin/python3 examples/design_sweep.py -o design-sweep.png
    ... --local-cluster 2              # on a Dask LocalCluster of 2 processes instead
    ... --scheduler tcp://HOST:8786    # on a running Dask cluster

Every deck is solved with one thread and the decks run side by side, one per core: local pool
processes start with OPENBLAS_NUM_THREADS=1, and so do Dask's workers. The table printed gives
the differential impedance at 1 GHz; the picture draws it against the width, one curve per
spacing, with the 100 ohm target.
"""
import argparse
import sys

import numpy as np

import xsrl

WIDTHS_UM = [60, 80, 100, 120, 140, 160, 180, 200]
SPACINGS_UM = [50, 100, 150, 200, 250]
HEIGHT_UM = 100  # of the FR-4 under the traces
THICKNESS_UM = 18
TARGET_OHM = 100.0

# Ground plate and substrate, shared by every deck; each adds its two traces.
BOARD = (xsrl.Deck(freq=(1e8, 1e10, 2), unit="um", partial=False)
         .plate(x1=-2000, x2=2000, y1=-35, y2=0, v=0)
         .dielectric(x1=-2000, x2=2000, y1=0, y2=HEIGHT_UM, er=4.3, tand=0.02))


def pair_deck(width: float, spacing: float) -> xsrl.Deck:
    """The board with two traces `width` wide, `spacing` apart, centred on x = 0."""
    top = HEIGHT_UM + THICKNESS_UM
    inner = spacing / 2
    return (BOARD.line(x1=-inner - width, x2=-inner, y1=HEIGHT_UM, y2=top)
                 .line(x1=inner, x2=inner + width, y1=HEIGHT_UM, y2=top))


def report(stage: str, done: int, total: int) -> None:
    print(f"\r{stage}: {done}/{total}", end="\n" if done == total else "", file=sys.stderr, flush=True)


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("-o", "--output", default="design-sweep.png", help="the picture (.png or .svg)")
    where = parser.add_mutually_exclusive_group()
    where.add_argument("--local-cluster", type=int, metavar="N", help="solve on a Dask LocalCluster of N processes")
    where.add_argument("--scheduler", metavar="ADDRESS", help="solve on the Dask cluster of this scheduler")
    arguments = parser.parse_args()

    grid = [(w, s) for s in SPACINGS_UM for w in WIDTHS_UM]
    decks = [pair_deck(w, s) for w, s in grid]
    if arguments.local_cluster or arguments.scheduler:
        import distributed

        cluster = (distributed.LocalCluster(n_workers=arguments.local_cluster, threads_per_worker=1,
                                            dashboard_address=None, env=xsrl.WORKER_ENVIRONMENT)
                   if arguments.local_cluster else arguments.scheduler)
        with distributed.Client(cluster) as client:
            results = xsrl.sweep(decks, client=client, progress=report)
    else:
        results = xsrl.sweep(decks, progress=report)

    # At 1 GHz, the middle of the three frequencies.
    zdiff = np.array([abs(r.pair().differential[1]) for r in results]).reshape(len(SPACINGS_UM), len(WIDTHS_UM))
    print("differential impedance at 1 GHz (ohm); rows: spacing (um), columns: width (um)")
    print("       " + "".join(f"{w:>7}" for w in WIDTHS_UM))
    for spacing, row in zip(SPACINGS_UM, zdiff):
        print(f"{spacing:>7}" + "".join(f"{z:7.1f}" for z in row))

    from matplotlib.figure import Figure

    figure = Figure(figsize=(7, 4.5), layout="constrained")
    axes = figure.subplots()
    for spacing, row in zip(SPACINGS_UM, zdiff):
        axes.plot(WIDTHS_UM, row, marker="o", label=f"spacing {spacing} µm")
    axes.axhline(TARGET_OHM, color="black", lw=0.8, ls=":", label=f"target {TARGET_OHM:g} Ω")
    axes.set_xlabel("trace width (µm)")
    axes.set_ylabel("differential impedance at 1 GHz (Ω)")
    axes.set_title(f"Coupled microstrip on FR-4 (εr 4.3), {HEIGHT_UM} µm above ground, {THICKNESS_UM} µm thick")
    axes.grid(True, alpha=0.3)
    axes.legend()
    figure.savefig(arguments.output, dpi=100)
    print(f"drawn in {arguments.output}")


# The pool's processes import this file: the sweep runs only in the process started by hand.
if __name__ == "__main__":
    main()
