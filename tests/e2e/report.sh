#!/usr/bin/env bash
# The cutting-information report from the command line: /V6 writes the
# built-in report whose figures agree with --check, a template's variables
# in their formats, status 1 with the report still written after an NC
# error, status 2 with "Write protect" when it cannot be written or is
# write-protected (and the report before it left whole), and /V after an
# unattended cut.
set -u
morvex=$1
source_dir=$2
fails=0
pass() { echo "ok: $1"; }
fail() { echo "FAIL: $1"; fails=$((fails + 1)); }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
printf 'DECIMAL POINT = NORMAL\nG00MODE = ASYNC1\nMEMORY G54 10,20,-5\n' >plain.ctl
cat >shape.nc <<'NC'
G90 G17 G00 X0 Y0 Z5 S1200
G01 Z-1 F500 M3
X30
G03 X40 Y10 R10
G01 Y40 F800 S9000
G03 X30 Y50 I-10 J0
G01 X0
G00 Z5
M30
NC
report_ini() {  # $1 the folder of the fixed name, $2 NEW or APPEND
    printf '[Table]\nCONTROLLER_TABLE=plain.ctl\n[OUTPUTdata]\nTarget_VERIFYdir=%s\nNAMING MODE(VERIFY)=FIXED\nCREATE MODE(VERIFY)=%s\nTarget_LOGdir=logs\n' "$1" "$2" >r.ini
}
report_ini out NEW
"$morvex" -I r.ini --check shape.nc >shape.json
"$morvex" -I r.ini /V6 shape.nc 2>v6.err; rc=$?
if [ $rc -eq 0 ] && python3 - shape.json out/verify.txt <<'PY'
import json, re, sys
r = json.load(open(sys.argv[1]))
text = open(sys.argv[2], encoding="utf-8").read()
num = lambda label: re.search(re.escape(label) + r"\s*(-?\d+)", text).group(1)
ok = int(num("早送り長さ:")) == int(r["rapidLength"] + 0.5)
ok &= int(num("切削送り長さ:")) == int(r["feedLength"] + 0.5)
ok &= int(num("全加工時間:")) == int(r["rapidTime"] + 0.5) + int(r["feedTime"] + 0.5)
ok &= "最大 X:%9.3f ,Y:%9.3f ,Z:%9.3f\n" % tuple(r["max"]) in text
ok &= "最小 X:%9.3f ,Y:%9.3f ,Z:%9.3f\n" % tuple(r["min"]) in text
ok &= "shape.nc\" の加工情報出力" in text
sys.exit(0 if ok else 1)
PY
then pass "built-in report agrees with --check"; else fail "built-in report rc=$rc"; cat out/verify.txt v6.err; fi

# A template beside the program: clock, code lists, work offsets, feeds.
printf 'T$TIM|$GCODEW;$GCODE|$TCODE|$G54 $$|$MAXS|$MINF$MAXF2\nend$' >verify_form.def
"$morvex" -I r.ini /V6 shape.nc; rc=$?
feed=$(python3 -c 'import json,sys; r=json.load(open("shape.json")); print(int(r["rapidTime"]+0.5)+int(r["feedTime"]+0.5))')
clock=$(printf ' %02d:%02d:%02d' $((feed / 3600)) $((feed / 60 % 60)) $((feed % 60)))
want="T$clock|None;00,01,03,17,90|None|(   10.000,   20.000,   -5.000)|    9000|    500    800
end"
if [ $rc -eq 0 ] && [ "$(cat out/verify.txt)" = "$want" ]; then pass "template"
else fail "template rc=$rc"; echo "want: $want"; echo "got:"; cat out/verify.txt; fi

# Work offsets as the program's own G10 left them, as in the extents.
printf 'DECIMAL POINT = NORMAL\nG00MODE = ASYNC1\nG10MODE = FANUC-A\n' >g10.ctl
printf 'G90 G10 L2 P2 X11. Y22. Z33.\nG55 G00 X0. Y0. Z0.\nM30\n' >g10.nc
printf '$G55|$MAXX\n' >verify_form.def
"$morvex" -I r.ini -C g10.ctl /V6 g10.nc; rc=$?
if [ $rc -eq 0 ] && [ "$(cat out/verify.txt)" = "(   11.000,   22.000,   33.000)   11.000" ]; then pass "G10 offsets"
else fail "G10 offsets rc=$rc"; cat out/verify.txt; fi

