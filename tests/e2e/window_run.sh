#!/usr/bin/env bash
# The desktop program on the bundled samples under Xvfb, started as the
# README's run command starts it: the window shows the work, F5 (a real key
# press through XTEST) cuts the pocket program, and the view then shows the
# cut work. Screenshots of the window before and after are written as PNG
# into the folder $3 (default: the current folder) for a look.
set -u
binary=$1
source_dir=$2
shots=${3:-$PWD}
mkdir -p "$shots"
fails=0
check() {
    local what=$1; shift
    if "$@"; then echo "ok: $what"; else echo "FAIL: $what"; fails=$((fails + 1)); return 1; fi
}
here=$(cd "$(dirname "$0")" && pwd)
. "$here/xvfb.sh"
for tool in xdotool xwd python3; do
    command -v $tool >/dev/null || { echo "$tool is missing: install xvfb xdotool x11-apps python3"; exit 1; }
done
work=$(mktemp -d)
app=
trap '[ -n "$app" ] && kill $app 2>/dev/null; xvfb_stop; rm -rf "$work"' EXIT
trap 'exit 1' INT TERM HUP
export XDG_RUNTIME_DIR=$work/runtime
mkdir -m 700 "$XDG_RUNTIME_DIR"
xvfb_start "$work" || { echo "FAIL: Xvfb did not start"; exit 1; }
unset QT_QPA_PLATFORM
export LC_ALL=C.UTF-8

mkdir "$work/run"
cp -r "$source_dir/samples/." "$work/run/"
start_app() {
    (cd "$work/run" && exec "$binary" --close-after 60000 pocket.nc 2>"$work/stderr.txt") &
    app=$!
    xvfb_wait_window $app "MORVEX2000 - pocket.nc" 60 && return 0
    kill $app 2>/dev/null
    wait $app 2>/dev/null
    app=
    cat "$work/stderr.txt"
    return 1
}
xvfb_twice start_app
window=$xvfb_window
check "the window opens with pocket.nc in its title" test -n "$window" || exit 1

# The picture inside the window, grabbed as XWD.
grab() {  # name
    xwd -silent -id "$window" -out "$work/$1.xwd"
}
# A grabbed picture's number of colours; with a second argument it is also
# written there as PNG.
colours() {  # name [png]
    python3 - "$work/$1.xwd" "${2:-}" <<'PY'
import struct, sys, zlib
data = open(sys.argv[1], "rb").read()
(header_size, _, _, depth, width, height, _, byte_order, _, _, _, bpp, bpl, _, _, _, _, _, _,
 ncolors) = struct.unpack(">20I", data[:80])
step = bpp // 8
order = "little" if byte_order == 0 else "big"
pixels = data[header_size + ncolors * 12:]
rows, colours = [], set()
for y in range(height):
    line = pixels[y * bpl:y * bpl + width * step]
    values = [int.from_bytes(line[o:o + step], order) & 0xFFFFFF for o in range(0, len(line), step)]
    colours.update(values)
    if sys.argv[2]:
        rows.append(b"\0" + b"".join(v.to_bytes(3, "big") for v in values))
if sys.argv[2]:
    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))
    png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(b"".join(rows))) + chunk(b"IEND", b"")
    open(sys.argv[2], "wb").write(png)
print(len(colours))
PY
}
# Grabs every 0.5 s until the picture stands still (two grabs alike) and is
# more than a background; the last grab is $1. Status 1 after $2 seconds.
settled() {  # name, seconds
    local deadline=$((SECONDS + $2))
    grab "$1" || return 1
    while [ $SECONDS -lt $deadline ]; do
        sleep 0.5
        mv "$work/$1.xwd" "$work/previous.xwd"
        grab "$1" || return 1
        cmp -s "$work/previous.xwd" "$work/$1.xwd" && [ "$(colours "$1")" -gt 20 ] && return 0
    done
    return 1
}

# The first paint: the work is drawn when the picture stands still.
settled window-before 60
before=$(colours window-before "$shots/window-before.png")
check "the window shows the shaded work ($before colours)" test "${before:-0}" -gt 20
timeout 10 xdotool windowfocus --sync "$window" 2>/dev/null ||
    timeout 10 xdotool windowactivate --sync "$window"
xdotool key F5
changed=0
deadline=$((SECONDS + 60))
while [ $SECONDS -lt $deadline ]; do
    sleep 0.2
    grab window-after
    if ! cmp -s "$work/window-before.xwd" "$work/window-after.xwd"; then changed=1; break; fi
done
check "F5 cuts the pocket and the view changes" test $changed -eq 1
# Until the picture stands still: the run has ended and the result is drawn.
settled window-after 60
after=$(colours window-after "$shots/window-after.png")
check "the picture after the run is not blank ($after colours)" test "${after:-0}" -gt 20
kill $app 2>/dev/null
wait $app 2>/dev/null
echo "screenshots: $shots/window-before.png $shots/window-after.png"
echo "$((4 - fails)) passed, $fails failed"
test $fails -eq 0
