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
here=$(cd "$(dirname "$0")" && pwd)
. "$here/xvfb.sh"
work=$(mktemp -d)
pid=
trap '[ -n "$pid" ] && kill $pid 2>/dev/null; xvfb_stop; rm -rf "$work"' EXIT
trap 'exit 1' INT TERM HUP
export XDG_RUNTIME_DIR=$work/runtime
mkdir -m 700 "$XDG_RUNTIME_DIR"
# A copy of the binary in a folder of its own: files beside the built one
# (a message file or settings put there by hand) must not change the test.
mkdir "$work/bin"
cp "$1" "$work/bin/morvex"
cp "$(dirname "$1")/morvex_desktop.so" "$work/bin/"  # the window part
morvex=$work/bin/morvex
xvfb_start "$work" || { echo "FAIL: Xvfb did not start"; exit 1; }
unset QT_QPA_PLATFORM
# Window names hold Japanese text: tools print it as UTF-8 only in a UTF-8 locale.
export LC_ALL=C.UTF-8

# The program closes its window by itself; its settings are written only then,
# so a start-up that is stopped and tried again leaves the folder as it was.
start_window() {  # folder, expected title text
    (cd "$1" && exec "$morvex" --close-after 8000 2>"$1/stderr.txt") &
    pid=$!
    xvfb_wait_window $pid "MORVEX2000 - $2" 60 && return 0
    kill $pid 2>/dev/null
    wait $pid 2>/dev/null
    pid=
    cat "$1/stderr.txt"
    return 1
}

run_window() {  # folder, expected title text
    local dir=$1 expect=$2 seen=0 rc=
    xvfb_twice start_window "$dir" "$expect" && seen=1
    check "window title shows \"$expect\"" test $seen -eq 1
    if [ $seen -eq 1 ]; then
        wait $pid
        rc=$?
        pid=
    fi
    check "window closes with status 0 ($expect)" test "$rc" = 0 || { echo "status $rc"; cat "$dir/stderr.txt"; }
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
