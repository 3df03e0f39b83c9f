#!/usr/bin/env bash
# A reader module next to the program: the helix example (as mvread.so)
# reads ".hlx" files for the NC check, the motion listing and an unattended
# cut; a file it cannot open is reported like an NC file that cannot be
# opened. Usage: reader_module.sh morvex source_dir modules_dir
set -u
morvex=$(realpath "$1")
source_dir=$2
modules=$(realpath "$3")
fails=0
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$source_dir/samples/." "$work/"
cp "$morvex" "$work/morvex"
cp "$modules/helix_reader.so" "$work/mvread.so"
cd "$work" || exit 1
ok() { echo "ok: $1"; }
fail() { echo "FAIL: $1"; fails=$((fails + 1)); }

# Centre (50, 50), radius 6, from Z0 down to Z-3, 1 mm a turn, tool 1
# (flat D10), feed 600: 12 quarter turns of helix and 4 of floor.
printf '# helix\n50 50 6 0 -3 1 1 600\n' >h.hlx

./morvex --check h.hlx >check.json 2>check.err; rc=$?
if [ $rc -eq 0 ] && python3 - check.json <<'PY'
import json, math, sys
r = json.load(open(sys.argv[1]))
quarter = math.hypot(6 * math.pi / 2, 0.25)
feed = 12 * quarter + 4 * 6 * math.pi / 2
ok = r["error"] == 0 and r["lines"] == 19 and r["tools"] == [1]
ok = ok and abs(r["cut_min"][2] - (-3)) < 1e-9 and abs(r["cut_max"][0] - 56) < 1e-9
# The feed length counts the helix's descent or only its turns, never less.
ok = ok and 48 * math.pi - 1e-6 <= r["feedLength"] <= feed + 1e-6
sys.exit(not ok)
PY
then ok "check of the helix"; else fail "check rc=$rc"; cat check.json check.err; fi

./morvex --motions h.hlx >motions.out 2>motions.err; rc=$?
if [ $rc -eq 0 ] && python3 - motions.out <<'PY'
import json, math, sys
lines = [json.loads(l) for l in open(sys.argv[1])]
arcs = [l for l in lines if l["type"] == "arc_ccw"]
ok = len(arcs) == 16 and all(l["tool"] == 1 for l in lines)
ok = ok and abs(sum(a["arc_length"] for a in arcs) - 48 * math.pi) < 1e-9
for q, a in enumerate(arcs, 1):
    x, y, z = a["end"]
    angle = q * math.pi / 2
    depth = max(-q * 0.25, -3)
    ok = ok and abs(x - (50 + 6 * math.cos(angle))) < 1e-9 and abs(y - (50 + 6 * math.sin(angle))) < 1e-9
    ok = ok and abs(z - depth) < 1e-9 and a["centre"][:2] == [50, 50]
# Line numbers counted on by one from 1.
ok = ok and [l["line"] for l in lines][-1] == 19 and lines[0]["line"] == 1
sys.exit(not ok)
PY
then ok "motion listing on the helix"; else fail "motions rc=$rc"; head -5 motions.out; cat motions.err; fi

# The example passes a centre it cannot read as a number on to the program
# (sscanf reads "nan"): the program refuses the motion, the listing ends
# with the module error at the motion's line and the status is 1.
printf 'nan 50 6 0 -3 1 1 600\n' >nan.hlx
./morvex --motions nan.hlx >nan.out 2>nan.err; rc=$?
if [ $rc -eq 1 ] && grep -q "end point not a number" nan.err && python3 - nan.out <<'PY'
import json, sys
lines = [json.loads(l) for l in open(sys.argv[1])]
last = lines[-1]
sys.exit(not (len(lines) == 2 and last["error"] == 108 and last["line"] == 2))
PY
then ok "a motion that is not a number"; else fail "nan rc=$rc"; cat nan.out nan.err; fi

# Height of the node nearest (x, y) in a DMF file written with f32 heights.
height_at() {
    python3 - "$1" "$2" "$3" <<'PY'
import struct, sys
d = open(sys.argv[1], "rb").read()
x0, y0 = struct.unpack_from("<2d", d, 16 + 9 * 8)
nx, ny = struct.unpack_from("<2i", d, 112)
pitch = struct.unpack_from("<d", d, 124)[0]
ix = round((float(sys.argv[2]) - x0) / pitch)
iy = round((float(sys.argv[3]) - y0) / pitch)
print("%.3f" % struct.unpack_from("<f", d, 156 + 4 * (iy * nx + ix))[0])
PY
}
# The flat D10 on a circle of radius 6 clears the ring from radius 1 to 11
# down to Z-3; the middle and the outside keep the top.
./morvex -X6 h.hlx "-DX(30,30,-10,70,70,0)" -O cut.dmf 2>cut.err; rc=$?
if [ $rc -eq 0 ] && [ -s cut.dmf ]; then
    got="$(height_at cut.dmf 56 50) $(height_at cut.dmf 50 44) $(height_at cut.dmf 40.5 50) $(height_at cut.dmf 50 50) $(height_at cut.dmf 65 65)"
    if [ "$got" = "-3.000 -3.000 -3.000 0.000 0.000" ]; then ok "cut along the helix"
    else fail "cut heights: $got"; fi
else fail "cut rc=$rc"; cat cut.err; fi

# The comment tool example (as mvnccom.so) defines tool 3, in the table a
# ball D8, as a ball D6 from a comment: the groove is that of the D6 ball
# (at 2 mm beside its middle 1 - sqrt(5) deep, where the D8 ball would be
# 2 - sqrt(12) deep).
cp "$modules/nccom_comment.so" mvnccom.so
printf '%%\n(TOOL 3 BALL D6)\nT3 M06\nG00 X45. Y50. Z5.\nG01 Z-2. F200\nX65.\nG00 Z30.\nM30\n%%\n' >groove.nc
./morvex -X6 groove.nc "-DX(40,40,-10,70,60,0)" -O groove.dmf 2>groove.err; rc=$?
if [ $rc -eq 0 ] && [ -s groove.dmf ]; then
    got="$(height_at groove.dmf 55 50) $(height_at groove.dmf 55 52) $(height_at groove.dmf 55 53.5)"
    if [ "$got" = "-2.000 -1.236 0.000" ]; then ok "tool from a comment"; else fail "groove heights: $got"; fi
else fail "groove rc=$rc"; cat groove.err; fi
rm mvnccom.so

# A file the module cannot open: the message and status of an NC file that
# cannot be opened.
printf 'not a helix\n' >bad.hlx
./morvex --check bad.hlx >bad.out 2>bad.err; rc=$?
if [ $rc -eq 2 ] && grep -q "bad.hlx" bad.err && [ ! -s bad.out ]; then ok "unreadable helix"
else fail "unreadable rc=$rc"; cat bad.err; fi
# Without the module the same name is an ordinary text program (whose "#"
# the sample controller's character check refuses).
rm mvread.so
./morvex --check h.hlx >plain.json 2>/dev/null; rc=$?
if [ $rc -eq 1 ] && python3 -c "import json,sys; sys.exit(json.load(open('plain.json'))['error'] != 104)"; then
    ok "without the module: read as text"
else fail "without module rc=$rc"; cat plain.json; fi

[ $fails -eq 0 ]
