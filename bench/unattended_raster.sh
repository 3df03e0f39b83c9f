#!/usr/bin/env bash
# Unattended cutting of a generated raster-finishing program: a ball D6 over
# the surface z = 15 + 2 sin(x/10) cos(y/10) of a 100 x 100 work at 0.1 mm
# pitch, rows 0.3 apart, points every 0.5 along X (the geometry of the
# BM_RasterFinishing case, here read, interpreted, cut and written as DMF by
# `morvex -X6`). Prints the wall time (median of three) and the peak resident
# memory with threadnc NO and with threadnc 2, for the ball (whose inclined
# lines are swept whole) and for a flat end mill of the same diameter (whose
# inclined lines are stepped). With threadnc 2 the unattended run hands its
# motions to the worker in batches, their rows shared between the threads.
# With --optimize as the second argument every run also writes the
# optimised NC and the text cut data (OPT-NC=YES, CUT-DATA=YES).
set -euo pipefail
morvex=$(realpath "${1:-$(dirname "$0")/../build/bin/morvex}")
source "$(dirname "$0")/raster_program.sh"
optimize=()
optimize_ini=""
if [ "${2:-}" = "--optimize" ]; then
    optimize=(--optimize)
    optimize_ini=$'[Optimize]\nOPT-NC=YES\nCUT-DATA=YES'
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
write_raster_program
for tool in 'BALL 6.0,20.0' 'FLAT 6.0,20.0'; do
printf 'MAGAZINE01 %s\n' "$tool" >bench.ttl
for threads in NO 2; do
    write_raster_settings bench.ini "$threads"
    if [ -n "$optimize_ini" ]; then printf '%s\n' "$optimize_ini" >>bench.ini; fi
    times=()
    for run in 1 2 3; do
        start=$(date +%s%N)
        /usr/bin/time -f '%M' -o rss.txt "$morvex" -I bench.ini -X6 raster.nc -O out.dmf "${optimize[@]}" 2>/dev/null
        end=$(date +%s%N)
        times+=($(((end - start) / 1000000)))
        rss=$(tail -1 rss.txt)
    done
    sorted=($(printf '%s\n' "${times[@]}" | sort -n))
    echo "${tool%% *} threadnc $threads: $(wc -l <raster.nc) lines, runs ${times[*]} ms, median ${sorted[1]} ms, peak ${rss} kB"
done
done
