#!/usr/bin/env bash
# `morvex --check`: path lengths of a program of lines and arcs against their
# hand-computed values, the sample programs checked without error, and an NC
# error reported with status 1 while the JSON is still printed.
set -u
morvex=$1
source_dir=$2
fails=0
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
printf 'DECIMAL POINT = NORMAL\nG00MODE = ASYNC1\n' >plain.ctl
# From (0,0,0): rapid 5 up, feed 6 down, 30 along X, a quarter circle of
# radius 10, 30 along Y, another quarter circle, 30 back along X, rapid 6 up.
cat >shape.nc <<'NC'
G90 G17 G00 X0 Y0 Z5
G01 Z-1 F500
X30
G03 X40 Y10 R10
G01 Y40 F800
G03 X30 Y50 I-10 J0
G01 X0
G00 Z5
M30
NC
"$morvex" -I none.ini -C plain.ctl --check shape.nc >shape.json; rc=$?
if [ $rc -eq 0 ] && python3 - shape.json <<'PY'
import json, math, sys
r = json.load(open(sys.argv[1]))
def near(a, b): return abs(a - b) <= 1e-6 * max(1.0, abs(b))
want = {"feedLength": 96 + 10 * math.pi, "rapidLength": 11.0, "cutClassLength": 96 + 10 * math.pi,
        "maxProgramFeed": 800, "minProgramFeed": 500}
bad = [k for k, v in want.items() if not near(r[k], v)]
if r["min"] != [0, 0, -1] or r["max"] != [40, 50, 5]: bad.append("extents")
if r["g"] != [0, 1, 3, 17, 90] or r["m"] != [30] or r["error"] != 0: bad.append("codes")
if bad: print("mismatch:", bad, r); sys.exit(1)
PY
then echo "ok: lengths"; else echo "FAIL: lengths rc=$rc"; cat shape.json; fails=$((fails + 1)); fi

cp -r "$source_dir/samples/." .
for name in pocket contour drill finish3d; do
    if "$morvex" --check "$name.nc" >"$name.json" 2>"$name.err" &&
        python3 -c 'import json, sys; sys.exit(json.load(open(sys.argv[1]))["error"] != 0)' "$name.json"; then
        echo "ok: $name"
    else
        echo "FAIL: $name"; cat "$name.json" "$name.err"; fails=$((fails + 1))
    fi
done

# The sample pocket by hand: plunges of 5, 6 and 10; per level four helix
# turns of radius 3 down 1 each, a full circle, 334 of lines and four
# quarter circles of radius 3.
if python3 - pocket.json <<'PY'
import json, math, sys
r = json.load(open(sys.argv[1]))
want = 21 + 3 * (334 + 6 * math.pi + 6 * math.pi + 4 * math.sqrt(1 + 36 * math.pi ** 2))
if abs(r["feedLength"] - want) > 1e-6 * want: print("pocket feed length", r["feedLength"], "want", want); sys.exit(1)
PY
then echo "ok: pocket length"; else echo "FAIL: pocket length"; fails=$((fails + 1)); fi

printf 'G01 X1 F100\nG01X10.5.3\n' >bad.nc
"$morvex" --check bad.nc >bad.json 2>bad.err; rc=$?
if [ $rc -eq 1 ] && python3 - bad.json <<'PY'
import json, sys
r = json.load(open(sys.argv[1]))
sys.exit(not (r["error"] == 105 and r["error_line"] == 2))
PY
then echo "ok: error"
else echo "FAIL: error rc=$rc"; cat bad.json bad.err; fails=$((fails + 1)); fi
echo "$((7 - fails)) passed, $fails failed"
test $fails -eq 0
