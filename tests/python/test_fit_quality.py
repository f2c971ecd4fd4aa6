"""Fit quality against statsmodels' default SARIMAX fit on real and simulated series."""

import pathlib
import warnings

import numpy as np
import pytest

import velkora

sm = pytest.importorskip("statsmodels.api")
from statsmodels.tsa.statespace.sarimax import SARIMAX  # noqa: E402

AIRLINE_CSV = pathlib.Path(__file__).resolve().parents[2] / "examples" / "airline_passengers.csv"


def log_airline():
    values = np.loadtxt(AIRLINE_CSV, delimiter=",", skiprows=1, usecols=1)
    return np.log(values)


def macro(column):
    return sm.datasets.macrodata.load_pandas().data[column].to_numpy(dtype=float)


def ones(n):
    """A constant regressor: the mean enters the observation equation, where both libraries
    place regressors. (A "c" trend enters the state equation, where the libraries start the
    state at different means.)"""
    return np.ones((n, 1))


def sunspots():
    return sm.datasets.sunspots.load_pandas().data["SUNACTIVITY"].to_numpy(float)


def simulate(n, ar=(), ma=(), sar=(), sma=(), s=0, d=0, D=0, sigma=1.0, beta=(), seed=0):
    """A SARIMA path from its expanded lag polynomials, plus beta times standard normal
    regressors (returned as exog)."""
    rng = np.random.default_rng(seed)
    phi = np.r_[1.0, -np.asarray(ar, float)]
    theta = np.r_[1.0, np.asarray(ma, float)]
    if sar:
        phi = np.polymul(phi, np.r_[1.0, np.ravel([[0.0] * (s - 1) + [-c] for c in sar])])
    if sma:
        theta = np.polymul(theta, np.r_[1.0, np.ravel([[0.0] * (s - 1) + [c] for c in sma])])
    burn = 200
    e = sigma * rng.standard_normal(n + burn)
    w = np.zeros(n + burn)
    for t in range(n + burn):
        w[t] = e[t] - sum(phi[i] * w[t - i] for i in range(1, len(phi)) if t >= i) \
            + sum(theta[j] * e[t - j] for j in range(1, len(theta)) if t >= j)
    w = w[burn:]
    for _ in range(D):
        for t in range(s, n):
            w[t] += w[t - s]
    for _ in range(d):
        w = np.cumsum(w)
    if not beta:
        return w, None
    exog = rng.standard_normal((n, len(beta)))
    return w + exog @ np.asarray(beta), exog


def with_mean(make, mean):
    """A zero-mean series shifted by `mean`, with the constant regressor."""
    y, _ = make()
    return y + mean, ones(len(y))


# name, series factory, order, seasonal, options, true parameters (simulations only)
PANEL = [
    ("airline", lambda: (log_airline(), None), (0, 1, 1), (0, 1, 1, 12), {}, None),
    ("airline_arima_111", lambda: (log_airline(), None), (1, 1, 1), (0, 1, 1, 12), {}, None),
    ("airline_drift", lambda: (log_airline(), None), (2, 1, 0), (0, 1, 0, 12), {"trend": "c"}, None),
    ("nile_arima_111", lambda: (sm.datasets.nile.load_pandas().data["volume"].to_numpy(float), None),
     (1, 1, 1), (0, 0, 0, 0), {}, None),
    ("sunspots_ar2_mean", lambda: (sunspots(), ones(309)), (2, 0, 0), (0, 0, 0, 0), {}, None),
    ("sunspots_arma21_mean", lambda: (sunspots(), ones(309)), (2, 0, 1), (0, 0, 0, 0), {}, None),
    ("inflation_arma11_mean", lambda: (macro("infl"), ones(203)), (1, 0, 1), (0, 0, 0, 0), {}, None),
    ("unemployment_ar2_d1", lambda: (macro("unemp"), None), (2, 1, 0), (0, 0, 0, 0), {}, None),
    ("consumption_on_income", lambda: (np.log(macro("realcons")), np.log(macro("realdpi"))[:, None]),
     (1, 1, 0), (0, 0, 0, 0), {}, None),
    ("sim_ar2_mean", lambda: with_mean(lambda: simulate(500, ar=(0.6, -0.25), seed=1), 3.0), (2, 0, 0),
     (0, 0, 0, 0), {}, [3.0, 0.6, -0.25, 1.0]),
    ("sim_arma11", lambda: simulate(500, ar=(0.7,), ma=(-0.3,), seed=2), (1, 0, 1), (0, 0, 0, 0), {},
     [0.7, -0.3, 1.0]),
    ("sim_ma2_concentrated", lambda: simulate(400, ma=(0.5, 0.3), seed=3), (0, 0, 2), (0, 0, 0, 0),
     {"concentrate_scale": True}, [0.5, 0.3]),
    ("sim_regression_arma11", lambda: simulate(400, ar=(0.5,), ma=(0.3,), beta=(1.5, -0.8), seed=4),
     (1, 0, 1), (0, 0, 0, 0), {}, [1.5, -0.8, 0.5, 0.3, 1.0]),
    ("sim_seasonal_ar", lambda: simulate(300, ar=(0.5,), sar=(0.4,), s=4, seed=5), (1, 0, 0), (1, 0, 0, 4), {},
     [0.5, 0.4, 1.0]),
    ("sim_airline", lambda: simulate(240, ma=(-0.4,), sma=(-0.6,), s=12, d=1, D=1, sigma=0.5, seed=6),
     (0, 1, 1), (0, 1, 1, 12), {}, [-0.4, -0.6, 0.25]),
    ("sim_arima_simple_differencing", lambda: simulate(300, ar=(0.4,), d=1, seed=7), (1, 1, 0), (0, 0, 0, 0),
     {"simple_differencing": True}, [0.4, 1.0]),
]


