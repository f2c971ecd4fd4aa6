"""Maximum-likelihood fit of the airline model to the log monthly airline passengers series."""

import pprint

import numpy as np

import velkora
from airline import read_passengers


def main():
    y = np.log(read_passengers()[1])
    order, seasonal = (0, 1, 1), (0, 1, 1, 12)
    result = velkora.sarimax_fit(y, order, seasonal)
    print(f"series: log monthly airline passengers, n = {y.size}")
    print(f"model: SARIMAX{order}x{seasonal}, parameters (ma.L1, ma.S.L12, sigma2)")
    pprint.pprint(result, sort_dicts=False)


if __name__ == "__main__":
    main()
