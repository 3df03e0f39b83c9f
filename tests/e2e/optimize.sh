#!/usr/bin/env bash
# The optimised NC of an unattended cut (--optimize): with air motions kept
# it follows the input's path (every end point of the input in order, every
# point it writes on the input's path), its feeds are the OPT-F table's for
# the loads in the cut data; with escapes its cut under the rapid check
# raises no alarm (an escape also clears material cut right after it) and
# air too short to escape stays on the path; both
# outputs under one name are refused (the cut goes on); a work file under the optimised NC's
# name replaces it; an aborted run writes no optimised NC, but its cut
# data.
set -u
morvex=$1
source_dir=$2
fails=0
passes=0
pass() { echo "ok: $1"; passes=$((passes + 1)); }
fail() { echo "FAIL: $1"; fails=$((fails + 1)); }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
cp -r "$source_dir/samples/." .
set_key() { sed -i "s/^$1=.*/$1=$2/" morvex.ini; }
# recut NAME TTL: cuts NAME.nc with --optimize and then its optimised NC
# NAME.onc with the rapid check on, both with tool table TTL; their
# statuses in rc and rc2.
recut() {
    "$morvex" -T "$2" -X6 "$1.nc" -O "$1.dmf" --optimize 2>"$1.err"; rc=$?
    "$morvex" -T "$2" -X6 "$1.onc" -O "${1}2.dmf" 2>"${1}2.err"; rc2=$?
}
set_key CUT-DATA YES
set_key OPT-AIRCUT NO
for name in pocket contour drill finish3d; do
    "$morvex" -X6 $name.nc -O kept.dmf --optimize 2>kept.err; rc=$?
    if [ $rc -ne 0 ] || [ ! -s $name.onc ] || [ ! -s $name.TXT ]; then fail "$name: kept run rc=$rc"; cat kept.err; continue; fi
    "$morvex" --motions $name.nc "/S(0,0,100)" >in.jsonl  # where the cut started
    "$morvex" --motions $name.onc >out.jsonl
    if python3 "$source_dir/tests/e2e/follows.py" in.jsonl out.jsonl; then pass "$name: kept path follows the input"
    else fail "$name: kept path"; fi
done
# A spline in the air keeps its shape: a quadratic curve through (10, 5).
printf '%%\nG90 G17 G54\nT01 M06\nG00 X0 Y0 S1000 M03\nG43 Z40. H01\nG01 Z35. F300\nG06.2 P3 K0 X0 Y0 F500\nK0 X10. Y10.\nK0 X20. Y0\nK1\nK1\nK1\nG01 X30.\nG00 Z100.\nM30\n%%\n' >spline.nc
"$morvex" -X6 spline.nc -O spline.dmf --optimize 2>spline.err; rc=$?
"$morvex" --motions spline.onc >spline.jsonl
if [ $rc -eq 0 ] && python3 - spline.jsonl <<'PY'
import json, sys
ends = [json.loads(l)["tool_end"] for l in open(sys.argv[1])]
top = max(e[1] for e in ends)
# Every point near the curve y = x (20 - x) / 20 between x 0 and 20.
off = [e for e in ends if 0 < e[0] < 20 and abs(e[1] - e[0] * (20 - e[0]) / 20) > 0.01]
sys.exit(0 if abs(top - 5.0) < 0.02 and not off and len(ends) > 20 else 1)
PY
then pass "spline keeps its shape"; else fail "spline rc=$rc"; cat spline.err; head -20 spline.onc; fi

if python3 "$source_dir/tests/e2e/opt_feeds.py" pocket.TXT 50
then pass "feeds from the OPT-F table"; else fail "feeds"; fi

