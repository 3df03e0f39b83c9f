#!/usr/bin/env bash
# The unattended cut with sweep workers gives what one thread gives, byte
# for byte: the work (DMF) of a raster finish with a ball and with a flat
# end mill (whole-motion sweeps, descending steps swept last first, batches
# of motions), and the optimised NC and cut data of the observed runs, which
# sweep their motions in batches too and tell the steps afterwards (escapes
# read the work while the workers sweep on). Small enough to run in the
# ThreadSanitizer build too, where any report fails the run.
set -u
morvex=$(realpath "$1")
source_dir=$(realpath "$2")
fails=0
passes=0
ok() { echo "ok: $1"; passes=$((passes + 1)); }
fail() { echo "FAIL: $1"; fails=$((fails + 1)); }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1

source "$source_dir/bench/raster_program.sh" || exit 1
write_raster_program 40 0.6
settings() {  # file, threadnc, tool line; the tool table of its own
    write_raster_settings "$1" "$2" 40
    printf 'MAGAZINE01 %s\n' "$3" >"$1.ttl"
    sed -i "s/^TOOL_TABLE=.*/TOOL_TABLE=$1.ttl/" "$1"
    printf '[Optimize]\nOPT-NC=YES\nCUT-DATA=YES\nTarget_OPT-NCdir=%s\nTarget_CUT-DATAdir=%s\n' "$2" "$2" >>"$1"
}
run() {  # name, then the arguments
    local name=$1; shift
    if "$morvex" "$@" >"$name.out" 2>"$name.err" && ! grep -q "ThreadSanitizer" "$name.err"; then
        return 0
    fi
    fail "$name: status or sanitizer report"; sed -n 1,20p "$name.err"
    return 1
}

for tool in 'BALL 6.0,20.0' 'FLAT 6.0,20.0'; do
    kind=${tool%% *}
    for threads in NO 2 3; do
        mkdir -p "$threads"
        settings "$kind$threads.ini" "$threads" "$tool"
        run "$kind$threads" -I "$kind$threads.ini" -X6 raster.nc -O "$kind$threads.dmf"
    done
    for threads in 2 3; do
        if cmp -s "${kind}NO.dmf" "$kind$threads.dmf"; then ok "$kind: threadnc $threads = threadnc NO"
        else fail "$kind: the work of threadnc $threads differs"; fi
    done
done

# The observed runs: the optimised NC and the cut data go to the folder of
# the tool and threadnc.
for tool in 'BALL 6.0,20.0' 'FLAT 6.0,20.0'; do
    kind=${tool%% *}
    for threads in NO 2 3; do
        mkdir -p "$kind$threads"
        settings "${kind}opt_$threads.ini" "$kind$threads" "$tool"
        sed -i "s/^threadnc=.*/threadnc=$threads/" "${kind}opt_$threads.ini"
        run "${kind}opt$threads" -I "${kind}opt_$threads.ini" -X6 raster.nc -O "${kind}opt$threads.dmf" --optimize
    done
    outputs=$(ls "${kind}NO" | wc -l)
    if [ "$outputs" -eq 2 ]; then ok "$kind: the observed run writes two outputs"; else fail "outputs: $(ls "${kind}NO")"; fi
    for threads in 2 3; do
        for file in "${kind}NO"/*; do
            if cmp -s "$file" "$kind$threads/${file#*/}"; then ok "$kind: optimised output ${file#*/}: threadnc $threads = NO"
            else fail "$kind: optimised output ${file#*/} differs with threadnc $threads"; fi
        done
        if cmp -s "${kind}optNO.dmf" "${kind}opt$threads.dmf" && cmp -s "${kind}optNO.dmf" "${kind}NO.dmf"; then
            ok "$kind: the observed run with threadnc $threads cuts the same work"
        else fail "$kind: the observed run's work differs with threadnc $threads"; fi
    done
done
if ! cmp -s BALLNO.dmf FLATNO.dmf; then ok "the two tools cut differently"; else fail "the tools left the same work"; fi

echo "$passes passed, $fails failed"
test $fails -eq 0
