#!/usr/bin/python3
"""Baseline of the list export benchmark: times python3-xlwt writing the cells that the
list export wrote (tab-separated "kind:value" cells, the first line the titles), 65,535
data rows a sheet. Prints `xlwt_seconds <s>`."""

import datetime
import sys
import time

import xlwt


def main():
    cells_path, out_path = sys.argv[1], sys.argv[2]
    with open(cells_path, encoding="utf-8") as f:
        lines = f.read().split("\n")
    titles = lines[0].split("\t")
    rows = []
    for line in lines[1:]:
        if not line:
            continue
        row = []
        for cell in line.split("\t"):
            if cell.startswith("n:"):
                row.append(float(cell[2:]))
            elif cell.startswith("d:"):
                row.append(datetime.date.fromisoformat(cell[2:]))
            elif cell.startswith("t:"):
                row.append(cell[2:])
            else:
                row.append(None)
        rows.append(row)

    start = time.perf_counter()
    book = xlwt.Workbook(encoding="utf-8")
    date_style = xlwt.easyxf(num_format_str="D.M.YYYY")
    sheet = None
    for index, row in enumerate(rows):
        if index % 65535 == 0:
            sheet = book.add_sheet("List%d" % (index // 65535 + 1))
            for c, title in enumerate(titles):
                sheet.write(0, c, title)
        r = index % 65535 + 1
        for c, value in enumerate(row):
            if value is None:
                continue
            if isinstance(value, datetime.date):
                sheet.write(r, c, value, date_style)
            else:
                sheet.write(r, c, value)
    book.save(out_path)
    print("xlwt_seconds %.6f" % (time.perf_counter() - start))


if __name__ == "__main__":
    main()