# Steps finer than the nodes: a 7 mm deep arc slot stepped every 0.05 mm
# over nodes 0.5 mm apart passes between nodes every other step. Those
# steps are still in the slot: kept air at the machine's highest feed
# (12000, the rapid feed) must not reach them, so the optimised NC cuts
# again under the rapid check without an alarm, and its feeds are the
# table's for the loads the cut data gives. (Without the load limit: a
# single fine step's load is no measure of the tool's.)
set_key "PITCH(MOVE)" 0.05
sed '/^LIMIT/d' atc.ttl >nolimit.ttl
set_key OPT-AIRCUT MAXF
printf '%%\nG90 G17\nT01 M06\nG00 Z50.\nX50. Y38.\nZ6.\nG01 Z5. F300\nG19 G03 Y50. Z-7. J12. K0 F400\nG03 Y62. Z5. J0 K12.\nG17\nG00 Z100.\nM30\n%%\n' >fine.nc
recut fine nolimit.ttl
if [ $rc -eq 0 ] && [ $rc2 -eq 0 ] && python3 "$source_dir/tests/e2e/opt_feeds.py" fine.TXT 400
then pass "steps finer than the nodes stay cutting"; else fail "fine steps rc=$rc rc2=$rc2"; cat fine.err fine2.err; fi
set_key "PITCH(MOVE)" AUTO1.0
set_key OPT-AIRCUT NO

# Escapes: cut again under the rapid check (an alarm ends the run with 1).
set_key OPT-AIRCUT ESCAPE
"$morvex" -X6 pocket.nc -O esc.dmf --optimize 2>esc.err; rc=$?
escapes=$(grep -c "^G00" pocket.onc)
"$morvex" -X6 pocket.onc -O onc.dmf 2>onc.err; rc2=$?
if [ $rc -eq 0 ] && [ $rc2 -eq 0 ] && [ "$escapes" -gt 0 ]; then pass "escapes clear the work ($escapes)"
else fail "escapes rc=$rc rc2=$rc2 escapes=$escapes"; cat esc.err onc.err; fi

# Escapes on real shapes. Air within a line and the escape width is kept
# as programmed: a ramp over the top and an arc across a slot follow the
# input, arcs about their own centres; a program that ends below the
# work's top beside it goes over the work first (the cut under the rapid
# check raises no alarm).
set_key ESCAPE-WIDTH 20.0
printf '%%\nG90 G17 G54\nT01 M06\nG00 X-10. Y50. S1000 M03\nG43 Z5. H01\nG01 Z-1. F500\nX20.\nX30. Z0.5\nX40. Z-1.\nX110.\nG00 Z100.\nM30\n%%\n' >ramp.nc
printf '%%\nG90 G17 G54\nT01 M06\nG00 X44. Y-10. S1000 M03\nG43 Z5. H01\nG01 Z-1.5 F500\nY110.\nG00 Z5.\nX56.\nG01 Z-1.5\nY-10.\nG00 Z5.\nX-10. Y50.\nG01 Z-0.5\nX30.\nG02 X70. Y50. Z-1. I20. J0\nG01 X110.\nG00 Z100.\nM30\n%%\n' >arc.nc
printf '%%\nG90 G17 G54\nT01 M06\nG00 X-10. Y10. S1000 M03\nG43 Z5. H01\nG01 Z-1. F300\nX30.\nG00 Z5.\nX-20. Y-20.\nZ-5.\nM30\n%%\n' >end.nc
for name in ramp arc; do
    "$morvex" -X6 $name.nc -O $name.dmf --optimize 2>$name.err; rc=$?
    "$morvex" --motions $name.nc "/S(0,0,100)" >in.jsonl
    "$morvex" --motions $name.onc >out.jsonl
    if [ $rc -eq 0 ] && python3 "$source_dir/tests/e2e/follows.py" in.jsonl out.jsonl feeds
    then pass "$name: short air stays on the path"; else fail "$name rc=$rc"; cat $name.err $name.onc; fi
done
"$morvex" -X6 end.nc -O end.dmf --optimize 2>end.err; rc=$?
"$morvex" -X6 end.onc -O end2.dmf 2>end2.err; rc2=$?
if [ $rc -eq 0 ] && [ $rc2 -eq 0 ]; then pass "the closing escape clears the work"
else fail "closing escape rc=$rc rc2=$rc2"; cat end.err end2.err end.onc; fi

