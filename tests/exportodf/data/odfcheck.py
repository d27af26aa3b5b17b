"""Loads an OpenDocument package with odfpy and prints its tables as JSON: per table its name and
rows, per cell its value type, value, spans and paragraph texts. Exit code 1 when loading fails."""
import json
import sys

from odf import opendocument, teletype
from odf.namespaces import OFFICENS, TABLENS
from odf.table import CoveredTableCell, Table, TableCell, TableRow
from odf.text import P


def cell_info(cell):
    if cell.qname == CoveredTableCell().qname:
        return {"covered": int(cell.getAttrNS(TABLENS, "number-columns-repeated") or 1)}
    info = {"paras": [teletype.extractText(p) for p in cell.getElementsByType(P)]}
    for ns, name, key in ((OFFICENS, "value-type", "type"), (OFFICENS, "value", "value"),
                          (TABLENS, "number-columns-spanned", "cols"), (TABLENS, "number-rows-spanned", "rows")):
        v = cell.getAttrNS(ns, name)
        if v is not None:
            info[key] = v
    return info


def main():
    doc = opendocument.load(sys.argv[1])
    out = {"mimetype": doc.mimetype, "tables": []}
    for table in doc.getElementsByType(Table):
        rows = []
        for row in table.getElementsByType(TableRow):
            rows.append([cell_info(c) for c in row.childNodes if c.qname in (TableCell().qname, CoveredTableCell().qname)])
        out["tables"].append({"name": table.getAttrNS(TABLENS, "name"), "rows": rows})
    json.dump(out, sys.stdout, ensure_ascii=False)


if __name__ == "__main__":
    main()
