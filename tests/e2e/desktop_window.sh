#!/usr/bin/env bash
# The desktop window under Xvfb: it opens with the title of its language,
# closes with exit status 0 and writes section Save back, keeping every
# other line of the settings file.
set -u
source_dir=$2
fails=0
check() {
    local what=$1; shift
    if "$@"; then echo "ok: $what"; else echo "FAIL: $what"; fails=$((fails + 1)); return 1; fi
}
if ! command -v Xvfb >/dev/null || ! command -v xwininfo >/dev/null; then
    echo "Xvfb or xwininfo is missing: install xvfb and x11-utils"; exit 1
fi
work=$(mktemp -d)
export XDG_RUNTIME_DIR=$work/runtime
mkdir -m 700 "$XDG_RUNTIME_DIR"
# A copy of the binary in a folder of its own: files beside the built one
# (a message file or settings put there by hand) must not change the test.
mkdir "$work/bin"
cp "$1" "$work/bin/morvex"
morvex=$work/bin/morvex
# Xvfb picks a free display itself and writes its number once it is ready.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; rm -rf "$work"' EXIT
for _ in $(seq 300); do [ -s "$work/display" ] && break; sleep 0.1; done
if [ ! -s "$work/display" ]; then echo "FAIL: Xvfb did not start"; exit 1; fi
display=:$(head -n 1 "$work/display")
export DISPLAY=$display
unset QT_QPA_PLATFORM
# Window names hold Japanese text: tools print it as UTF-8 only in a UTF-8 locale.
export LC_ALL=C.UTF-8

run_window() {  # folder, expected title text
    local dir=$1 expect=$2 seen=0
    (cd "$dir" && exec "$morvex" --close-after 8000 2>"$dir/stderr.txt") &
    local pid=$!
    while kill -0 $pid 2>/dev/null; do
        if xwininfo -root -tree 2>/dev/null | grep -qF "MORVEX2000 - $expect"; then seen=1; break; fi
        sleep 0.1
    done
    wait $pid
    local rc=$?
    check "window title shows \"$expect\"" test $seen -eq 1
    check "window closes with status 0 ($expect)" test $rc -eq 0 || { echo "status $rc"; cat "$dir/stderr.txt"; }
}

mkdir "$work/ja" "$work/en"
printf '; shop settings\n[Define]\nANGLE-A = 300.0\n\n[Save]\nDISPLAY=0\nMY KEY=kept\n' >"$work/ja/morvex.ini"
run_window "$work/ja" "NCデータ未選択(atc.ttl,vadez.ctl,zuvid.mtl)"
check "foreign lines are kept" grep -qx "; shop settings" "$work/ja/morvex.ini"
check "foreign keys are kept" grep -qx "MY KEY=kept" "$work/ja/morvex.ini"
check "other sections are kept" grep -qx "ANGLE-A = 300.0" "$work/ja/morvex.ini"
check "Save is written back" grep -qx "VIEW_T=0" "$work/ja/morvex.ini"

cp "$source_dir/src/resources/morvex.mes" "$work/en/"
run_window "$work/en" "Not Selected(atc.ttl,vadez.ctl,zuvid.mtl)"
check "a settings file is created when there was none" grep -qx "DISPLAY=0" "$work/en/morvex.ini"

echo "$((9 - fails)) passed, $fails failed"
test $fails -eq 0