# An escape to an island: the cleared ring around it leaves nothing higher
# near the path but the island, which the plunge after the escape takes
# away in the same hand-over of steps; the escape still goes over it (a
# tool without holder or load limit, a low escape height).
set_key ESCAPE-HEIGHT 0.5
printf 'MAGAZINE01 FLAT 6.0,40.0\n' >island.ttl
printf '%%\nG90 G17 G00 X64. Y50. Z10.\nZ1.\nG01 Z-10. F300\nG02 X64. Y50. I-12. J0\nG01 X61.\nG02 X61. Y50. I-9. J0\nG01 X58.\nG02 X58. Y50. I-6. J0\nG00 Z10.\nX52. Y50.\nZ1.\nG01 Z-10. F300\nG00 Z10.\nM30\n%%\n' >island.nc
recut island island.ttl
if [ $rc -eq 0 ] && [ $rc2 -eq 0 ]; then pass "an escape over material cut after it"
else fail "island rc=$rc rc2=$rc2"; cat island.err island2.err island.onc; fi
# The same care raises no escape for material cut far from it: after a
# pocket, an escape inside it to a line that cuts full stock 30 mm on stays
# just above the pocket's floor (Z-10).
awk 'BEGIN { print "%"; print "G90 G17 G00 X10. Y10. Z10."; print "Z1."; print "G01 Z-10. F300"
    for (y = 10; y <= 60; y += 5) { printf "X%d. Y%d.\n", (y / 5) % 2 ? 10 : 90, y; if (y < 60) printf "Y%d.\n", y + 5 }
    print "G00 Z10."; print "X30. Y30."; print "Z-9."; print "G01 Z-11."; print "Z-10."; print "X60. Y30."
    print "X60. Y95."; print "G00 Z10."; print "M30"; print "%" }' >far.nc
recut far island.ttl
if [ $rc -eq 0 ] && [ $rc2 -eq 0 ] && grep -q "^G00Z-9.5$" far.onc; then pass "an escape is not raised by a cut far from it"
else fail "far rc=$rc rc2=$rc2"; cat far.err far2.err far.onc; fi
# Escapes whose written ends lie a rounding nearer a wall than the tool
# passed it (a ramp's air steps in a slot), and whose rapids a tool
# clearance widens beside walls: their vertical rapids stop short of what
# the rapid check would meet, the rest at the feed.
set_key ESCAPE-HEIGHT 0.3
set_key ESCAPE-WIDTH 20.0
printf '%%\nG90 G17 G54\nG00 X55.523 Y61.638 Z10.\nZ1.\nG01 X60.922 Y61.638 Z1. F300\nG03 X60.922 Y61.638 Z-9.730 I-5.400 J0\nG01 X12.757 Y82.030 Z-9.730\nG01 X24.661 Y81.602 Z-5.866\nG00 Z10.\nM30\n%%\n' >slot.nc
printf '%%\nG90 G17 G54\nG00 X40.664 Y34.369 Z10.\nZ1.\nG01 Z-9.67 F300\nG02 I-17.744\nG01 Z-6.948\nG02 I-6.2\nG01 Z10.\nM30\n%%\n' >beside.nc
printf 'MAGAZINE01 FLAT 2.0,40.0\n' >slender.ttl
for case in "slot island.ttl" "beside slender.ttl"; do
    set -- $case
    [ "$1" = beside ] && set_key ESCAPE-WIDTH 0.0 && set_key "TOOL CLEARANCE" 1.0
    recut "$1" "$2"
    if [ $rc -eq 0 ] && [ $rc2 -eq 0 ]; then pass "$1: vertical rapids stop above the wall"
    else fail "$1 rc=$rc rc2=$rc2"; cat "$1.err" "${1}2.err" "$1.onc"; fi
