import numpy as np
import pytest

import velkora

# The module's functions in their registration order.
ENTRY_ORDER = [
    "version",
    "sarimax_loglike",
    "sarimax_fit",
    "sarimax_forecast",
    "sarimax_rolling_forecast",
    "sarimax_residuals",
    "sarimax_batch_loglike",
    "sarimax_batch_fit",
    "sarimax_grid_search",
    "sarimax_batch_forecast",
    "sarimax_inference",
    "sarimax_diagnostics",
]


@pytest.fixture
def series():
    """A short AR(1)-like series, finite and reproducible."""
    rng = np.random.default_rng(7)
    e = rng.standard_normal(20)
    y = np.empty(20)
    y[0] = e[0]
    for t in range(1, 20):
        y[t] = 0.6 * y[t - 1] + e[t]
    return y


@pytest.fixture
def loglike(series):
    """sarimax_loglike on an AR(1) baseline; keyword arguments override the baseline."""

    def call(**overrides):
        arguments = dict(y=series, order=(1, 0, 0), seasonal=(0, 0, 0, 0),
                         params=np.array([0.5, 1.0]))
        arguments.update(overrides)
        return velkora.sarimax_loglike(**arguments)

    return call
