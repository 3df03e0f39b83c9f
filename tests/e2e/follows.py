"""Does an optimised NC follow its input's path?

    follows.py IN.jsonl OUT.jsonl [feeds]

Both files are --motions listings. Without a third argument (air kept):
every end point of the input appears in the output in order, and every
end point of the output lies on one of the input's motions. With it
(escapes written): every feed move of the output, but the feed down
straight after an escape's rapid, lies on the input's path, arcs about
the input's centres. Exit status 1, with what was found, when not.
"""
import json, math, sys
load = lambda p: [json.loads(l) for l in open(p)]
inp, out = load(sys.argv[1]), load(sys.argv[2])
tol = 2e-3
def near(a, b): return max(abs(x - y) for x, y in zip(a, b)) <= tol
def on_motion(p, m):
    a, b = m["tool_start"], m["tool_end"]
    if m["type"].startswith("arc"):
        c, r, pl = m["tool_centre"], m["radius"], m["plane"]
        i, j, k = {17: (0, 1, 2), 18: (2, 0, 1), 19: (1, 2, 0)}[abs(pl)]
        radial = math.hypot(p[i] - c[i], p[j] - c[j])
        lo, hi = min(a[k], b[k]) - tol, max(a[k], b[k]) + tol
        return abs(radial - r) <= tol and lo <= p[k] <= hi
    d = [y - x for x, y in zip(a, b)]
    l2 = sum(v * v for v in d)
    t = 0 if l2 == 0 else max(0, min(1, sum((p[i] - a[i]) * d[i] for i in range(3)) / l2))
    return math.dist(p, [a[i] + t * d[i] for i in range(3)]) <= tol
# The input's motions by the cells of a coarse XY grid their boxes meet
# (an arc's whole circle), so that a point is tried against those near it.
cell = 5.0
grid = {}
for m in inp:
    a, b = m["tool_start"], m["tool_end"]
    xs, ys = [a[0], b[0]], [a[1], b[1]]
    if m["type"].startswith("arc"):
        c, r = m["tool_centre"], m["radius"]
        xs += [c[0] - r, c[0] + r]
        ys += [c[1] - r, c[1] + r]
    for gx in range(math.floor((min(xs) - tol) / cell), math.floor((max(xs) + tol) / cell) + 1):
        for gy in range(math.floor((min(ys) - tol) / cell), math.floor((max(ys) + tol) / cell) + 1):
            grid.setdefault((gx, gy), []).append(m)
def on_path(p):
    return any(on_motion(p, m) for m in grid.get((math.floor(p[0] / cell), math.floor(p[1] / cell)), ()))
if len(sys.argv) > 3:
    # Escapes written: the feed moves alone lie on the input's path (lines
    # all along), arcs about the input's centres.
    # (The feed down after an escape comes straight down over its end.)
    off, centres = [], []
    for k, m in enumerate(out):
        a, b = m["tool_start"], m["tool_end"]
        if m["type"] == "rapid" or (k > 0 and out[k - 1]["type"] == "rapid" and a[:2] == b[:2]): continue
        arc = m["type"].startswith("arc")
        points = [b] if arc else [[a[i] + t / 8 * (b[i] - a[i]) for i in range(3)] for t in range(9)]
        off += [p for p in points if not on_path(p)]
        if arc:
            x, y = {17: (0, 1), 18: (2, 0), 19: (1, 2)}[abs(m["plane"])]
            c = m["tool_centre"]
            if not any(i["type"].startswith("arc") and max(abs(c[x] - i["tool_centre"][x]), abs(c[y] - i["tool_centre"][y])) <= tol for i in inp):
                centres.append(c)
    if off or centres: print("off the path", off[:5], "centres", centres[:3]); sys.exit(1)
    sys.exit(0)
ends = [m["tool_end"] for m in out]
# Every end of the input (after the start the run and the listing share) in order.
k = 0
missing = 0
for m in inp:
    while k < len(ends) and not near(ends[k], m["tool_end"]): k += 1
    if k == len(ends): missing += 1; break
off = [e for e in ends if not on_path(e)]
if missing or off: print("missing", missing, "off the path", off[:5]); sys.exit(1)