done
set_key "TOOL CLEARANCE" NO
# A program finer than the format: the slot written at X82.999 Y78.5 leaves
# standing a node the input's X82.9994 Y78.5004 cut, a hair inside the
# reach of the escape's end written at Y78.501; its rapid down stops above
# the work's top, not 2 mm over the plunge.
printf '%%\nG90 G17 G54\nG00 Z10.\nX82.9994 Y78.5004\nZ1.\nG01 Z-6. F300\nY36.5005\nZ0.5\nY78.5009\nZ-6.5\nY36.5005\nG00 Z10.\nM30\n%%\n' >sliver.nc
recut sliver slender.ttl
if [ $rc -eq 0 ] && [ $rc2 -eq 0 ]; then pass "sliver: a rounded path's rapid down stops above what it left"
else fail "sliver rc=$rc rc2=$rc2"; cat sliver.err sliver2.err sliver.onc; fi
# A slot ends at a rounded point, the tool moves a few microns through air
# and plunges there: the escape comes down where the air ended, within
# reach of what the slot's exact end cut and its written end did not.
printf 'MAGAZINE01 FLAT 6.0,40.0\n' >flat6.ttl
printf '%%\nG90 G17 G54\nG00 Z10.\nX68.5005 Y81.5\nZ1.\nG01 Z-5. F300\nY28.4996\nX68.5009 Y28.4992\nZ-6.5\nY81.5\nG00 Z10.\nM30\n%%\n' >endsliver.nc
recut endsliver flat6.ttl
if [ $rc -eq 0 ] && [ $rc2 -eq 0 ] && grep -q "^G00Z1" endsliver.onc; then
    pass "sliver at a slot's end: the escape after short air stops above it"
else fail "end sliver rc=$rc rc2=$rc2"; cat endsliver.err endsliver2.err endsliver.onc; fi
# Passes at rising depths along one slot, each back through air: an escape
# replaces the way back and comes down where the slot began, which the
# program written rounded cleared a hair off the input's place. What stands
# at the edge of any earlier cut counts there, not only beside the escape's
# end.
printf 'MAGAZINE01 FLAT 2.0,40.0\n' >flat2.ttl
printf '%%\nG90 G17 G54\nG00 Z10.\nX67.0006 Y27.4996\nZ1.\nG01 Z-8. F300\nX67.0006 Y74.0004\nX67.0011 Y27.4991\nZ-9.\nX67.0006 Y74.0004\nG00 Z10.\nM30\n%%\n' >passes.nc
recut passes flat2.ttl
if [ $rc -eq 0 ] && [ $rc2 -eq 0 ]; then pass "passes along a slot: the escape back stops above earlier cuts' edges"
else fail "passes rc=$rc rc2=$rc2"; cat passes.err passes2.err passes.onc; fi
# Without the checks that look at every motion's result, the motions are
# swept in batches and the escapes hear of them afterwards: the same cases
# and the pocket still recut cleanly, and two threads write what one does.
set_key "HEIGHT CHECK" NO
set_key "ARBOR CHECK" NO
batched_ok=1
for case in "island island.ttl" "far island.ttl" "slot island.ttl" "pocket atc.ttl"; do
    set -- $case
    for threads in NO 2; do
        set_key threadnc "$threads"
        "$morvex" -T "$2" -X6 "$1.nc" -O "b$1.dmf" --optimize 2>"b$1.err" && cp "$1.onc" "b$1$threads.onc" &&
            "$morvex" -T "$2" -X6 "b$1$threads.onc" -O "b${1}2.dmf" 2>"b${1}2.err" ||
            { batched_ok=0; echo "$1 threadnc $threads:"; cat "b$1.err" "b${1}2.err"; }
    done
    cmp -s "b${1}NO.onc" "b${1}2.onc" || { batched_ok=0; echo "$1: threadnc 2 differs"; }
done
# The long line cut after far's escape is cut on its own, so the escape
# stays just above the pocket's floor here too.
grep -q "^G00Z-9.7$" bfarNO.onc || { batched_ok=0; echo "far: escape raised"; cat bfarNO.onc; }
if [ $batched_ok -eq 1 ]; then pass "batched motions: escapes clear and threads agree"; else fail "batched motions"; fi
set_key "HEIGHT CHECK" STOP
set_key "ARBOR CHECK" YES
set_key threadnc 4
set_key ESCAPE-WIDTH 0.0
set_key ESCAPE-HEIGHT 3.0

