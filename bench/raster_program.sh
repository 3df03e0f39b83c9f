# Sourced by the raster benchmarks (and the threaded end-to-end test):
# write_raster_program [SIZE [ROWS]] writes raster.nc, a raster finish of
# z = 15 + 2 sin(x/10) cos(y/10) over SIZE x SIZE mm (default 100), rows
# ROWS apart (default 0.3), points every 0.5 along X (67,806 lines at the
# defaults), and bench.ctl into the current folder.
write_raster_program() {
    printf 'DECIMAL POINT = NORMAL\nG00MODE = LINE\n' >bench.ctl
    awk -v size="${1:-100}" -v rows="${2:-0.3}" 'BEGIN {
        print "%"; print "G90 G17 G00 X0 Y0 Z30"
        for (y = 0; y <= size + 0.0001; y += rows) {
            printf "G00 X0 Y%.3f\n", y
            printf "G01 Z%.4f F2000\n", 15 + 2 * sin(0) * cos(y * 0.1)
            for (x = 0.5; x <= size + 0.0001; x += 0.5) printf "X%.3f Z%.4f\n", x, 15 + 2 * sin(x * 0.1) * cos(y * 0.1)
            print "G00 Z30"
        }
        print "M30"; print "%"
    }' >raster.nc
}

# write_raster_settings FILE THREADS [SIZE]: the settings of a raster run
# (tool table bench.ttl, a SIZE x SIZE x 20 block, default 100, at 0.1 mm
# pitch, threadnc THREADS); more sections may be appended to FILE.
write_raster_settings() {
    cat >"$1" <<INI
[Table]
TOOL_TABLE=bench.ttl
CONTROLLER_TABLE=bench.ctl
[DMFdata]
INITIAL SIZE=(0,0,0,${3:-100},${3:-100},20)
DATA_LEVEL=1
[Define]
PITCH(WORK)=0.1
PITCH(MOVE)=0.1
NEW CONTROL POINT=SPECIFY
SPECIFIED POINT=(0,0,40)
threadnc=$2
INI
}
