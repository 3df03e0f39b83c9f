#!/usr/bin/env bash
# The unattended cut with sweep workers gives what one thread gives, byte
# for byte: the work (DMF) of a raster finish with a ball and with a flat
# end mill (whole-motion sweeps, descending steps swept last first, batches
# of motions), and the optimised NC and cut data of the observed run, which
# hands its motions over one by one. Small enough to run in the
# ThreadSanitizer build too, where any report fails the run.
set -u
morvex=$1
fails=0
passes=0
ok() { echo "ok: $1"; passes=$((passes + 1)); }
fail() { echo "FAIL: $1"; fails=$((fails + 1)); }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1

printf 'DECIMAL POINT = NORMAL\nG00MODE = LINE\n' >raster.ctl
awk 'BEGIN {
    print "%"; print "G90 G17 G00 X0 Y0 Z30"
    for (y = 0; y <= 40.0001; y += 0.6) {
        printf "G00 X0 Y%.3f\n", y
        printf "G01 Z%.4f F2000\n", 15 + 2 * cos(y * 0.2)
        for (x = 0.5; x <= 40.0001; x += 0.5) printf "X%.3f Z%.4f\n", x, 15 + 2 * sin(x * 0.2) * cos(y * 0.2)
        print "G00 Z30"
    }
    print "M30"; print "%"
}' >raster.nc
settings() {  # file, threadnc, tool line
    printf 'MAGAZINE01 %s\n' "$3" >"$1.ttl"
    cat >"$1" <<INI
[Table]
TOOL_TABLE=$1.ttl
CONTROLLER_TABLE=raster.ctl
[DMFdata]
INITIAL SIZE=(0,0,0,40,40,20)
DATA_LEVEL=1
[Define]
PITCH(WORK)=0.1
PITCH(MOVE)=0.1
NEW CONTROL POINT=SPECIFY
SPECIFIED POINT=(0,0,40)
threadnc=$2
[Optimize]
OPT-NC=YES
CUT-DATA=YES
Target_OPT-NCdir=$2
Target_CUT-DATAdir=$2
INI
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

# The observed run: the optimised NC and the cut data go to the folder of
# its threadnc.
settings FLATopt_NO.ini NO 'FLAT 6.0,20.0'
settings FLATopt_2.ini 2 'FLAT 6.0,20.0'
run optNO -I FLATopt_NO.ini -X6 raster.nc -O optNO.dmf --optimize
run opt2 -I FLATopt_2.ini -X6 raster.nc -O opt2.dmf --optimize
outputs=$(ls NO | wc -l)
if [ "$outputs" -eq 2 ]; then ok "the observed run writes two outputs"; else fail "outputs: $(ls NO)"; fi
for file in NO/*; do
    if cmp -s "$file" "2/${file#NO/}"; then ok "optimised output ${file#NO/}: threadnc 2 = NO"
    else fail "optimised output ${file#NO/} differs with threadnc 2"; fi
done
if cmp -s optNO.dmf opt2.dmf && cmp -s optNO.dmf FLATNO.dmf; then ok "the observed runs cut the same work"
else fail "the observed runs' work differs"; fi
if ! cmp -s BALLNO.dmf FLATNO.dmf; then ok "the two tools cut differently"; else fail "the tools left the same work"; fi

echo "$passes passed, $fails failed"
test $fails -eq 0
