"""sarimax_fit: method table, driver edge cases, result dict, warnings, threads and fork."""

import json
import os
import signal
import threading
import time
import warnings

import numpy as np
import pytest

import velkora

AIRLINE = ((0, 1, 1), (0, 1, 1, 12))
VALID_METHODS = ("lbfgsb, lbfgsb-multi, lbfgsb-adaptive, lbfgsb-hybrid, lbfgsb-strict, lbfgsb_single, "
                 "lbfgs, bfgs, trust-region, profile-trust-region, nelder-mead, nm")
CANCELLATION_WARNING = ("near-cancellation detected in fitted ARMA(1,1) parameters (min inverted-root "
                        "distance < 0.05). Model may be non-identifiable.")
KEYS = ["params", "loglike", "scale", "aic", "bic", "n_obs", "n_params", "n_iter", "converged", "method",
        "warnings"]


def seasonal_series(n=144, seed=0):
    """Log-airline-like: the airline model (0,1,1)(0,1,1,12) with theta -0.4 and Theta -0.6."""
    rng = np.random.default_rng(seed)
    e = 0.05 * rng.standard_normal(n)
    w = e.copy()
    w[1:] -= 0.4 * e[:-1]
    w[12:] -= 0.6 * e[:-12]
    w[13:] += 0.24 * e[:-13]
    y = np.zeros(n)
    for t in range(n):
        y[t] = w[t] + (y[t - 1] if t >= 1 else 0) + (y[t - 12] if t >= 12 else 0) - (y[t - 13] if t >= 13 else 0)
    return y + 5.0


def arma_series(n, ar=(), ma=(), seed=0):
    rng = np.random.default_rng(seed)
    e = rng.standard_normal(n)
    x = np.zeros(n)
    for t in range(n):
        x[t] = e[t] + sum(a * x[t - 1 - i] for i, a in enumerate(ar) if t - 1 - i >= 0) \
            + sum(b * e[t - 1 - j] for j, b in enumerate(ma) if t - 1 - j >= 0)
    return x


@pytest.fixture(scope="module")
def monthly():
    return seasonal_series()


@pytest.mark.parametrize("method, reported", [
    (None, "lbfgsb"), ("lbfgsb", "lbfgsb"), ("lbfgsb-multi", "lbfgsb-multi"),
    ("lbfgsb-adaptive", "lbfgsb"), ("lbfgsb-hybrid", "lbfgsb-hybrid"), ("lbfgsb-strict", "lbfgsb-strict"),
    ("lbfgsb_single", "lbfgsb-strict"), ("lbfgs", "lbfgs"), ("bfgs", "bfgs"), ("nelder-mead", "nelder-mead"),
    ("nm", "nelder-mead"), ("trust-region", "trust-region"), ("profile-trust-region", "trust-region"),
])
def test_every_method_fits_and_reports_itself(monthly, method, reported):
    result = velkora.sarimax_fit(monthly, *AIRLINE, method=method)
    assert list(result) == KEYS
    assert result["method"].startswith(reported)
    assert isinstance(result["params"], list) and all(type(v) is float for v in result["params"])
    assert type(result["n_obs"]) is int and type(result["n_params"]) is int and type(result["n_iter"]) is int
    assert type(result["converged"]) is bool
    assert result["n_obs"] == 144 and result["n_params"] == 3 and 0 < result["n_iter"] <= 500
    assert result["loglike"] == pytest.approx(
        velkora.sarimax_loglike(monthly, *AIRLINE, np.array(result["params"])), abs=1e-9)
    assert result["aic"] == pytest.approx(-2 * result["loglike"] + 6)
    assert result["bic"] == pytest.approx(-2 * result["loglike"] + np.log(144) * 3)
    default = velkora.sarimax_fit(monthly, *AIRLINE)
    assert result["loglike"] == pytest.approx(default["loglike"], abs=1e-3)


@pytest.mark.parametrize("method", ["NM", "Lbfgsb", "", "trust region", "profile"])
def test_unknown_method_is_a_runtime_error_listing_the_valid_names(monthly, method):
    with pytest.raises(RuntimeError) as raised:
        velkora.sarimax_fit(monthly, *AIRLINE, method=method)
    assert str(raised.value) == f"optimization failed: unknown method: '{method}'. Valid methods: {VALID_METHODS}"


@pytest.mark.parametrize("kwargs, exception, message", [
    (dict(start_params=np.array([0.1, 0.2])), ValueError,
     "invalid input: start_params length mismatch: expected 3, got 2"),
    (dict(y=seasonal_series()[:28]), ValueError,
     "data error: Not enough observations: n=28 <= minimum required 28 for model order"),
    (dict(maxiter=-1), TypeError, "maxiter"),
    (dict(y=seasonal_series(300)[::2]), TypeError, ""),
    (dict(start_params=np.ones((3, 1))), TypeError, "start_params"),
    (dict(order=[0, 1, 1]), TypeError, "order"),
])
def test_refused_requests(monthly, kwargs, exception, message):
    arguments = dict(y=monthly, order=AIRLINE[0], seasonal=AIRLINE[1])
    arguments.update(kwargs)
    with pytest.raises(exception) as raised:
        velkora.sarimax_fit(**arguments)
    assert message in str(raised.value)
    if exception is ValueError:
        assert str(raised.value) == message


def test_zero_iterations_return_the_start_unoptimised(monthly):
    start = np.array([-0.3, -0.5, 0.003])
    result = velkora.sarimax_fit(monthly, *AIRLINE, start_params=start, maxiter=0)
    assert result["params"] == start.tolist()
    assert (result["n_iter"], result["converged"], result["method"]) == (0, False, "lbfgsb")
    assert result["loglike"] == pytest.approx(velkora.sarimax_loglike(monthly, *AIRLINE, start))
    computed = velkora.sarimax_fit(monthly, *AIRLINE, maxiter=0, method="bfgs")
    assert (computed["n_iter"], computed["converged"], computed["method"]) == (0, False, "bfgs")


