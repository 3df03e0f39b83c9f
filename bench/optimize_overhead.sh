#!/usr/bin/env bash
# What writing the optimised NC and the text cut data adds to the unattended
# raster run of unattended_raster.sh: for the ball and the flat end mill,
# with threadnc NO and 2, runs without and with --optimize alternate, so
# that a busy spell of a shared machine slows both alike. Prints the median
# wall time of each and their ratio, and the median and quartiles of the
# ratios within each round (which the machine's drift from one round to the
# next moves less than the medians).
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
        rounds=()
        for ((run = 0; run < runs; ++run)); do
            # Which goes first alternates, so that neither always finds
            # the other's files in the cache.
            if ((run % 2 == 0)); then
                p=$(elapsed_ms "$morvex" -I plain.ini -X6 raster.nc -O plain.dmf)
                o=$(elapsed_ms "$morvex" -I optimize.ini -X6 raster.nc -O optimized.dmf --optimize)
            else
                o=$(elapsed_ms "$morvex" -I optimize.ini -X6 raster.nc -O optimized.dmf --optimize)
                p=$(elapsed_ms "$morvex" -I plain.ini -X6 raster.nc -O plain.dmf)
            fi
            plain+=("$p")
            optimized+=("$o")
            rounds+=("$(awk -v o="$o" -v p="$p" 'BEGIN {printf "%.4f", o / p}')")
        done
        p=$(median "${plain[@]}")
        o=$(median "${optimized[@]}")
        quartiles=$(printf '%s\n' "${rounds[@]}" | sort -g | awk '{v[NR] = $1} END {
            lo = int(NR / 4 + 0.5); hi = int(3 * NR / 4 + 0.5); if (lo < 1) lo = 1; if (hi < 1) hi = 1
            printf "%.3f (quartiles %.3f %.3f)", v[int((NR + 1) / 2)], v[lo], v[hi]}')
        echo "${tool%% *} threadnc $threads: plain ${p} ms, --optimize ${o} ms (medians of ${runs}), ratio $(awk -v o="$o" -v p="$p" 'BEGIN {printf "%.3f", o / p}'), within rounds ${quartiles}"
    done
done
