#!/usr/bin/env bash
# Automatic runs with the window (/X1 .. /X5), on Qt's offscreen platform:
# the run starts once the window exists, cuts the work exactly as the
# unattended run of the same kind does (/X6, /X7), writes the /O work after
# it and leaves the window open; the O letter also writes the optimised NC,
# N runs through the stops; a letter that selects nothing or a missing
# program cuts nothing, and from /X5 on a missing program ends the program
# with a batch-log line.
set -u
morvex=$1
source_dir=$2
fails=0
pass() { echo "ok: $1"; }
fail() { echo "FAIL: $1"; fails=$((fails + 1)); }
work=$(mktemp -d)
app=
trap '[ -n "$app" ] && kill $app 2>/dev/null; rm -rf "$work"' EXIT
export QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=$work/runtime
mkdir -m 700 "$XDG_RUNTIME_DIR"
mkdir "$work/ref" "$work/win"
cp -r "$source_dir/samples/." "$work/ref/"
cp -r "$source_dir/samples/." "$work/win/"

cd "$work/ref" || exit 1
"$morvex" /X6 pocket.nc /O ref6.dmf 2>/dev/null || fail "/X6 cuts the reference"
"$morvex" /X7 pocket.nc /O ref7.dmf 2>/dev/null || fail "/X7 cuts the reference"
"$morvex" /X6 drill.nc /O drill6.dmf --optimize 2>/dev/null || fail "/X6 cuts drill.nc with the optimised NC"
ls >"$work/ref-files"

cd "$work/win" || exit 1
# Waits up to $2 seconds until file $1 equals the reference $3 (the work
# may still be being written when it first appears).
wait_same() {
    local i
    for ((i = 0; i < $2 * 10; i++)); do
        cmp -s "$1" "$3" && return 0
        kill -0 $app 2>/dev/null || { cmp -s "$1" "$3"; return; }
        sleep 0.1
    done
    return 1
}
# A window run in the background; the window would close after 120 s.
start() {
    "$morvex" --close-after 120000 "$@" 2>>"$work/stderr.txt" &
    app=$!
}
stop() {
    kill $app 2>/dev/null
    wait $app 2>/dev/null
    app=
}

for case in "1 ref6" "2 ref6" "3 ref6" "4 ref7" "5 ref7"; do
    set -- $case
    start /X$1 pocket.nc /O out$1.dmf
    if wait_same out$1.dmf 60 "$work/ref/$2.dmf"; then
        pass "/X$1 cuts pocket.nc in the window as the unattended run does and writes /O"
    else
        fail "/X$1 wrote no work equal to $2.dmf"
    fi
    kill -0 $app 2>/dev/null && pass "/X$1: the window stays open after the run" || fail "/X$1: the window closed"
    stop
done

# O: the optimised NC and cut data, the same files as the unattended run's.
start /X3NO drill.nc /O drill.dmf
if wait_same drill.dmf 60 "$work/ref/drill6.dmf"; then pass "/X3NO cuts drill.nc"; else fail "/X3NO cut"; fi
stop
for f in $(cd "$work/ref" && ls); do
    case $f in *.dmf | morvex.log) continue ;; esac
    [ -e "$f" ] || { fail "/X3NO did not write $f"; continue; }
    cmp -s "$f" "$work/ref/$f" || fail "/X3NO wrote $f unlike the unattended run"
done
[ $fails -eq 0 ] && pass "/X3NO writes the optimised outputs of the unattended run"

# With --image no window is needed: /X4 cuts without one, like /X7, and draws the picture.
"$morvex" /X7 pocket.nc --image ref7.png /O pic7.dmf 2>/dev/null
"$morvex" /X4 pocket.nc --image pic4.png /O pic4.dmf 2>/dev/null; rc=$?
[ $rc -eq 0 ] && cmp -s pic4.dmf pic7.dmf && cmp -s pic4.png ref7.png && pass "/X4 --image cuts without a window" ||
    fail "/X4 --image: status $rc"

# Nothing to cut: a letter that selects nothing, a missing program below /X5.
"$morvex" --close-after 1500 /X3Q pocket.nc /O bad.dmf 2>/dev/null; rc=$?
[ $rc -eq 0 ] && [ ! -e bad.dmf ] && pass "/X3Q cuts nothing and writes nothing" || fail "/X3Q: status $rc"
"$morvex" --close-after 1500 /X3 missing.nc /O none.dmf 2>/dev/null; rc=$?
[ $rc -eq 0 ] && [ ! -e none.dmf ] && pass "/X3 with a missing program writes nothing" || fail "/X3 missing: status $rc"
# From /X5 on the missing program goes to the batch log and the program ends.
rm -f morvex.log
start_time=$(date +%s)
timeout 30 "$morvex" --close-after 60000 /X5 missing.nc /O none.dmf 2>/dev/null; rc=$?
[ $rc -eq 2 ] && [ $(($(date +%s) - start_time)) -lt 20 ] && pass "/X5 with a missing program ends at once with status 2" ||
    fail "/X5 missing: status $rc"
grep -q "missing.nc - " morvex.log && pass "the missing program is in the batch log" || fail "no batch-log line"

echo "$fails failure(s)"
[ $fails -eq 0 ]