def test_pure_autoregression_with_concentrated_scale_is_answered_directly():
    y = arma_series(400, ar=(0.5, -0.3, 0.2), seed=3)
    direct = velkora.sarimax_fit(y, (3, 0, 0), (0, 0, 0, 0), concentrate_scale=True)
    assert (direct["method"], direct["n_iter"], direct["converged"], direct["n_params"]) == \
        ("burg-direct", 0, True, 4)
    assert direct["aic"] == pytest.approx(8 - 2 * direct["loglike"])
    assert velkora.sarimax_fit(y, (3, 0, 0), (0, 0, 0, 0))["method"] == "lbfgsb"
    strict = velkora.sarimax_fit(y, (3, 0, 0), (0, 0, 0, 0), concentrate_scale=True, method="lbfgsb-strict")
    assert strict["method"] == "lbfgsb-strict" and strict["loglike"] >= direct["loglike"] - 1e-9
    given = velkora.sarimax_fit(y, (3, 0, 0), (0, 0, 0, 0), concentrate_scale=True,
                                start_params=np.array(direct["params"]))
    assert given["method"] == "lbfgsb"


def test_model_without_free_parameters():
    y = arma_series(50, seed=1)
    result = velkora.sarimax_fit(y, (0, 0, 0), (0, 0, 0, 0), concentrate_scale=True)
    assert result["params"] == [] and result["n_params"] == 1 and result["converged"] is True
    assert result["scale"] == pytest.approx(np.mean(y ** 2))


def near_cancelling_fit(**kwargs):
    """An ARMA(1,1) held next to its start, where the AR and MA roots nearly cancel."""
    y = arma_series(200, seed=5)
    return velkora.sarimax_fit(y, (1, 0, 1), (0, 0, 0, 0), start_params=np.array([0.5, -0.48, 1.0]),
                               method="nelder-mead", maxiter=1, **kwargs)


def test_warnings_are_listed_and_raised_in_order():
    with pytest.warns(UserWarning) as caught:
        result = near_cancelling_fit()
    assert result["warnings"] == [CANCELLATION_WARNING]
    assert [str(w.message) for w in caught] == [CANCELLATION_WARNING]


def test_a_warning_turned_into_an_error_replaces_the_result():
    with warnings.catch_warnings():
        warnings.simplefilter("error")
        with pytest.raises(UserWarning, match="near-cancellation detected"):
            near_cancelling_fit()


def test_a_fit_without_warnings_emits_nothing(monthly):
    with warnings.catch_warnings():
        warnings.simplefilter("error")
        assert velkora.sarimax_fit(monthly, *AIRLINE)["warnings"] == []


@pytest.mark.parametrize("method", ["lbfgsb-multi", "lbfgsb-hybrid", "lbfgsb-adaptive", "lbfgs"])
def test_seeded_strategies_are_reproducible(monthly, method):
    first = velkora.sarimax_fit(monthly, *AIRLINE, method=method, maxiter=120)
    second = velkora.sarimax_fit(monthly, *AIRLINE, method=method, maxiter=120)
    assert first == second


def test_two_threads_fitting_at_once_match_sequential_fits():
    jobs = [(seasonal_series(seed=s), method) for s, method in ((11, "lbfgsb-hybrid"), (12, "lbfgsb"))]
    sequential = [velkora.sarimax_fit(y, *AIRLINE, method=m) for y, m in jobs]
    for _ in range(3):
        concurrent = [None, None]
        barrier = threading.Barrier(2)

        def work(i):
            barrier.wait()
            concurrent[i] = velkora.sarimax_fit(jobs[i][0], *AIRLINE, method=jobs[i][1])

        threads = [threading.Thread(target=work, args=(i,)) for i in range(2)]
        for t in threads:
            t.start()
        for t in threads:
            t.join()
        assert concurrent == sequential


@pytest.mark.skipif(not hasattr(os, "fork"), reason="needs fork()")
def test_a_child_forked_after_a_parallel_fit_skips_the_parallel_steps(monthly):
    # The multi-start runs its perturbed starts on the worker pool, which makes this process
    # the pool's owner.
    velkora.sarimax_fit(monthly, *AIRLINE, method="lbfgsb-multi")
    read_end, write_end = os.pipe()
    pid = os.fork()
    if pid == 0:
        status = 1
        try:
            os.close(read_end)
            hybrid = velkora.sarimax_fit(monthly, *AIRLINE, method="lbfgsb-hybrid")
            multi = velkora.sarimax_fit(monthly, *AIRLINE, method="lbfgsb-multi")
            os.write(write_end, json.dumps([hybrid, multi]).encode())
            status = 0
        finally:
            os._exit(status)
    os.close(write_end)
    deadline = time.monotonic() + 120
    while True:
        done, status = os.waitpid(pid, os.WNOHANG)
        if done:
            break
        if time.monotonic() > deadline:
            os.kill(pid, signal.SIGKILL)
            os.waitpid(pid, 0)
            pytest.fail("the forked child hung in a parallel step")
        time.sleep(0.05)
    with os.fdopen(read_end, "rb") as pipe:
        payload = pipe.read()
    assert os.waitstatus_to_exitcode(status) == 0
    hybrid, multi = json.loads(payload)
    # Without the pool the hybrid's random restarts are dropped: it returns the multi-start's
    # estimate under its own name.
    assert hybrid["method"] == "lbfgsb-hybrid"
    assert hybrid["params"] == multi["params"]
    assert hybrid["n_iter"] == multi["n_iter"]
