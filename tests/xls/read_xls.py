#!/usr/bin/python3
"""Reads an .xls workbook with xlrd, an independent reader, and writes what the tests
check as JSON: per sheet its name, size, cells (kind and value; dates as y, m, d, h, min, s),
column widths, font weights and page setup, plus every warning the reader logged."""

import argparse
import io
import json
import struct

import xlrd
import xlrd.compdoc

KINDS = {
    xlrd.XL_CELL_EMPTY: "empty",
    xlrd.XL_CELL_TEXT: "text",
    xlrd.XL_CELL_NUMBER: "number",
    xlrd.XL_CELL_DATE: "date",
    xlrd.XL_CELL_BOOLEAN: "bool",
    xlrd.XL_CELL_ERROR: "error",
    xlrd.XL_CELL_BLANK: "blank",
}


def page_setup(stream, position):
    """The SETUP record of the sheet whose BOF lies at `position`, or None."""
    while position + 4 <= len(stream):
        kind, length = struct.unpack_from("<HH", stream, position)
        data = stream[position + 4:position + 4 + length]
        if kind == 0x00A1:
            paper, _, _, _, _, flags = struct.unpack_from("<6H", data)
            return {"paper": paper, "portrait": bool(flags & 2), "valid": not flags & 4}
        if kind == 0x000A:
            return None
        position += 4 + length
    return None


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("path")
    parser.add_argument("out")
    parser.add_argument("--head", type=int, default=-1, help="rows to dump per sheet (and the last); all when -1")
    args = parser.parse_args()

    log = io.StringIO()
    book = xlrd.open_workbook(args.path, formatting_info=True, logfile=log, verbosity=0)
    with open(args.path, "rb") as f:
        doc = xlrd.compdoc.CompDoc(f.read(), logfile=log)
    stream = doc.get_named_stream("Workbook")

    sheets = []
    for index, sheet in enumerate(book.sheets()):
        if args.head < 0:
            wanted = range(sheet.nrows)
        else:
            wanted = sorted(set(range(min(args.head, sheet.nrows))) | {sheet.nrows - 1})
        rows = {}
        for r in wanted:
            cells = []
            for c in range(sheet.ncols):
                cell = sheet.cell(r, c)
                value = cell.value
                if cell.ctype == xlrd.XL_CELL_DATE:
                    value = list(xlrd.xldate_as_tuple(value, book.datemode))
                cells.append([KINDS[cell.ctype], value])
            rows[str(r)] = cells
        sheets.append({
            "name": sheet.name,
            "nrows": sheet.nrows,
            "ncols": sheet.ncols,
            "rows": rows,
            "widths": {str(c): info.width for c, info in sheet.colinfo_map.items()},
            # font weights of the first two rows (titles and the first data row)
            "weights": [[book.font_list[book.xf_list[sheet.cell_xf_index(r, c)].font_index].weight
                         for c in range(sheet.ncols)] for r in range(min(2, sheet.nrows))],
            "setup": page_setup(stream, book._sh_abs_posn[index] - book.base),
        })

    with open(args.out, "w", encoding="utf-8") as f:
        json.dump({"warnings": log.getvalue(), "sheets": sheets}, f, ensure_ascii=False)


if __name__ == "__main__":
    main()
