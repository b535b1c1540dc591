#include "report/pdfwriter.h"

#include <QBuffer>
#include <QImageWriter>
#include <QTextLayout>
#include <QtEndian>

#include <set>

namespace report {

namespace {

// Numbers as PDF wants them: up to three decimals, no exponent.
void num(QByteArray& out, double v)
{
    long long m = std::llround(v * 1000);
    if (m == 0) {
        out += '0';
        return;
    }
    char buf[32];
    char* end = buf + sizeof buf;
    char* p = end;
    const bool negative = m < 0;
    unsigned long long u = negative ? -static_cast<unsigned long long>(m) : static_cast<unsigned long long>(m);
    int decimals = 3;
    while (decimals > 0 && u % 10 == 0) { // no trailing zeros
        u /= 10;
        --decimals;
    }
    for (int i = 0; i < decimals; ++i) {
        *--p = char('0' + u % 10);
        u /= 10;
    }
    if (decimals > 0)
        *--p = '.';
    do {
        *--p = char('0' + u % 10);
        u /= 10;
    } while (u);
    if (negative)
        *--p = '-';
    out.append(p, end - p);
}

void hex4(QByteArray& out, quint32 v)
{
    static const char digits[] = "0123456789ABCDEF";
    const char buf[4] = {digits[(v >> 12) & 15], digits[(v >> 8) & 15], digits[(v >> 4) & 15], digits[v & 15]};
    out.append(buf, 4);
}

QByteArray nums(std::initializer_list<double> values)
{
    QByteArray out;
    for (double v : values) {
        num(out, v);
        out += ' ';
    }
    return out;
}

QByteArray colorOps(const QColor& c, const char* op)
{
    return nums({c.redF(), c.greenF(), c.blueF()}) + op + '\n';
}

QByteArray deflate(const QByteArray& data)
{
    QByteArray z = qCompress(data, 1); // fast; text compresses well anyway
    return z.mid(4);                   // qCompress puts the length in front of the zlib stream
}

QByteArray pdfString(const QString& s)
{
    // UTF-16BE with a byte order mark, as hex
    QByteArray out = "<FEFF";
    for (QChar c : s) {
        char buf[5];
        std::snprintf(buf, sizeof buf, "%04X", c.unicode());
        out += buf;
    }
    return out + '>';
}

quint16 be16(const QByteArray& t, int off)
{
    return off + 2 <= t.size() ? qFromBigEndian<quint16>(t.constData() + off) : 0;
}

quint32 be32(const QByteArray& t, int off)
{
    return off + 4 <= t.size() ? qFromBigEndian<quint32>(t.constData() + off) : 0;
}

quint32 checksum(const QByteArray& data)
{
    quint32 sum = 0;
    QByteArray d = data;
    while (d.size() % 4)
        d += '\0';
    for (int i = 0; i < d.size(); i += 4)
        sum += qFromBigEndian<quint32>(d.constData() + i);
    return sum;
}

// A TrueType font holding only the glyphs used (and the parts of composite glyphs); glyph
// numbers stay as in the original, so the text can name glyphs by their original numbers.
QByteArray subsetTrueType(const QRawFont& raw, const std::set<quint32>& used, bool* ok)
{
    *ok = false;
    QByteArray head = raw.fontTable("head");
    const QByteArray maxp = raw.fontTable("maxp");
    const QByteArray loca = raw.fontTable("loca");
    const QByteArray glyf = raw.fontTable("glyf");
    if (head.size() < 54 || maxp.size() < 6 || loca.isEmpty() || glyf.isEmpty())
        return {};
    const int numGlyphs = be16(maxp, 4);
    const bool longLoca = be16(head, 50) == 1;
    auto glyphRange = [&](quint32 g, quint32* start, quint32* end) {
        if (static_cast<int>(g) >= numGlyphs) {
            *start = *end = 0;
            return;
        }
        if (longLoca) {
            *start = be32(loca, g * 4);
            *end = be32(loca, g * 4 + 4);
        } else {
            *start = be16(loca, g * 2) * 2u;
            *end = be16(loca, g * 2 + 2) * 2u;
        }
        if (*end > static_cast<quint32>(glyf.size()) || *start > *end)
            *start = *end = 0;
    };
    // Close over composite glyphs' components.
    std::set<quint32> keep = used;
    keep.insert(0);
    std::vector<quint32> todo(keep.begin(), keep.end());
    while (!todo.empty()) {
        const quint32 g = todo.back();
        todo.pop_back();
        quint32 s, e;
        glyphRange(g, &s, &e);
        if (e - s < 10 || static_cast<qint16>(be16(glyf, s)) >= 0)
            continue;
        int p = static_cast<int>(s) + 10;
        for (;;) {
            const quint16 flags = be16(glyf, p);
            const quint32 component = be16(glyf, p + 2);
            if (keep.insert(component).second)
                todo.push_back(component);
            p += 4 + ((flags & 1) ? 4 : 2);
            if (flags & 8)
                p += 2;
            else if (flags & 0x40)
                p += 4;
            else if (flags & 0x80)
                p += 8;
            if (!(flags & 0x20) || p >= static_cast<int>(e))
                break;
        }
    }
    QByteArray newGlyf, newLoca;
    for (int g = 0; g <= numGlyphs; ++g) {
        char off[4];
        qToBigEndian<quint32>(static_cast<quint32>(newGlyf.size()), off);
        newLoca.append(off, 4);
        if (g == numGlyphs)
            break;
        if (keep.count(static_cast<quint32>(g))) {
            quint32 s, e;
            glyphRange(static_cast<quint32>(g), &s, &e);
            newGlyf += glyf.mid(static_cast<int>(s), static_cast<int>(e - s));
            while (newGlyf.size() % 4)
                newGlyf += '\0';
        }
    }
    qToBigEndian<quint16>(1, head.data() + 50); // long offsets
    qToBigEndian<quint32>(0, head.data() + 8);  // checksum adjustment left out
    std::map<QByteArray, QByteArray> tables{{"glyf", newGlyf}, {"head", head}, {"loca", newLoca}, {"maxp", maxp}};
    for (const char* tag : {"cvt ", "fpgm", "hhea", "hmtx", "prep"}) {
        const QByteArray t = raw.fontTable(tag);
        if (!t.isEmpty())
            tables[tag] = t;
    }
    if (!tables.count("hhea") || !tables.count("hmtx"))
        return {};
    const int n = static_cast<int>(tables.size());
    int entrySelector = 0;
    while ((2 << entrySelector) <= n)
        ++entrySelector;
    const int searchRange = (1 << entrySelector) * 16;
    QByteArray out(12 + 16 * n, '\0');
    qToBigEndian<quint32>(0x00010000, out.data());
    qToBigEndian<quint16>(static_cast<quint16>(n), out.data() + 4);
    qToBigEndian<quint16>(static_cast<quint16>(searchRange), out.data() + 6);
    qToBigEndian<quint16>(static_cast<quint16>(entrySelector), out.data() + 8);
    qToBigEndian<quint16>(static_cast<quint16>(n * 16 - searchRange), out.data() + 10);
    int i = 0;
    for (const auto& [tag, data] : tables) {
        char* e = out.data() + 12 + 16 * i++;
        std::memcpy(e, tag.constData(), 4);
        qToBigEndian<quint32>(checksum(data), e + 4);
        qToBigEndian<quint32>(static_cast<quint32>(out.size()), e + 8);
        qToBigEndian<quint32>(static_cast<quint32>(data.size()), e + 12);
        out += data;
        while (out.size() % 4)
            out += '\0';
    }
    *ok = true;
    return out;
}

} // namespace

PdfWriter::PdfWriter(const QString& path, const QList<QPair<QByteArray, QString>>& info) : m_file(path), m_info(info) {}

PdfWriter::~PdfWriter() = default;

bool PdfWriter::open()
{
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    m_file.write("%PDF-1.4\n%\xE2\xE3\xCF\xD3\n");
    m_offsets.push_back(0);
    newObject(); // 1: catalog
    m_pagesId = newObject();
    m_resourcesId = newObject();
    return true;
}

int PdfWriter::newObject()
{
    m_offsets.push_back(0);
    return static_cast<int>(m_offsets.size()) - 1;
}

void PdfWriter::startObject(int id)
{
    m_offsets[id] = m_file.pos();
    m_file.write(QByteArray::number(id) + " 0 obj\n");
}

void PdfWriter::writeStream(int id, const QByteArray& dict, const QByteArray& data, bool compress)
{
    const QByteArray body = compress ? deflate(data) : data;
    startObject(id);
    m_file.write("<<" + dict + (compress ? " /Filter /FlateDecode" : "") + " /Length " +
                 QByteArray::number(body.size()) + " >>\nstream\n");
    m_file.write(body);
    m_file.write("\nendstream\nendobj\n");
}

void PdfWriter::beginPage(const QSizeF& sizeMm)
{
    m_pageSizePt = sizeMm / 25.4 * 72.0;
    m_content.resize(0);
    m_fill = 0xFF000000; // black, the initial fill colour
    m_textFont = 0;
    // Page coordinates: pixels at 96 dpi, y down from the top.
    m_content += nums({0.75, 0, 0, -0.75, 0, m_pageSizePt.height()}) + "cm\n";
}

void PdfWriter::endPage()
{
    const int contents = newObject();
    writeStream(contents, QByteArray(), m_content, true);
    const int page = newObject();
    startObject(page);
    m_file.write("<< /Type /Page /Parent " + QByteArray::number(m_pagesId) + " 0 R /MediaBox [0 0 " +
                 nums({m_pageSizePt.width(), m_pageSizePt.height()}) + "] /Resources " +
                 QByteArray::number(m_resourcesId) + " 0 R /Contents " + QByteArray::number(contents) +
                 " 0 R >>\nendobj\n");
    m_pages.push_back(page);
    m_content.resize(0);
}

void PdfWriter::fillRect(const QRectF& r, const QColor& color)
{
    m_content += colorOps(color, "rg") + nums({r.x(), r.y(), r.width(), r.height()}) + "re f\n";
    m_fill = color.rgb();
}

void PdfWriter::setStroke(const QPen& pen)
{
    m_content += colorOps(pen.color(), "RG");
    const double w = pen.widthF() <= 0 ? 1 : pen.widthF();
    num(m_content, w);
    m_content += " w ";
    m_content += pen.capStyle() == Qt::SquareCap ? "2 J " : (pen.capStyle() == Qt::RoundCap ? "1 J " : "0 J ");
    switch (pen.style()) {
    case Qt::DashLine:
        m_content += "[" + nums({3 * w, 1 * w}) + "] 0 d\n";
        break;
    case Qt::DotLine:
        m_content += "[" + nums({1 * w, 1 * w}) + "] 0 d\n";
        break;
    case Qt::DashDotLine:
        m_content += "[" + nums({3 * w, w, w, w}) + "] 0 d\n";
        break;
    case Qt::DashDotDotLine:
        m_content += "[" + nums({3 * w, w, w, w, w, w}) + "] 0 d\n";
        break;
    default:
        m_content += "[] 0 d\n";
        break;
    }
}

void PdfWriter::strokeLine(const QLineF& l, const QPen& pen)
{
    setStroke(pen);
    m_content += nums({l.x1(), l.y1()}) + "m " + nums({l.x2(), l.y2()}) + "l S\n";
}

void PdfWriter::pathOps(const QPainterPath& path)
{
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element e = path.elementAt(i);
        if (e.type == QPainterPath::MoveToElement) {
            m_content += nums({e.x, e.y}) + "m\n";
        } else if (e.type == QPainterPath::LineToElement) {
            m_content += nums({e.x, e.y}) + "l\n";
        } else if (e.type == QPainterPath::CurveToElement && i + 2 < path.elementCount()) {
            const QPainterPath::Element c2 = path.elementAt(i + 1), end = path.elementAt(i + 2);
            m_content += nums({e.x, e.y, c2.x, c2.y, end.x, end.y}) + "c\n";
            i += 2;
        }
    }
}

