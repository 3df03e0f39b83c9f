#!/usr/bin/env bash
# What writing the optimised NC and the text cut data adds to the unattended
# raster run of unattended_raster.sh: for the ball and the flat end mill,
# with threadnc NO and 2, runs without and with --optimize alternate, so
# that a busy spell of a shared machine slows both alike. Prints the median
# wall time of each and their ratio.
#   bench/optimize_overhead.sh [MORVEX] [RUNS]   (RUNS per side, default 7)
set -euo pipefail
morvex=$(realpath "${1:-$(dirname "$0")/../build/bin/morvex}")
runs=${2:-7}
source "$(dirname "$0")/raster_program.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
write_raster_program
median() { printf '%s\n' "$@" | sort -n | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'; }
elapsed_ms() {
    local start end
    start=$(date +%s%N)
    "$@" >/dev/null 2>&1
    end=$(date +%s%N)
    echo $(((end - start) / 1000000))
}
for tool in 'BALL 6.0,20.0' 'FLAT 6.0,20.0'; do
    printf 'MAGAZINE01 %s\n' "$tool" >bench.ttl
    for threads in NO 2; do
        write_raster_settings plain.ini "$threads"
        write_raster_settings optimize.ini "$threads"
        printf '[Optimize]\nOPT-NC=YES\nCUT-DATA=YES\n' >>optimize.ini
        plain=()
        optimized=()
        for ((run = 0; run < runs; ++run)); do
            plain+=("$(elapsed_ms "$morvex" -I plain.ini -X6 raster.nc -O plain.dmf)")
            optimized+=("$(elapsed_ms "$morvex" -I optimize.ini -X6 raster.nc -O optimized.dmf --optimize)")
        done
        p=$(median "${plain[@]}")
        o=$(median "${optimized[@]}")
        echo "${tool%% *} threadnc $threads: plain ${p} ms, --optimize ${o} ms (medians of ${runs}), ratio $(awk -v o="$o" -v p="$p" 'BEGIN {printf "%.3f", o / p}')"
    done
done
