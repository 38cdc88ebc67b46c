"""Where the tests find the command line and the example decks (set by ctest)."""
import os
import pathlib

import pytest

SOURCE_DIR = pathlib.Path(os.environ.get("XSRL_SOURCE_DIR", pathlib.Path(__file__).resolve().parents[2]))
EXAMPLES = sorted((SOURCE_DIR / "examples").glob("*.deck"))


@pytest.fixture
def binary() -> str:
    return os.environ["XSRL_BINARY"]
