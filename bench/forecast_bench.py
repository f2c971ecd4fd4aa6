"""Forecasts at given parameters: velkora against statsmodels in the same run.

Rolling origins: velkora filters the series once and forecasts from a snapshot at every
origin; statsmodels filters the series cut at each origin and forecasts from its end,
which gives the same rows. Single forecast: velkora's whole call against building,
filtering and forecasting a statsmodels SARIMAX.
"""

import peer_threads  # noqa: F401  (before NumPy)
import warnings

import numpy as np

import velkora
from common import airline_log_series, best_time, fmt_seconds, print_table

ORDER, SEASONAL = (0, 1, 1), (0, 1, 1, 12)
PARAMS = np.array([-0.4, -0.55, 0.0014])
ORIGINS, HORIZON, STEPS = 100, 12, 24


def statsmodels_filter(y):
    from statsmodels.tsa.statespace.sarimax import SARIMAX

    with warnings.catch_warnings():
        warnings.simplefilter("ignore")
        return SARIMAX(y, order=ORDER, seasonal_order=SEASONAL, trend_offset=0).filter(PARAMS)


def statsmodels_rolling(y, origins):
    rows = [statsmodels_filter(y[:t]).get_forecast(HORIZON) for t in origins]
    return np.array([r.predicted_mean for r in rows]), np.array([r.var_pred_mean for r in rows])


def statsmodels_forecast(y):
    forecast = statsmodels_filter(y).get_forecast(STEPS)
    return forecast.predicted_mean, forecast.var_pred_mean


def row(label, ours_call, peer_call, to_arrays):
    ours_mean, ours_var = to_arrays(ours_call())
    peer_mean, peer_var = peer_call()
    ours = best_time(ours_call)
    peer = best_time(peer_call, min_total=1.0, max_repeats=5)
    agree = max(np.max(np.abs(ours_mean - peer_mean)), np.max(np.abs(ours_var - peer_var) / peer_var))
    return (label, fmt_seconds(ours), fmt_seconds(peer), f"{peer / ours:.0f}x", f"{agree:.1e}")


def main():
    y = airline_log_series()
    start = len(y) - ORIGINS
    origins = range(start, len(y))

    def rolling():
        return velkora.sarimax_rolling_forecast(y, ORDER, SEASONAL, PARAMS, start, step=1, horizon=HORIZON)

    def forecast():
        return velkora.sarimax_forecast(y, ORDER, SEASONAL, PARAMS, steps=STEPS)

    def arrays(result):
        return np.array(result["mean"]), np.array(result["variance"])

    rows = [
        row(f"rolling, {ORIGINS} origins x horizon {HORIZON}", rolling, lambda: statsmodels_rolling(y, origins),
            arrays),
        row(f"forecast h={STEPS}", forecast, lambda: statsmodels_forecast(y), arrays),
    ]
    print_table("airline model (0,1,1)(0,1,1,12) on log passengers: velkora vs statsmodels",
                ("case", "velkora", "statsmodels", "speed-up", "max diff (mean abs, var rel)"), rows)


if __name__ == "__main__":
    main()
