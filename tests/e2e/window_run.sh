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
for tool in Xvfb xdotool xwd python3; do
    command -v $tool >/dev/null || { echo "$tool is missing: install xvfb xdotool x11-apps python3"; exit 1; }
done
work=$(mktemp -d)
export XDG_RUNTIME_DIR=$work/runtime
mkdir -m 700 "$XDG_RUNTIME_DIR"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb=$!
app=
trap 'kill $app $xvfb 2>/dev/null; rm -rf "$work"' EXIT
for _ in $(seq 300); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { echo "FAIL: Xvfb did not start"; exit 1; }
export DISPLAY=:$(head -n 1 "$work/display")
unset QT_QPA_PLATFORM
export LC_ALL=C.UTF-8

mkdir "$work/run"
cp -r "$source_dir/samples/." "$work/run/"
(cd "$work/run" && exec "$binary" --close-after 60000 pocket.nc 2>"$work/stderr.txt") &
app=$!
window=
for _ in $(seq 300); do
    window=$(xdotool search --name "MORVEX2000 - pocket.nc" 2>/dev/null | head -n 1)
    [ -n "$window" ] && break
    sleep 0.1
done
check "the window opens with pocket.nc in its title" test -n "$window" || { cat "$work/stderr.txt"; exit 1; }
sleep 1  # the first paint

# The picture inside the window: XWD to PNG, with its number of colours.
shot() {  # name
    xwd -silent -id "$window" -out "$work/$1.xwd" &&
    python3 - "$work/$1.xwd" "$shots/$1.png" <<'PY'
import struct, sys, zlib
data = open(sys.argv[1], "rb").read()
(header_size, _, _, depth, width, height, _, byte_order, _, _, _, bpp, bpl, _, _, _, _, _, _,
 ncolors) = struct.unpack(">20I", data[:80])
pixels = data[header_size + ncolors * 12:]
rows, colours = [], set()
for y in range(height):
    row = bytearray([0])
    for x in range(width):
        o = y * bpl + x * (bpp // 8)
        v = int.from_bytes(pixels[o:o + 4], "little" if byte_order == 0 else "big")
        colours.add(v)
        row += bytes(((v >> 16) & 255, (v >> 8) & 255, v & 255))
    rows.append(bytes(row))
def chunk(kind, body):
    return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))
png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
png += chunk(b"IDAT", zlib.compress(b"".join(rows))) + chunk(b"IEND", b"")
open(sys.argv[2], "wb").write(png)
print(len(colours))
PY
}
before=$(shot window-before)
check "the window shows the shaded work ($before colours)" test "${before:-0}" -gt 20
xdotool windowfocus --sync "$window" 2>/dev/null || xdotool windowactivate --sync "$window"
xdotool key F5
changed=0
for _ in $(seq 60); do
    sleep 0.5
    after=$(shot window-after)
    if ! cmp -s "$shots/window-before.png" "$shots/window-after.png"; then changed=1; break; fi
done
check "F5 cuts the pocket and the view changes ($after colours)" test $changed -eq 1
# Until the picture stands still: the run has ended and the result is drawn.
for _ in $(seq 60); do
    sleep 0.5
    cp "$shots/window-after.png" "$work/previous.png"
    after=$(shot window-after)
    cmp -s "$work/previous.png" "$shots/window-after.png" && break
done
check "the picture after the run is not blank" test "${after:-0}" -gt 20
kill $app 2>/dev/null
wait $app 2>/dev/null
echo "screenshots: $shots/window-before.png $shots/window-after.png"
echo "$((4 - fails)) passed, $fails failed"
test $fails -eq 0
