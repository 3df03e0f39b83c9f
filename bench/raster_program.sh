# Sourced by the raster benchmarks: writes raster.nc (a raster finish of
# z = 15 + 2 sin(x/10) cos(y/10) over 100 x 100 mm, rows 0.3 apart, points
# every 0.5 along X: 67,806 lines) and bench.ctl into the current folder.
write_raster_program() {
    printf 'DECIMAL POINT = NORMAL\nG00MODE = LINE\n' >bench.ctl
    awk 'BEGIN {
        print "%"; print "G90 G17 G00 X0 Y0 Z30"
        for (y = 0; y <= 100.0001; y += 0.3) {
            printf "G00 X0 Y%.3f\n", y
            printf "G01 Z%.4f F2000\n", 15 + 2 * sin(0) * cos(y * 0.1)
            for (x = 0.5; x <= 100.0001; x += 0.5) printf "X%.3f Z%.4f\n", x, 15 + 2 * sin(x * 0.1) * cos(y * 0.1)
            print "G00 Z30"
        }
        print "M30"; print "%"
    }' >raster.nc
}

# write_raster_settings FILE THREADS: the settings of a raster run (tool
# table bench.ttl, a 100 x 100 x 20 block at 0.1 mm pitch, threadnc THREADS);
# more sections may be appended to FILE.
write_raster_settings() {
    cat >"$1" <<INI
[Table]
TOOL_TABLE=bench.ttl
CONTROLLER_TABLE=bench.ctl
[DMFdata]
INITIAL SIZE=(0,0,0,100,100,20)
DATA_LEVEL=1
[Define]
PITCH(WORK)=0.1
PITCH(MOVE)=0.1
NEW CONTROL POINT=SPECIFY
SPECIFIED POINT=(0,0,40)
threadnc=$2
INI
}