# Cuts escaped (OPT-CUT=ESCAPE) leave their material in the written
# program: the air kept through it (down into a slot the output skipped,
# back along a skipped cut), the escapes over it and a program that ends
# inside it all pass the rapid check, whatever OPT-AIRCUT does with air.
set_key OPT-CUT ESCAPE
printf '%%\nG90 G00 X20. Y50. Z5.\nG01 Z-5. F300\nX80.\nZ5.\nX50.\nZ-5.\nZ-6.\nX60.\nG00 Z50.\nM30\n%%\n' >skipslot.nc
printf '%%\nG90 G00 X50. Y50. Z0.\nG01 Z-2. F300\nX60.\nX50.\nG00 Z50.\nM30\n%%\n' >skipback.nc
printf '%%\nG90 G00 X50. Y50. Z5.\nG01 Z-3. F300\n%%\n' >skipend.nc
skipped_ok=1
for air in NO MAXF MAXOPTF ESCAPE; do
    set_key OPT-AIRCUT "$air"
    for name in skipslot skipback skipend; do
        recut "$name" nolimit.ttl
        if [ $rc -ne 0 ] || [ $rc2 -ne 0 ]; then
            skipped_ok=0
            echo "$name OPT-AIRCUT=$air rc=$rc rc2=$rc2"; cat "$name.err" "${name}2.err" "$name.onc"
        fi
    done
done
if [ $skipped_ok -eq 1 ]; then pass "what escaped cuts leave is cleared or cut at a cutting feed"; else fail "escaped cuts"; fi
set_key OPT-CUT OPTIMIZE
set_key OPT-AIRCUT ESCAPE

# A program with three tools: its optimised NC changes tools as the
# machine does (WAIT2: T and M06 in one block), and its recut drills with
# the drills, not with the first tool of the table.
"$morvex" -X6 drill.nc -O tools.dmf --optimize 2>tools.err; rc=$?
"$morvex" -X6 drill.onc -O tools2.dmf 2>tools2.err; rc2=$?
if [ $rc -eq 0 ] && [ $rc2 -eq 0 ] && [ "$(grep -c '^T[456]M06$' drill.onc)" -eq 3 ]; then pass "tool changes kept"
else fail "tools rc=$rc rc2=$rc2"; cat tools.err tools2.err; grep -n '^T' drill.onc; fi
# The D10 changed in where the D8 tap went down beside the work: it stands
# in the work's edge, so the escape after the change rises at the feed.
printf '%%\nG17 G21 G40 G49 G80 G90\nG00 Z100.\nT06 M06\nG00 X-4.2 Y80.\nZ-3.\nT01 M06\nG01 X20. F300\nG01 Z5. F1000\nG00 Z100.\nM30\n%%\n' >change.nc
"$morvex" -X6 change.nc -O change.dmf --optimize 2>change.err; rc=$?
"$morvex" -X6 change.onc -O change2.dmf 2>change2.err; rc2=$?
if [ $rc -eq 0 ] && [ $rc2 -eq 0 ]; then pass "a tool changed in beside the work"
else fail "change rc=$rc rc2=$rc2"; cat change.err change2.err change.onc; fi

# An optimised program optimised again: its optimised NC would take its
# own name, so it is not written (status 2); the program stays as it was.
cp pocket.onc again.onc
md5_before=$(md5sum <again.onc)
"$morvex" -X6 again.onc -O again.dmf --optimize 2>again.err; rc=$?
if [ $rc -eq 2 ] && [ "$(md5sum <again.onc)" = "$md5_before" ] && [ -s again.dmf ] && grep -q "again.onc" again.err
then pass "no output replaces the program"; else fail "output over the program rc=$rc"; cat again.err; fi

