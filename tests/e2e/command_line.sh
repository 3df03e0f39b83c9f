#!/usr/bin/env bash
# The morvex binary's command line without a display: --help, --version,
# unusable options, no display, an unattended start that leaves the
# settings file untouched, and the command-line jobs without the desktop
# module (the program alone in a folder).
set -u
morvex=$1
fails=0
check() {  # description, then a command that must succeed
    local what=$1; shift
    if "$@"; then echo "ok: $what"; else echo "FAIL: $what"; fails=$((fails + 1)); fi
}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1

help=$("$morvex" --help); rc=$?
check "--help exits 0" test $rc -eq 0
for opt in "/I file" "/T file" "/C file" "/M file" "/K file" "/O file" "/S(x,y,z)" "/P(w,m)" \
           "/(x,y,h,w)" "/G n" "/F n" "/X1 .. /X7" "/XO" "/XA" "/XM" "/V, /V5" "/V6" "/D" "--version"; do
    check "--help lists $opt" grep -qF -- "$opt" <<<"$help"
done
version=$("$morvex" --version); rc=$?
check "--version exits 0" test $rc -eq 0
check "--version names the program" grep -qE '^MORVEX2000 \(morvex\) [0-9]+\.[0-9]+\.[0-9]+$' <<<"$version"

"$morvex" -q >out.txt 2>err.txt; rc=$?
check "an unknown option exits 2" test $rc -eq 2
check "an unknown option is named" grep -q -- "-q" err.txt

env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$morvex" >out.txt 2>err.txt; rc=$?
check "no display exits 1" test $rc -eq 1
check "no display says so" grep -q "DISPLAY" err.txt
env -u QT_QPA_PLATFORM DISPLAY=:4097 "$morvex" >out.txt 2>err.txt; rc=$?
check "an unreachable display exits 1" test $rc -eq 1

# Unattended: no window, and section Save of the settings file is left as it was.
printf '; note\r\n[Save]\r\nDISPLAY=1\r\nX=5\r\n[OUTPUTdata]\r\nTarget_LOGdir=logs\r\n' >morvex.ini
cp morvex.ini before.ini
echo "G0 X0" >job.nc
env -u DISPLAY "$morvex" /X6 job.nc >out.txt 2>err.txt; rc=$?
check "an unattended run that cannot be done exits non-zero" test $rc -ne 0
check "the settings file is untouched" cmp -s morvex.ini before.ini
check "the batch log has the entry" grep -q "job.nc" logs/morvex.log

# The program loads no Qt of its own: the window and the pictures come from
# the desktop module next to it, and without it they are refused with the
# module's name while the command-line jobs still run.
check "the program needs no Qt library" bash -c '! ldd "$1" | grep -q libQt' _ "$morvex"
mkdir alone
cp "$morvex" alone/
printf 'G0 X0 Y0 Z50\nG1 Z-1 F100\nX20\nM30\n' >cut.nc
printf 'DECIMAL POINT = NORMAL\n' >plain.ctl
printf 'MAGAZINE01 FLAT 6.0,20.0\n' >plain.ttl
alone/morvex -C plain.ctl -T plain.ttl --check cut.nc >out.txt 2>err.txt; rc=$?
check "the check runs without the module" test $rc -eq 0
check "the check prints its totals" grep -q '"lines":4' out.txt
env -u DISPLAY QT_QPA_PLATFORM=offscreen alone/morvex cut.nc >out.txt 2>err.txt; rc=$?
check "the window without the module exits 2" test $rc -eq 2
check "the message names the module" grep -q "alone/morvex_desktop.so" err.txt
env -u DISPLAY alone/morvex -C plain.ctl -T plain.ttl -X6 cut.nc -O cut.dmf --image cut.png >out.txt 2>err.txt; rc=$?
check "a picture without the module exits 2" test $rc -eq 2
check "the cut is still saved" test -s cut.dmf
check "no picture is left" test ! -e cut.png
check "the picture's failure names the module" grep -q "alone/morvex_desktop.so" err.txt

echo "$((18 + 11 + 9 - fails)) passed, $fails failed"
test $fails -eq 0
