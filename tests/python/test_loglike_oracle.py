"""sarimax_loglike against statsmodels' SARIMAX log-likelihood at the same parameters."""

import warnings

import numpy as np
import pytest

import velkora

sm = pytest.importorskip("statsmodels.tsa.statespace.sarimax")

# order, seasonal, trend, n_exog, n, flags
PANEL = [
    # ARMA
    ((1, 0, 0), (0, 0, 0, 0), "n", 0, 60, {}),
    ((2, 0, 0), (0, 0, 0, 0), "n", 0, 60, {}),
    ((3, 0, 0), (0, 0, 0, 0), "c", 0, 80, {}),
    ((0, 0, 1), (0, 0, 0, 0), "n", 0, 60, {}),
    ((0, 0, 3), (0, 0, 0, 0), "n", 0, 60, {"concentrate_scale": True}),
    ((2, 0, 1), (0, 0, 0, 0), "n", 0, 80, {}),
    ((1, 0, 2), (0, 0, 0, 0), "ct", 0, 80, {}),
    ((0, 0, 0), (0, 0, 0, 0), "c", 0, 30, {}),
    ((0, 0, 0), (0, 0, 0, 0), "n", 2, 30, {}),
    ((3, 0, 2), (0, 0, 0, 0), "n", 0, 100, {"enforce_stationarity": False}),
    ((1, 0, 0), (0, 0, 0, 0), "c", 0, 60, {"enforce_stationarity": False}),
    ((1, 0, 1), (0, 0, 0, 0), "n", 3, 80, {"concentrate_scale": True}),
    # differencing
    ((1, 1, 0), (0, 0, 0, 0), "n", 0, 60, {}),
    ((0, 1, 1), (0, 0, 0, 0), "c", 0, 60, {}),
    ((1, 2, 1), (0, 0, 0, 0), "n", 0, 80, {}),
    ((2, 3, 0), (0, 0, 0, 0), "n", 0, 80, {}),
    ((0, 3, 1), (0, 0, 0, 0), "t", 0, 80, {"concentrate_scale": True}),
    ((1, 1, 1), (0, 0, 0, 0), "ct", 1, 80, {}),
    ((1, 1, 1), (0, 0, 0, 0), "n", 0, 80, {"simple_differencing": True}),
    ((2, 2, 0), (0, 0, 0, 0), "c", 2, 80, {"simple_differencing": True}),
    ((1, 1, 0), (0, 0, 0, 0), "n", 0, 60, {"enforce_stationarity": False}),
    ((1, 1, 1), (0, 0, 0, 0), "c", 0, 80, {"enforce_stationarity": False}),
    ((0, 1, 2), (0, 0, 0, 0), "t", 2, 80, {}),
    # seasonal
    ((1, 0, 0), (1, 0, 0, 4), "n", 0, 80, {}),
    ((0, 0, 1), (0, 0, 1, 4), "n", 0, 80, {}),
    ((1, 0, 1), (1, 0, 1, 12), "c", 0, 120, {}),
    ((0, 1, 1), (0, 1, 1, 12), "n", 0, 120, {}),
    ((0, 1, 1), (0, 1, 1, 12), "n", 0, 120, {"concentrate_scale": True}),
    ((2, 1, 0), (1, 1, 0, 7), "t", 0, 100, {}),
    ((1, 0, 0), (2, 0, 1, 4), "n", 1, 100, {}),
    ((0, 0, 0), (0, 1, 0, 6), "n", 0, 60, {}),
    ((1, 0, 1), (0, 1, 1, 4), "ct", 0, 80, {}),
    ((0, 2, 1), (1, 1, 0, 3), "n", 0, 80, {}),
    ((1, 1, 1), (1, 1, 1, 4), "c", 2, 100, {}),
    ((0, 3, 0), (0, 1, 1, 5), "n", 0, 90, {"concentrate_scale": True}),
    ((2, 0, 0), (0, 0, 2, 4), "n", 0, 100, {"enforce_stationarity": False}),
    ((1, 0, 0), (0, 0, 1, 4), "n", 0, 100, {"enforce_stationarity": False}),
    ((0, 0, 2), (0, 0, 2, 4), "n", 0, 100, {"enforce_stationarity": False}),
    ((1, 0, 1), (1, 1, 1, 4), "c", 1, 100, {"enforce_stationarity": False}),
    ((1, 0, 1), (1, 0, 1, 12), "ct", 1, 120, {"enforce_stationarity": False}),
    ((0, 1, 1), (0, 1, 1, 12), "n", 0, 120, {"simple_differencing": True}),
    ((1, 1, 0), (1, 1, 0, 4), "c", 1, 100, {"simple_differencing": True}),
    ((2, 1, 1), (1, 1, 1, 6), "ct", 0, 120,
     {"simple_differencing": True, "concentrate_scale": True}),
    ((1, 0, 0), (1, 0, 0, 4), "n", 0, 80,
     {"enforce_stationarity": False, "enforce_invertibility": False}),
    ((2, 0, 2), (1, 0, 0, 12), "n", 0, 120, {}),
    # large state vectors on short series
    ((1, 0, 0), (1, 0, 0, 120), "n", 0, 60, {}),
    ((0, 1, 1), (0, 1, 1, 52), "n", 0, 70, {}),
    ((1, 1, 1), (1, 1, 1, 60), "c", 1, 90, {}),
    ((2, 0, 0), (1, 0, 1, 100), "n", 0, 140, {"enforce_stationarity": False}),
    ((1, 0, 1), (1, 1, 0, 110), "n", 0, 140, {"simple_differencing": True}),
]


