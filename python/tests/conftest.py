"""Where the tests find the command line and the example decks (set by ctest)."""
import os
import pathlib

# C and G come from an OpenBLAS factorization whose last bits depend on its thread count: this
# process, the command line it starts and every pool worker (xsrl.WORKER_ENVIRONMENT, and Dask's
# own) factor with one thread, so that their results can be compared to the bit. Set before
# NumPy loads OpenBLAS.
os.environ.setdefault("OPENBLAS_NUM_THREADS", "1")

import pytest

SOURCE_DIR = pathlib.Path(os.environ.get("XSRL_SOURCE_DIR", pathlib.Path(__file__).resolve().parents[2]))
EXAMPLES = sorted((SOURCE_DIR / "examples").glob("*.deck"))


@pytest.fixture
def binary() -> str:
    return os.environ["XSRL_BINARY"]
