#!/usr/bin/python3
"""Reads an exported list with xlrd and prints JSON: per sheet its name, size and the cells of
the rows asked for ([kind, value]; dates as [y, m, d]) plus the column widths."""

import json
import sys

import xlrd

KINDS = {xlrd.XL_CELL_EMPTY: "empty", xlrd.XL_CELL_TEXT: "text", xlrd.XL_CELL_NUMBER: "number",
         xlrd.XL_CELL_DATE: "date", xlrd.XL_CELL_BLANK: "empty"}


def main():
    path, head = sys.argv[1], int(sys.argv[2]) if len(sys.argv) > 2 else -1
    book = xlrd.open_workbook(path, formatting_info=True)
    sheets = []
    for sheet in book.sheets():
        rows = range(sheet.nrows) if head < 0 else sorted(set(range(min(head, sheet.nrows))) | {sheet.nrows - 1})
        cells = {}
        for r in rows:
            out = []
            for c in range(sheet.ncols):
                cell = sheet.cell(r, c)
                value = cell.value
                if cell.ctype == xlrd.XL_CELL_DATE:
                    value = list(xlrd.xldate_as_tuple(value, book.datemode)[:3])
                out.append([KINDS.get(cell.ctype, "other"), value])
            cells[str(r)] = out
        widths = [sheet.computed_column_width(c) for c in range(sheet.ncols)]
        sheets.append({"name": sheet.name, "nrows": sheet.nrows, "ncols": sheet.ncols, "rows": cells,
                       "widths": widths})
    json.dump({"sheets": sheets}, sys.stdout, ensure_ascii=False)


if __name__ == "__main__":
    main()
