import pathlib

import numpy as np
import pytest

DATA = pathlib.Path(__file__).resolve().parents[2] / "data"


@pytest.fixture
def data_dir():
    return DATA


@pytest.fixture
def rng():
    return np.random.default_rng(20261208)


@pytest.fixture(autouse=True)
def clean_progress():
    """Every test starts and ends with the progress hooks at rest."""
    import ozmnum

    ozmnum.SetMathFeedBackProc(None)
    ozmnum.SetAbortMathProc(False)
    ozmnum.SetProcStat(0)
    yield
    ozmnum.SetMathFeedBackProc(None)
    ozmnum.SetAbortMathProc(False)
