"""Argument binding, conversion and validation shared by every entry, exercised through
sarimax_loglike."""

import inspect
import subprocess
import sys
import sysconfig

import numpy as np
import pytest

import velkora
from conftest import ENTRY_ORDER


def test_version():
    assert velkora.version() == "0.3.0"


def test_module_docstring_and_registration_order():
    assert velkora.__doc__ == "Python module definition."
    registered = [name for name in vars(velkora) if name in ENTRY_ORDER]
    assert registered == [name for name in ENTRY_ORDER if name in registered]
    assert registered[:2] == ["version", "sarimax_loglike"]


def test_internal_failure_is_not_an_exception():
    assert issubclass(velkora.InternalFailure, BaseException)
    assert not issubclass(velkora.InternalFailure, Exception)


SIGNATURES = {
    "version": ("()", "Smoke-test function: returns the version string."),
    "sarimax_loglike": (
        "(y, order, seasonal, params, exog=None, concentrate_scale=False, "
        "enforce_stationarity=True, enforce_invertibility=True, trend=None, "
        "simple_differencing=False)",
        "Compute the SARIMAX concentrated (or full) log-likelihood.",
    ),
}


@pytest.mark.parametrize("name", sorted(SIGNATURES))
def test_text_signature_and_docstring(name):
    function = getattr(velkora, name)
    signature, body = SIGNATURES[name]
    assert str(inspect.signature(function)) == signature
    assert function.__doc__ == body


def test_every_parameter_binds_by_keyword_and_by_position(series):
    # Names and defaults come from the published signature: binding must agree with it.
    parameters = inspect.signature(velkora.sarimax_loglike).parameters
    values = dict(y=series, order=(1, 0, 0), seasonal=(0, 0, 0, 0),
                  params=np.array([0.5, 1.0]))
    for name, parameter in parameters.items():
        if parameter.default is not inspect.Parameter.empty:
            values[name] = parameter.default
    assert list(values) == list(parameters)
    by_keyword = velkora.sarimax_loglike(**values)
    by_position = velkora.sarimax_loglike(*values.values())
    required_only = velkora.sarimax_loglike(series, (1, 0, 0), (0, 0, 0, 0), np.array([0.5, 1.0]))
    assert by_keyword == by_position == required_only


@pytest.mark.skipif(sys.version_info < (3, 13), reason="the GIL slot exists from Python 3.13")
def test_module_runs_without_the_gil():
    if not sysconfig.get_config_var("Py_GIL_DISABLED"):
        pytest.skip("needs a free-threaded interpreter to observe")
    # Importing a module that does not declare GIL-free use turns the GIL back on.
    out = subprocess.run([sys.executable, "-c", "import velkora, sys; print(sys._is_gil_enabled())"],
                         capture_output=True, text=True, check=True)
    assert out.stdout.strip() == "False"


# (order, seasonal, n_exog, message)
ORDER_LIMITS = [
    ((21, 0, 0), (0, 0, 0, 0), 0, "AR order p=21 exceeds maximum 20"),
    ((21, 5, 21), (0, 0, 0, 0), 0, "AR order p=21 exceeds maximum 20"),
    ((0, 4, 21), (0, 0, 0, 0), 0, "MA order q=21 exceeds maximum 20"),
    ((0, 4, 0), (5, 3, 5, 400), 0, "differencing order d=4 exceeds maximum 3"),
    ((0, 0, 0), (5, 3, 5, 400), 0, "seasonal AR order P=5 exceeds maximum 4"),
    ((0, 0, 0), (0, 3, 5, 400), 0, "seasonal MA order Q=5 exceeds maximum 4"),
    ((0, 0, 0), (0, 3, 0, 400), 101, "seasonal differencing D=3 exceeds maximum 2"),
    ((0, 0, 0), (0, 0, 0, 366), 101, "seasonal period s=366 exceeds maximum 365"),
    ((0, 0, 0), (0, 0, 0, 0), 101, "n_exog=101 exceeds maximum 100"),
    ((0, 0, 0), (1, 0, 0, 1), 100, "seasonal order (P,D,Q) > 0 requires seasonal period s >= 2"),
    ((0, 0, 0), (0, 1, 0, 0), 0, "seasonal order (P,D,Q) > 0 requires seasonal period s >= 2"),
    ((0, 0, 0), (0, 0, 1, 1), 0, "seasonal order (P,D,Q) > 0 requires seasonal period s >= 2"),
    ((1, 0, 0), (4, 0, 0, 256), 0, "model too large: k_states=1025 exceeds limit 1024"),
    ((20, 3, 20), (4, 2, 4, 365), 0, "model too large: k_states=2214 exceeds limit 1024"),
]


