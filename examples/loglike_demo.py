"""Exact log-likelihood of the airline model on the monthly airline passengers series."""


import numpy as np

import velkora
from airline import read_passengers


def main():
    y = np.log(read_passengers()[1])
    order, seasonal = (0, 1, 1), (0, 1, 1, 12)
    params = np.array([-0.40, -0.55, 0.0014])
    loglike = velkora.sarimax_loglike(y, order, seasonal, params)
    print(f"velkora {velkora.version()}")
    print(f"series: log monthly airline passengers, n = {y.size}")
    print(f"model: SARIMAX{order}x{seasonal}")
    print(f"params (ma.L1, ma.S.L12, sigma2): {params.tolist()}")
    print(f"exact log-likelihood: {loglike:.6f}")


if __name__ == "__main__":
    main()