void PdfWriter::drawPath(const QPainterPath& path, const QPen& pen, const QBrush& brush)
{
    const bool fill = brush.style() != Qt::NoBrush;
    const bool stroke = pen.style() != Qt::NoPen;
    if (!fill && !stroke)
        return;
    if (fill) {
        m_content += colorOps(brush.color(), "rg");
        m_fill = brush.color().rgb();
    }
    if (stroke)
        setStroke(pen);
    pathOps(path);
    m_content += fill && stroke ? "B\n" : (fill ? "f\n" : "S\n");
}

void PdfWriter::clipTo(const QRectF& clip)
{
    m_content += nums({clip.x(), clip.y(), clip.width(), clip.height()}) + "re W n\n";
}

void PdfWriter::drawImage(const QRectF& target, const QImage& image, const QRectF& clip)
{
    if (image.isNull())
        return;
    int number = m_images.value(image.cacheKey(), 0);
    if (!number) {
        number = static_cast<int>(m_imageObjects.size()) + 1;
        const int id = newObject();
        const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
        QByteArray dict = " /Type /XObject /Subtype /Image /Width " + QByteArray::number(rgb.width()) + " /Height " +
                          QByteArray::number(rgb.height()) + " /ColorSpace /DeviceRGB /BitsPerComponent 8";
        QByteArray jpeg;
        if (static_cast<qint64>(rgb.width()) * rgb.height() > 40000) {
            // large pictures (scans) as JPEG
            QBuffer buffer(&jpeg);
            buffer.open(QIODevice::WriteOnly);
            QImageWriter writer(&buffer, "jpeg");
            writer.setQuality(90);
            if (!writer.write(rgb))
                jpeg.clear();
        }
        if (!jpeg.isEmpty()) {
            writeStream(id, dict + " /Filter /DCTDecode", jpeg, false);
        } else {
            QByteArray raw;
            raw.reserve(rgb.width() * rgb.height() * 3);
            for (int y = 0; y < rgb.height(); ++y)
                raw.append(reinterpret_cast<const char*>(rgb.constScanLine(y)), rgb.width() * 3);
            writeStream(id, dict, raw, true);
        }
        m_images.insert(image.cacheKey(), number);
        m_imageObjects.emplace_back(number, id);
    }
    m_content += "q\n";
    if (!clip.isEmpty())
        clipTo(clip);
    m_content += nums({target.width(), 0, 0, -target.height(), target.x(), target.y() + target.height()}) + "cm /Im" +
                 QByteArray::number(number) + " Do\n";
    restore();
}

