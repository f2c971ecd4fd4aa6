"""The trust-region fits on regression models with ARMA errors: velkora's "trust-region" and
"profile-trust-region" against statsmodels' SARIMAX(...).fit() on the same data in the same
run, with the default "lbfgsb" fit for reference."""

import peer_threads  # noqa: F401  (before NumPy)

import numpy as np  # noqa: E402

import velkora  # noqa: E402
from common import arma_series, best_time, fmt_seconds, print_table  # noqa: E402
from fit_bench import statsmodels_fit  # noqa: E402

METHODS = ("lbfgsb", "trust-region", "profile-trust-region")


def regression_case(k, ar, ma, d, seed, mean=0.0, n=300):
    """ARMA (or ARIMA) errors around k standard normal regressors."""
    rng = np.random.default_rng(seed)
    exog = rng.normal(size=(n, k))
    noise = arma_series(n, ar, ma, seed)
    if d:
        noise = np.cumsum(noise)
    return noise + mean + exog @ np.array([1.0, -0.5, 0.8, 0.3, -1.2][:k]), exog


def cases():
    # label, (y, exog), order, trend
    return [
        ("1 regressor, ARMA(1,1)", regression_case(1, [0.5], [0.3], 0, 31), (1, 0, 1), "n"),
        ("2 regressors, AR(1), trend c", regression_case(2, [0.6], [], 0, 32, mean=4.0), (1, 0, 0), "c"),
        ("3 regressors, ARMA(2,1), trend c", regression_case(3, [0.5, -0.2], [0.4], 0, 33, mean=-1.0), (2, 0, 1),
         "c"),
        ("4 regressors, ARIMA(1,1,1)", regression_case(4, [0.4], [0.3], 1, 34), (1, 1, 1), "n"),
        ("5 regressors, ARMA(1,1), trend c", regression_case(5, [0.5], [0.3], 0, 35, mean=2.0), (1, 0, 1), "c"),
    ]


def main():
    rows = []
    for label, (y, exog), order, trend in cases():
        seasonal = (0, 0, 0, 0)
        peer = statsmodels_fit(y, exog, order, seasonal, trend)
        peer_time = best_time(lambda: statsmodels_fit(y, exog, order, seasonal, trend), min_total=1.0,
                              max_repeats=5)
        for method in METHODS:
            def fit():
                return velkora.sarimax_fit(y, order, seasonal, exog=exog, trend=trend, method=method)

            ours = fit()
            ours_time = best_time(fit)
            rows.append((label, method, fmt_seconds(ours_time), fmt_seconds(peer_time),
                         f"{peer_time / ours_time:.0f}x", f"{ours['loglike']:.4f}", f"{peer.llf:.4f}"))
    print_table("sarimax_fit on regression models: trust-region methods vs statsmodels SARIMAX.fit()",
                ("case", "method", "velkora", "statsmodels", "speed-up", "loglike velkora",
                 "loglike statsmodels"), rows)


if __name__ == "__main__":
    main()