def _stationary_coefficients(rng, count):
    """Coefficients a of 1 - a_1 L - ... - a_k L^k with all roots outside the unit
    circle, from partial autocorrelations through the Durbin-Levinson recursion."""
    a = np.empty(0)
    for r in rng.uniform(-0.8, 0.8, size=count):
        a = np.append(a - r * a[::-1], r)
    return a


def _case(index, order, seasonal, trend, n_exog, n, flags):
    rng = np.random.default_rng(1000 + index)
    t = np.arange(n)
    period = max(seasonal[3], 2)
    y = np.cumsum(rng.standard_normal(n)) * 0.3 + np.sin(2 * np.pi * t / period) \
        + rng.standard_normal(n)
    exog = rng.standard_normal((n, n_exog)) if n_exog else None

    p, _, q = order
    P, _, Q, _ = seasonal
    trend_count = {"n": 0, "c": 1, "t": 1, "ct": 2}[trend]
    blocks = [
        rng.uniform(-0.5, 0.5, size=trend_count) * np.array([1.0, 0.05])[:trend_count],
        rng.uniform(-1.0, 1.0, size=n_exog),
        _stationary_coefficients(rng, p),
        -_stationary_coefficients(rng, q),  # 1 + theta L ... invertible
        _stationary_coefficients(rng, P),
        -_stationary_coefficients(rng, Q),
    ]
    if not flags.get("concentrate_scale", False):
        blocks.append([rng.uniform(0.5, 2.0)])
    return y, exog, np.concatenate(blocks)


def _expected_param_names(order, seasonal, trend, n_exog, flags):
    p, _, q = order
    P, _, Q, s = seasonal
    names = {"n": [], "c": ["intercept"], "t": ["drift"], "ct": ["intercept", "drift"]}[trend]
    names += [f"x{i + 1}" for i in range(n_exog)]
    names += [f"ar.L{i + 1}" for i in range(p)] + [f"ma.L{i + 1}" for i in range(q)]
    names += [f"ar.S.L{s * (i + 1)}" for i in range(P)]
    names += [f"ma.S.L{s * (i + 1)}" for i in range(Q)]
    if not flags.get("concentrate_scale", False):
        names.append("sigma2")
    return names


def _case_id(case):
    order, seasonal, trend, n_exog, n, flags = case
    parts = [f"{order}{seasonal}".replace(" ", ""), trend, f"x{n_exog}", f"n{n}"]
    parts += sorted(flags)
    return "-".join(parts)


def _indexed(panel):
    for index, case in enumerate(panel):
        yield pytest.param(index, *case, id=_case_id(case))


@pytest.mark.parametrize("index, order, seasonal, trend, n_exog, n, flags", list(_indexed(PANEL)))
def test_loglike_matches_statsmodels(index, order, seasonal, trend, n_exog, n, flags):
    y, exog, params = _case(index, order, seasonal, trend, n_exog, n, flags)
    options = dict(concentrate_scale=False, enforce_stationarity=True,
                   enforce_invertibility=True, simple_differencing=False)
    options.update(flags)

    with warnings.catch_warnings():
        warnings.simplefilter("ignore")
        model = sm.SARIMAX(y, exog=exog, order=order, seasonal_order=seasonal, trend=trend,
                           trend_offset=0, **options)
        assert model.param_names == _expected_param_names(order, seasonal, trend, n_exog, flags)
        expected = model.loglike(params)

    actual = velkora.sarimax_loglike(y, order, seasonal, params, exog=exog, trend=trend, **options)
    assert actual == pytest.approx(expected, rel=1e-8, abs=0)