PdfWriter::FontEntry& PdfWriter::font(const QRawFont& raw)
{
    if (m_lastFont && raw == m_lastFont->raw)
        return *m_lastFont;
    const QString key = raw.familyName() + u'|' + raw.styleName() + u'|' + QString::number(raw.weight()) + u'|' +
                        QString::number(int(raw.style()));
    FontEntry* f = m_fontByKey.value(key, nullptr);
    if (f) {
        m_lastFont = f;
        return *f;
    }
    auto entry = std::make_unique<FontEntry>();
    entry->number = static_cast<int>(m_fonts.size()) + 1;
    entry->objectId = newObject();
    entry->raw = raw;
    if (raw.fontTable("glyf").isEmpty())
        m_unsupportedFont = true;
    entry->italicFace = be16(raw.fontTable("head"), 44) & 2; // macStyle italic
    f = entry.get();
    m_fonts.push_back(std::move(entry));
    m_fontByKey.insert(key, f);
    m_lastFont = f;
    return *f;
}

void PdfWriter::drawGlyphs(const QPointF& origin, const QGlyphRun& run, const QString& text, const QColor& color,
                           const QRectF& clip, bool italic)
{
    const QList<quint32> glyphs = run.glyphIndexes();
    if (glyphs.isEmpty())
        return;
    const QRawFont raw = run.rawFont();
    FontEntry& f = font(raw);
    // Remember what each glyph shows; with one glyph per character this is exact.
    if (text.size() == glyphs.size())
        for (int i = 0; i < glyphs.size(); ++i)
            f.glyphText.emplace(glyphs[i], QString(text[i]));
    else
        for (quint32 g : glyphs)
            f.glyphText.emplace(g, QString());
    if (!clip.isEmpty()) {
        m_content += "q\n";
        clipTo(clip);
    }
    const QList<QPointF> pos = run.positions();
    const double size = raw.pixelSize();
    if (color.rgb() != m_fill) {
        m_content += colorOps(color, "rg");
        m_fill = color.rgb();
    }
    m_content += "BT ";
    if (f.number != m_textFont || size != m_textSize) {
        m_content += "/F" + QByteArray::number(f.number) + ' ';
        num(m_content, size);
        m_content += " Tf ";
        m_textFont = f.number;
        m_textSize = size;
    }
    // One run, its glyphs advanced by the font's widths; a new run where the layout placed a glyph
    // elsewhere. Runs made for a text (given) are placed by those widths already.
    const bool natural = !text.isEmpty();
    const QList<QPointF> advances =
        natural && !run.underline() && !run.strikeOut() ? QList<QPointF>() : raw.advancesForGlyphIndexes(glyphs);
    // Slant by hand when italic is wanted and the face is upright (no italic face installed).
    const double slant = (italic || raw.style() != QFont::StyleNormal) && !f.italicFace ? 0.2 : 0;
    int i = 0;
    while (i < glyphs.size()) {
        const QPointF start = origin + pos[i];
        m_content += nums({1, 0, slant, -1, start.x(), start.y()}) + "Tm <";
        double x = pos[i].x();
        int j = i;
        for (; j < glyphs.size(); ++j) {
            if (!natural && j > i && (std::abs(pos[j].x() - x) > 0.01 || std::abs(pos[j].y() - pos[i].y()) > 0.01))
                break;
            hex4(m_content, glyphs[j]);
            if (!natural)
                x += advances[j].x();
        }
        m_content += "> Tj ";
        i = j;
    }
    m_content += "ET\n";
    if (run.underline() || run.strikeOut()) {
        const double width = pos.last().x() + advances.last().x() - pos.first().x();
        QPen pen(color);
        pen.setWidthF(std::max(0.5, size / 14));
        pen.setCapStyle(Qt::FlatCap);
        const QPointF base = origin + pos.first();
        if (run.underline())
            strokeLine(QLineF(base + QPointF(0, size / 8), base + QPointF(width, size / 8)), pen);
        if (run.strikeOut())
            strokeLine(QLineF(base - QPointF(0, raw.xHeight() / 2), base + QPointF(width, -raw.xHeight() / 2)), pen);
    }
    if (!clip.isEmpty())
        restore();
}

