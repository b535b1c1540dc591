#!/usr/bin/python3
"""Writes SQL for a demo register: a few hundred received and issued invoices over two
years, paid and unpaid, some with documents. Deterministic, so every demo looks alike."""
import datetime
import random
import sys

rnd = random.Random(20241)

companies = [
    ("25596641", "Stavby Novák s.r.o."), ("45274649", "ČEZ Prodej, a.s."), ("00064581", "Město Ledrana"),
    ("26185610", "Kancelářské potřeby Dvořák"), ("63999714", "Účetní kancelář Šťastná"),
    ("27082440", "Alza.cz a.s."), ("60193336", "O2 Czech Republic a.s."), ("49240901", "Raiffeisenbank a.s."),
    ("28435681", "Úklidová služba Horák"), ("47114983", "Česká pošta, s.p."), ("26441381", "Pražské vodovody"),
    ("45317054", "Komerční banka, a.s."), ("03630919", "Žluťoučký kůň s.r.o."), ("24829871", "Řezníkova pekárna"),
    ("61860336", "Tiskárna Beneš a syn"), ("08152799", "IT servis Procházka"), ("25788001", "Autodoprava Veselý"),
    ("46356991", "Elektro Kříž spol. s r.o."), ("27916863", "Zahradnictví Marešová"), ("00006947", "Ministerstvo financí"),
]
texts = ["Nájemné", "Elektřina", "Kancelářské potřeby", "Telefon a internet", "Poštovné", "Oprava střechy",
         "Úklid kanceláří", "Vodné a stočné", "Servis počítačů", "Doprava materiálu", "Tisk letáků",
         "Poradenství", "Bankovní poplatky", "Revize elektro"]


def sql_text(s):
    return "NULL" if s is None else "'" + s.replace("\\", "\\\\").replace("'", "\\'") + "'"


def sql_date(d):
    return "NULL" if d is None else "'%s'" % d.isoformat()


def tiny_pdf(title):
    """A one-page A4 PDF with one line of text."""
    content = ("BT /F1 24 Tf 72 760 Td (%s) Tj ET" % title).encode("latin-1")
    objs = [
        b"<< /Type /Catalog /Pages 2 0 R >>",
        b"<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        b"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] /Contents 4 0 R "
        b"/Resources << /Font << /F1 5 0 R >> >> >>",
        b"<< /Length %d >>\nstream\n" % len(content) + content + b"\nendstream",
        b"<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
    ]
    out = b"%PDF-1.4\n"
    offsets = []
    for i, o in enumerate(objs, 1):
        offsets.append(len(out))
        out += b"%d 0 obj\n" % i + o + b"\nendobj\n"
    xref = len(out)
    out += b"xref\n0 %d\n0000000000 65535 f \n" % (len(objs) + 1)
    for off in offsets:
        out += b"%010d 00000 n \n" % off
    out += b"trailer\n<< /Size %d /Root 1 0 R >>\nstartxref\n%d\n%%%%EOF\n" % (len(objs) + 1, xref)
    return out


def main():
    today = datetime.date.today()
    start = datetime.date(today.year - 1, 1, 3)
    days = (today - start).days
    count = 420
    por_cis = int(str(start.year)[-2:] + "00001")
    cislo = {"FP": 150002, "FV": 150002}
    rows, docs = [], []
    for i in range(count):
        datum = start + datetime.timedelta(days=days * i // count)
        druh = "FP" if rnd.random() < 0.62 else "FV"
        ico, nazev = rnd.choice(companies)
        castka = round(rnd.choice([rnd.uniform(150, 3000), rnd.uniform(3000, 60000), rnd.uniform(60000, 250000)]), 2)
        odeslani = datum - datetime.timedelta(days=rnd.randint(0, 6))
        dnu = rnd.choice([14, 14, 21, 30, 30, 60])
        splatnost = odeslani + datetime.timedelta(days=dnu)
        if splatnost < today - datetime.timedelta(days=20) and rnd.random() < 0.85:
            zaplaceno = castka
        elif rnd.random() < 0.2:
            zaplaceno = round(castka * rnd.choice([0.5, 0.3]), 2)
        else:
            zaplaceno = 0
        cis = cislo[druh]
        cislo[druh] += 1
        cis_fak = str(cis) if druh == "FV" else "%d%04d" % (datum.year, rnd.randint(1, 9999))
        d_text = rnd.choice(texts)
        if rnd.random() < 0.015:  # a record marked as deleted
            nazev = "Výmaz dne: %s IČO: %s" % (datum.strftime("%d.%m.%Y"), ico)
            ico, castka, d_text, splatnost, zaplaceno = "", 0, None, None, zaplaceno
        rows.append("(%d, '%s', %d, %s, %s, %s, %s, %s, %.2f, %s, %s, %d, %.2f, 'A')" % (
            por_cis, druh, cis, sql_date(datum), sql_text(ico), sql_text(nazev), sql_text(cis_fak),
            sql_text(d_text), castka, sql_date(odeslani), sql_date(splatnost), dnu, zaplaceno))
        if ico and rnd.random() < 0.18:
            docs.append((ico, 1, "Faktura", cis_fak, por_cis))
            if rnd.random() < 0.3:
                docs.append((ico, 2, "Příloha faktury", "", por_cis))
        por_cis += 1
    out = sys.stdout
    out.write("SET NAMES utf8mb4;\n")
    out.write("INSERT INTO ledrana (por_cis, druh, cislo, datum, ico, nazev, cis_fak, d_text, castka, odeslani, "
              "splatnost, dnu, zaplaceno, sesnimana) VALUES\n")
    out.write(",\n".join(rows) + ";\n")
    for ico, typ, popis, cis_fak, pc in docs:
        pdf = tiny_pdf("Doklad %d - %s" % (pc, popis.encode("ascii", "ignore").decode()))
        out.write("INSERT INTO dokladya (id, ico, typ, popis, cislodokladu, por_cis, objednavka, obsah) VALUES "
                  "(0, %s, %d, %s, %s, %d, '', 0x%s);\n" % (sql_text(ico), typ, sql_text(popis), sql_text(cis_fak),
                                                           pc, pdf.hex()))


if __name__ == "__main__":
    main()
