#!/usr/bin/env bash
# The raster-finishing program of unattended_raster.sh (ball D6, 67,806
# lines, 0.1 mm pitch) cut by one instance alone and by two instances in
# lock-step on one step barrier (SYNC MODE=SYNC, SYNC TOTAL=2), each with
# threadnc NO. Prints the wall time of each (median of three; for the pair
# the time until both have ended) and the pair's ratio to the instance
# alone: the cost of the barrier before every motion.
set -euo pipefail
morvex=$(realpath "${1:-$(dirname "$0")/../build/bin/morvex}")
source "$(dirname "$0")/raster_program.sh"
work=$(mktemp -d)
tag="morvex_bench_$$"
trap 'rm -rf "$work"; rm -f /dev/shm/${tag}* 2>/dev/null' EXIT
cd "$work"
write_raster_program
printf 'MAGAZINE01 BALL 6.0,20.0\n' >bench.ttl
# ini FILE [SYNC NO]: the settings, with the barrier when a number is given.
ini() {
    write_raster_settings "$1" NO
    if [ -n "${2:-}" ]; then
        printf '[Sync]\nSYNC MODE=SYNC\nSHARE NAME=%s\nSYNC TOTAL=2\nSYNC NO=%s\nSYNC TIMEOUT=120\n' "$tag" "$2" >>"$1"
    fi
}
ini alone.ini
ini one.ini 1
ini two.ini 2
median() { printf '%s\n' "$@" | sort -n | sed -n 2p; }
alone=() pair=()
for run in 1 2 3; do
    start=$(date +%s%N)
    "$morvex" -I alone.ini -X6 raster.nc -O alone.dmf 2>/dev/null
    alone+=($((($(date +%s%N) - start) / 1000000)))
    start=$(date +%s%N)
    "$morvex" -I one.ini -X6 raster.nc -O one.dmf 2>/dev/null &
    first=$!
    "$morvex" -I two.ini -X6 raster.nc -O two.dmf 2>/dev/null
    wait "$first"
    pair+=($((($(date +%s%N) - start) / 1000000)))
    cmp -s one.dmf alone.dmf && cmp -s two.dmf alone.dmf || { echo "the pair's works differ from the one alone" >&2; exit 1; }
done
a=$(median "${alone[@]}") p=$(median "${pair[@]}")
echo "alone: ${a} ms (runs ${alone[*]})"
echo "pair on one barrier: ${p} ms (runs ${pair[*]})"
awk -v a="$a" -v p="$p" 'BEGIN { printf "ratio: %.2f\n", p / a }'
