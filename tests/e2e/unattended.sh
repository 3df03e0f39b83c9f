#!/usr/bin/env bash
# Unattended cutting (-X6, -X7): the 3-D sample cut on its optimum work, the
# dome top found where the program puts it, the DMF written loads back and
# saves byte for byte the same, threaded and fast runs give the same work,
# and the exit statuses 0 (ran to the end), 1 (an alarm ended it) and 2
# (missing or unusable files and arguments).
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
print("%.4f" % struct.unpack_from("<f", d, 156 + 4 * (iy * nx + ix))[0])
PY
}

"$morvex" -X6 finish3d.nc -D -O cut.dmf 2>err.txt; rc=$?
if [ $rc -eq 0 ] && [ -s cut.dmf ]; then ok "finish3d cut, status 0"; else fail "finish3d rc=$rc"; cat err.txt; fi
# The raster passes over X50 Y50 at the dome top, tip at Z-1, arriving from
# X52.5 Z-1.022: the ball on that rising line reaches x = 50 lower than its
# end, by r (1/cos(a) - 1) with tan(a) = 0.022 / 2.5 and r = 4, so -1.000155.
# A corner of the stock outside the raster keeps the work top: the highest
# end of a feed motion, the dome top at Z-1 (not the Z5 the plunge starts from).
top=$(height_at cut.dmf 50 50); corner=$(height_at cut.dmf -10 -4)
if [ "$top" = "-1.0002" ] && [ "$corner" = "-1.0000" ]; then ok "dome top -1.000155, stock top -1"
else fail "heights: top $top corner $corner"; fi

# The optimum work of every sample is cut without an alarm: the pocket's
# plunge onto Z0 finds no stock above Z0, the tap's feed back to R5 does not
# raise the top. A slot at one Y without margins still gets a work, two
# nodes wide.
for name in pocket drill contour; do
    "$morvex" -X6 $name.nc -D -O opt.dmf 2>err.txt; rc=$?
    [ $rc -eq 0 ] && ok "$name on its optimum work: 0" || { fail "$name optimum rc=$rc"; cat err.txt; }
done
printf '%%\nT01 M06\nG00 G90 X10. Y20. Z5.\nG01 Z-2. F200\nX50.\nG00 Z30.\nM30\n%%\n' >slot.nc
sed 's/^WORK MARGIN(\(.\))=.*/WORK MARGIN(\1)=0/' morvex.ini >nomargin.ini
"$morvex" -I nomargin.ini -X6 slot.nc -D -O slot.dmf 2>err.txt; rc=$?
ny=$(python3 -c "import struct,sys; print(struct.unpack_from('<2i', open('slot.dmf','rb').read(), 112)[1])" 2>/dev/null)
[ $rc -eq 0 ] && [ "$ny" = "2" ] && ok "slot at one Y: a work two nodes wide" || { fail "slot rc=$rc ny=$ny"; cat err.txt; }

# The NC program is found with its ending added (the other endings and
# folders are tried in the unit tests of the lookup).
cp pocket.nc upper.NC
"$morvex" -X6 upper -O found.dmf 2>err.txt; rc=$?
[ $rc -eq 0 ] && [ -s found.dmf ] && ok "\"upper\" found with its ending" || { fail "upper rc=$rc"; cat err.txt; }

# Load it back and save it again without cutting: the same bytes.
printf '%%\nG90 G00 Z200.\nM30\n%%\n' >air.nc
"$morvex" -X6 air.nc cut.dmf -O again.dmf 2>err.txt; rc=$?
if [ $rc -eq 0 ] && cmp -s cut.dmf again.dmf; then ok "DMF round trip"; else fail "round trip rc=$rc"; cat err.txt; fi

# STL output in its three forms: a closed solid (every edge shared by two
# facets, in opposite directions), the same in both byte orders, and loaded
# back as a work it gives the cut heights again.
"$morvex" -X6 air.nc cut.dmf -O little.stl,b 2>err.txt; rc1=$?
"$morvex" -X6 air.nc cut.dmf -O big.stl,b2 2>/dev/null; rc2=$?
"$morvex" -X6 air.nc cut.dmf -O text.stl 2>/dev/null; rc3=$?
if [ $rc1$rc2$rc3 = 000 ] && python3 - little.stl big.stl text.stl <<'PY'
import struct, sys
from collections import Counter
def binary(path, order):
    d = open(path, "rb").read()
    n = struct.unpack_from(order + "I", d, 80)[0]
    assert len(d) == 84 + 50 * n, "length"
    return [struct.unpack_from(order + "12f", d, 84 + 50 * i)[3:] for i in range(n)]