# An NC error: status 1, the report of what was read, the error in the log.
printf 'G01 X1 F100\nG01X10.5.3\n' >bad.nc
rm -f verify_form.def
"$morvex" -I r.ini -C "$source_dir/samples/vadez.ctl" /V6 bad.nc 2>bad.err; rc=$?
if [ $rc -eq 1 ] && grep -q "bad.nc" out/verify.txt && [ -s logs/morvex.log ]; then pass "NC error"
else fail "NC error rc=$rc"; cat bad.err; fi

# Append adds; a folder that cannot be made: "Write protect", status 2.
report_ini out APPEND
"$morvex" -I r.ini /V6 shape.nc; rc=$?
if [ $rc -eq 0 ] && [ "$(grep -c 'の加工情報出力' out/verify.txt)" = 2 ]; then pass "append"
else fail "append rc=$rc"; fi
before=$(cat out/verify.txt)
: >blocked
report_ini blocked/sub NEW
"$morvex" -I r.ini /V6 shape.nc 2>wp.err; rc=$?
if [ $rc -eq 2 ] && grep -q "Write protect\|書き込み保護" wp.err && [ "$(cat out/verify.txt)" = "$before" ]; then pass "write protect"
else fail "write protect rc=$rc"; cat wp.err; fi
# A report nobody may write is write-protected, even for root.
report_ini out NEW
chmod a-w out/verify.txt
"$morvex" -I r.ini /V6 shape.nc 2>ro.err; rc=$?
if [ $rc -eq 2 ] && grep -q "Write protect\|書き込み保護" ro.err && [ "$(cat out/verify.txt)" = "$before" ]; then
    pass "read-only report"
else fail "read-only report rc=$rc"; cat ro.err; fi
# An NC error is logged even when the report cannot be written.
rm -rf logs
"$morvex" -I r.ini -C "$source_dir/samples/vadez.ctl" /V6 bad.nc 2>/dev/null; rc=$?
if [ $rc -eq 2 ] && grep -q "bad.nc(2) - " logs/morvex.log && grep -q "Write protect\|書き込み保護" logs/morvex.log; then
    pass "NC error logged when the report cannot be written"
else fail "NC error with read-only report rc=$rc"; cat logs/morvex.log; fi
chmod u+w out/verify.txt
# A program under the report's own name is never replaced by its report.
cp shape.nc out/verify.txt
"$morvex" -I r.ini /V6 out/verify.txt 2>self.err; rc=$?
if [ $rc -eq 2 ] && cmp -s shape.nc out/verify.txt; then pass "the report never replaces the program"
else fail "report over the program rc=$rc"; cat self.err; fi
"$morvex" -I r.ini /V6 missing.nc 2>/dev/null; rc=$?
if [ $rc -eq 2 ]; then pass "missing program"; else fail "missing program rc=$rc"; fi

# After an unattended cut, in the samples' automatic naming.
cp -r "$source_dir/samples/." samples
(cd samples && "$morvex" -X6 drill.nc -O drill.dmf /V 2>err.txt); rc=$?
if [ $rc -eq 0 ] && [ -s samples/drill.dmf ] && grep -q "drill.nc" samples/drill_verify.txt; then pass "/V after -X6"
else fail "/V after -X6 rc=$rc"; cat samples/err.txt; fi
# The report's check logs an NC error the run did not reach (it ended at
# an overload before it), and does not log again the one the run ended at.
printf '%%\nT01 M06\nG00 G90 G54 X10. Y10. S3000 M03\nG43 Z5. H01\nG01 Z-2. F300\nX40. F500 $\nY40.\nM30\n%%\n' \
    >samples/errchar.nc
printf '%%\nG90 G00 X10. Y10. Z5.\nG01X10.5.3\nM30\n%%\n' >samples/errdot.nc
(cd samples && rm -f morvex.log && "$morvex" -X6 errchar.nc -O e.dmf /V 2>/dev/null); rc=$?
(cd samples && "$morvex" -X6 errdot.nc -O d.dmf /V 2>/dev/null); rc2=$?
if [ $rc -eq 1 ] && [ $rc2 -eq 1 ] && grep -q "errchar.nc(5) - " samples/morvex.log &&
    grep -q "errchar.nc(6) - " samples/morvex.log && [ "$(grep -c "errdot.nc(3) - " samples/morvex.log)" = 1 ]; then
    pass "the report's NC error after a cut"
else fail "the report's NC error after a cut rc=$rc rc2=$rc2"; cat samples/morvex.log; fi
echo "$((12 - fails)) passed, $fails failed"
test $fails -eq 0
