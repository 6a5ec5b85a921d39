#!/bin/sh
# Writes a data file of CASES cases x VARS variables of short numbers (about
# 14 MB for the default 100000 x 20), as the DataSheet saves them.
# usage: make-datafile.sh OUT [CASES] [VARS]
out=${1:?usage: make-datafile.sh OUT [CASES] [VARS]}
cases=${2:-100000}
vars=${3:-20}
awk -v cases="$cases" -v vars="$vars" 'BEGIN {
  srand(7)
  printf "; bench.vnp - VarnelData: Last saved on 06/12/2026 09:00:00 Cases: %d Variables: %d\r\n", cases, vars
  printf ";;Synthetic oxide analyses for the load and save benchmark\r\n"
  for (c = 1; c <= vars; c++) printf "%sOx%d", (c > 1 ? "\t" : ""), c
  printf "\r\n"
  for (r = 1; r <= cases; r++) {
    for (c = 1; c <= vars; c++) printf "%s%.*f", (c > 1 ? "\t" : ""), 1 + (r + c) % 3, rand() * 100
    printf "\r\n"
  }
}' > "$out"
