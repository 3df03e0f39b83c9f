#!/usr/bin/env bash
# Plug-in modules as a module writer makes them: a sync module written here
# from the installed header alone, compiled with cc, placed next to a copy
# of the program, is loaded and called as the header promises (INIT, the
# mapping name, the offsets at the run's start, every step, the end, FREE),
# and the G54 it supplies cuts the work exactly as the same G54 in the
# controller file does. Bad answers (a mapping name with '/', seven offsets)
# are refused with a note and the run goes on with the settings' values.
# The example modules built with the project load the same way.
set -u
morvex=$(realpath "$1")
source_dir=$(realpath "$2")
modules=$(realpath "$3")   # where the project's example modules were built
include=$(realpath "$4")   # the header copied next to the program
fails=0
pass() { echo "ok: $1"; }
fail() { echo "FAIL: $1"; fails=$((fails + 1)); }
work=$(mktemp -d)
trap 'rm -rf "$work"; rm -f /dev/shm/morvex_e2e_mod_$$' EXIT
cc=${CC:-cc}
command -v "$cc" >/dev/null || { echo "no C compiler"; exit 77; }

mkdir "$work/bin" "$work/run" "$work/ref"
cp "$morvex" "$work/bin/morvex"
cp -r "$source_dir/samples/." "$work/run/"
cp -r "$source_dir/samples/." "$work/ref/"

cat >"$work/mvsync.c" <<'C'
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>
#include "morvex/plugin.h"

static FILE* out;
static int steps;

static const char* Env(const char* name, const char* otherwise) {
    const char* v = getenv(name);
    return v != NULL ? v : otherwise;
}
void MVSYNCINIT(int32_t* flag) {
    out = fopen(Env("SYNC_LOG", "/dev/null"), "a");
    fprintf(out, "INIT\n");
    *flag = 1;
}
void MVSYNCGETNAME(const char* program, char name[MV_TEXT_SIZE], int32_t* flag) {
    fprintf(out, "GETNAME %s\n", program);
    strncpy(name, Env("SYNC_NAME", ""), MV_TEXT_SIZE - 1);
    *flag = 1;
}
void MVSYNCGET(int32_t* state, int32_t* line, double point[3], double offsets[MV_SYNC_OFFSETS * 3],
               int32_t* count, int32_t* flag) {
    (void)state, (void)line, (void)point;
    fprintf(out, "GET in %d %.3f %.3f %.3f\n", (int)*count, offsets[0], offsets[1], offsets[3]);
    offsets[0] = 5.0, offsets[1] = 3.0, offsets[2] = 0.5;
    *count = atoi(Env("SYNC_COUNT", "1"));
    *flag = 1;
}
void MVSYNCPUT(const int32_t* state, const int32_t* line, const double point[3],
               const double offsets[MV_SYNC_OFFSETS * 3], const int32_t* count, int32_t* flag) {
    (void)point, (void)flag;
    if (*state == 1 && ++steps > 1) return;  /* the first step and the end */
    char shm[80];
    snprintf(shm, sizeof shm, "/dev/shm/%s", Env("SYNC_NAME", ""));
    fprintf(out, "PUT %d line %d G54 %.3f count %d shm %s\n", (int)*state, (int)*line, offsets[0], (int)*count,
            access(shm, F_OK) == 0 ? "yes" : "no");
}
void MVSYNCFREE(void) {
    fprintf(out, "FREE steps %d\n", steps);
    fclose(out);
}
C
if "$cc" -shared -fPIC -Wall -Wextra -Werror -I"$include" "$work/mvsync.c" -o "$work/bin/mvsync.so" 2>"$work/cc.txt"; then
    pass "a sync module compiles against the installed header alone"
else
    fail "the sync module does not compile: $(cat "$work/cc.txt")"
    exit 1
fi

# The reference: the same G54 in the controller file, no module.
sed -i 's/^MEMORY G54=.*/MEMORY G54= (5.000,3.000,0.500)/' "$work/ref/vadez.ctl"
(cd "$work/ref" && "$morvex" /X6 pocket.nc /O g54.dmf 2>/dev/null) || fail "reference run"
(cd "$work/ref" && rm -f vadez.ctl && cp "$source_dir/samples/vadez.ctl" . && "$morvex" /X6 pocket.nc /O plain.dmf 2>/dev/null) ||
    fail "plain run"