def statsmodels_fit(y, exog, order, seasonal, options):
    model = SARIMAX(y, exog=exog, order=order, seasonal_order=seasonal, trend=options.get("trend", "n"),
                    trend_offset=0, concentrate_scale=options.get("concentrate_scale", False),
                    simple_differencing=options.get("simple_differencing", False),
                    enforce_stationarity=options.get("enforce_stationarity", True),
                    enforce_invertibility=options.get("enforce_invertibility", True))
    with warnings.catch_warnings():
        warnings.simplefilter("ignore")
        return model, model.fit(disp=False)


@pytest.mark.parametrize("name, make, order, seasonal, options, truth", PANEL, ids=[row[0] for row in PANEL])
def test_fit_matches_or_beats_statsmodels(name, make, order, seasonal, options, truth):
    y, exog = make()
    ours = velkora.sarimax_fit(y, order, seasonal, exog=exog, **options)
    model, reference = statsmodels_fit(y, exog, order, seasonal, options)

    assert ours["loglike"] >= reference.llf - 1e-3
    # Both libraries agree on the likelihood at our estimate, so the comparison is fair.
    with warnings.catch_warnings():
        warnings.simplefilter("ignore")
        assert model.loglike(np.array(ours["params"])) == pytest.approx(ours["loglike"], abs=1e-4)

    if truth is not None:
        errors = np.abs(np.array(ours["params"]) - np.array(truth))
        assert np.all(errors <= 2.0 * reference.bse), (ours["params"], truth, reference.bse)


def regression_series(k, seed, ar=(0.5,), ma=(0.3,), d=0, mean=0.0, drift=0.0):
    """An ARIMA path plus k standard normal regressors with coefficients 1.0, -0.5, 0.8, ..."""
    beta = tuple((1.0, -0.5, 0.8, 0.3, -1.2)[:k])
    y, exog = simulate(300, ar=ar, ma=ma, d=d, beta=beta, seed=seed)
    return y + mean + drift * np.arange(300), exog


# name, (k, seed, series options), order, trend
REGRESSION_PANEL = [
    ("k1_arma11", (1, 21, {}), (1, 0, 1), "n"),
    ("k2_ar1_constant", (2, 22, {"ma": (), "mean": 4.0}), (1, 0, 0), "c"),
    ("k3_ma1_linear_trend", (3, 23, {"ar": (), "mean": 1.0, "drift": 0.02}), (0, 0, 1), "ct"),
    ("k4_arima111", (4, 24, {"d": 1}), (1, 1, 1), "n"),
    ("k5_arma11_constant", (5, 25, {"mean": -2.0}), (1, 0, 1), "c"),
]


@pytest.mark.parametrize("name, data, order, trend", REGRESSION_PANEL, ids=[row[0] for row in REGRESSION_PANEL])
def test_trust_region_methods_reach_the_best_regression_fit(name, data, order, trend):
    k, seed, series_options = data
    y, exog = regression_series(k, seed, **series_options)
    seasonal = (0, 0, 0, 0)
    _, reference = statsmodels_fit(y, exog, order, seasonal, {"trend": trend})
    default = velkora.sarimax_fit(y, order, seasonal, exog=exog, trend=trend)
    best = max(default["loglike"], reference.llf)
    for method in ("trust-region", "profile-trust-region"):
        fitted = velkora.sarimax_fit(y, order, seasonal, exog=exog, trend=trend, method=method)
        assert fitted["method"] == method
        assert fitted["loglike"] >= best - 1e-3, (method, fitted["loglike"], best)
