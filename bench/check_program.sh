#!/usr/bin/env bash
# NC check throughput and memory: a generated program (lines, arcs, rapids,
# radius compensation and drilling cycles) checked end to end by
# `morvex --check`, at 1,000,000 lines and at a tenth of that. Prints the
# median of three runs and the peak resident memory of each size, which must
# not grow with the program.
# Usage: check_program.sh [morvex] [lines] [mixed|plain]; "plain" checks a
# program of nothing but "G1 X.. Y.. Z.." lines, the reader's fastest case.
set -euo pipefail
morvex=$(realpath "${1:-$(dirname "$0")/../build/bin/morvex}")
lines=${2:-1000000}
kind=${3:-mixed}
case "$kind" in
mixed | plain) ;;
*) echo "unknown program kind '$kind' (mixed or plain)" >&2; exit 2 ;;
esac
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
printf 'DECIMAL POINT = NORMAL\nG00MODE = ASYNC1\nMEMORY D01= 2.000,0.000\n' >bench.ctl
generate_plain() {
    awk -v n="$1" 'BEGIN {
        print "G90 G17 G54 G00 X0 Y0 Z5"
        for (i = 1; i < n - 1; i++) {
            x = (i % 1000) * 0.1; y = int(i / 1000) * 0.1
            printf "G1 X%.3f Y%.3f Z%.3f F1500\n", x, y, -(i % 7) * 0.1
        }
        print "M30"
    }' >"$2"
}
generate_mixed() {
    awk -v n="$1" 'BEGIN {
        print "G90 G17 G54 G00 X0 Y0 Z5"
        for (i = 1; i < n - 1; i++) {
            x = (i % 1000) * 0.1; y = int(i / 1000) * 0.1
            k = i % 2000
            if (k == 1) print "G41 D01 G01 X0 Y" y " F900"
            else if (k == 1000) print "G40 G01 X" x " Y" y
            else if (k == 1500) print "G81 X" x " Y" y " Z-2 R1 F300"
            else if (k == 1501) print "G80"
            else if (i % 10 == 0) printf "G02 X%.3f Y%.3f I0.05 J0 F1200\n", x + 0.1, y
            else if (i % 97 == 0) printf "G00 Z5\n"
            else printf "G01 X%.3f Y%.3f Z%.3f F1500\n", x, y, -(i % 7) * 0.1
        }
        print "M30"
    }' >"$2"
}
"generate_$kind" "$lines" big.nc
"generate_$kind" $((lines / 10)) small.nc
peak() {  # peak resident set in kB of one check run
    /usr/bin/time -f '%M' "$morvex" -I none.ini -C bench.ctl --check "$1" 2>&1 >/dev/null | tail -1
}
# Wall time, and the processor time of the run (user + system), which other
# work on a shared machine disturbs less.
times=()
cpus=()
for run in 1 2 3; do
    start=$(date +%s%N)
    /usr/bin/time -f '%U %S' -o cpu.txt "$morvex" -I none.ini -C bench.ctl --check big.nc >result.json
    end=$(date +%s%N)
    times+=("$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", (b - a) / 1e9 }')")
    cpus+=("$(awk '{ printf "%.2f", $1 + $2 }' cpu.txt)")
done
median=$(printf '%s\n' "${times[@]}" | sort -n | sed -n 2p)
cpu=$(printf '%s\n' "${cpus[@]}" | sort -n | sed -n 2p)
awk -v t="$median" -v c="$cpu" -v n="$lines" -v all="${times[*]}" -v allc="${cpus[*]}" -v kind="$kind" 'BEGIN {
    printf "%s program, runs: %s s wall, %s s processor\n", kind, all, allc
    printf "median %.3f s wall, %.0f NC lines per second", t, n / t
    if (c > 0) printf "; median %.2f s processor, %.0f NC lines per processor second", c, n / c
    printf "\n"
}'
echo "peak memory: $(peak small.nc) kB at $((lines / 10)) lines, $(peak big.nc) kB at $lines lines"
cut -c1-200 result.json
