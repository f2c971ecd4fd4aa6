"""sarimax_forecast, sarimax_residuals and sarimax_rolling_forecast: argument checks,
statsmodels as the oracle for forecasts and residuals, and rolling rows against forecasts
from the cut series."""

import math
import warnings
from dataclasses import dataclass, field

import numpy as np
import pytest
from scipy.stats import norm
from statsmodels.tsa.statespace.sarimax import SARIMAX

import velkora

NONE = (0, 0, 0, 0)
N = 60


def make_series(n, seed, n_exog=0, extra=0):
    """A seeded random walk plus regressors; the regressors have `extra` rows past y."""
    rng = np.random.default_rng(seed)
    x = rng.standard_normal((n + extra, n_exog)) + np.linspace(0.0, 2.0, n + extra)[:, None]
    y = np.cumsum(rng.standard_normal(n)) + 5.0
    if n_exog:
        y += x[:n] @ np.linspace(1.0, -0.5, n_exog)
    return y, x


@pytest.fixture
def ar1_exog():
    """sarimax_forecast on an AR(1) with one regressor; keyword arguments override."""
    y, x = make_series(N, 1, n_exog=1, extra=5)

    def call(**overrides):
        arguments = dict(y=y, order=(1, 0, 0), seasonal=NONE, params=np.array([0.7, 0.5, 1.0]),
                         steps=3, exog=x[:N], future_exog=x[N:])
        arguments.update(overrides)
        return velkora.sarimax_forecast(**arguments)

    return call


# --- argument checks -----------------------------------------------------------------

def test_no_steps_gives_empty_lists_even_without_future_exog(ar1_exog):
    assert ar1_exog(steps=0, future_exog=None) == {"mean": [], "variance": [], "ci_lower": [],
                                                   "ci_upper": []}


def test_result_keys_in_order(ar1_exog):
    result = ar1_exog()
    assert list(result) == ["mean", "variance", "ci_lower", "ci_upper"]
    assert all(len(values) == 3 and all(type(v) is float for v in values) for values in result.values())


NAN_PAST_STEPS = np.array([[1.0, 2.0], [1.0, 2.0], [1.0, 2.0], [1.0, 2.0], [1.0, np.nan]])


@pytest.mark.parametrize(
    "overrides, message",
    [
        (dict(future_exog=None), "model has exogenous variables: future_exog is required for forecasting"),
        # finiteness, over every row, comes before the column count
        (dict(future_exog=NAN_PAST_STEPS), "future_exog contains NaN or Inf at column 1, row 4"),
        (dict(future_exog=np.ones((5, 2))), "future_exog column count (2) must match exog column count (1)"),
        (dict(exog=None, params=np.array([0.7, 1.0]), future_exog=np.ones((5, 1))),
         "future_exog column count (1) must match exog column count (0)"),
        (dict(future_exog=np.ones((2, 1))), "future_exog column 0 has 2 rows but 3 forecast steps requested"),
        (dict(alpha=1.0), "alpha must be in (0, 1), got 1"),
        (dict(alpha=0.0), "alpha must be in (0, 1), got 0"),
        (dict(alpha=math.nan), "alpha must be in (0, 1), got NaN"),
        # alpha and steps come before any array is read
        (dict(alpha=1.5, y=np.full(N, np.nan)), "alpha must be in (0, 1), got 1.5"),
        (dict(steps=10001, y=np.full(N, np.nan)), "steps must be <= 10000, got 10001"),
        # the series is checked before the future regressors
        (dict(y=np.full(N, np.nan), future_exog=None), "input time series contains NaN or Inf values"),
        # the parameter length only once everything else has passed
        (dict(params=np.array([0.7, 1.0])), "parameter length mismatch: expected 3, got 2"),
    ],
)
def test_forecast_argument_errors(ar1_exog, overrides, message):
    with pytest.raises(ValueError) as raised:
        ar1_exog(**overrides)
    assert str(raised.value) == message


@pytest.mark.parametrize("overrides", [dict(alpha=0.999), dict(steps=10000, future_exog=np.ones((10000, 1))),
                                       dict(future_exog=np.ones((50, 1)))])
def test_forecast_accepts_bounds(ar1_exog, overrides):
    result = ar1_exog(**overrides)
    assert len(result["mean"]) == overrides.get("steps", 3)


@pytest.mark.parametrize(
    "overrides, message",
    [
        (dict(horizon=10001), "steps must be <= 10000, got 10001"),
        (dict(horizon=0), "invalid input: horizon must be >= 1"),
        (dict(alpha=0.0, horizon=10001), "alpha must be in (0, 1), got 0"),
        (dict(start=0), "invalid input: start must be in [1, n-1] = [1, 59], got 0"),
        (dict(start=58, horizon=3), "invalid input: start 58 exceeds max origin 57 "
                                    "(exog models cap origins at n - horizon)"),
        (dict(simple_differencing=True), "invalid input: rolling_forecast does not support simple_differencing yet"),
    ],
)
def test_rolling_argument_errors(overrides, message):
    y, x = make_series(N, 2, n_exog=1)
    arguments = dict(y=y, order=(1, 0, 0), seasonal=NONE, params=np.array([0.7, 0.5, 1.0]), start=50,
                     exog=x)
    arguments.update(overrides)
    with pytest.raises(ValueError) as raised:
        velkora.sarimax_rolling_forecast(**arguments)
    assert str(raised.value) == message


