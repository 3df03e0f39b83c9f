#!/usr/bin/env bash
# What writing the optimised NC and the text cut data adds to the unattended
# raster run, counted in instructions (valgrind's callgrind) rather than
# timed: the counts come out the same however busy a shared machine is, so
# a change to the optimised run's cost shows even where wall times swing by
# a third from one run to the next. For the ball and the flat end mill of
# optimize_overhead.sh, with threadnc NO and 2, on a smaller raster (SIZE mm
# square, default 40: callgrind runs some fifty times slower). Prints the
# instructions of all threads, plain and with --optimize, and their ratio;
# with threadnc NO also those of the run's own thread (with sweep workers,
# which thread sweeps which rows depends on how callgrind, which runs one
# thread at a time, takes turns). What the counts leave out is what memory
# and the threads' waits cost: the wall time ratio is optimize_overhead.sh's.
#   bench/optimize_instructions.sh [MORVEX] [SIZE]
set -euo pipefail
morvex=$(realpath "${1:-$(dirname "$0")/../build/bin/morvex}")
size=${2:-40}
if ! command -v valgrind >/dev/null; then
    echo "optimize_instructions.sh: valgrind is needed (apt-get install valgrind)" >&2
    exit 2
fi
source "$(dirname "$0")/raster_program.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
write_raster_program "$size"

# Instructions of a run: "<run's own thread> <all threads>".
count() {
    rm -f cg.out*
    if ! valgrind --tool=callgrind --separate-threads=yes --callgrind-out-file=cg.out "$@" >/dev/null 2>cg.err; then
        echo "optimize_instructions.sh: the run failed: $*" >&2
        tail -5 cg.err >&2
        exit 1
    fi
    local own all
    own=$(awk '/^summary:/ {print $2; exit}' cg.out-01)
    all=$(cat cg.out-* | awk '/^summary:/ {s += $2} END {print s}')
    echo "$own $all"
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.3f", a / b}'; }
millions() { awk -v a="$1" 'BEGIN {printf "%.1f M", a / 1e6}'; }

for tool in 'BALL 6.0,20.0' 'FLAT 6.0,20.0'; do
    printf 'MAGAZINE01 %s\n' "$tool" >bench.ttl
    for threads in NO 2; do
        write_raster_settings plain.ini "$threads" "$size"
        write_raster_settings optimize.ini "$threads" "$size"
        printf '[Optimize]\nOPT-NC=YES\nCUT-DATA=YES\n' >>optimize.ini
        # (A failed run ends the script here: set -e and the assignments.)
        plain=$(count "$morvex" -I plain.ini -X6 raster.nc -O plain.dmf)
        optimized=$(count "$morvex" -I optimize.ini -X6 raster.nc -O optimized.dmf --optimize)
        read -r plainOwn plainAll <<<"$plain"
        read -r optOwn optAll <<<"$optimized"
        own=""
        if [ "$threads" = NO ]; then
            own="run's thread plain $(millions "$plainOwn"), --optimize $(millions "$optOwn"), ratio $(ratio "$optOwn" "$plainOwn"); "
        fi
        echo "${tool%% *} threadnc $threads: ${own}all threads plain $(millions "$plainAll"), --optimize $(millions "$optAll")," \
            "ratio $(ratio "$optAll" "$plainAll")"
    done
done