little, big = binary(sys.argv[1], "<"), binary(sys.argv[2], ">")
assert little == big, "byte orders differ"
text = [l.split()[1:] for l in open(sys.argv[3]) if l.strip().startswith("vertex")]
assert len(text) == 3 * len(little), "text facets"
edges = Counter()
for f in little:
    v = [f[0:3], f[3:6], f[6:9]]
    for i in range(3):
        edges[(v[i], v[(i + 1) % 3])] += 1
assert all(c == 1 and edges[(b, a)] == 1 for (a, b), c in edges.items()), "not closed"
PY
then ok "STL output: closed, both byte orders and text agree"; else fail "STL output $rc1$rc2$rc3"; cat err.txt; fi
"$morvex" -X6 air.nc little.stl -O back.dmf 2>err.txt; rc=$?
stltop=$(height_at back.dmf 50 50); dmftop=$(height_at cut.dmf 50 50)
if [ $rc -eq 0 ] && python3 -c "import sys; sys.exit(abs($stltop - $dmftop) > 0.01)"; then ok "STL loaded as the work"
else fail "STL load rc=$rc top $stltop vs $dmftop"; cat err.txt; fi
head -c 300 little.stl >broken.stl
"$morvex" -X6 air.nc broken.stl -O x.dmf 2>err.txt; rc=$?
if [ $rc -eq 2 ] && [ ! -e x.dmf ] && grep -q 'broken.stl' err.txt; then ok "truncated STL: 2, named"
else fail "truncated STL rc=$rc"; cat err.txt; fi
# VRML: the ",z" tail is dropped from the name and the file is the plain one gzipped.
"$morvex" -X6 air.nc cut.dmf -O plain.wrl 2>/dev/null; rc1=$?
"$morvex" -X6 air.nc cut.dmf -O packed.wrl,z 2>/dev/null; rc2=$?
if [ $rc1$rc2 = 00 ] && head -1 plain.wrl | grep -q '^#VRML V2.0 utf8$' && [ ! -e packed.wrl,z ] &&
    python3 -c "import gzip,sys; sys.exit(gzip.open('packed.wrl').read() != open('plain.wrl','rb').read())"; then
    ok "VRML output, plain and gzipped"; else fail "VRML rc=$rc1$rc2"; fi

# Worker strips give the same work as one thread; the fast version steps
# every motion and meets the dome top within the dip of the rising line.
sed 's/^threadnc=.*/threadnc=NO/' morvex.ini >one.ini
sed 's/^threadnc=.*/threadnc=3/' morvex.ini >three.ini
"$morvex" -I one.ini -X6 finish3d.nc -D -O one.dmf 2>/dev/null
"$morvex" -I three.ini -X6 finish3d.nc -D -O three.dmf 2>/dev/null
if cmp -s one.dmf three.dmf; then ok "threadnc 3 = threadnc NO"; else fail "threaded work differs"; fi
"$morvex" -X7 finish3d.nc -D -O fast.dmf 2>/dev/null; rc=$?
fasttop=$(height_at fast.dmf 50 50)
if [ $rc -eq 0 ] && python3 -c "import sys; sys.exit(not -1.0002 <= float('$fasttop') <= -1.0)"; then ok "fast version"; else fail "fast rc=$rc top $fasttop"; fi

# A rapid into the stock under INTERFERENCE=YES (abort): status 1, the alarm
# in the batch log and on stderr, the work up to the alarm still written.
printf '%%\nT02 M06\nG90 G00 X50. Y50. Z20.\nG01 Z-1. F300\nG00 X20. Y20. Z-3.\nM30\n%%\n' >crash.nc
rm -f morvex.log
"$morvex" -X6 crash.nc '-DX(0,0,-10,100,100,0)' -O crash.dmf 2>err.txt; rc=$?
# The sample controller moves Z first on a rapid: the tool drops to Z-3 in
# the hole, the run ends there, and the XY move never reaches X20 Y20.
hole=$(height_at crash.dmf 50 50); far=$(height_at crash.dmf 20 20)
if [ $rc -eq 1 ] && grep -q '(5) - ' morvex.log && grep -q '(5) - ' err.txt && [ "$hole" = "-3.0000" ] &&
    [ "$far" = "0.0000" ]; then
    ok "rapid into the work: status 1, logged, work written"
