"""Runs every benchmark of the project in one go.

--skip-slow skips the statsmodels log-likelihood runs that take minutes (s = 168, 365);
--skip-r skips R's arima in the fit benchmark.
"""

import argparse
import pathlib
import subprocess
import sys

HERE = pathlib.Path(__file__).resolve().parent

parser = argparse.ArgumentParser(description=__doc__)
parser.add_argument("--skip-slow", action="store_true")
parser.add_argument("--skip-r", action="store_true")
args = parser.parse_args()

runs = [
    ["loglike_bench.py"] + (["--skip-slow"] if args.skip_slow else []),
    ["forecast_bench.py"],
    ["fit_bench.py"] + (["--skip-r"] if args.skip_r else []),
    ["trust_region_bench.py"],
]
for script, *options in runs:
    if (HERE / script).exists():
        subprocess.run([sys.executable, str(HERE / script), *options], check=True, cwd=HERE)
