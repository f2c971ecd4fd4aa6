"""Runs every benchmark of the project; arguments are passed to each."""

import pathlib
import subprocess
import sys

HERE = pathlib.Path(__file__).resolve().parent
SCRIPTS = ["loglike_bench.py"]

for script in SCRIPTS:
    path = HERE / script
    if path.exists():
        subprocess.run([sys.executable, str(path), *sys.argv[1:]], check=True, cwd=HERE)
