"""Are the feeds in a text cut data file the OPT-F table's for its loads?

    opt_feeds.py CUTDATA.TXT [LEAST]

The tables are those of tool 1 in samples/atc.ttl. Every feed line's
load class and load, "(A12.3F800)", must give the feed written after
them; at least LEAST lines (default 1) are checked. Exit status 1, with
the count of wrong lines, when not.
"""
import re, sys
tables = {"A": (400, [(35.0, 800), (20.0, 1200), (8.0, 1600)]), "V": (150, [(20.0, 300)])}
def feed(cls, load):
    first, pairs = tables.get(cls, tables["A"])
    feeds = [first] + [f for _, f in pairs]
    for i, (t, _) in enumerate(pairs):
        if t < load: return feeds[i]
    return feeds[len(pairs)]
least = int(sys.argv[2]) if len(sys.argv) > 2 else 1
bad = checked = 0
for line in open(sys.argv[1]):
    m = re.search(r"\(([AVUD])(-?[0-9.]+)F(-?\d+)\)$", line.strip())
    if not m or "G00" in line: continue
    checked += 1
    if int(m.group(3)) != feed(m.group(1), float(m.group(2))): bad += 1
if bad or checked < least: print("bad", bad, "of", checked); sys.exit(1)
