"""Solves at once in one folder (threads, local processes, a Dask cluster) give the serial
results to the bit; Ctrl-C stops a solve within a second."""
import os
import signal
import threading
import time
from concurrent.futures import ThreadPoolExecutor

import distributed
import numpy as np
import pytest

import xsrl
from conftest import SOURCE_DIR

# Plates cut in different places (the cut points once went through a shared file), and C and G.
DECKS = [SOURCE_DIR / "examples" / f"{name}.deck"
         for name in ("two-strips-over-plate", "microstrip", "coupled-pair", "microstrip-fr4")]


def assert_same(results, expected):
    assert len(results) == len(expected)
    for result, serial in zip(results, expected):
        assert result.deck_path == serial.deck_path and result.ports == serial.ports
        for symbol in ("freq", "R", "L", "C", "G"):
            a, b = getattr(result, symbol), getattr(serial, symbol)
            assert (a is None and b is None) or np.array_equal(a, b)


@pytest.fixture(scope="module")
def serial():
    return [xsrl.solve(deck) for deck in DECKS]


def test_threads_and_processes_in_one_folder_give_the_serial_results(serial, tmp_path, monkeypatch):
    monkeypatch.chdir(tmp_path)
    with ThreadPoolExecutor(4) as pool:
        assert_same(list(pool.map(lambda deck: xsrl.solve(deck, threads=1), DECKS * 3)), serial * 3)
    calls = []
    results = xsrl.sweep([str(d) for d in DECKS] * 2, workers=2, progress=lambda *call: calls.append(call))
    assert_same(results, serial * 2)
    assert calls[-1] == ("decks", 8, 8) and len(calls) == 8
    assert list(tmp_path.iterdir()) == []


def test_a_dask_cluster_gives_the_serial_results(serial):
    with distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True, dashboard_address=None,
                                  env=xsrl.WORKER_ENVIRONMENT) as cluster, distributed.Client(cluster) as client:
        built = (xsrl.Deck(freq=(1e6, 1e10, 4), unit="um", partial=False)
                 .plate(x1=-1000, x2=1000, y1=-35, y2=0, v=0).line(x1=-50, x2=50, y1=100, y2=118))
        results = xsrl.sweep(DECKS + [built], client=client)
        assert_same(results[:-1], serial)
        assert np.array_equal(results[-1].L, xsrl.solve(built).L)
        with pytest.raises(xsrl.DeckError, match="nr = 2"):
            xsrl.sweep([built.circle(xc=0, yc=500, rad=10, nr=2)], client=client)


@pytest.mark.parametrize("stage", ["inductance fill", "sweep"])
def test_ctrl_c_stops_a_solve_within_a_second(stage):
    # About 10 s of fill and 2000 frequency points when left alone.
    deck = (xsrl.Deck(freq=(1e6, 1e9, 2000), unit="mm")
            .line(x1=0, x2=1, y1=0, y2=0.1, nx=60 if stage == "sweep" else 300, ny=10)
            .line(x1=2, x2=3, y1=0, y2=0.1, v=0))
    state = {}

    def interrupt(reported, done, total):
        if reported == stage and "sent" not in state:
            state.update(sent=time.monotonic(), done=done, total=total)
            os.kill(os.getpid(), signal.SIGINT)

    with pytest.raises(KeyboardInterrupt):
        xsrl.solve(deck, threads=2, progress=interrupt)
    assert time.monotonic() - state["sent"] < 1.0
    assert state["done"] < state["total"]
    assert "xsrl solve" not in [thread.name for thread in threading.enumerate()]  # the solve has ended