void PdfWriter::restore()
{
    m_content += "Q\n";
    m_fill = 0xFFFFFFFF;
    m_textFont = 0;
}

void PdfWriter::drawText(const QRectF& rect, int flags, const QString& textIn, const QFont& qfont, const QColor& color)
{
    QString text = textIn;
    text.replace(u'\n', QChar::LineSeparator);
    QTextLayout layout(text, qfont);
    QTextOption option(Qt::Alignment(flags & Qt::AlignHorizontal_Mask));
    option.setWrapMode((flags & Qt::TextWordWrap) ? QTextOption::WrapAtWordBoundaryOrAnywhere : QTextOption::NoWrap);
    layout.setTextOption(option);
    layout.beginLayout();
    double y = 0;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(rect.width());
        line.setPosition(QPointF(0, y));
        y += line.height();
    }
    layout.endLayout();
    double top = rect.top();
    if (flags & Qt::AlignBottom)
        top = rect.bottom() - y;
    else if (flags & Qt::AlignVCenter)
        top = rect.top() + (rect.height() - y) / 2;
    const QPointF origin(rect.left(), top);
    // The glyphs of each run and the characters they come from, so that the text can be found again.
    for (const QGlyphRun& run : layout.glyphRuns()) {
        const QList<quint32> glyphs = run.glyphIndexes();
        const QList<quint32> fromText = run.rawFont().glyphIndexesForString(text);
        FontEntry& f = font(run.rawFont());
        for (int i = 0; i < fromText.size() && i < text.size(); ++i)
            f.glyphText.emplace(fromText[i], QString(text[i]));
        drawGlyphs(origin, run, QString(), color, rect.adjusted(-1, -1, 1, 1), qfont.italic());
    }
}

