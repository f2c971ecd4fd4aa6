"""Runs every example of the project in turn."""

import pathlib
import runpy

HERE = pathlib.Path(__file__).resolve().parent
EXAMPLES = ["loglike_demo.py", "fit_demo.py", "forecast_demo.py"]

for name in EXAMPLES:
    path = HERE / name
    if path.exists():
        print(f"\n=== {name} ===")
        runpy.run_path(str(path), run_name="__main__")
