"""Forecast the airline passengers two years ahead with the airline model.

The model (0,1,1)(0,1,1,12) is fitted by maximum likelihood to the log of the monthly
passenger counts. Forecasts and their 95% intervals
are computed on the log scale and shown in passengers. With matplotlib installed the
series, the forecasts and the band are drawn to examples/forecast.png.
"""

import pathlib

import numpy as np

import velkora
from airline import read_passengers

HERE = pathlib.Path(__file__).resolve().parent
ORDER, SEASONAL = (0, 1, 1), (0, 1, 1, 12)
STEPS, ALPHA = 24, 0.05


def following_months(last, count):
    year, month = map(int, last.split("-"))
    months = []
    for _ in range(count):
        year, month = (year + 1, 1) if month == 12 else (year, month + 1)
        months.append(f"{year}-{month:02d}")
    return months


def plot(months, passengers, future, mean, lower, upper, path):
    try:
        import matplotlib

        matplotlib.use("Agg")
        import matplotlib.pyplot as plt
    except ImportError:
        print("\nmatplotlib is not installed, so no plot was drawn "
              "(pip install 'velkora[plot]' or pip install matplotlib).")
        return
    n = len(passengers)
    history, ahead = np.arange(n), np.arange(n, n + len(mean))
    fig, ax = plt.subplots(figsize=(10, 4.5))
    ax.plot(history, passengers, color="black", lw=1.2, label="passengers")
    ax.plot(ahead, mean, color="tab:blue", lw=1.5, label="forecast")
    ax.fill_between(ahead, lower, upper, color="tab:blue", alpha=0.25, label=f"{1 - ALPHA:.0%} interval")
    ticks = list(range(0, n + len(mean), 24))
    labels = months + future
    ax.set_xticks(ticks, [labels[i][:4] for i in ticks])
    ax.set_ylabel("passengers (thousands)")
    ax.set_title("Airline passengers: airline model forecast, 24 months")
    ax.legend(loc="upper left")
    fig.tight_layout()
    fig.savefig(path, dpi=120)
    plt.close(fig)
    print(f"\nplot written to {path}")


def main():
    months, passengers = read_passengers()
    y = np.log(passengers)
    fit = velkora.sarimax_fit(y, ORDER, SEASONAL)
    params = np.array(fit["params"])  # theta_1, Theta_1, sigma^2
    result = velkora.sarimax_forecast(y, ORDER, SEASONAL, params, steps=STEPS, alpha=ALPHA)
    mean, lower, upper = (np.exp(result[key]) for key in ("mean", "ci_lower", "ci_upper"))
    future = following_months(months[-1], STEPS)

    print(f"airline model {ORDER}{SEASONAL} on log passengers, fitted parameters "
          f"{np.round(params, 6).tolist()}")
    print(f"{'month':>8} {'forecast':>9} {'lower 95%':>10} {'upper 95%':>10}")
    for month, m, lo, hi in zip(future, mean, lower, upper):
        print(f"{month:>8} {m:9.1f} {lo:10.1f} {hi:10.1f}")
    plot(months, passengers, future, mean, lower, upper, HERE / "forecast.png")


if __name__ == "__main__":
    main()
