#!/usr/bin/python3
"""Baseline of the export benchmark: generates an invoice-like table deterministically,
writes it as tab-separated typed cells for the C++ side, and times xlwt writing the same
cells into an .xls workbook (best of --repeat runs). Prints `xlwt_seconds <s>`."""

import argparse
import datetime
import time

import xlwt

TITLES = ["Poř.číslo", "Druh", "Číslo", "Datum", "IČO", "Název", "Číslo faktury", "Doplňující text",
          "Částka Kč", "Vystaveno", "Splatnost", "Dnů spl.", "Zaplaceno Kč", "Zaplaceno dne", "Poznámka"]

FIRST = ["Stavby", "Dřevo", "Účetnictví", "Šroubárna", "Železářství", "Čistírna", "Kovo", "Elektro",
         "Truhlářství", "Zahradnictví", "Pekárna", "Tiskárna", "Autodoprava", "Ořechy", "Úklid"]
SECOND = ["Novák", "Dvořák", "Černý", "Procházka", "Kučera", "Veselý", "Horák", "Němec", "Pokorný",
          "Marek", "Růžička", "Beneš", "Fiala", "Sedláček", "Doležal", "Zeman", "Kolář", "Navrátil"]
FORMS = ["s.r.o.", "a.s.", "v.o.s.", "spol. s r.o."]


class Lcg:
    def __init__(self, seed):
        self.state = seed

    def next(self, n):
        self.state = (self.state * 1103515245 + 12345) % 2147483648
        return (self.state >> 8) % n


def generate(rows):
    r = Lcg(20240101)
    base = datetime.date(2024, 1, 1)
    table = []
    for i in range(rows):
        issued = base + datetime.timedelta(days=r.next(365))
        due = issued + datetime.timedelta(days=r.next(60))
        paid = r.next(3) != 0
        row = [
            float(2400001 + i),
            "FV" if r.next(2) else "FP",
            float(r.next(100000)),
            issued + datetime.timedelta(days=r.next(5)),
            "%08d" % r.next(100000000),
            "%s %s %s" % (FIRST[r.next(len(FIRST))], SECOND[r.next(len(SECOND))], FORMS[r.next(len(FORMS))]),
            "FA%06d/%d" % (i, r.next(10)),
            "Příloha faktury č. %d" % r.next(5000) if r.next(4) else None,
            r.next(100000000) / 100.0,
            issued,
            due,
            float((due - issued).days),
            r.next(100000000) / 100.0 if paid else None,
            due - datetime.timedelta(days=r.next(10)) if paid else None,
            "Výmaz dne %d.%d.2024" % (1 + r.next(28), 1 + r.next(12)) if r.next(10) == 0 else None,
        ]
        table.append(row)
    return table


def dump(table, path):
    with open(path, "w", encoding="utf-8") as f:
        for row in table:
            fields = []
            for v in row:
                if v is None:
                    fields.append("e")
                elif isinstance(v, float):
                    fields.append("n" + repr(v))
                elif isinstance(v, datetime.date):
                    fields.append("d" + v.isoformat())
                else:
                    fields.append("t" + v)
            f.write("\t".join(fields) + "\n")


def write_xlwt(table, path):
    book = xlwt.Workbook(encoding="utf-8")
    sheet = book.add_sheet("List1")
    date_style = xlwt.easyxf(num_format_str="d.m.yyyy")
    for c, title in enumerate(TITLES):
        sheet.write(0, c, title)
    for r, row in enumerate(table, start=1):
        for c, v in enumerate(row):
            if v is None:
                continue
            if isinstance(v, datetime.date):
                sheet.write(r, c, v, date_style)
            else:
                sheet.write(r, c, v)
    book.save(path)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--rows", type=int, default=65000)
    parser.add_argument("--data", required=True)
    parser.add_argument("--out", required=True)
    parser.add_argument("--repeat", type=int, default=1)
    args = parser.parse_args()

    table = generate(args.rows)
    dump(table, args.data)
    best = None
    for _ in range(args.repeat):
        start = time.perf_counter()
        write_xlwt(table, args.out)
        elapsed = time.perf_counter() - start
        best = elapsed if best is None else min(best, elapsed)
    print("titles\t" + "\t".join(TITLES))
    print("xlwt_seconds %.6f" % best)


if __name__ == "__main__":
    main()
