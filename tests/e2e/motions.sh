#!/usr/bin/env bash
# The motion listing of the sample programs under the sample controller and
# machine definitions, against the listings kept in tests/golden.
set -u
morvex=$1
source_dir=$2
fails=0
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$source_dir/samples/." "$work/"
cd "$work" || exit 1
for name in contour pocket; do
    if "$morvex" --motions "$name.nc" >"$name.out" 2>"$name.err" &&
        diff -u "$source_dir/tests/golden/$name.motions" "$name.out"; then
        echo "ok: $name"
    else
        echo "FAIL: $name"; cat "$name.err"; fails=$((fails + 1))
    fi
done
# A program with an error: the listing ends with the error object, the alarm
# is reported on stderr and the status is 1.
printf 'G01 X1 F100\nG01X10.5.3\n' >bad.nc
"$morvex" --motions bad.nc >bad.out 2>bad.err; rc=$?
if [ $rc -eq 1 ] && grep -q "(2) - " bad.err && python3 - bad.out <<'PY'
import json, sys
lines = [json.loads(l) for l in open(sys.argv[1])]
last = lines[-1]
sys.exit(not (all("type" in l for l in lines[:-1]) and last["error"] == 105 and last["line"] == 2
              and last["message"]))
PY
then echo "ok: error"; else echo "FAIL: error rc=$rc"; cat bad.out bad.err; fails=$((fails + 1)); fi
"$morvex" --motions missing.nc >missing.out 2>missing.err; rc=$?
if [ $rc -eq 2 ] && [ -s missing.err ] && [ ! -s missing.out ]; then echo "ok: missing"
else echo "FAIL: missing rc=$rc"; fails=$((fails + 1)); fi
# Output that cannot be written (a full disk) is a failure, for the check too.
if [ -w /dev/full ]; then
    "$morvex" --motions pocket.nc >/dev/full 2>full.err; rc=$?
    "$morvex" --check pocket.nc >/dev/full 2>>full.err; rc2=$?
    if [ $rc -eq 2 ] && [ $rc2 -eq 2 ] && [ "$(wc -l <full.err)" -eq 2 ]; then echo "ok: full disk"
    else echo "FAIL: full disk rc=$rc/$rc2"; cat full.err; fails=$((fails + 1)); fi
else
    echo "ok: full disk (no /dev/full here)"
fi
echo "$((5 - fails)) passed, $fails failed"
test $fails -eq 0
