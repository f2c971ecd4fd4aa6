"""Maximum-likelihood fit of the airline model to the log monthly airline passengers series."""

import csv
import pathlib
import pprint

import numpy as np

import velkora

HERE = pathlib.Path(__file__).resolve().parent


def load_airline():
    with open(HERE / "airline_passengers.csv", newline="") as fh:
        return np.array([float(row["passengers"]) for row in csv.DictReader(fh)])


def main():
    y = np.log(load_airline())
    order, seasonal = (0, 1, 1), (0, 1, 1, 12)
    result = velkora.sarimax_fit(y, order, seasonal)
    print(f"series: log monthly airline passengers, n = {y.size}")
    print(f"model: SARIMAX{order}x{seasonal}, parameters (ma.L1, ma.S.L12, sigma2)")
    pprint.pprint(result, sort_dicts=False)


if __name__ == "__main__":
    main()