else fail "crash rc=$rc hole $hole far $far"; cat err.txt morvex.log; fi
if grep -q 'RAPID(G00)' interference.txt && grep -q '^5:G00 X20. Y20. Z-3.' interference.txt; then
    ok "interference list"; else fail "interference list"; cat interference.txt; fi

# Pictures: after the cut at the settings' view and 1200 x 900, and of a
# loaded work at a given view and size.
"$morvex" -X6 finish3d.nc -D -O pic.dmf --image cut.png 2>err.txt; rc=$?
if [ $rc -eq 0 ] && pngcheck cut.png | grep -q '1200x900, 24-bit RGB, non-interlaced' && [ ! -s err.txt ]; then
    ok "picture after the cut"; else fail "picture rc=$rc"; cat err.txt; fi
"$morvex" cut.dmf --image plan.png --view 0,0 --size 640x480 2>err.txt; rc=$?
if [ $rc -eq 0 ] && pngcheck plan.png | grep -q '640x480, 24-bit RGB'; then ok "picture of a loaded work"
else fail "loaded picture rc=$rc"; cat err.txt; fi
"$morvex" cut.dmf --image plan.png --size 0x480 2>/dev/null; rc=$?
[ $rc -eq 2 ] && ok "bad --size: 2" || fail "bad --size rc=$rc"
"$morvex" cut.dmf --image /nonexistent/x.png 2>/dev/null; rc=$?
[ $rc -eq 2 ] && ok "unwritable picture: 2" || fail "unwritable picture rc=$rc"

# Missing and unusable input: status 2.
"$morvex" -X6 nothing.nc -D -O x.dmf 2>err.txt; rc=$?
if [ $rc -eq 2 ] && grep -q 'nothing.nc - ' morvex.log && [ ! -e x.dmf ]; then ok "missing NC program: 2"
else fail "missing rc=$rc"; cat err.txt; fi
"$morvex" -X6 finish3d.nc '-DX(0,0,10)' -O x.dmf 2>/dev/null; rc=$?
[ $rc -eq 2 ] && ok "/DX with three numbers: 2" || fail "/DX rc=$rc"
printf 'not a work file' >broken.dmf
"$morvex" -X6 finish3d.nc broken.dmf -O x.dmf 2>/dev/null; rc=$?
[ $rc -eq 2 ] && [ ! -e x.dmf ] && ok "broken DMF: 2" || fail "broken DMF rc=$rc"

"$morvex" -X6 2>err.txt; rc=$?
if [ $rc -eq 2 ] && grep -q 'No NC program was given\|NCデータが指定されていません' err.txt; then ok "no NC program: 2"
else fail "no NC program rc=$rc"; cat err.txt; fi
# A start-up message (a wait file left by a run before) goes to the batch
# log of the settings, with the program's name.
touch waitfile
sed 's/^\[OUTPUTdata\]$/[OUTPUTdata]\nTarget_LOGdir=logs/' morvex.ini >logs.ini
"$morvex" -I logs.ini -X6 drill.nc -O w.dmf 2>/dev/null; rc=$?
if [ $rc -eq 0 ] && grep -q '：drill.nc.*waitfile' logs/morvex.log; then ok "start-up message in the batch log"
else fail "start-up message rc=$rc"; cat logs/morvex.log; fi

sed 's/^TOOL_TABLE=.*/TOOL_TABLE=missing.ttl/' morvex.ini >notools.ini
"$morvex" -I notools.ini -X6 finish3d.nc -D -O x.dmf 2>err.txt; rc=$?
[ $rc -eq 2 ] && [ ! -e x.dmf ] && grep -q 'missing.ttl' err.txt && ok "missing tool table: 2" ||
    { fail "missing tool table rc=$rc"; cat err.txt; }

exit $fails
