#!/usr/bin/env bash
# Two or more builds of morvex on the raster benchmark of
# unattended_raster.sh, runs alternating so that a noisy machine weighs on
# all of them alike: for each tool (ball, flat end mill) and threadnc (NO,
# 2), every binary runs RUNS times (default 15) in turn; prints the median
# and the fastest wall time of each, and each binary's threadnc NO / 2
# ratio of the medians.
# Usage: compare_raster.sh [-n RUNS] MORVEX [MORVEX ...]
set -euo pipefail
runs=15
if [ "${1:-}" = "-n" ]; then
    runs=$2
    shift 2
fi
if [ $# -lt 1 ]; then
    echo "usage: compare_raster.sh [-n RUNS] MORVEX [MORVEX ...]" >&2
    exit 2
fi
binaries=()
for b in "$@"; do binaries+=("$(realpath "$b")"); done
source "$(dirname "$0")/raster_program.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
write_raster_program
median() { sort -n | awk '{a[NR] = $1} END {print a[int((NR + 1) / 2)]}'; }
for tool in 'BALL 6.0,20.0' 'FLAT 6.0,20.0'; do
    printf 'MAGAZINE01 %s\n' "$tool" >bench.ttl
    declare -A times=()
    for threads in NO 2; do
        write_raster_settings "bench-$threads.ini" "$threads"
        for run in $(seq "$runs"); do
            for i in "${!binaries[@]}"; do
                start=$(date +%s%N)
                "${binaries[$i]}" -I "bench-$threads.ini" -X6 raster.nc -O out.dmf 2>/dev/null
                end=$(date +%s%N)
                times[$i,$threads]+="$(((end - start) / 1000000)) "
            done
        done
    done
    for i in "${!binaries[@]}"; do
        no=$(tr ' ' '\n' <<<"${times[$i,NO]}" | grep . | median)
        two=$(tr ' ' '\n' <<<"${times[$i,2]}" | grep . | median)
        fastest=$(tr ' ' '\n' <<<"${times[$i,2]}" | grep . | sort -n | head -1)
        echo "${tool%% *} ${binaries[$i]}: threadnc NO median $no ms, threadnc 2 median $two ms" \
            "(fastest $fastest ms), ratio $(awk -v a="$no" -v b="$two" 'BEGIN {printf "%.2f", a / b}') over $runs runs"
    done
    unset times
done
