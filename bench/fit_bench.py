"""Maximum-likelihood fits: velkora against statsmodels' SARIMAX(...).fit() and, when Rscript
is available, R's arima(..., method = "ML"), on the same data in the same run.

R's log-likelihood of a differenced model is defined slightly differently (it drops other
leading terms), so only its time is compared."""

import peer_threads  # noqa: F401  (before NumPy)

import argparse  # noqa: E402
import os  # noqa: E402
import shutil  # noqa: E402
import subprocess  # noqa: E402
import tempfile  # noqa: E402
import warnings  # noqa: E402

import numpy as np  # noqa: E402

import velkora  # noqa: E402
from common import airline_log_series, arma_series, best_time, fmt_seconds, print_table, seasonal_series  # noqa: E402

TARGET_DEFAULT = 30.0
TARGET_S24 = 100.0


def regression_case(n=300, seed=8):
    """(1,1,1) errors around two regressors, with a drift."""
    rng = np.random.default_rng(seed)
    exog = rng.normal(size=(n, 2))
    noise = np.cumsum(arma_series(n, [0.5], [0.3], seed) + 0.05)
    return noise + exog @ np.array([1.5, -0.7]), exog


def cases():
    y_reg, x_reg = regression_case()
    # label, y, exog, order, seasonal, trend, speed-up target
    return [
        ("airline (0,1,1)(0,1,1,12)", airline_log_series(), None, (0, 1, 1), (0, 1, 1, 12), "n", TARGET_DEFAULT),
        ("(2,1,1)(1,1,1,12) n=432", seasonal_series(432, 12, 3), None, (2, 1, 1), (1, 1, 1, 12), "n",
         TARGET_DEFAULT),
        ("(2,0,1)(1,1,1,24) n=800", seasonal_series(800, 24, 4), None, (2, 0, 1), (1, 1, 1, 24), "n", TARGET_S24),
        ("ARMA(2,1) n=1000", arma_series(1000, [0.5, -0.2], [0.3], 1), None, (2, 0, 1), (0, 0, 0, 0), "n",
         TARGET_DEFAULT),
        ("(1,1,1) + 2 regressors, trend c", y_reg, x_reg, (1, 1, 1), (0, 0, 0, 0), "c", TARGET_DEFAULT),
    ]


def statsmodels_fit(y, exog, order, seasonal, trend):
    from statsmodels.tsa.statespace.sarimax import SARIMAX

    with warnings.catch_warnings():
        warnings.simplefilter("ignore")
        model = SARIMAX(y, exog=exog, order=order, seasonal_order=seasonal, trend=trend, trend_offset=0)
        return model.fit(disp=False)


R_SCRIPT = r"""
args <- commandArgs(trailingOnly = TRUE)
data <- as.matrix(read.csv(args[1], header = FALSE))
orders <- as.integer(strsplit(args[2], ",")[[1]])
trend <- args[3]
repeats <- as.integer(args[4])
y <- data[, 1]
xreg <- if (ncol(data) > 1) data[, -1, drop = FALSE] else NULL
if (trend == "c") {
  # A constant in the differenced equation is a drift in the levels.
  drift <- if (orders[2] > 0) seq_along(y) else rep(1, length(y))
  xreg <- cbind(drift = drift, xreg)
}
fit_once <- function() arima(y, order = orders[1:3], seasonal = list(order = orders[4:6], period = orders[7]),
                             xreg = xreg, include.mean = FALSE, method = "ML")
fit <- fit_once()
elapsed <- system.time(for (i in seq_len(repeats)) fit_once())[["elapsed"]] / repeats
cat(sprintf("%.9f %.9f\n", elapsed, fit$loglik))
"""


def r_fit(y, exog, order, seasonal, trend, repeats):
    """(seconds per fit, loglik) from R's arima, or None without Rscript."""
    if shutil.which("Rscript") is None:
        return None
    with tempfile.TemporaryDirectory() as tmp:
        data = np.column_stack([y] + ([exog] if exog is not None else []))
        csv = os.path.join(tmp, "data.csv")
        script = os.path.join(tmp, "fit.R")
        np.savetxt(csv, data, delimiter=",", fmt="%.17g")
        with open(script, "w") as fh:
            fh.write(R_SCRIPT)
        p, d, q = order
        P, D, Q, s = seasonal
        orders = ",".join(str(v) for v in (p, d, q, P, D, Q, max(s, 1)))
        out = subprocess.run(["Rscript", script, csv, orders, trend, str(repeats)], capture_output=True, text=True)
        if out.returncode != 0:
            return ("failed", out.stderr.strip().splitlines()[-1] if out.stderr else "")
        seconds, loglik = (float(v) for v in out.stdout.split())
        return seconds, loglik


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--skip-r", action="store_true", help="do not run R's arima")
    args, _ = parser.parse_known_args()

    rows = []
    verdicts = []
    for label, y, exog, order, seasonal, trend, target in cases():
        ours = velkora.sarimax_fit(y, order, seasonal, exog=exog, trend=trend)
        ours_time = best_time(lambda: velkora.sarimax_fit(y, order, seasonal, exog=exog, trend=trend))
        peer = statsmodels_fit(y, exog, order, seasonal, trend)
        peer_time = best_time(lambda: statsmodels_fit(y, exog, order, seasonal, trend), min_total=1.0,
                              max_repeats=5)
        speedup = peer_time / ours_time
        r = None if args.skip_r else r_fit(y, exog, order, seasonal, trend, repeats=5)
        if r is None or isinstance(r[0], str):
            r_time = r_text = r_ratio = r_ll = "-" if r is None else "failed"
            faster_than_r = None
        else:
            r_time, r_ll_value = r
            r_text, r_ratio, r_ll = fmt_seconds(r_time), f"{r_time / ours_time:.1f}x", f"{r_ll_value:.3f}"
            faster_than_r = ours_time < r_time
        rows.append((label, fmt_seconds(ours_time), fmt_seconds(peer_time), f"{speedup:.0f}x", r_text, r_ratio,
                     f"{ours['loglike']:.4f}", f"{peer.llf:.4f}", r_ll))
        ok = speedup >= target and ours["loglike"] >= peer.llf - 1e-3 and faster_than_r is not False
        verdicts.append(f"{label}: {'meets' if ok else 'MISSES'} the targets (>= {target:.0f}x statsmodels, "
                        f"loglike >= statsmodels - 1e-3, faster than R)")
    print_table("sarimax_fit vs statsmodels SARIMAX.fit() and R arima(method='ML')",
                ("case", "velkora", "statsmodels", "speed-up", "R", "R / velkora", "loglike velkora",
                 "loglike statsmodels", "loglike R"), rows)
    print()
    for line in verdicts:
        print(line)


if __name__ == "__main__":
    main()
