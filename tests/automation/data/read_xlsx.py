# Reads an .xlsx file with openpyxl and prints what the tests check as JSON.
import json
import re
import sys
import zipfile

import openpyxl


def color(c):
    if c is None or c.type != "rgb" or not isinstance(c.rgb, str):
        return None
    return c.rgb[-6:].upper()


def cell_info(cell):
    f = cell.font
    info = {
        "value": cell.value if not hasattr(cell.value, "isoformat") else cell.value.isoformat(),
        "type": cell.data_type,
        "number_format": cell.number_format,
        "font": f.name,
        "size": f.sz,
        "bold": bool(f.b),
        "italic": bool(f.i),
        "underline": f.u,
        "font_color": color(f.color),
        "fill": color(cell.fill.fgColor) if cell.fill.fill_type == "solid" else None,
        "halign": cell.alignment.horizontal,
        "valign": cell.alignment.vertical,
        "wrap": bool(cell.alignment.wrap_text),
        "shrink": bool(cell.alignment.shrink_to_fit),
        "rotation": cell.alignment.text_rotation,
        "border": {side: getattr(cell.border, side).style for side in ("left", "top", "right", "bottom")},
    }
    return info


def main(path):
    wb = openpyxl.load_workbook(path)
    out = {"active": wb.sheetnames.index(wb.active.title), "sheets": []}
    for ws in wb.worksheets:
        cells = {}
        for row in ws.iter_rows():
            for cell in row:
                if cell.value is not None or cell.has_style:
                    cells[cell.coordinate] = cell_info(cell)
        pm = ws.page_margins
        out["sheets"].append({
            "name": ws.title,
            "cells": cells,
            "merges": sorted(str(r) for r in ws.merged_cells.ranges),
            "widths": {k: v.width for k, v in ws.column_dimensions.items() if v.customWidth},
            "heights": {str(k): v.height for k, v in ws.row_dimensions.items() if v.height is not None},
            "row_breaks": [b.id for b in ws.row_breaks.brk],
            "col_breaks": [b.id for b in ws.col_breaks.brk],
            "margins": {"left": pm.left, "right": pm.right, "top": pm.top, "bottom": pm.bottom},
            "orientation": ws.page_setup.orientation,
            "paper": ws.page_setup.paperSize,
            "gridlines": ws.sheet_view.showGridLines,
        })
    # Pictures are read from the package itself: openpyxl keeps them only with an imaging library.
    with zipfile.ZipFile(path) as z:
        names = z.namelist()
        out["media"] = sorted(n for n in names if n.startswith("xl/media/"))
        anchors = []
        for n in sorted(names):
            if re.match(r"xl/drawings/drawing\d+\.xml$", n):
                xml = z.read(n).decode("utf-8")
                for m in re.finditer(r"<xdr:from><xdr:col>(\d+)</xdr:col><xdr:colOff>(\d+)</xdr:colOff>"
                                     r"<xdr:row>(\d+)</xdr:row><xdr:rowOff>(\d+)</xdr:rowOff></xdr:from>", xml):
                    anchors.append([int(g) for g in m.groups()])
        out["anchors"] = anchors
    json.dump(out, sys.stdout)


main(sys.argv[1])
