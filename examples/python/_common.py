"""Shared by the Python examples: where the data files are and where the plots go."""
import pathlib
import sys

DATA = pathlib.Path(__file__).resolve().parents[2] / "data"


def output_dir():
    """The folder named on the command line, else the current folder."""
    out = pathlib.Path(sys.argv[1]) if len(sys.argv) > 1 else pathlib.Path.cwd()
    out.mkdir(parents=True, exist_ok=True)
    return out


def pyplot():
    """matplotlib's pyplot without a display, or None when matplotlib is missing."""
    try:
        import matplotlib

        matplotlib.use("Agg")
        import matplotlib.pyplot as plt

        return plt
    except ImportError:
        print("matplotlib is not installed (Debian: python3-matplotlib); no plot written")
        return None
