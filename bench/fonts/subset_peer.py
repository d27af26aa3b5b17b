"""The peer of font_bench: fontTools' subsetter on the same font, face and glyph ids, keeping glyph
numbers as the PDF export needs. Prints the best time of RUNS in milliseconds, interpreter start-up
and imports not counted.

Usage: subset_peer.py FONT FACE RUNS GLYPH...
"""
import io
import sys
import time

from fontTools import subset
from fontTools.ttLib import TTFont

path, face, runs = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
gids = [int(g) for g in sys.argv[4:]]
data = open(path, "rb").read()
best = None
size = 0
for _ in range(runs):
    start = time.perf_counter()
    font = TTFont(io.BytesIO(data), fontNumber=face)
    options = subset.Options()
    options.retain_gids = True
    options.notdef_outline = True
    options.hinting = True
    options.layout_features = []
    options.name_IDs = ["*"]
    options.glyph_names = False
    s = subset.Subsetter(options)
    s.populate(gids=gids)
    s.subset(font)
    out = io.BytesIO()
    font.save(out)
    elapsed = (time.perf_counter() - start) * 1000
    size = len(out.getvalue())
    best = elapsed if best is None else min(best, elapsed)
print("%.3f %d" % (best, size))
