#!/usr/bin/env bash
# Work loader and saver modules next to the program: a ".grd" height grid
# given on the command line is the work of an unattended cut, "/O out.xyz"
# writes it through the saver (format 7), a grid on another pitch is merged
# with /XAH, --help names both modules, and an unusable grid or an output
# folder that does not exist end with status 2 and no output file.
set -u
morvex=$1
source_dir=$2
modules=$3
fails=0
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
cp -r "$source_dir/samples/." .
ok() { echo "ok: $1"; }
fail() { echo "FAIL: $1"; fails=$((fails + 1)); }

# Modules are taken from the program's own folder only.
mkdir bin
cp "$morvex" bin/morvex
cp "$modules/grid_loader.so" bin/mvload.so
cp "$modules/xyz_saver.so" bin/mvsave.so

# A block of 41 x 21 nodes of 1 mm from (0, 0), bottom -20: its top at 0 up
# to X24, a step down to -2 from X25 on.
python3 - <<'PY'
with open("block.grd", "w") as f:
    f.write("# a stepped block\n41 21 1.0 0 0 -20\n")
    for iy in range(21):
        f.write(" ".join("0" if ix < 25 else "-2" for ix in range(41)) + "\n")
with open("bump.grd", "w") as f:  # a 3 mm plateau over X0..10, Y0..10, on a 5 mm grid
    f.write("3 3 5.0 0 0 -20\n" + "3 3 3\n" * 3)
with open("flat.grd", "w") as f:  # one row only: not a work
    f.write("4 1 1.0 0 0 -20\n0 0 0 0\n")
PY
# A slot at Y10 from outside the block to X30, 5 deep, with the D10 flat
# end mill T01.
printf '%%\nT01 M06\nG00 G90 G54 X-10. Y10. S3000 M03\nG43 Z30. H01\nZ5.\nG01 Z-5. F300\nX30.\nG00 Z30.\nM30\n%%\n' >slot.nc

# Height at (x, y) in a point list, and the number of its points.
z_at() { awk -v x="$2" -v y="$3" '$1 + 0 == x && $2 + 0 == y { print $3 + 0 }' "$1"; }

bin/morvex -X6 slot.nc block.grd -O out.xyz 2>err.txt; rc=$?
if [ $rc -eq 0 ] && [ -s out.xyz ]; then ok "cut of a .grd work written as .xyz, status 0"
else fail "cut rc=$rc"; cat err.txt; fi
lines=$(wc -l <out.xyz 2>/dev/null || echo 0)
[ "$lines" -eq 861 ] && ok "41 x 21 = 861 points" || fail "points: $lines"
# In the slot -5 (on the step too); beside it and past its end the block as read.
got="$(z_at out.xyz 20 10) $(z_at out.xyz 28 10) $(z_at out.xyz 20 14) $(z_at out.xyz 20 16) $(z_at out.xyz 0 20) $(z_at out.xyz 38 10)"
[ "$got" = "-5 -5 -5 0 0 -2" ] && ok "slot -5, block 0 and -2 elsewhere" || fail "heights: $got"
ls ./*.tmp bin/*.tmp >/dev/null 2>&1 && fail "a temporary file was left behind" || ok "no temporary file left"

# Merge Higher of a grid on another pitch: resampled onto the work's nodes.
printf '%%\nG90 G00 Z200.\nM30\n%%\n' >air.nc
bin/morvex /XAH bump.grd block.grd -O merged.xyz 2>err.txt; rc=$?
got="$(z_at merged.xyz 0 0) $(z_at merged.xyz 10 10) $(z_at merged.xyz 11 10) $(z_at merged.xyz 30 5)"
[ $rc -eq 0 ] && [ "$got" = "3 3 0 -2" ] && ok "/XAH bump.grd merged on its own pitch" || { fail "merge rc=$rc: $got"; cat err.txt; }

bin/morvex --help >help.txt 2>&1
grep -q "/O format 7: .XYZ, written by the save module mvsave" help.txt &&
    grep -q "Work file .GRD: read by the load module mvload" help.txt && ok "--help names the modules" ||
    { fail "--help"; tail -5 help.txt; }

# An unusable grid: refused naming the module and the counts, nothing written.
bin/morvex -X6 slot.nc flat.grd -O flat.xyz 2>err.txt; rc=$?
if [ $rc -eq 2 ] && [ ! -e flat.xyz ] && grep -q "mvload: .* 4 x 1 flat.grd" err.txt; then
    ok "a one-row grid is refused, status 2"
else fail "flat rc=$rc"; cat err.txt; fi
# The saver cannot write into a missing folder: status 2, nothing there.
bin/morvex -X6 slot.nc block.grd -O missing/out.xyz 2>err.txt; rc=$?
[ $rc -eq 2 ] && [ ! -e missing ] && grep -q "missing/out.xyz" err.txt && ok "unwritable output: status 2" ||
    { fail "unwritable rc=$rc"; cat err.txt; }
# Without the modules the same names are an NC program and a DMF output.
"$morvex" -X6 slot.nc -O plain.xyz 2>/dev/null
[ -s plain.xyz.DMF ] && ok "without a saver .xyz is not a format" || fail "plain.xyz.DMF missing"

[ $fails -eq 0 ] && echo "all work module checks passed" || echo "$fails work module checks failed"
exit $((fails > 0))
