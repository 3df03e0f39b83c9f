#!/usr/bin/env bash
# Several real instances through named shared memory: two and three
# unattended runs in lock-step finish together (none ends before the last
# has come), a stop written into the group control byte stops them all, a
# missing partner ends the run after SYNC TIMEOUT with a message, an
# instance killed by Ctrl+C leaves the group so its partner goes on, an
# object left by a killed run does not block the next start, the last one
# out removes the object, an outside reader follows the position record
# while a run goes on, and the shared work is seen from another process.
# Every wait is bounded.
set -u
morvex=$1
source_dir=$2
fails=0
work=$(mktemp -d)
tag="morvex_e2e_$$"
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill -9 "$p" 2>/dev/null; done
    rm -f /dev/shm/${tag}_* 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
cd "$work" || exit 1
cp -r "$source_dir/samples/." .
cp "$source_dir/src/resources/morvex.mes" .  # English messages
ok() { echo "ok: $1"; }
fail() { echo "FAIL: $1"; fails=$((fails + 1)); }

# sync_ini FILE MODE NAME TOTAL NO TIMEOUT
sync_ini() {
    sed -e "s/^SYNC MODE=.*/SYNC MODE=$2/" -e "s/^SHARE NAME=MORVEXSYNC.*/SHARE NAME=$3/" \
        -e "s/^SYNC TOTAL=.*/SYNC TOTAL=$4/" -e "s/^SYNC NO=.*/SYNC NO=$5\nSYNC TIMEOUT=$6/" morvex.ini >"$1"
}

# start ID INI PROGRAM [OPTION]: runs in the background, leaving rc.ID and
# end.ID (ns).
start() {
    ("$morvex" -I "$2" -X6 "$3" -D ${4:+"$4"} -O "out$1.dmf" 2>"err$1.txt"; echo $? >"rc$1"; date +%s%N >"end$1") &
    pids+=($!)
}

# finished ID...: waits up to 120 s for every ID's status file.
finished() {
    local i
    for _ in $(seq 1200); do
        local all=1
        for i in "$@"; do [ -f "rc$i" ] || all=0; done
        [ $all -eq 1 ] && return 0
        sleep 0.1
    done
    return 1
}

rc_of() { cat "rc$1" 2>/dev/null || echo none; }

# Byte I of a shared object, or "none".
byte_at() {
    python3 -c "import sys; d=open('/dev/shm/'+sys.argv[1],'rb').read(); print(d[int(sys.argv[2])])" "$1" "$2" \
        2>/dev/null || echo none
}

# wait_byte NAME I VALUE: waits up to 60 s until byte I of the object is VALUE.
wait_byte() {
    for _ in $(seq 600); do
        [ "$(byte_at "$1" "$2")" = "$3" ] && return 0
        sleep 0.1
    done
    return 1
}

# The spread of the end times of the IDs, in ms.
spread_ms() {
    local lo= hi= t i
    for i in "$@"; do
        t=$(cat "end$i")
        if [ -z "$lo" ] || [ "$t" -lt "$lo" ]; then lo=$t; fi
        if [ -z "$hi" ] || [ "$t" -gt "$hi" ]; then hi=$t; fi
    done
    echo $(((hi - lo) / 1000000))
}

# Lock-step with two and three instances: the first waits at its first step
# for the others (it cannot end alone), then all end together.
for n in 2 3; do
    name="${tag}_group$n"
    rm -f rc* end*
    for i in $(seq "$n"); do sync_ini "s$i.ini" SYNC "$name" "$n" "$i" 60; done
    start 1 s1.ini pocket.nc
    wait_byte "$name" 0 2
    sleep 1.5
    state=$(byte_at "$name" 0)
    if [ ! -f rc1 ] && [ "$state" = "2" ]; then ok "$n: the first instance waits for its partners"
    else fail "$n: first instance rc=$(rc_of 1) state=$state"; cat err1.txt; fi
    # Waiting backs off to short sleeps: far less than a core.
    waiter=$(pgrep -P "${pids[-1]}" | head -1)
    ticks=$(awk '{print $14 + $15}' "/proc/$waiter/stat" 2>/dev/null || echo none)
    if [ "$ticks" != "none" ] && [ "$ticks" -lt 50 ]; then ok "$n: the waiting instance used $ticks ticks of CPU in 1.5 s"
    else fail "$n: waiting instance CPU ticks $ticks"; fi
    for i in $(seq 2 "$n"); do start "$i" "s$i.ini" pocket.nc; done
    if finished $(seq "$n"); then
        all0=1
        for i in $(seq "$n"); do [ "$(rc_of "$i")" = "0" ] || all0=0; done
        spread=$(spread_ms $(seq "$n"))
        if [ $all0 -eq 1 ] && [ "$spread" -lt 1500 ]; then ok "$n instances finish together (${spread} ms apart)"
        else fail "$n instances: statuses $(for i in $(seq "$n"); do rc_of "$i"; done | tr '\n' ' ') spread ${spread} ms"
            cat err*.txt; fi
        if cmp -s out1.dmf "out$n.dmf"; then ok "$n: the works cut in lock-step are the same"
        else fail "$n: works differ"; fi
    else
        fail "$n instances did not finish in time"
    fi
    [ -e "/dev/shm/$name" ] && fail "$n: the object was left behind" || ok "$n: the last one out removed the object"
