#!/usr/bin/env bash
# Two or more builds of morvex on the raster benchmark of
# unattended_raster.sh, runs alternating so that a noisy machine weighs on
# all of them alike: for each tool (ball, flat end mill) and threadnc (NO,
# 2), every binary runs RUNS times (default 15) in turn; prints the median
# and the fastest wall time of each, and each binary's threadnc NO / 2
# ratio of the medians. With --optimize every run also writes the optimised
# NC and the text cut data.
# From the second binary on it also prints, for each threadnc, the median
# and the quartiles of its time over the first binary's in the same round,
# and in how many rounds it was the faster: the machine's speed drifts from
# one round to the next, so these tell a change of a few per cent where the
# medians alone do not.
# Usage: compare_raster.sh [-n RUNS] [--optimize] MORVEX [MORVEX ...]
set -euo pipefail
runs=15
optimize=()
while [ $# -gt 0 ]; do
    case "$1" in
    -n) runs=$2; shift 2 ;;
    --optimize) optimize=(--optimize); shift ;;
    *) break ;;
    esac
done
if [ $# -lt 1 ]; then
    echo "usage: compare_raster.sh [-n RUNS] [--optimize] MORVEX [MORVEX ...]" >&2
    exit 2
fi
binaries=()
for b in "$@"; do binaries+=("$(realpath "$b")"); done
source "$(dirname "$0")/raster_program.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
write_raster_program
median() { sort -g | awk '{a[NR] = $1} END {print a[int((NR + 1) / 2)]}'; }
# The value at fraction p of the sorted values.
quantile() { sort -g | awk -v p="$1" '{a[NR] = $1} END {i = int(NR * p + 0.5); print a[i < 1 ? 1 : i]}'; }
for tool in 'BALL 6.0,20.0' 'FLAT 6.0,20.0'; do
    printf 'MAGAZINE01 %s\n' "$tool" >bench.ttl
    declare -A times=()
    declare -A ratios=()
    for threads in NO 2; do
        write_raster_settings "bench-$threads.ini" "$threads"
        if [ ${#optimize[@]} -gt 0 ]; then printf '[Optimize]\nOPT-NC=YES\nCUT-DATA=YES\n' >>"bench-$threads.ini"; fi
        for run in $(seq "$runs"); do
            first=0
            for i in "${!binaries[@]}"; do
                start=$(date +%s%N)
                "${binaries[$i]}" -I "bench-$threads.ini" -X6 raster.nc -O out.dmf "${optimize[@]}" 2>/dev/null
                end=$(date +%s%N)
                ms=$(((end - start) / 1000000))
                times[$i,$threads]+="$ms "
                if [ "$i" -eq 0 ]; then
                    first=$ms
                else
                    ratios[$i,$threads]+="$(awk -v a="$ms" -v b="$first" 'BEGIN {printf "%.4f", a / (b > 0 ? b : 1)}') "
                fi
            done
        done
    done
    for i in "${!binaries[@]}"; do
        no=$(tr ' ' '\n' <<<"${times[$i,NO]}" | grep . | median)
        two=$(tr ' ' '\n' <<<"${times[$i,2]}" | grep . | median)
        fastest=$(tr ' ' '\n' <<<"${times[$i,2]}" | grep . | sort -n | head -1)
        echo "${tool%% *} ${binaries[$i]}: threadnc NO median $no ms, threadnc 2 median $two ms" \
            "(fastest $fastest ms), ratio $(awk -v a="$no" -v b="$two" 'BEGIN {printf "%.2f", a / b}') over $runs runs"
        if [ "$i" -gt 0 ]; then
            for threads in NO 2; do
                r=$(tr ' ' '\n' <<<"${ratios[$i,$threads]}" | grep .)
                echo "  threadnc $threads, over the first in each round: median $(median <<<"$r")," \
                    "quartiles $(quantile 0.25 <<<"$r") $(quantile 0.75 <<<"$r"), faster in" \
                    "$(awk '$1 < 1' <<<"$r" | wc -l) of $runs rounds"
            done
        fi
    done
    unset times ratios
done
