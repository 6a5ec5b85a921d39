#!/usr/bin/python3
"""The yardstick for bench_wizard's univariant enumeration: the null vectors of
every selection of 10 phases out of 20 on 9 components, by numpy's batched
SVD in double precision, with no text written. Prints the best of three."""
import itertools
import sys
import time

try:
    import numpy as np
except ImportError:
    print("numpy_univariants: numpy is not installed (Debian: python3-numpy); skipped")
    sys.exit(0)

rng = np.random.default_rng(20)
phases = rng.uniform(0.0, 60.0, size=(9, 20))
best = None
for _ in range(3):
    start = time.perf_counter()
    selections = np.array(list(itertools.combinations(range(20), 10)))
    matrices = phases[:, selections].transpose(1, 0, 2)  # (184756, 9, 10)
    _, _, vt = np.linalg.svd(matrices)
    null_vectors = vt[:, -1, :]
    elapsed = time.perf_counter() - start
    best = elapsed if best is None else min(best, elapsed)
print(f"numpy batched SVD, {len(null_vectors)} selections of 10 of 20 phases: {best:.2f} s")