# --- statsmodels as the oracle ---------------------------------------------------------

@dataclass
class Model:
    order: tuple
    seasonal: tuple = NONE
    params: list = field(default_factory=list)
    trend: str = "n"
    n_exog: int = 0
    concentrate_scale: bool = False


PANEL = [
    Model((1, 0, 1), params=[0.3, 0.6, 0.4, 1.5], trend="c"),
    Model((2, 1, 0), params=[0.05, 0.8, 0.5, -0.2, 0.9], trend="t", n_exog=1),
    Model((0, 1, 1), (0, 1, 1, 4), params=[-0.4, -0.5, 0.7]),
    Model((1, 0, 0), (1, 0, 0, 4), params=[0.5, 0.02, 1.2, -0.7, 0.4, 0.3, 2.0], trend="ct", n_exog=2),
    Model((1, 1, 1), (0, 1, 0, 4), params=[0.4, 0.3, 1.1]),
    Model((1, 0, 1), (0, 0, 1, 4), params=[2.0, 0.6, -0.3, 0.4], n_exog=1, concentrate_scale=True),
]
PANEL_IDS = [f"{m.order}{m.seasonal}-{m.trend}-x{m.n_exog}{'-conc' if m.concentrate_scale else ''}"
             for m in PANEL]
STEPS = 10


def panel_data(model, seed):
    y, x = make_series(N, seed, n_exog=model.n_exog, extra=STEPS)
    exog = x[:N] if model.n_exog else None
    future = x[N:] if model.n_exog else None
    return y, exog, future


def statsmodels_filter(model, y, exog):
    with warnings.catch_warnings():
        warnings.simplefilter("ignore")
        sm = SARIMAX(y, exog=exog, order=model.order, seasonal_order=model.seasonal, trend=model.trend,
                     trend_offset=0, concentrate_scale=model.concentrate_scale)
        return sm.filter(np.array(model.params))


def options(model):
    return dict(trend=model.trend, concentrate_scale=model.concentrate_scale)


@pytest.mark.parametrize("model", PANEL, ids=PANEL_IDS)
def test_forecast_matches_statsmodels(model):
    y, exog, future = panel_data(model, seed=10)
    alpha = 0.1
    ours = velkora.sarimax_forecast(y, model.order, model.seasonal, np.array(model.params), steps=STEPS,
                                    alpha=alpha, exog=exog, future_exog=future, **options(model))
    theirs = statsmodels_filter(model, y, exog).get_forecast(STEPS, exog=future)
    mean, variance = np.array(ours["mean"]), np.array(ours["variance"])
    np.testing.assert_allclose(mean, theirs.predicted_mean, rtol=1e-8, atol=1e-9)
    np.testing.assert_allclose(variance, theirs.var_pred_mean, rtol=1e-8)

    # Bounds: the same centre and a half-width off by the quantile approximation only.
    bounds = theirs.conf_int(alpha=alpha)
    half = norm.ppf(1 - alpha / 2) * np.sqrt(variance)
    tolerance = 1.2e-9 * half + 1e-8 * (np.abs(mean) + half) + 1e-9
    assert np.all(np.abs(np.array(ours["ci_lower"]) - bounds[:, 0]) <= tolerance)
    assert np.all(np.abs(np.array(ours["ci_upper"]) - bounds[:, 1]) <= tolerance)


@pytest.mark.parametrize("model", PANEL, ids=PANEL_IDS)
def test_residuals_match_statsmodels(model):
    y, exog, _ = panel_data(model, seed=20)
    ours = velkora.sarimax_residuals(y, model.order, model.seasonal, np.array(model.params), exog=exog,
                                     **options(model))
    filtered = statsmodels_filter(model, y, exog).filter_results
    errors = filtered.forecasts_error[0]
    variances = filtered.forecasts_error_cov[0, 0]  # already on the data scale
    assert list(ours) == ["residuals", "standardized_residuals", "prediction_variances"]
    np.testing.assert_allclose(ours["residuals"], errors, rtol=1e-8, atol=1e-9)
    np.testing.assert_allclose(ours["prediction_variances"], variances, rtol=1e-8)
    np.testing.assert_allclose(ours["standardized_residuals"], errors / np.sqrt(variances), rtol=1e-7,
                               atol=1e-9)


# --- rolling origins -------------------------------------------------------------------

