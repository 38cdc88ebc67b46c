"""sweep: many decks solved at once, in a local pool of processes or on a dask.distributed client."""
from __future__ import annotations

import multiprocessing
import os
from concurrent.futures import ProcessPoolExecutor, as_completed
from contextlib import contextmanager
from typing import Iterator, List, Optional, Sequence, Tuple, Union

from ._deck import Deck
from ._result import Result
from ._solve import PathArgument, Progress, _thread_count, _whole_number, solve

# The thread settings every pool worker starts with, unless the environment sets them already:
# one OpenBLAS thread (it factors for ".solver lu"), so that workers do not crowd the cores.
WORKER_ENVIRONMENT = {"OPENBLAS_NUM_THREADS": "1", "OMP_NUM_THREADS": "1"}


def _deck_of(item: Union[PathArgument, Deck]) -> Tuple[Union[str, bytes], str]:
    """(deck text, name): a path is read here, so that workers need not see the same files."""
    if isinstance(item, Deck):
        return item.text(), "deck"
    if isinstance(item, (str, os.PathLike)):
        with open(item, "rb") as file:
            return file.read(), os.fspath(item)
    raise TypeError(f"sweep takes deck paths and xsrl.Deck objects; got {type(item).__name__}")


def _solve_one(text: Union[str, bytes], name: str, threads: int) -> Result:
    result = solve(deck=text, threads=threads)
    result.deck_path = name
    return result


@contextmanager
def _worker_environment() -> Iterator[None]:
    """WORKER_ENVIRONMENT set, where unset, while the pool starts its processes (they copy the
    environment as they start)."""
    added = {name: value for name, value in WORKER_ENVIRONMENT.items() if name not in os.environ}
    os.environ.update(added)
    try:
        yield
    finally:
        for name in added:
            os.environ.pop(name, None)


def _local(tasks: List[Tuple[int, Union[str, bytes], str, int]], workers: int,
           progress: Optional[Progress]) -> List[Result]:
    results: List[Optional[Result]] = [None] * len(tasks)
    # Fresh interpreters ("spawn"): a fork of a process running threads may hang. A worker that
    # dies makes the pool raise BrokenProcessPool instead of waiting for it.
    context = multiprocessing.get_context("spawn")
    executor = ProcessPoolExecutor(min(workers, len(tasks)), mp_context=context)
    try:
        # The processes start as the decks are handed out.
        with _worker_environment():
            futures = {executor.submit(_solve_one, text, name, threads): number
                       for number, text, name, threads in tasks}
        for done, future in enumerate(as_completed(futures), 1):
            results[futures[future]] = future.result()
            if progress is not None:
                progress("decks", done, len(tasks))
    finally:
        # On an error or Ctrl-C the decks not started are dropped; those running finish first
        # (Ctrl-C at a terminal reaches them too and stops them within a second).
        executor.shutdown(wait=True, cancel_futures=True)
    return results  # type: ignore[return-value]


def _distributed(client, tasks: List[Tuple[int, Union[str, bytes], str, int]],
                 progress: Optional[Progress]) -> List[Result]:
    from distributed import as_completed

    futures = client.map(_solve_one, [t[1] for t in tasks], [t[2] for t in tasks], [t[3] for t in tasks], pure=False)
    try:
        for done, future in enumerate(as_completed(futures), 1):
            future.result()  # raises the deck's error at once
            if progress is not None:
                progress("decks", done, len(tasks))
        return client.gather(futures)
    except BaseException:
        client.cancel(futures)
        raise


def sweep(decks: Sequence[Union[PathArgument, Deck]], client=None, threads: int = 1, workers: Optional[int] = None,
          progress: Optional[Progress] = None) -> List[Result]:
    """Solves every deck and returns the results in the order of `decks`; prints nothing.

    decks: deck paths (read here, so that workers elsewhere need not see them) and xsrl.Deck
      objects.
    client: a dask.distributed Client, whose workers solve the decks; None: a pool of local
      processes does, each started with OPENBLAS_NUM_THREADS=1 and OMP_NUM_THREADS=1 unless
      the environment sets them.
    threads: worker threads of each solve (1 by default: the decks run side by side instead).
      Results do not depend on it.
    workers: processes of the local pool; None: one per core this process may use.
    progress: called as progress("decks", done, total) each time a deck is solved.

    The first deck that fails raises its error (DeckError, SolveError, OutOfMemoryError) and
    the decks not started are dropped. Scripts that call sweep without a client
    need the `if __name__ == "__main__":` guard: the pool's processes import the main module.
    """
    count = _thread_count(threads)
    tasks = [(number, *_deck_of(item), count) for number, item in enumerate(decks)]
    if not tasks:
        return []
    if client is not None:
        return _distributed(client, tasks, progress)
    if workers is None:
        workers = len(os.sched_getaffinity(0))
    return _local(tasks, _whole_number("workers", workers), progress)
