#!/usr/bin/python3
"""The yardstick for bench_plot and `varnel plot`: 100,000 analyses drawn as
points of a ternary diagram with matplotlib (Agg, a PNG of 1200 x 849
pixels), plain and coloured by mineral, and the same file plotted whole by
`varnel plot` in the same run.

Usage: matplotlib_ternary.py [VARNEL]   (default build-bench/varnel)

Times are the best of three. "drawing" is the figure made and saved from
the numbers in memory; "whole" reads the data file too (varnel: the whole
command, process start included)."""
import os
import random
import subprocess
import sys
import tempfile
import time

try:
    import matplotlib

    matplotlib.use("Agg")
    import matplotlib.pyplot as plt
    import numpy as np
except ImportError:
    print("matplotlib_ternary: matplotlib or numpy is not installed (Debian: python3-matplotlib); skipped")
    sys.exit(0)

CASES = 100_000
MINERALS = ["olivine", "opx", "cpx", "garnet", "spinel", "plagioclase", "amphibole", "mica"]
SIN60 = 0.8660254037844386


def write_data(path):
    rng = random.Random(11)
    with open(path, "w", newline="") as f:
        f.write("; cloud.vnp - VarnelData\r\n;;100,000 analyses for the plot benchmark\r\n")
        f.write("SiO2\tMgO\tFeO\tMineral#\r\n")
        for _ in range(CASES):
            a, b, c = (rng.gammavariate(2.0, 10.0) for _ in range(3))
            f.write(f"{a:.2f}\t{b:.2f}\t{c:.2f}\t{rng.choice(MINERALS)}\r\n")


def read_data(path):
    with open(path) as f:
        lines = f.read().splitlines()[3:]
    cols = [line.split("\t") for line in lines]
    values = np.array([[float(x) for x in c[:3]] for c in cols])
    return values, [c[3] for c in cols]


def draw(values, minerals, out, coloured):
    s = values.sum(axis=1)
    a, b = values[:, 0] / s, values[:, 1] / s
    x, y = a + 0.5 * b, SIN60 * b
    fig = plt.figure(figsize=(11.69, 8.27), dpi=1200 / 11.69)
    ax = fig.add_axes([0, 0, 1, 1])
    ax.set_axis_off()
    ax.set_aspect("equal")
    ax.plot([0, 1, 0.5, 0], [0, 0, SIN60, 0], color="black", linewidth=1)
    if coloured:
        codes = {m: i for i, m in enumerate(sorted(set(minerals)))}
        ax.scatter(x, y, s=9, c=[codes[m] for m in minerals], cmap="tab10", linewidths=0)
    else:
        ax.scatter(x, y, s=9, c="blue", linewidths=0)
    fig.savefig(out)
    plt.close(fig)


def best_of_three(f):
    best = None
    for _ in range(3):
        start = time.perf_counter()
        f()
        elapsed = time.perf_counter() - start
        best = elapsed if best is None else min(best, elapsed)
    return best


def main():
    varnel = sys.argv[1] if len(sys.argv) > 1 else os.path.join("build-bench", "varnel")
    with tempfile.TemporaryDirectory() as tmp:
        data = os.path.join(tmp, "cloud.vnp")
        write_data(data)
        values, minerals = read_data(data)
        out = os.path.join(tmp, "m.png")
        plain = best_of_three(lambda: draw(values, minerals, out, False))
        coloured = best_of_three(lambda: draw(values, minerals, out, True))
        whole = best_of_three(lambda: draw(*read_data(data), out, True))
        print(f"matplotlib, {CASES} ternary points to a PNG: drawing {plain:.3f} s plain, "
              f"{coloured:.3f} s coloured; whole with reading the file {whole:.3f} s")
        if not os.access(varnel, os.X_OK):
            print(f"varnel plot: {varnel} not built; skipped")
            return
        args = [varnel, "plot", data, "--colours", "Mineral#", "--symbols", "Mineral#", "-o",
                os.path.join(tmp, "v.png")]
        env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
        ours = best_of_three(lambda: subprocess.run(args, check=True, env=env, stdout=subprocess.DEVNULL))
        print(f"varnel plot, the same file coloured and shaped by mineral: whole {ours:.3f} s "
              f"({ours / whole:.2f} of matplotlib's whole; target at most 0.5)")


main()
