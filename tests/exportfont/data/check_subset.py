"""Checks font subsets with fontTools, independently of the subsetter that wrote them.

Usage: check_subset.py MANIFEST.json, where the manifest lists jobs of
{"original": path, "face": n, "subset": path, "glyphs": [...]}. Prints one line per problem and
exits with 1 when there is any.
"""
import json
import struct
import sys

from fontTools.pens.recordingPen import DecomposingRecordingPen
from fontTools.ttLib import TTFont

DROPPED = ("EBLC", "EBDT", "hdmx", "VDMX", "DSIG")
REWRITTEN = ("head", "glyf", "loca", "post")


def checksum(data):
    data += b"\0" * (-len(data) % 4)
    return sum(struct.unpack(">%dL" % (len(data) // 4), data)) & 0xFFFFFFFF


def kept_glyphs(font, used):
    """The used glyphs, glyph 0 and the components of composites at any depth."""
    order = font.getGlyphOrder()
    glyf = font["glyf"]
    keep = set(used) | {0}
    stack = list(keep)
    while stack:
        glyph = glyf[order[stack.pop()]]
        if glyph.isComposite():
            for c in glyph.components:
                gid = font.getGlyphID(c.glyphName)
                if gid not in keep:
                    keep.add(gid)
                    stack.append(gid)
    return keep


def raw_glyph(font, gid):
    loca = font["loca"]
    return font.reader["glyf"][loca[gid]:loca[gid + 1]]


def outline(font, gid):
    glyph_set = font.getGlyphSet()
    pen = DecomposingRecordingPen(glyph_set)
    glyph_set[font.getGlyphOrder()[gid]].draw(pen)
    return pen.value


def check(job):
    problems = []
    name = "%s face %d" % (job["subset"], job["face"])
    data = open(job["subset"], "rb").read()
    if data[:4] != b"\0\1\0\0":
        return [name + ": not a single TrueType font"]
    # Every table's checksum is verified as it is read (checkChecksums=2 raises on a mismatch).
    sub = TTFont(job["subset"], checkChecksums=2)
    for tag in sub.reader.keys():
        sub[tag]
    orig = TTFont(job["original"], fontNumber=job["face"])

    if checksum(data) != 0xB1B0AFBA:
        problems.append("the whole-file checksum is %08x" % checksum(data))
    count = struct.unpack(">H", data[4:6])[0]
    search, selector, shift = struct.unpack(">HHH", data[6:12])
    power = 1 << (count.bit_length() - 1)
    if (search, selector, shift) != (power * 16, power.bit_length() - 1, count * 16 - power * 16):
        problems.append("search fields %d %d %d for %d tables" % (search, selector, shift, count))
    tags = [data[12 + 16 * i:16 + 16 * i] for i in range(count)]
    if tags != sorted(tags):
        problems.append("directory not sorted by tag")
    for i in range(count):
        offset = struct.unpack(">L", data[20 + 16 * i:24 + 16 * i])[0]
        if offset % 4:
            problems.append("table %s at unaligned offset %d" % (tags[i], offset))

    for tag in DROPPED:
        if tag in sub.reader.keys():
            problems.append("table %s was not dropped" % tag)
    for tag in orig.reader.keys():
        if tag in DROPPED or tag in REWRITTEN:
            continue
        if tag not in sub.reader.keys():
            problems.append("table %s is missing" % tag)
        elif sub.reader[tag] != orig.reader[tag]:
            problems.append("table %s changed (%d bytes, was %d)"
                            % (tag, len(sub.reader[tag]), len(orig.reader[tag])))
    oh, sh = orig.reader["head"], sub.reader["head"]
    if oh[:8] + oh[12:] != sh[:8] + sh[12:]:
        problems.append("head changed beyond its checksum adjustment")
    if "post" in orig.reader.keys():
        op, sp = orig["post"], sub["post"]
        if sp.formatType != 3.0 or len(sub.reader["post"]) != 32:
            problems.append("post is format %s, %d bytes" % (sp.formatType, len(sub.reader["post"])))
        for field in ("italicAngle", "underlinePosition", "underlineThickness", "isFixedPitch"):
            if getattr(op, field) != getattr(sp, field):
                problems.append("post %s changed" % field)

    glyphs = orig["maxp"].numGlyphs
    if sub["maxp"].numGlyphs != glyphs:
        problems.append("glyph count %d, was %d" % (sub["maxp"].numGlyphs, glyphs))
        return [name + ": " + p for p in problems]
    keep = kept_glyphs(orig, job["glyphs"])
    for gid in range(glyphs):
        got = raw_glyph(sub, gid)
        if gid in keep:
            if got != raw_glyph(orig, gid):
                problems.append("glyph %d: data differs" % gid)
            elif outline(sub, gid) != outline(orig, gid):
                problems.append("glyph %d: outline differs" % gid)
        elif got:
            problems.append("glyph %d: should be empty, has %d bytes" % (gid, len(got)))
    return [name + ": " + p for p in problems]


def main():
    jobs = json.load(open(sys.argv[1]))
    problems = []
    for job in jobs:
        try:
            problems += check(job)
        except Exception as e:  # a subset fontTools cannot read is a failure, not a crash
            problems.append("%s: %s: %s" % (job["subset"], type(e).__name__, e))
    for p in problems:
        print(p)
    if not problems:
        print("%d subsets checked" % len(jobs))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
