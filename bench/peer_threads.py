"""Imported first by every benchmark: one BLAS thread for the peers.

Their matrices are small, and a multi-threaded BLAS only slows them down (by an order of
magnitude on a busy two-core machine), so the peers are timed at their best.
"""

import os

for _variable in ("OPENBLAS_NUM_THREADS", "OMP_NUM_THREADS", "MKL_NUM_THREADS"):
    os.environ.setdefault(_variable, "1")