@pytest.mark.parametrize("order, seasonal, n_exog, message", ORDER_LIMITS)
def test_order_limits_report_the_first_violation(loglike, series, order, seasonal, n_exog, message):
    exog = np.ones((series.size, n_exog)) if n_exog else None
    with pytest.raises(ValueError) as raised:
        loglike(order=order, seasonal=seasonal, exog=exog)
    assert str(raised.value) == message


@pytest.mark.parametrize("seasonal", [(0, 0, 0, 0), (0, 0, 0, 1), (0, 0, 0, 365)])
def test_unused_seasonal_period_is_accepted(loglike, seasonal):
    assert loglike(seasonal=seasonal) == loglike()


def test_state_dimension_at_the_limit_passes_validation(series):
    # k_states = 1024 is allowed; the short series then fails in the filter, not in the
    # order checks.
    with pytest.raises(ValueError, match=r"^data error: Not enough observations: n=5 <= burn=1024$"):
        velkora.sarimax_loglike(series[:5], (0, 0, 0), (4, 0, 0, 256), np.full(5, 0.1),
                                enforce_stationarity=False)


def test_trend_codes(loglike):
    two = np.array([0.3, 0.05, 0.5, 1.0])
    one = np.array([0.3, 0.5, 1.0])
    assert loglike(trend="tc", params=two) == loglike(trend="ct", params=two)
    assert loglike(trend="n") == loglike(trend=None) == loglike()
    assert loglike(trend="c", params=one) != loglike(trend="t", params=one)
    assert loglike(trend="c", params=one) != loglike()


@pytest.mark.parametrize("trend", ["C", "", "CT", "x", "nc"])
def test_unknown_trend(loglike, trend):
    with pytest.raises(ValueError) as raised:
        loglike(trend=trend)
    assert str(raised.value) == f"unknown trend '{trend}', expected one of: 'n', 'c', 't', 'ct'"


def _with(values, *cells):
    out = values.copy()
    for index, value in cells:
        out[index] = value
    return out


Y_MESSAGE = "input time series contains NaN or Inf values"


@pytest.mark.parametrize(
    "y_cells, exog_cells, exog_rows, message",
    [
        ([(3, np.nan)], [], 20, Y_MESSAGE),
        ([(0, -np.inf)], [], 20, Y_MESSAGE),
        ([], [((5, 2), np.nan)], 20, "exog contains NaN or Inf at column 2, row 5"),
        # columns are scanned one after the other
        ([], [((1, 2), np.nan), ((7, 0), np.inf)], 20,
         "exog contains NaN or Inf at column 0, row 7"),
        ([(19, np.nan)], [((5, 2), np.nan)], 20, Y_MESSAGE),
        ([], [((4, 1), np.inf)], 19, "exog contains NaN or Inf at column 1, row 4"),
        ([], [], 19, "exog has 19 rows but endog has 20 observations; they must match"),
        ([], [], 21, "exog has 21 rows but endog has 20 observations; they must match"),
    ],
)
def test_series_and_exog_checks(loglike, series, y_cells, exog_cells, exog_rows, message):
    exog = _with(np.ones((exog_rows, 3)), *exog_cells)
    with pytest.raises(ValueError) as raised:
        loglike(y=_with(series, *y_cells), exog=exog, params=np.array([0.1, 0.2, 0.3, 0.5, 1.0]))
    assert str(raised.value) == message


