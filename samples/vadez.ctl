; VADEZ - three-axis vertical mill controller, metric (mm).
; Programs carry decimal points (X10. = 10 mm); a word without a point
; counts in units of 0.001 mm. Lines that begin with ';' are notes.
NAME(MAX20) = VADEZ 3-AXIS MILL
; Block text replacements: the home return before a tool change becomes
; a straight rapid up to Z100. so that it can be followed on the screen.
REPLACE "G91 G28 Z0." "G90 G00 Z100."
NAME COLOR = 255,255,255,0,64,160
UNIT(SCALE) = 1/1000
UNIT(DEG) = 1/1000
UNIT = 1/1000
DECIMAL POINT = YES
PRODUCT = STANDARD
PRE READ = 0
ONLY G40 = OFFSET
INITIAL PLANE = G17
RETURN LEVEL = G98
CHECK F0 = YES
R-TOLERANCE = 0.01
CODE CHECK = YES
CHECK CHAR = "ABCDEFGHIJKLMNOPQRSTUVWXYZ.-+ %/#"
CHECK RADIUS OFFSET = LIST
CHECK REVERSE ARC = YES
CHECK OVER OFFSET = YES
SMOOTH ANGLE = 2.0
FEEDRATE = DIRECT
G10MODE = FANUC-C
G92MODE = NORMAL
G49MODE = NORMAL
G00MODE = ASYNC1
; Block skip switch: blocks beginning /1 are skipped.
OPTIONAL BLOCK SKIP = 1
STOP CHARACTER = M06 M01
STOP OPTION = NORMAL
; M150 waits for the pallet changer (wait file "waitfile").
WAIT M-CODE = 150
CYCLE(D) = 1.0
G73_D = 0.5
G83_D = 1.0
; Extra rapid approach below the R level, per cycle code (0 = none).
G81 CLEARANCE = 0.0
G83 CLEARANCE = 0.0
SCALE EFFECT(X) = ON
SCALE EFFECT(Y) = ON
SCALE EFFECT(Z) = ON
SCALE(X) = 1.0
SCALE(Y) = 1.0
SCALE(Z) = 1.0
ROTATION ANGLE = 0.0
CHAR(X) = X
CHAR(Y) = Y
CHAR(Z) = Z
X-CODE = X
Y-CODE = Y
Z-CODE = Z
; Radius offsets (offset, wear). D12 leaves 0.3 mm for finishing.
MEMORY D01= 5.000,0.000
MEMORY D02= 6.000,0.000
MEMORY D03= 4.000,0.000
MEMORY D12= 6.300,0.000
; Length offsets (offset, wear). The programs are written to the tool
; tip and the tool table holds the lengths, so the H registers stay 0.
MEMORY H01= 0.000,0.000
MEMORY H02= 0.000,0.000
MEMORY H03= 0.000,0.000
MEMORY H04= 0.000,0.000
MEMORY H05= 0.000,0.000
MEMORY H06= 0.000,0.000
MEMORY H07= 0.000,0.000
; Work coordinates: G54 is the lower left corner of the stock top,
; G55 a second vise 150 mm further along X.
MEMORY G54= (0.000,0.000,0.000)
MEMORY G55= (150.000,0.000,0.000)
EOR = %
; Numbered feeds, used when FEEDRATE is INDIRECT, AUTO1 or AUTO2.
F1 = 150.0
F2 = 300.0
F3 = 600.0
F4 = 1200.0
F5 = 2400.0
