#!/usr/bin/env bash
# The optimised NC of real CAM programs (the shared corpus beside the
# project): with air kept it follows the input's path and its feeds are the
# OPT-F table's for the loads in the cut data; with escapes its cut under
# the rapid check raises no alarm where the input's own cut raises none;
# one sweep thread writes the same files as four.
# Each program is cut on a stock around its feed moves, top at Z0 (or half
# way up what it cuts above Z0), with the sample settings and a 3 mm end
# mill. Skips (status 77) without the corpus.
set -u
morvex=$1
source_dir=$2
corpus=$(realpath -m "$source_dir/../shared/corpus")
if [ ! -d "$corpus/programs" ]; then
    echo "skipped: no corpus at $corpus"
    exit 77
fi
fails=0
passes=0
pass() { echo "ok: $1"; passes=$((passes + 1)); }
fail() { echo "FAIL: $1"; fails=$((fails + 1)); }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
set_key() { sed -i "s/^$1=.*/$1=$2/" morvex.ini; }
for path in "$corpus"/programs/*; do
    name=$(basename "$path")
    summary="$corpus/reference/$name.summary.json"
    [ -f "$summary" ] || continue
    rm -rf run && mkdir run && cp -r "$source_dir/samples/." run/ && cd run || exit 1
    # Numbers without a point are millimetres; rapids go straight; blocks
    # behind a plain "/" are skipped (cap.ngc skips its tool change so).
    sed -i 's/^DECIMAL POINT.*/DECIMAL POINT = NORMAL/; s/^G00MODE.*/G00MODE = LINE/; /^CHECK CHAR/d
            s/^OPTIONAL BLOCK SKIP.*/OPTIONAL BLOCK SKIP = 0,1/' vadez.ctl
    sed -i 's/^MAGAZINE01 FLAT 10.0,22.0/MAGAZINE01 FLAT 3.0,22.0/; /^LIMIT/d' atc.ttl
    # The programs begin without the start code the controller waits for.
    { head -c1 "$path" | grep -q % || echo %; cat "$path"; echo; echo %; } >prog.nc
    read -r stock pitch < <(python3 - "$summary" <<'PY'
import json, sys
e = json.load(open(sys.argv[1]))["extents_feed_endpoints"]
x, y, z = e["x"], e["y"], e["z"]
top = 0.0 if z[0] < 0 else z[0] + 0.5 * (z[1] - z[0])
print(f"({x[0] - 8},{y[0] - 8},{min(z[0], top) - 3},{x[1] + 8},{y[1] + 8},{top})",
      max(0.1, round((max(x[1] - x[0], y[1] - y[0]) + 16) / 600, 2)))
PY
)
    set_key "INITIAL SIZE" "$stock"
    set_key "PITCH(WORK)" "$pitch"
    set_key CUT-DATA YES
    # A program whose own rapids meet the stock is checked with the rapid
    # check off, and its escapes are not.
    "$morvex" -X6 prog.nc -O in.dmf >/dev/null 2>in.err
    clean=$?
    [ $clean -eq 0 ] || set_key INTERFERENCE NO
    set_key OPT-AIRCUT NO
    "$morvex" -X6 prog.nc -O kept.dmf --optimize >/dev/null 2>kept.err; rc=$?
    "$morvex" --motions prog.nc "/S(0,0,100)" >in.jsonl 2>/dev/null
    "$morvex" --motions prog.onc >out.jsonl 2>/dev/null
    if [ $rc -eq 0 ] && [ -s prog.onc ] && python3 "$source_dir/tests/e2e/follows.py" in.jsonl out.jsonl &&
        python3 "$source_dir/tests/e2e/opt_feeds.py" prog.TXT 10; then
        pass "$name: kept path follows the input, feeds from the table"
    else
        fail "$name: kept run rc=$rc"; head -c 600 kept.err
    fi
    if [ $clean -eq 0 ]; then
        set_key OPT-AIRCUT ESCAPE
        "$morvex" -X6 prog.nc -O esc.dmf --optimize >/dev/null 2>esc.err; rc=$?
        escapes=$(grep -c "^G00" prog.onc)
        "$morvex" -X6 prog.onc -O recut.dmf >/dev/null 2>recut.err; rc2=$?
        if [ $rc -eq 0 ] && [ $rc2 -eq 0 ]; then pass "$name: escapes clear the work ($escapes rapids)"
        else fail "$name: escapes rc=$rc recut rc=$rc2"; head -c 600 esc.err recut.err; fi
    else
        echo "not cut with escapes: $name (its own cut stops: $(head -c 120 in.err))"
    fi
    # One sweep thread writes the same files as the sample settings' four
    # (escapes, no rapid check: the run then sweeps its motions in batches).
    set_key OPT-AIRCUT ESCAPE
    set_key INTERFERENCE NO
    "$morvex" -X6 prog.nc -O four.dmf --optimize >/dev/null 2>four.err
    mv prog.onc four.onc && mv prog.TXT four.TXT
    set_key threadnc NO
    "$morvex" -X6 prog.nc -O one.dmf --optimize >/dev/null 2>one.err
    if cmp -s prog.onc four.onc && cmp -s prog.TXT four.TXT; then pass "$name: the same files on one thread"
    else fail "$name: one thread and four write different files"; fi
    cd "$work" || exit 1
done
echo "$passes passed, $fails failed"
[ $fails -eq 0 ] && [ $passes -gt 0 ]
