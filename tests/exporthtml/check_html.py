# Parses an exported HTML file with Python's own parser and prints what the tests compare:
# the cells of every table (spans and unescaped text), links and picture sources; tags that do
# not nest or close are reported as errors.
import sys
from html.parser import HTMLParser

VOID = {"meta", "img", "br", "col", "input", "hr", "link", "frame"}


class Check(HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.stack, self.errors, self.out, self.cell = [], [], [], None

    def handle_starttag(self, tag, attrs):
        a = dict(attrs)
        if tag not in VOID:
            self.stack.append(tag)
        if tag == "table":
            self.out.append("table")
        elif tag == "td":
            self.cell = ["td", a.get("colspan", "1"), a.get("rowspan", "1"), ""]
        elif tag == "a" and "href" in a:
            self.out.append("href " + a["href"])
        elif tag == "img":
            self.out.append("img " + a.get("src", ""))
        elif tag == "br" and self.cell is not None:
            self.cell[3] += "\n"

    def handle_endtag(self, tag):
        if tag in VOID:
            return
        if not self.stack or self.stack[-1] != tag:
            self.errors.append("unbalanced </%s> at %s, open %s" % (tag, self.getpos(), self.stack[-3:]))
            return
        self.stack.pop()
        if tag == "td" and self.cell is not None:
            if self.cell[3].strip("\xa0 "):
                self.out.append("cell %s %s %s" % (self.cell[1], self.cell[2], self.cell[3].strip("\xa0 ").replace("\n", "\\n")))
            self.cell = None

    def handle_data(self, data):
        if self.cell is not None:
            self.cell[3] += data


raw = open(sys.argv[1], "rb").read()
text = raw.decode("utf-8")  # raises on invalid UTF-8
p = Check()
p.feed(text)
p.close()
if p.stack:
    p.errors.append("unclosed " + " ".join(p.stack))
for line in p.out:
    print(line)
for e in p.errors:
    print("ERROR " + e)
