#!/usr/bin/env bash
# Unattended work operations (/XO, /XA, /XM): the heights the operations'
# rules give on known works, the turned grid, merging an STL model, and
# status 2 with a message for what cannot be done.
set -u
morvex=$1
source_dir=$2
fails=0
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
cp -r "$source_dir/samples/." .
ok() { echo "ok: $1"; }
fail() { echo "FAIL: $1"; fails=$((fails + 1)); }

# Grid and the height of the node nearest (x, y) of a DMF file with f32 heights.
dmf() {
    python3 - "$@" <<'PY'
import struct, sys
d = open(sys.argv[1], "rb").read()
x0, y0 = struct.unpack_from("<2d", d, 16 + 9 * 8)
nx, ny = struct.unpack_from("<2i", d, 112)
pitch = struct.unpack_from("<d", d, 124)[0]
if len(sys.argv) == 2:
    print("%d %d %.3f %.3f" % (nx, ny, x0, y0))
else:
    ix = round((float(sys.argv[2]) - x0) / pitch)
    iy = round((float(sys.argv[3]) - y0) / pitch)
    print("%.4f" % struct.unpack_from("<f", d, 156 + 4 * (iy * nx + ix))[0])
PY
}

# Z-axis offset of a block 5 high: every node 1.5 lower.
"$morvex" /XO Z,-1.5 '-DX(0,0,0,10,10,5)' -O z.dmf 2>err.txt; rc=$?
if [ $rc -eq 0 ] && [ "$(dmf z.dmf 5 5)" = "3.5000" ]; then ok "/XO Z,-1.5"; else fail "/XO Z rc=$rc $(dmf z.dmf 5 5)"; cat err.txt; fi

# A quarter turn of a 20 x 10 block: 10 x 20 nodes-wise, X from -10.
"$morvex" /XM R '-DX(0,0,0,20,10,5)' -O r.dmf 2>err.txt; rc=$?
pitch=$(grep -i '^PITCH(WORK)' morvex.ini | head -1 | sed 's/.*=//; s/\r//')
before=$("$morvex" /XM XX '-DX(0,0,0,20,10,5)' -O id.dmf 2>/dev/null; dmf id.dmf)
set -- $before; bx=$1; by=$2
set -- $(dmf r.dmf)
if [ $rc -eq 0 ] && [ "$1" = "$by" ] && [ "$2" = "$bx" ] && [ "$3" = "-10.000" ] && [ "$4" = "0.000" ]; then
    ok "/XM R turns the grid"; else fail "/XM R rc=$rc grid $* from $before"; cat err.txt; fi

# A roof model merged Higher into a block 2 high: the roof where it is higher.
python3 - <<'PY'
import struct
def facet(a, b, c):
    return struct.pack("<3f", 0, 0, 0) + struct.pack("<9f", *a, *b, *c) + b"\0\0"
a, b, c, d = (0, 0, 1), (10, 0, 1), (10, 10, 6), (0, 10, 6)
body = facet(a, b, c) + facet(a, c, d)
open("roof.stl", "wb").write(b"roof".ljust(80, b" ") + struct.pack("<I", 2) + body)
PY
"$morvex" /XAH roof.stl '-DX(0,0,0,10,10,2)' -O merged.dmf 2>err.txt; rc=$?
low=$(dmf merged.dmf 5 1); high=$(dmf merged.dmf 5 8)
if [ $rc -eq 0 ] && [ "$low" = "2.0000" ] && [ "$high" = "5.0000" ]; then ok "/XAH roof.stl"
else fail "/XAH rc=$rc low $low high $high"; cat err.txt; fi
"$morvex" /XAL roof.stl '-DX(0,0,0,10,10,2)' -O lower.dmf 2>/dev/null
if [ "$(dmf lower.dmf 5 1)" = "1.5000" ] && [ "$(dmf lower.dmf 5 8)" = "2.0000" ]; then ok "/XAL roof.stl"
else fail "/XAL $(dmf lower.dmf 5 1) $(dmf lower.dmf 5 8)"; fi

# Normal offset of the merged roof: an inclined plane moves along its normal,
# so a node well inside rises by 1 / cos(slope).
"$morvex" /XO N,1 merged.dmf -O normal.dmf 2>err.txt; rc=$?
if [ $rc -eq 0 ] && python3 -c "
import sys, math
want = 5.0 + 1.0 / math.cos(math.atan(0.5))
sys.exit(abs(float('$(dmf normal.dmf 5 8)') - want) > 0.01)"; then ok "/XO N,1 on a slope"
else fail "/XO N rc=$rc $(dmf normal.dmf 5 8)"; cat err.txt; fi

# N3 offsets the basic model (/K) and writes it as the work.
"$morvex" /XO N3,0.5 /K roof.stl '/P(0.1,0.1)' '-DX(0,0,0,10,10,2)' -O basic.dmf 2>err.txt; rc=$?
if [ $rc -eq 0 ] && python3 -c "
import sys, math
sys.exit(abs(float('$(dmf basic.dmf 5 8)') - 5.0 - 0.5 / math.cos(math.atan(0.5))) > 0.002)"; then
    ok "/XO N3 with /K roof.stl"; else fail "N3 /K rc=$rc $(dmf basic.dmf 5 8)"; cat err.txt; fi

# What cannot be done: status 2, a message, no output.
"$morvex" /XO N3,0.5 '-DX(0,0,0,10,10,5)' -O x.dmf 2>err.txt; rc=$?
[ $rc -eq 2 ] && [ ! -e x.dmf ] && grep -q '/K' err.txt && ok "N3 without a basic model: 2" ||
    { fail "N3 rc=$rc"; cat err.txt; }
"$morvex" /XM RQ '-DX(0,0,0,10,10,5)' -O x.dmf 2>err.txt; rc=$?
[ $rc -eq 2 ] && [ ! -e x.dmf ] && grep -q 'Q' err.txt && ok "unknown /XM letter: 2" || { fail "/XM Q rc=$rc"; cat err.txt; }
"$morvex" /XO Z '-DX(0,0,0,10,10,5)' -O x.dmf 2>err.txt; rc=$?
[ $rc -eq 2 ] && [ ! -e x.dmf ] && ok "offset without a value: 2" || { fail "no value rc=$rc"; cat err.txt; }
"$morvex" /XO Z,1 '-DX(0,0,0,10,10,5)' 2>err.txt; rc=$?
[ $rc -eq 2 ] && grep -q '/O' err.txt && ok "no output file: 2" || { fail "no /O rc=$rc"; cat err.txt; }
# A huge offset: neighbours stop at the grid's edge, so a small work takes
# it (every node of a flat block r higher); on a large one it is refused at once.
"$morvex" /XO N,100000 '-DX(0,0,0,10,10,5)' -O huge.dmf 2>err.txt; rc=$?
[ $rc -eq 0 ] && [ "$(dmf huge.dmf 3 3)" = "100005.0000" ] && ok "huge offset on a small work" ||
    { fail "huge rc=$rc $(dmf huge.dmf 3 3)"; cat err.txt; }
"$morvex" /XO N,100000 '/P(1,1)' '-DX(0,0,0,1000,1000,5)' -O x.dmf 2>err.txt; rc=$?
[ $rc -eq 2 ] && [ ! -e x.dmf ] && [ -s err.txt ] && ok "huge offset on a large work: 2" || { fail "absurd rc=$rc"; cat err.txt; }

exit $fails