def test_input_checks_come_before_order_and_trend(loglike, series):
    with pytest.raises(ValueError, match="^input time series"):
        loglike(y=_with(series, (0, np.nan)), order=(21, 0, 0), trend="bad")
    with pytest.raises(ValueError, match="^AR order"):
        loglike(order=(21, 0, 0), trend="bad")


def test_exog_is_read_through_its_strides(loglike, series):
    rng = np.random.default_rng(3)
    wide = rng.standard_normal((2 * series.size, 6))
    strided = wide[::2, ::3]  # 20 x 2, neither C- nor F-contiguous
    assert not strided.flags.c_contiguous and not strided.flags.f_contiguous
    params = np.array([0.7, -0.4, 0.5, 1.3])
    expected = loglike(exog=np.ascontiguousarray(strided), params=params)
    assert loglike(exog=strided, params=params) == expected
    assert loglike(exog=np.asfortranarray(strided), params=params) == expected
    # A transposed view of the regressors puts rows and columns the right way round.
    assert loglike(exog=np.ascontiguousarray(strided.T).T, params=params) == expected


@pytest.mark.parametrize(
    "overrides, argument",
    [
        (dict(order=[1, 0, 0]), "order"),
        (dict(order=(1, 0)), "order"),
        (dict(order=(1, 0, -1)), "order"),
        (dict(order=(1.0, 0, 0)), "order"),
        (dict(order=(True, 0, 0)), "order"),
        (dict(seasonal=(0, 0, 0)), "seasonal"),
        (dict(seasonal=None), "seasonal"),
        (dict(y=np.arange(20, dtype=np.float32)), "y"),
        (dict(y=np.arange(20)), "y"),
        (dict(y=np.zeros((20, 1))), "y"),
        (dict(y=[1.0, 2.0, 3.0]), "y"),
        (dict(y=np.zeros(40)[::2]), "y"),
        (dict(y=np.zeros(20).astype(">f8")), "y"),
        (dict(params=np.array([[0.5, 1.0]])), "params"),
        (dict(params=np.array([0.5, 0.0, 1.0])[::2]), "params"),
        (dict(exog=np.ones(20)), "exog"),
        (dict(exog=np.ones((20, 1), dtype=np.float32)), "exog"),
        (dict(concentrate_scale=1), "concentrate_scale"),
        (dict(enforce_stationarity=None), "enforce_stationarity"),
        (dict(enforce_invertibility=np.True_), "enforce_invertibility"),
        (dict(simple_differencing="yes"), "simple_differencing"),
        (dict(trend=1), "trend"),
        (dict(trennd="c"), "trennd"),
    ],
)
def test_type_errors_name_the_argument(loglike, overrides, argument):
    with pytest.raises(TypeError, match=f"'{argument}"):
        loglike(**overrides)


def test_conversion_stops_at_the_first_bad_argument(loglike):
    with pytest.raises(TypeError, match="'order'"):
        loglike(order=[1, 0, 0], seasonal=[0, 0, 0, 0], trend=1)


@pytest.mark.parametrize(
    "call, message",
    [
        (lambda y, p: velkora.sarimax_loglike(y, (1, 0, 0), (0, 0, 0, 0)),
         "missing required argument 'params'"),
        (lambda y, p: velkora.sarimax_loglike(y, (1, 0, 0), (0, 0, 0, 0), p, y=y),
         "multiple values for argument 'y'"),
        (lambda y, p: velkora.sarimax_loglike(y, (1, 0, 0), (0, 0, 0, 0), p, None, False, True,
                                              True, None, False, 1),
         "takes at most 10 arguments (11 given)"),
        (lambda y, p: velkora.version(1), "takes no arguments"),
    ],
)
def test_binding_errors(series, call, message):
    with pytest.raises(TypeError) as raised:
        call(series, np.array([0.5, 1.0]))
    assert message in str(raised.value)


def test_arrays_are_not_modified(loglike, series):
    before = series.copy()
    exog = np.ones((series.size, 1))
    loglike(exog=exog, params=np.array([0.2, 0.5, 1.0]))
    assert np.array_equal(series, before) and np.all(exog == 1.0)