cd "$work/run" || exit 1
name=morvex_e2e_mod_$$
sed -i 's/^SYNC MODE=.*/SYNC MODE=MAPFILE/' morvex.ini
cp vadez.ctl ctl.before
SYNC_LOG=$work/sync.log SYNC_NAME=$name "$work/bin/morvex" /X6 pocket.nc /O mod.dmf 2>"$work/stderr.txt"
rc=$?
[ $rc -eq 0 ] && pass "the run with the module ends well" || fail "the run with the module: status $rc $(cat "$work/stderr.txt")"
log=$(cat "$work/sync.log" 2>/dev/null)
expected="INIT
GETNAME $work/bin/morvex
GET in 6 0.000 0.000 150.000"
[ "$(printf '%s\n' "$log" | head -3)" = "$expected" ] && pass "INIT, the mapping name for the program's own file, then GET with the controller's six offsets" ||
    fail "the calls before the run: $log"
printf '%s\n' "$log" | sed -n 4p | grep -qx "PUT 1 line [0-9]* G54 5.000 count 6 shm yes" &&
    pass "every step is told, with the module's G54 in use, under the mapping name the module chose" ||
    fail "the first step: $(printf '%s\n' "$log" | sed -n 4p)"
printf '%s\n' "$log" | sed -n 5p | grep -qx "PUT 2 line [0-9]* G54 5.000 count 6 shm yes" && pass "the end is told once, state 2" ||
    fail "the end: $(printf '%s\n' "$log" | sed -n 5p)"
steps=$(printf '%s\n' "$log" | sed -n 6p | sed -n 's/^FREE steps \([0-9]*\)$/\1/p')
[ -n "$steps" ] && [ "$steps" -gt 5 ] && [ "$(printf '%s\n' "$log" | wc -l)" -eq 6 ] &&
    pass "FREE last, after $steps steps" || fail "FREE: $log"
cmp -s mod.dmf "$work/ref/g54.dmf" && pass "the module's G54 cuts as the controller file's G54 does" ||
    fail "the module's G54 cut differs from the controller's"
cmp -s mod.dmf "$work/ref/plain.dmf" && fail "the module's G54 changed nothing"
cmp -s vadez.ctl ctl.before && pass "the controller file is left as it was" || fail "the controller file changed"

# Refused answers: a name with '/' and seven offsets; the settings' values are used.
rm -f "$work/sync.log"
SYNC_LOG=$work/sync.log SYNC_NAME=a/b SYNC_COUNT=7 "$work/bin/morvex" /X6 pocket.nc /O bad.dmf 2>"$work/stderr.txt"
rc=$?
[ $rc -eq 0 ] && cmp -s bad.dmf "$work/ref/plain.dmf" && pass "refused offsets leave the controller's" ||
    fail "refused answers: status $rc"
grep -q "mapping name \"a/b\"" "$work/stderr.txt" && grep -q "7 work offsets" "$work/stderr.txt" &&
    pass "both are noted" || fail "notes: $(cat "$work/stderr.txt")"

# The example sync module, under its module name, supplies G54 from the environment.
rm -f "$work/bin/mvsync.so" "$work/sync.log"
cp "$modules/offset_sync.so" "$work/bin/mvsync.so"
MORVEX_SYNC_G54="5 3 0.5" MORVEX_SYNC_LOG=$work/sync.log "$work/bin/morvex" /X6 pocket.nc /O example.dmf 2>/dev/null
cmp -s example.dmf "$work/ref/g54.dmf" && pass "offset_sync supplies G54" || fail "offset_sync's G54"
[ "$(head -2 "$work/sync.log" | tr '\n' ' ')" = "GETNAME $work/bin/morvex GET 1 " ] && tail -1 "$work/sync.log" | grep -q "^PUT 2 " &&
    pass "offset_sync logs its calls" || fail "offset_sync's log: $(head -3 "$work/sync.log")"

[ $fails -eq 0 ] && echo "all passed"
exit $((fails > 0))