void PdfWriter::writeFont(const FontEntry& f)
{
    std::set<quint32> used;
    for (const auto& [g, t] : f.glyphText)
        used.insert(g);
    bool ok = false;
    const QByteArray file = subsetTrueType(f.raw, used, &ok);
    if (!ok)
        m_unsupportedFont = true;
    const QByteArray head = f.raw.fontTable("head");
    const QByteArray hhea = f.raw.fontTable("hhea");
    const double upm = std::max<quint16>(1, be16(head, 18));
    auto units = [&](int v) { return QByteArray::number(qRound(v * 1000.0 / upm)); };
    QByteArray name =
        f.raw.familyName().toLatin1() + (f.raw.styleName().isEmpty() ? "" : "-" + f.raw.styleName().toLatin1());
    name.replace(' ', "");
    QByteArray tag = "LDR";
    for (int n = f.number, i = 0; i < 3; ++i, n /= 26)
        tag += char('A' + n % 26);
    name = tag + '+' + name;

    const int cid = newObject(), descriptor = newObject(), fontFile = newObject(), toUnicode = newObject();
    startObject(f.objectId);
    m_file.write("<< /Type /Font /Subtype /Type0 /BaseFont /" + name + " /Encoding /Identity-H /DescendantFonts [" +
                 QByteArray::number(cid) + " 0 R] /ToUnicode " + QByteArray::number(toUnicode) + " 0 R >>\nendobj\n");

    QRawFont unitFont = f.raw;
    unitFont.setPixelSize(1000);
    QList<quint32> glyphList(used.begin(), used.end());
    const QList<QPointF> widths = unitFont.advancesForGlyphIndexes(glyphList);
    QByteArray w = "[";
    for (int i = 0; i < glyphList.size(); ++i)
        w += QByteArray::number(glyphList[i]) + " [" + QByteArray::number(qRound(widths[i].x())) + "] ";
    w += ']';
    startObject(cid);
    m_file.write("<< /Type /Font /Subtype /CIDFontType2 /BaseFont /" + name +
                 " /CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >> /FontDescriptor " +
                 QByteArray::number(descriptor) + " 0 R /CIDToGIDMap /Identity /W " + w + " >>\nendobj\n");
    startObject(descriptor);
    const int flagsValue = 32 | (f.italicFace ? 64 : 0);
    m_file.write("<< /Type /FontDescriptor /FontName /" + name + " /Flags " + QByteArray::number(flagsValue) +
                 " /FontBBox [" + units(qint16(be16(head, 36))) + ' ' + units(qint16(be16(head, 38))) + ' ' +
                 units(qint16(be16(head, 40))) + ' ' + units(qint16(be16(head, 42))) + "] /ItalicAngle " +
                 (f.italicFace ? "-12" : "0") + " /Ascent " + units(qint16(be16(hhea, 4))) + " /Descent " +
                 units(qint16(be16(hhea, 6))) + " /CapHeight " + units(qint16(be16(hhea, 4))) +
                 " /StemV 80 /FontFile2 " + QByteArray::number(fontFile) + " 0 R >>\nendobj\n");
    writeStream(fontFile, " /Length1 " + QByteArray::number(file.size()), file, true);

    QByteArray cmap = "/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n"
                      "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\n"
                      "/CMapName /Adobe-Identity-UCS def\n/CMapType 2 def\n"
                      "1 begincodespacerange\n<0000> <FFFF>\nendcodespacerange\n";
    std::vector<std::pair<quint32, QString>> mapped;
    for (const auto& [g, t] : f.glyphText)
        if (!t.isEmpty())
            mapped.emplace_back(g, t);
    for (size_t i = 0; i < mapped.size(); i += 100) {
        const size_t end = std::min(mapped.size(), i + 100);
        cmap += QByteArray::number(static_cast<int>(end - i)) + " beginbfchar\n";
        for (size_t k = i; k < end; ++k) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "<%04X> ", mapped[k].first & 0xFFFF);
            cmap += buf;
            cmap += pdfString(mapped[k].second).mid(5).prepend('<') + '\n';
        }
        cmap += "endbfchar\n";
    }
    cmap += "endcmap\nCMapName currentdict /CMap defineresource pop\nend\nend\n";
    writeStream(toUnicode, QByteArray(), cmap, true);
}

