"""sarimax_loglike on small models whose likelihood is known in closed form."""

import math

import numpy as np
import pytest

import velkora

LOG_2PI = math.log(2 * math.pi)
Y2 = np.array([1.0, 2.0])


def ar1(y, params, **options):
    return velkora.sarimax_loglike(y, (1, 0, 0), (0, 0, 0, 0), np.array(params), **options)


def test_ar1_full_likelihood():
    expected = -LOG_2PI - 0.5 * math.log(4 / 3) - 1.5
    assert ar1(Y2, [0.5, 1.0]) == pytest.approx(expected, rel=1e-14, abs=0)


def test_ar1_concentrated_likelihood():
    expected = -LOG_2PI - math.log(1.5) - 1 - 0.5 * math.log(4 / 3)
    assert ar1(Y2, [0.5], concentrate_scale=True) == pytest.approx(expected, rel=1e-14, abs=0)


def test_concentrated_scale_expects_one_parameter_less():
    with pytest.raises(ValueError) as raised:
        ar1(Y2, [0.5, 1.0], concentrate_scale=True)
    assert str(raised.value) == "parameter length mismatch: expected 1, got 2"


def test_explosive_ar_falls_back_to_diffuse_start():
    # Only t = 1 enters the likelihood: v = 2 - 1.5 * 1 = 0.5 with F = 1.
    expected = -0.5 * LOG_2PI - 0.125
    assert ar1(Y2, [1.5, 1.0]) == pytest.approx(expected, rel=1e-12, abs=0)


def test_stationarity_flag_selects_the_initialisation(series):
    stationary = ar1(series, [0.5, 1.0])
    diffuse = ar1(series, [0.5, 1.0], enforce_stationarity=False)
    assert stationary != pytest.approx(diffuse, rel=1e-6)


@pytest.mark.parametrize("theta", [0.4, 2.5])
def test_invertibility_flag_has_no_effect(series, theta):
    def value(flag):
        return velkora.sarimax_loglike(series, (1, 0, 1), (0, 0, 0, 0),
                                       np.array([0.5, theta, 1.2]), enforce_invertibility=flag)

    assert value(True) == value(False)


@pytest.mark.parametrize(
    "order, seasonal, params, message",
    [
        ((1, 0, 0), (0, 0, 0, 0), [0.5, 1.0], "Not enough observations: n=0 <= burn=0"),
        ((1, 1, 0), (0, 0, 0, 0), [0.5, 1.0], "Not enough observations: n=0 <= burn=1"),
        ((0, 0, 0), (0, 1, 0, 4), [1.0], "Not enough observations: n=0 <= burn=4"),
    ],
)
def test_empty_series_fails_in_the_filter(order, seasonal, params, message):
    with pytest.raises(ValueError) as raised:
        velkora.sarimax_loglike(np.array([]), order, seasonal, np.array(params))
    assert str(raised.value) == "data error: " + message


def test_second_seasonal_difference_is_refused_by_the_builder(series):
    with pytest.raises(ValueError) as raised:
        velkora.sarimax_loglike(series, (0, 0, 0), (0, 2, 0, 4), np.array([1.0]))
    assert str(raised.value) == (
        "state space construction failed: Seasonal differencing D > 1 is not yet supported")


def test_integer_series_is_a_type_error():
    with pytest.raises(TypeError, match="'y'"):
        velkora.sarimax_loglike(np.array([1, 2, 3]), (1, 0, 0), (0, 0, 0, 0), np.array([0.5, 1.0]))


def test_nan_parameter_is_a_data_error(series):
    with pytest.raises(ValueError, match="^data error: "):
        ar1(series, [np.nan, 1.0])


def test_stationary_start_is_centred_on_the_process_mean():
    # AR(1) with constant 0.5 and phi 0.5 has mean 1 and variance 4/3: the first
    # prediction is the mean, not zero.
    value = velkora.sarimax_loglike(Y2, (1, 0, 0), (0, 0, 0, 0), np.array([0.5, 0.5, 1.0]), trend="c")
    v0, v1 = 1.0 - 1.0, 2.0 - (0.5 + 0.5 * 1.0)
    expected = -LOG_2PI - 0.5 * np.log(4.0 / 3.0) - 0.5 * (v0 ** 2 / (4.0 / 3.0) + v1 ** 2)
    assert value == pytest.approx(expected, rel=1e-14, abs=0)