def concentrated_scale(y, model, exog):
    """The concentrated scale estimate of y: concentrated over unit-variance prediction variances."""
    concentrated = velkora.sarimax_residuals(y, model.order, model.seasonal, np.array(model.params),
                                             exog=exog, trend=model.trend, concentrate_scale=True)
    unit = velkora.sarimax_residuals(y, model.order, model.seasonal, np.array(model.params + [1.0]),
                                     exog=exog, trend=model.trend)
    return concentrated["prediction_variances"][-1] / unit["prediction_variances"][-1]


@pytest.mark.parametrize("model", [PANEL[1], PANEL[3], PANEL[5], Model((0, 1, 1), (0, 1, 1, 4), params=[-0.4, -0.5, 0.7])],
                         ids=["trend-exog", "seasonal-ct-exog", "concentrated", "airline-like"])
def test_rolling_rows_equal_forecasts_from_the_cut_series(model):
    horizon, alpha = 4, 0.2
    y, x = make_series(N, 30, n_exog=model.n_exog)
    exog = x if model.n_exog else None
    rolling = velkora.sarimax_rolling_forecast(y, model.order, model.seasonal, np.array(model.params), 40,
                                               step=7, horizon=horizon, alpha=alpha, exog=exog, **options(model))
    last = N - horizon if model.n_exog else N - 1
    assert rolling["origins"] == list(range(40, last + 1, 7))
    assert list(rolling) == ["origins", "mean", "variance", "ci_lower", "ci_upper"]

    # With a concentrated scale the rolling rows use the full-sample estimate.
    scale_full = concentrated_scale(y, model, exog) if model.concentrate_scale else 1.0
    for row, t in enumerate(rolling["origins"]):
        cut_exog = x[:t] if model.n_exog else None
        future = x[t:t + horizon] if model.n_exog else None
        cut = velkora.sarimax_forecast(y[:t], model.order, model.seasonal, np.array(model.params), steps=horizon,
                                       alpha=alpha, exog=cut_exog, future_exog=future, **options(model))
        ratio = scale_full / concentrated_scale(y[:t], model, cut_exog) if model.concentrate_scale else 1.0
        np.testing.assert_allclose(rolling["mean"][row], cut["mean"], rtol=1e-10, atol=1e-10)
        np.testing.assert_allclose(rolling["variance"][row], np.array(cut["variance"]) * ratio, rtol=1e-10)
        if not model.concentrate_scale:
            np.testing.assert_allclose(rolling["ci_lower"][row], cut["ci_lower"], rtol=1e-10, atol=1e-10)
            np.testing.assert_allclose(rolling["ci_upper"][row], cut["ci_upper"], rtol=1e-10, atol=1e-10)


def test_rolling_forecasts_run_past_the_sample_without_regressors():
    y, _ = make_series(N, 4)
    rolling = velkora.sarimax_rolling_forecast(y, (1, 0, 0), NONE, np.array([0.5, 1.0]), N - 1, horizon=5)
    assert rolling["origins"] == [N - 1]
    assert len(rolling["mean"][0]) == 5


# --- simple differencing with regressors ------------------------------------------------

@pytest.mark.parametrize(
    "order, seasonal, params, compare_variances",
    [
        ((1, 1, 0), NONE, [2.0, 0.5, 1.0], False),
        ((1, 0, 0), (0, 1, 0, 4), [2.0, 0.5, 1.0], False),
        ((1, 1, 1), (1, 1, 0, 4), [2.0, 0.5, 0.3, -0.4, 1.0], False),
        # Pure differencing: the integrated variances are exact as well.
        ((0, 1, 0), NONE, [2.0, 1.0], True),
        ((0, 0, 0), (0, 1, 0, 4), [2.0, 1.0], True),
    ],
)
def test_simple_differencing_forecasts_agree_with_differencing_in_the_state(order, seasonal, params,
                                                                           compare_variances):
    y, x = make_series(80, 5, n_exog=1, extra=8)

    def forecast(simple):
        return velkora.sarimax_forecast(y, order, seasonal, np.array(params), steps=8, exog=x[:80],
                                        future_exog=x[80:], simple_differencing=simple)

    in_state, simple = forecast(False), forecast(True)
    # The two differ only by the approximately diffuse start of the differencing states.
    np.testing.assert_allclose(simple["mean"], in_state["mean"], rtol=1e-8)
    if compare_variances:
        np.testing.assert_allclose(simple["variance"], in_state["variance"], rtol=1e-8)


def test_simple_differencing_leaves_a_constant_regressor_without_effect():
    y, _ = make_series(50, 6)
    ones = np.ones((58, 1))
    result = velkora.sarimax_forecast(y, (0, 1, 0), NONE, np.array([2.0, 1.0]), steps=8, exog=ones[:50],
                                      future_exog=ones[50:], simple_differencing=True)
    assert result["mean"] == [y[-1]] * 8
