"""Log-likelihood evaluation: velkora against statsmodels in the same run."""

import peer_threads  # noqa: F401  (before NumPy)
import argparse
import warnings

import numpy as np

import velkora
from common import airline_log_series, arma_series, best_time, fmt_seconds, print_table, seasonal_series

# (label, y, order, seasonal, params, slow peer)
def cases():
    return [
        ("ARMA(2,1) n=1000", arma_series(1000, [0.5, -0.2], [0.3], 1), (2, 0, 1), (0, 0, 0, 0),
         [0.5, -0.2, 0.3, 1.0], False),
        ("ARMA(2,1) n=10000", arma_series(10000, [0.5, -0.2], [0.3], 2), (2, 0, 1), (0, 0, 0, 0),
         [0.5, -0.2, 0.3, 1.0], False),
        ("ARMA(2,1) n=100000", arma_series(100000, [0.5, -0.2], [0.3], 3), (2, 0, 1), (0, 0, 0, 0),
         [0.5, -0.2, 0.3, 1.0], False),
        ("airline (0,1,1)(0,1,1,12)", airline_log_series(), (0, 1, 1), (0, 1, 1, 12),
         [-0.4, -0.55, 0.0014], False),
        ("(2,0,1)(1,1,1,24) n=800", seasonal_series(800, 24, 4), (2, 0, 1), (1, 1, 1, 24),
         [0.5, -0.2, 0.3, 0.2, -0.4, 1.0], False),
        ("(1,0,1)(0,1,1,168) n=2000", seasonal_series(2000, 168, 5), (1, 0, 1), (0, 1, 1, 168),
         [0.5, 0.3, -0.4, 1.0], True),
        ("(2,1,1)(0,1,0,365) n=2000", seasonal_series(2000, 365, 6), (2, 1, 1), (0, 1, 0, 365),
         [0.5, -0.2, 0.3, 1.0], True),
    ]


def statsmodels_loglike(y, order, seasonal, params):
    from statsmodels.tsa.statespace.sarimax import SARIMAX

    with warnings.catch_warnings():
        warnings.simplefilter("ignore")
        model = SARIMAX(y, order=order, seasonal_order=seasonal, trend_offset=0)
        return model, (lambda: model.loglike(params))


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--skip-slow", action="store_true",
                        help="skip the statsmodels runs that take more than 30 s each")
    args = parser.parse_args()

    rows = []
    for label, y, order, seasonal, params, slow in cases():
        p = np.asarray(params, dtype=float)
        ours_value = velkora.sarimax_loglike(y, order, seasonal, p)
        ours = best_time(lambda: velkora.sarimax_loglike(y, order, seasonal, p))
        peer = peer_value = None
        if not (slow and args.skip_slow):
            _, call = statsmodels_loglike(y, order, seasonal, p)
            peer_value = call()
            peer = best_time(call, min_total=0.5 if not slow else 0.0, max_repeats=20 if not slow else 1)
        ratio = f"{peer / ours:.0f}x" if peer else "-"
        agree = f"{abs(ours_value - peer_value):.1e}" if peer_value is not None else "-"
        rows.append((label, fmt_seconds(ours), fmt_seconds(peer), ratio, agree))
    print_table("sarimax_loglike vs statsmodels SARIMAX.loglike",
                ("case", "velkora", "statsmodels", "speed-up", "|loglike diff|"), rows)


if __name__ == "__main__":
    main()
