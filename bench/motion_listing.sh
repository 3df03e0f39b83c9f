#!/usr/bin/env bash
# Motion-listing throughput: a generated program of 1,000,000 lines (lines,
# arcs and rapids) listed by `morvex --motions`; prints the median of three
# runs in NC lines per second.
set -euo pipefail
morvex=$(realpath "${1:-$(dirname "$0")/../build/bin/morvex}")
lines=${2:-1000000}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
printf 'DECIMAL POINT = NORMAL\nG00MODE = LINE\n' >bench.ctl
awk -v n="$lines" 'BEGIN {
    print "G90 G17 G54 G00 X0 Y0 Z5"
    for (i = 1; i < n - 1; i++) {
        x = (i % 1000) * 0.1; y = int(i / 1000) * 0.1
        if (i % 10 == 0) printf "G02 X%.3f Y%.3f I0.05 J0 F1200\n", x + 0.1, y
        else if (i % 97 == 0) printf "G00 Z5\n"
        else printf "G01 X%.3f Y%.3f Z%.3f F1500\n", x, y, -(i % 7) * 0.1
    }
    print "M30"
}' >bench.nc
# Wall time, and the processor time of the run (user + system), which other
# work on a shared machine disturbs less.
times=()
cpus=()
for run in 1 2 3; do
    start=$(date +%s%N)
    /usr/bin/time -f '%U %S' -o cpu.txt "$morvex" -I none.ini -C bench.ctl --motions bench.nc >/dev/null
    end=$(date +%s%N)
    times+=("$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", (b - a) / 1e9 }')")
    cpus+=("$(awk '{ printf "%.2f", $1 + $2 }' cpu.txt)")
done
median=$(printf '%s\n' "${times[@]}" | sort -n | sed -n 2p)
cpu=$(printf '%s\n' "${cpus[@]}" | sort -n | sed -n 2p)
awk -v t="$median" -v c="$cpu" -v n="$lines" -v all="${times[*]}" -v allc="${cpus[*]}" 'BEGIN {
    printf "runs: %s s wall, %s s processor\n", all, allc
    printf "median %.3f s wall, %.0f NC lines per second", t, n / t
    if (c > 0) printf "; median %.2f s processor, %.0f NC lines per processor second", c, n / c
    printf "\n"
}'
