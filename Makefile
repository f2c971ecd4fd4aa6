# velkora: build, test, benchmark and demo from nothing.
PYTHON ?= python3
VENV   := .venv
PY     := $(VENV)/bin/python
JOBS   ?= 2

.PHONY: all setup system-deps venv module cpp-test sanitize-test py-test test bench demo clean

all: module

system-deps:
	bash scripts/install_system_deps.sh

$(VENV)/.ready: pyproject.toml
	$(PYTHON) -m venv $(VENV)
	$(PY) -m pip install -q --upgrade pip
	$(PY) -m pip install -q "scikit-build-core>=0.10" "numpy>=2" "pytest>=8" "hypothesis>=6" "statsmodels>=0.14" "pandas>=2"
	touch $@

venv: $(VENV)/.ready

setup: system-deps venv

# The extension module, installed into the project environment.
module: setup
	$(PY) -m pip install -q --no-build-isolation .

build/cpp/Makefile: setup
	cmake -S . -B build/cpp -DVELKORA_BUILD_MODULE=OFF -DCMAKE_BUILD_TYPE=Release

cpp-test: build/cpp/Makefile
	cmake --build build/cpp -j $(JOBS)
	cd build/cpp && ctest --output-on-failure -j $(JOBS)

sanitize-test: setup
	cmake -S . -B build/sanitize -DVELKORA_BUILD_MODULE=OFF -DVELKORA_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
	cmake --build build/sanitize -j $(JOBS)
	cd build/sanitize && ctest --output-on-failure -j $(JOBS)

py-test: module
	$(PY) -m pytest -q tests/python

test: cpp-test sanitize-test py-test

bench: module
	$(PY) bench/run.py $(BENCH_ARGS)

demo: module
	$(PY) -m pip install -q "matplotlib>=3.8" || echo "matplotlib could not be installed: the demo prints without the plot"
	$(PY) examples/demo.py

clean:
	rm -rf build