# A run ended by a signal while it waits (M150 waits for "waitfile" to go)
# leaves no temporary file behind, and nothing under the final names.
rm -f waitfile ./*.tmp sig.onc sig.TXT
printf '%%\nG90 G00 X50 Y50 Z100\nG01 Z-2 F300\nX60\nM150\nX70\nM30\n%%\n' >sig.nc
"$morvex" -X6 sig.nc -O sig.dmf --optimize 2>sig.err &
pid=$!
for ((i = 0; i < 1200; ++i)); do
    [ -e waitfile ] && break
    sleep 0.05
done
temps=$(ls ./*.tmp 2>/dev/null | wc -l)
kill -TERM $pid
# A watchdog: a run the signal did not end is ended for good (and fails).
for ((i = 0; i < 600; ++i)); do
    kill -0 $pid 2>/dev/null || break
    sleep 0.05
done
kill -KILL $pid 2>/dev/null
wait $pid; rc=$?
if [ $rc -eq 143 ] && [ "$temps" -ge 1 ] && ! ls ./*.tmp >/dev/null 2>&1 && [ ! -e sig.onc ] && [ ! -e sig.TXT ]
then pass "a signal leaves no temporary files"; else fail "signal rc=$rc temps=$temps"; ls; fi
rm -f waitfile

# Both outputs under one name: neither is written (status 2, the name
# told); the cut and its work file are made all the same.
set_key "OPT-NC SUFFIX" TXT
cp end.nc same.nc
"$morvex" -X6 same.nc -O same.dmf --optimize 2>same.err; rc=$?
if [ $rc -eq 2 ] && [ ! -e same.TXT ] && [ -s same.dmf ] && grep -q "same.TXT" same.err
then pass "one name for both outputs refused"; else fail "one name rc=$rc"; cat same.err; ls; fi
set_key "OPT-NC SUFFIX" onc

# The work file under the optimised NC's name: written after it, as asked
# last, and nothing is left beside them. Under its own name the work file
# is written while the optimised outputs are put in place.
set_key "OPT-NC SUFFIX" DMF
"$morvex" -X6 end.nc -O end.DMF --optimize 2>endonc.err; rc=$?
set_key "OPT-NC SUFFIX" onc
"$morvex" -X6 end.nc -O end2.dmf --optimize 2>enddmf.err; rc2=$?
if [ $rc -eq 0 ] && [ $rc2 -eq 0 ] && cmp -s end.DMF end2.dmf && [ -s end.TXT ] && grep -q "^G" end.onc &&
    ! ls ./*.tmp >/dev/null 2>&1
then pass "work file under the optimised NC's name, and beside it"
else fail "work file as NC rc=$rc rc2=$rc2"; cat endonc.err enddmf.err; ls -l end*; fi

# A run that ends in an alarm writes no optimised NC and says why; a file
# already under the name stays as it is. Its cut data is written; with no
# optimised NC asked for, nothing is said to have failed.
rm -f pocket.onc
printf 'G90 G00 X50 Y50 Z100\nG01 Z-2 F300\nG00 X20\nM30\n' >crash.nc
printf 'G01 X1\n' >crash.onc
"$morvex" -X6 crash.nc -O crash.dmf --optimize 2>crash.err; rc=$?
if [ $rc -eq 1 ] && [ "$(cat crash.onc)" = "G01 X1" ] && ! ls ./*.tmp >/dev/null 2>&1 &&
    grep -q "optimised NC\|最適化NC" crash.err
then pass "aborted run"; else fail "aborted run rc=$rc"; cat crash.err; ls; fi
set_key OPT-NC NO
rm -f crash.TXT
"$morvex" -X6 crash.nc -O crash.dmf --optimize 2>crash.err; rc=$?
if [ $rc -eq 1 ] && [ -s crash.TXT ] && ! grep -q "could not be written\|書き込めません" crash.err
then pass "aborted run, cut data only"; else fail "aborted run, cut data only rc=$rc"; cat crash.err; ls; fi
# Cut data that cannot be created (its folder is missing): the cut, its
# work file and its report are made all the same, status 2.
sed -i 's/^\[Optimize\]$/[Optimize]\nTarget_CUT-DATAdir=missing\/sub/' morvex.ini
"$morvex" -X6 pocket.nc -O nodir.dmf --optimize /V 2>nodir.err; rc=$?
if [ $rc -eq 2 ] && [ -s nodir.dmf ] && [ -s pocket_verify.txt ] && grep -q "missing/sub" nodir.err
then pass "outputs that cannot be created"; else fail "outputs that cannot be created rc=$rc"; cat nodir.err; fi
echo "$passes passed, $fails failed"
test $fails -eq 0