done

# Group stop: an outside write of 2 into the control byte (the byte after
# the members' own) stops all three.
# (The group counts four, so the three wait for the fourth at their first
# step and none can end before the stop.)
name="${tag}_stop"
rm -f rc* end*
for i in 1 2 3; do sync_ini "s$i.ini" SYNC "$name" 4 "$i" 60; done
for i in 1 2 3; do start "$i" "s$i.ini" finish3d.nc "-P(0.04,0.04)"; done
wait_byte "$name" 0 2 && wait_byte "$name" 1 2 && wait_byte "$name" 2 2
if [ -e "/dev/shm/$name" ] && [ ! -f rc1 ]; then
    python3 -c "import sys; f=open('/dev/shm/'+sys.argv[1],'r+b'); f.seek(4); f.write(bytes([2]))" "$name"
    if finished 1 2 3; then
        statuses="$(rc_of 1)$(rc_of 2)$(rc_of 3)"
        if [ "$statuses" = "111" ] && grep -q "synchronised group was stopped" err1.txt err2.txt err3.txt; then
            ok "group stop ends all three (status 1, message)"
        else fail "group stop: statuses $statuses"; cat err*.txt; fi
    else
        fail "group stop did not stop them"
    fi
else
    fail "group stop: the runs ended before the stop ($(rc_of 1))"
fi

# A partner that never comes: the run gives up after SYNC TIMEOUT.
name="${tag}_timeout"
rm -f rc* end*
sync_ini t1.ini SYNC "$name" 2 1 2
t0=$(date +%s%N)
start 1 t1.ini pocket.nc
if finished 1; then
    took=$((($(date +%s%N) - t0) / 1000000))
    if [ "$(rc_of 1)" = "1" ] && grep -q "did not arrive within 2 seconds" err1.txt && [ $took -ge 2000 ] && [ $took -lt 20000 ]; then
        ok "missing partner: given up after ${took} ms with a message"
    else fail "timeout: rc=$(rc_of 1) after ${took} ms"; cat err1.txt; fi
else
    fail "timeout: still waiting"
fi
[ -e "/dev/shm/$name" ] && fail "timeout: object left behind" || ok "timeout: object removed"

# Ctrl+C on one instance: it leaves (9), the others go on without it and
# end. (A group of three: the first two wait for the third at their first
# step, the second is interrupted there, then the third comes.)
name="${tag}_int"
rm -f rc* end*
sync_ini c1.ini SYNC "$name" 3 1 60
sync_ini c2.ini SYNC "$name" 3 2 60
sync_ini c3.ini SYNC "$name" 3 3 60
start 1 c1.ini finish3d.nc "-P(0.04,0.04)"
# (background jobs of a script ignore SIGINT: the default is put back as a
# terminal would have it)
python3 -c 'import os, signal, sys; signal.signal(signal.SIGINT, signal.SIG_DFL); os.execv(sys.argv[1], sys.argv[1:])' \
    "$morvex" -I c2.ini -X6 finish3d.nc -D "-P(0.04,0.04)" -O out2.dmf 2>err2.txt &
second=$!
pids+=($second)
wait_byte "$name" 0 2 && wait_byte "$name" 1 2
kill -INT "$second"
wait "$second"; rc2=$?
left=$(byte_at "$name" 1)
start 3 c3.ini finish3d.nc "-P(0.04,0.04)"
if finished 1 3 && [ "$(rc_of 1)$(rc_of 3)" = "00" ] && [ "$rc2" -ne 0 ] && [ "$left" = "9" ]; then
    ok "an interrupted partner leaves; the other ends alone (rc2=$rc2)"
else fail "interrupt: rc1=$(rc_of 1) rc2=$rc2 rc3=$(rc_of 3) byte=$left"; cat err1.txt err3.txt; fi

# A run killed outright leaves its object behind; the next group starts anyway.
name="${tag}_stale"
rm -f rc* end*
sync_ini k1.ini SYNC "$name" 2 1 60
sync_ini k2.ini SYNC "$name" 2 2 60
"$morvex" -I k1.ini -X6 pocket.nc -D -O out1.dmf 2>err1.txt &
victim=$!
pids+=($victim)
wait_byte "$name" 0 2
{ kill -9 "$victim" && wait "$victim"; } 2>/dev/null
python3 -c "import sys; f=open('/dev/shm/'+sys.argv[1],'r+b'); f.write(bytes([2,1,0,2]))" "$name" 2>/dev/null
if [ -e "/dev/shm/$name" ]; then ok "a killed run leaves its object"; else fail "stale: no object left"; fi
start 1 k1.ini pocket.nc
start 2 k2.ini pocket.nc
if finished 1 2 && [ "$(rc_of 1)$(rc_of 2)" = "00" ]; then ok "the stale object does not block the next group"
else fail "stale: statuses $(rc_of 1) $(rc_of 2)"; cat err1.txt err2.txt; fi

