#include "app/gridcolumn.h"

#include "app/guard.h"

#include <QFile>
#include <QSaveFile>
#include <QStringList>

namespace app {
namespace {

const char* const kMagic = "LEDRANA-SLOUPCE 1";

QString escapeCell(QString s)
{
    return s.replace(QLatin1Char('\\'), QLatin1String("\\\\"))
        .replace(QLatin1Char('\t'), QLatin1String("\\t"))
        .replace(QLatin1Char('\n'), QLatin1String("\\n"));
}

QString unescapeCell(const QString& s)
{
    QString out;
    for (int i = 0; i < s.size(); ++i) {
        if (s[i] == QLatin1Char('\\') && i + 1 < s.size()) {
            const QChar c = s[++i];
            out += c == QLatin1Char('t') ? QChar('\t') : c == QLatin1Char('n') ? QChar('\n') : c;
        } else {
            out += s[i];
        }
    }
    return out;
}

QString alignName(Qt::Alignment a)
{
    return a & Qt::AlignHCenter ? QStringLiteral("center")
           : a & Qt::AlignRight ? QStringLiteral("right")
                                : QStringLiteral("left");
}

QString colorName(const QColor& c)
{
    return c.isValid() ? c.name() : QStringLiteral("-");
}

} // namespace

QList<GridColumn> builtInColumns()
{
    auto col = [](const char* field, const QString& title, int width) {
        GridColumn c;
        c.field = QString::fromLatin1(field);
        c.title = title;
        c.width = width;
        return c;
    };
    QList<GridColumn> cols;
    cols << col("ZAPL", QStringLiteral(" "), 18);
    cols << col("POR_CIS", QStringLiteral("ev.číslo"), -1);
    GridColumn typ = col("typ", QStringLiteral(" "), 15);
    typ.bold = true;
    cols << typ;
    GridColumn druh = col("DRUH", QStringLiteral("druh"), 25);
    druh.bold = true;
    druh.alignment = Qt::AlignHCenter;
    cols << druh;
    cols << col("CISLO", QStringLiteral("číslo"), 50);
    cols << col("DATUM", QStringLiteral("datum"), -1);
    cols << col("ICO", QStringLiteral("IČO"), -1);
    cols << col("NAZEV", QStringLiteral("firma"), -1);
    cols << col("CIS_FAK", QStringLiteral("číslo fak"), 53);
    cols << col("D_TEXT", QStringLiteral("popis"), -1);
    cols << col("CASTKA", QStringLiteral("částka"), -1);
    cols << col("ODESLANI", QStringLiteral("vystavení"), -1);
    cols << col("SPLATNOST", QStringLiteral("splatnost"), -1);
    cols << col("DNU", QStringLiteral("dnů"), -1);
    cols << col("ZAPLACENO", QStringLiteral("Zaplaceno"), -1);
    return cols;
}

void writeLayout(const QString& path, const QList<GridColumn>& columns)
{
    QStringList lines;
    lines << QString::fromLatin1(kMagic);
    lines << QStringLiteral("field\ttitle\twidth\tvisible\talign\tcolor\tfont\tpixels\tbold\tfontcolor\ttitlecolor");
    for (const GridColumn& c : columns)
        lines << QStringList{escapeCell(c.field),
                             escapeCell(c.title),
                             QString::number(c.width),
                             c.visible ? QStringLiteral("1") : QStringLiteral("0"),
                             alignName(c.alignment),
                             colorName(c.color),
                             escapeCell(c.fontName),
                             QString::number(c.fontPixels),
                             c.bold ? QStringLiteral("1") : QStringLiteral("0"),
                             colorName(c.fontColor),
                             colorName(c.titleColor)}
                     .join(QLatin1Char('\t'));
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        throw FileError(QStringLiteral("Cannot create file \"%1\". %2").arg(path, f.errorString()));
    f.write((lines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8());
    if (!f.commit())
        throw FileError(QStringLiteral("Cannot create file \"%1\". %2").arg(path, f.errorString()));
}

QList<GridColumn> readLayout(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw FileError(QStringLiteral("Cannot open file \"%1\". %2").arg(path, f.errorString()));
    const QStringList lines = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    auto invalid = [&path] {
        return FileError(QStringLiteral("Soubor \"%1\" neobsahuje rozvržení sloupců seznamu").arg(path));
    };
    if (lines.size() < 2 || lines[0].trimmed() != QLatin1String(kMagic))
        throw invalid();
    QList<GridColumn> cols;
    for (int i = 2; i < lines.size(); ++i) {
        const QStringList cells = lines[i].split(QLatin1Char('\t'));
        if (cells.size() < 11)
            throw invalid();
        GridColumn c;
        bool okWidth = false, okPixels = false;
        c.field = unescapeCell(cells[0]);
        c.title = unescapeCell(cells[1]);
        c.width = cells[2].toInt(&okWidth);
        c.visible = cells[3] == QLatin1String("1");
        c.alignment = cells[4] == QLatin1String("center")  ? Qt::AlignHCenter
                      : cells[4] == QLatin1String("right") ? Qt::AlignRight
                                                           : Qt::AlignLeft;
        c.color = cells[5] == QLatin1String("-") ? QColor() : QColor(cells[5]);
        c.fontName = unescapeCell(cells[6]);
        c.fontPixels = cells[7].toInt(&okPixels);
        c.bold = cells[8] == QLatin1String("1");
        c.fontColor = QColor(cells[9]);
        c.titleColor = QColor(cells[10].trimmed());
        if (c.field.isEmpty() || !okWidth || !okPixels)
            throw invalid();
        cols << c;
    }
    return cols;
}

} // namespace app
