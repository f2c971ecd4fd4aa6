"""The bundled monthly airline passengers series, 1949-1960."""

import csv
import pathlib

import numpy as np

CSV = pathlib.Path(__file__).resolve().parent / "airline_passengers.csv"


def read_passengers():
    """Months ("YYYY-MM") and passenger counts."""
    with open(CSV, newline="") as fh:
        rows = list(csv.DictReader(fh))
    return [r["month"] for r in rows], np.array([float(r["passengers"]) for r in rows])
