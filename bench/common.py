"""Shared pieces of the benchmarks: data, timing and table printing."""

import csv
import pathlib
import time

import numpy as np

ROOT = pathlib.Path(__file__).resolve().parent.parent


def airline_log_series():
    with open(ROOT / "examples" / "airline_passengers.csv", newline="") as fh:
        return np.log(np.array([float(row["passengers"]) for row in csv.DictReader(fh)]))


def seasonal_series(n, s, seed, trend=0.01):
    """A noisy series with a random-walk level and a fixed seasonal pattern."""
    rng = np.random.default_rng(seed)
    pattern = rng.normal(size=max(s, 1)) * 2.0
    level = np.cumsum(rng.normal(scale=trend, size=n))
    season = pattern[np.arange(n) % max(s, 1)] if s > 1 else 0.0
    return level + season + rng.normal(size=n)


def arma_series(n, ar, ma, seed):
    rng = np.random.default_rng(seed)
    e = rng.normal(size=n + 100)
    y = np.zeros(n + 100)
    for t in range(n + 100):
        y[t] = e[t]
        for i, a in enumerate(ar, 1):
            if t >= i:
                y[t] += a * y[t - i]
        for j, b in enumerate(ma, 1):
            if t >= j:
                y[t] += b * e[t - j]
    return y[100:]


def best_time(fn, min_total=0.2, max_repeats=50):
    """Best wall time of repeated calls, repeating until min_total seconds have passed."""
    best = float("inf")
    spent = 0.0
    repeats = 0
    while repeats < max_repeats and (spent < min_total or repeats < 3):
        start = time.perf_counter()
        fn()
        elapsed = time.perf_counter() - start
        best = min(best, elapsed)
        spent += elapsed
        repeats += 1
        if elapsed > 5.0:
            break
    return best


def fmt_seconds(seconds):
    if seconds is None:
        return "skipped"
    if seconds >= 1.0:
        return f"{seconds:.2f} s"
    if seconds >= 1e-3:
        return f"{seconds * 1e3:.2f} ms"
    return f"{seconds * 1e6:.1f} us"


def print_table(title, header, rows):
    widths = [max(len(str(h)), *(len(str(r[i])) for r in rows)) for i, h in enumerate(header)]
    print(f"\n### {title}\n")
    print("| " + " | ".join(str(h).ljust(w) for h, w in zip(header, widths)) + " |")
    print("|" + "|".join("-" * (w + 2) for w in widths) + "|")
    for r in rows:
        print("| " + " | ".join(str(c).ljust(w) for c, w in zip(r, widths)) + " |")