bool PdfWriter::finish()
{
    for (const auto& f : m_fonts)
        writeFont(*f);
    startObject(m_resourcesId);
    QByteArray res = "<< /ProcSet [/PDF /Text /ImageC] /Font <<";
    for (const auto& f : m_fonts)
        res += " /F" + QByteArray::number(f->number) + ' ' + QByteArray::number(f->objectId) + " 0 R";
    res += " >> /XObject <<";
    for (const auto& [number, id] : m_imageObjects)
        res += " /Im" + QByteArray::number(number) + ' ' + QByteArray::number(id) + " 0 R";
    res += " >> >>\nendobj\n";
    m_file.write(res);
    startObject(m_pagesId);
    QByteArray kids;
    for (int p : m_pages)
        kids += QByteArray::number(p) + " 0 R ";
    m_file.write("<< /Type /Pages /Kids [" + kids + "] /Count " + QByteArray::number(m_pages.size()) + " >>\nendobj\n");
    startObject(1);
    m_file.write("<< /Type /Catalog /Pages " + QByteArray::number(m_pagesId) + " 0 R >>\nendobj\n");
    const int info = newObject();
    startObject(info);
    QByteArray infoDict = "<<";
    for (const auto& [key, value] : m_info)
        if (!value.isEmpty())
            infoDict += " /" + key + ' ' + pdfString(value);
    m_file.write(infoDict + " /Producer " + pdfString(QStringLiteral("Ledrana")) + " >>\nendobj\n");
    const qint64 xref = m_file.pos();
    QByteArray table = "xref\n0 " + QByteArray::number(m_offsets.size()) + "\n0000000000 65535 f \n";
    for (size_t i = 1; i < m_offsets.size(); ++i) {
        char buf[24];
        std::snprintf(buf, sizeof buf, "%010lld 00000 n \n", static_cast<long long>(m_offsets[i]));
        table += buf;
    }
    m_file.write(table);
    m_file.write("trailer\n<< /Size " + QByteArray::number(m_offsets.size()) + " /Root 1 0 R /Info " +
                 QByteArray::number(info) + " 0 R >>\nstartxref\n" + QByteArray::number(xref) + "\n%%EOF\n");
    const bool ok = m_file.error() == QFileDevice::NoError;
    m_file.close();
    return ok && !m_unsupportedFont;
}

} // namespace report