# The position record read from outside while the run goes on.
name="${tag}_pos"
rm -f rc* end*
sync_ini p1.ini MAPFILE "$name" 1 1 60
# (a fine pitch makes the run last a few seconds)
start 1 p1.ini finish3d.nc "-P(0.02,0.02)"
python3 - "$name" >reader.txt <<'PY'
import mmap, struct, sys, time
path = "/dev/shm/" + sys.argv[1]
deadline = time.time() + 60
rec = None
while rec is None and time.time() < deadline:
    try:
        with open(path, "r+b") as f:
            rec = mmap.mmap(f.fileno(), 120)
    except (FileNotFoundError, ValueError):
        time.sleep(0.01)
if rec is None:
    print("no record")
    sys.exit(0)
lines, states = [], set()
while time.time() < deadline:
    state, line, x, y, z = struct.unpack_from("<2i3d", rec, 0)
    states.add(state)
    if state == 1:
        lines.append((line, x, y, z))
    if state == 2:
        break
    time.sleep(0.005)
distinct = sorted(set(l for l, *_ in lines))
print("states", sorted(states), "samples", len(lines), "lines", len(distinct),
      "first", distinct[:1], "last", distinct[-1:], "inside", all(-200 < v < 200 for _, *p in lines for v in p))
PY
if finished 1 && [ "$(rc_of 1)" = "0" ] && grep -q "states \[.*1, 2\]" reader.txt && grep -q "inside True" reader.txt; then
    lines=$(sed -n 's/.* lines \([0-9]*\) .*/\1/p' reader.txt)
    if [ "${lines:-0}" -ge 3 ]; then ok "outside reader followed the run: $(cat reader.txt)"
    else fail "reader saw too few lines: $(cat reader.txt)"; fi
else
    fail "position record: rc=$(rc_of 1) $(cat reader.txt)"; cat err1.txt
fi

# The shared work: another process maps the heights while the run cuts and
# finds in them, at the end, the work written to the DMF file.
name="${tag}_work"
rm -f rc* end*
sed -e "s/^SHARE MODE=.*/SHARE MODE=YES/" -e "s/^SHARE NAME=MORVEXDMF.*/SHARE NAME=$name/" morvex.ini >w.ini
start 1 w.ini finish3d.nc "-P(0.02,0.02)"
python3 - "$name" >shared.txt <<'PY' &
import mmap, os, sys, time
path = "/dev/shm/" + sys.argv[1] + "_TOP"
deadline = time.time() + 60
fd = None
while time.time() < deadline:
    try:
        fd = os.open(path, os.O_RDONLY)
        if os.fstat(fd).st_size > 0:
            break
        os.close(fd)
        fd = None
    except FileNotFoundError:
        pass
    time.sleep(0.01)
if fd is None:
    print("no shared work")
    sys.exit(0)
# Seen while cutting: the heights go down (a sum over every 97th node).
seen = []
while time.time() < deadline and os.path.exists(path):
    rec = mmap.mmap(fd, os.fstat(fd).st_size, prot=mmap.PROT_READ)
    view = memoryview(rec).cast("f")
    seen.append(sum(view[::97]))
    view.release()
    rec.close()
    time.sleep(0.1)
with open("shared.bin", "wb") as out:
    out.write(os.pread(fd, os.fstat(fd).st_size, 0))
print("samples", len(seen), "lowered", len(set(seen)) > 1)
PY
reader=$!
finished 1
wait "$reader"
same=$(python3 - <<'PY' 2>/dev/null
import struct
d = open("out1.dmf", "rb").read()
nx, ny = struct.unpack_from("<2i", d, 112)
grid = d[156:156 + 4 * nx * ny]
print("yes" if open("shared.bin", "rb").read() == grid else "no %d %d" % (len(grid), len(open("shared.bin", "rb").read())))
PY
)
if [ "$(rc_of 1)" = "0" ] && [ "$same" = "yes" ] && grep -q "lowered True" shared.txt; then
    ok "the shared work seen from outside: $(cat shared.txt), the same as the DMF"
else fail "shared work: rc=$(rc_of 1) same=$same $(cat shared.txt)"; cat err1.txt; fi
[ -e "/dev/shm/${name}_TOP" ] && fail "shared work left behind" || ok "the shared work's objects removed"

[ $fails -eq 0 ] && echo "all sync checks passed" || echo "$fails sync check(s) failed"
exit $((fails > 0))
