#include "report/fr3.h"

#include "base/cp1250.h"

#include <QStringDecoder>

#include <cmath>

namespace report {

namespace {

// --- Lenient XML tokenizer -----------------------------------------------------------------

struct Element
{
    QByteArray name;
    QList<QPair<QByteArray, QByteArray>> attrs; // raw bytes, entities not yet decoded
    std::vector<Element> children;
};

class Tokenizer
{
public:
    Tokenizer(const QByteArray& data, const QString& fileName) : m_d(data), m_file(fileName) {}

    Element parse()
    {
        if (m_d.startsWith("\xEF\xBB\xBF"))
            m_p = 3;
        std::vector<Element> stack;
        std::vector<Element> roots;
        while (m_p < m_d.size()) {
            int lt = m_d.indexOf('<', m_p);
            if (lt < 0) {
                m_p = m_d.size();
                break;
            }
            m_p = lt;
            if (m_d.mid(m_p, 4) == "<!--") {
                skipPast("-->", "komentář");
            } else if (m_d.mid(m_p, 2) == "<?") {
                int start = m_p;
                skipPast("?>", "deklarace XML");
                m_declaration = m_d.mid(start, m_p - start);
            } else if (m_d.mid(m_p, 9) == "<![CDATA[") {
                skipPast("]]>", "CDATA");
            } else if (m_d.mid(m_p, 2) == "<!") {
                skipPast(">", "deklarace");
            } else if (m_d.mid(m_p, 2) == "</") {
                m_p += 2;
                QByteArray name = readName();
                skipSpace();
                if (m_p >= m_d.size() || m_d[m_p] != '>')
                    fail(QStringLiteral("neukončená koncová značka </%1>").arg(QString::fromLatin1(name)));
                ++m_p;
                // Close up to the matching element; a stray end tag is ignored.
                int match = -1;
                for (int i = static_cast<int>(stack.size()) - 1; i >= 0; --i)
                    if (stack[i].name == name) {
                        match = i;
                        break;
                    }
                if (match < 0)
                    continue;
                while (static_cast<int>(stack.size()) > match) {
                    Element done = std::move(stack.back());
                    stack.pop_back();
                    (stack.empty() ? roots : stack.back().children).push_back(std::move(done));
                }
            } else {
                ++m_p;
                Element e;
                e.name = readName();
                if (e.name.isEmpty())
                    fail(QStringLiteral("chybná značka na pozici %1").arg(lt));
                bool selfClosed = readAttributes(e);
                if (selfClosed)
                    (stack.empty() ? roots : stack.back().children).push_back(std::move(e));
                else
                    stack.push_back(std::move(e));
            }
        }
        if (!stack.empty())
            fail(QStringLiteral("soubor je neúplný (chybí </%1>)").arg(QString::fromLatin1(stack.front().name)));
        for (auto& r : roots)
            if (r.name == "TfrxReport")
                return std::move(r);
        if (roots.empty())
            fail(QStringLiteral("soubor neobsahuje XML šablonu sestavy"));
        fail(QStringLiteral("kořenový prvek je „%1“ místo TfrxReport").arg(QString::fromLatin1(roots.front().name)));
    }

    const QByteArray& declaration() const { return m_declaration; }

private:
    [[noreturn]] void fail(const QString& reason)
    {
        throw ReportError(QStringLiteral("Šablonu sestavy „%1“ nelze načíst: %2.").arg(m_file, reason));
    }

    void skipPast(const char* end, const char* what)
    {
        int e = m_d.indexOf(end, m_p);
        if (e < 0)
            fail(QStringLiteral("neukončený %1").arg(QString::fromUtf8(what)));
        m_p = e + static_cast<int>(qstrlen(end));
    }

    void skipSpace()
    {
        while (m_p < m_d.size() && isspace(static_cast<unsigned char>(m_d[m_p])))
            ++m_p;
    }

    QByteArray readName()
    {
        int s = m_p;
        while (m_p < m_d.size()) {
            char c = m_d[m_p];
            if (isspace(static_cast<unsigned char>(c)) || c == '/' || c == '>' || c == '=' || c == '<')
                break;
            ++m_p;
        }
        return m_d.mid(s, m_p - s);
    }

    // Returns true for <x ... />.
    bool readAttributes(Element& e)
    {
        for (;;) {
            skipSpace();
            if (m_p >= m_d.size())
                fail(QStringLiteral("neočekávaný konec souboru ve značce <%1>").arg(QString::fromLatin1(e.name)));
            char c = m_d[m_p];
            if (c == '>') {
                ++m_p;
                return false;
            }
            if (c == '/' && m_p + 1 < m_d.size() && m_d[m_p + 1] == '>') {
                m_p += 2;
                return true;
            }
            QByteArray name = readName();
            if (name.isEmpty())
                fail(QStringLiteral("chybný atribut ve značce <%1>").arg(QString::fromLatin1(e.name)));
            skipSpace();
            QByteArray value;
            if (m_p < m_d.size() && m_d[m_p] == '=') {
                ++m_p;
                skipSpace();
                if (m_p < m_d.size() && (m_d[m_p] == '"' || m_d[m_p] == '\'')) {
                    char q = m_d[m_p++];
                    int end = m_d.indexOf(q, m_p);
                    if (end < 0)
                        fail(QStringLiteral("neukončená hodnota atributu %1").arg(QString::fromLatin1(name)));
                    value = m_d.mid(m_p, end - m_p);
                    m_p = end + 1;
                } else {
                    int s = m_p;
                    while (m_p < m_d.size() && !isspace(static_cast<unsigned char>(m_d[m_p])) && m_d[m_p] != '>')
                        ++m_p;
                    value = m_d.mid(s, m_p - s);
                }
            }
            e.attrs.append(qMakePair(name, value));
        }
    }

    const QByteArray& m_d;
    QString m_file;
    int m_p = 0;
    QByteArray m_declaration;
};

QString decodeEntities(const QString& s)
{
    if (!s.contains(u'&'))
        return s;
    QString out;
    out.reserve(s.size());
    for (int i = 0; i < s.size(); ++i) {
        if (s[i] != u'&') {
            out += s[i];
            continue;
        }
        int semi = s.indexOf(u';', i);
        if (semi < 0 || semi - i > 10) {
            out += s[i];
            continue;
        }
        QString ent = s.mid(i + 1, semi - i - 1);
        char32_t code = 0;
        bool ok = true;
        if (ent.startsWith(QLatin1String("#x")) || ent.startsWith(QLatin1String("#X")))
            code = ent.mid(2).toUInt(&ok, 16);
        else if (ent.startsWith(u'#'))
            code = ent.mid(1).toUInt(&ok, 10);
        else if (ent == QLatin1String("amp"))
            code = '&';
        else if (ent == QLatin1String("lt"))
            code = '<';
        else if (ent == QLatin1String("gt"))
            code = '>';
        else if (ent == QLatin1String("quot"))
            code = '"';
        else if (ent == QLatin1String("apos"))
            code = '\'';
        else if (ent == QLatin1String("nbsp"))
            code = 0xA0;
        else
            ok = false;
        if (!ok || code == 0) {
            out += s[i];
            continue;
        }
        out += QString::fromUcs4(&code, 1);
        i = semi;
    }
    return out;
}

QString decodeText(const QByteArray& raw)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString s = utf8(raw);
    if (utf8.hasError())
        s = decodeCp1250(raw);
    return decodeEntities(s);
}

// --- Attribute values ----------------------------------------------------------------------

bool parseFloat(const QString& s, double* out)
{
    QString t = s.trimmed();
    t.replace(u',', u'.');
    bool ok = false;
    double d = t.toDouble(&ok);
    if (ok)
        *out = d;
    return ok;
}

bool parseBool(const QString& s, bool fallback)
{
    if (s.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0 || s == QLatin1String("1"))
        return true;
    if (s.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0 || s == QLatin1String("0"))
        return false;
    return fallback;
}

int parseInt(const QString& s, int fallback)
{
    bool ok = false;
    QString t = s.trimmed();
    int v = t.startsWith(u'$') ? t.mid(1).toInt(&ok, 16) : t.toInt(&ok);
    if (!ok) {
        double d = 0;
        if (parseFloat(t, &d))
            return static_cast<int>(d);
    }
    return ok ? v : fallback;
}

// An enum written by name or as its number.
int parseEnum(const QString& s, std::initializer_list<const char*> names, int fallback)
{
    int i = 0;
    for (const char* n : names) {
        if (s.compare(QLatin1String(n), Qt::CaseInsensitive) == 0)
            return i;
        ++i;
    }
    bool ok = false;
    int v = s.toInt(&ok);
    return ok && v >= 0 && v < static_cast<int>(names.size()) ? v : fallback;
}

constexpr int kColorNone = 536870911;

QColor parseColor(const QString& s)
{
    static const QHash<QString, int> named = {
        {"clblack", 0},         {"clwhite", 0xFFFFFF},     {"clsilver", 0xC0C0C0},        {"clgray", 0x808080},
        {"clred", 0x0000FF},    {"clgreen", 0x008000},     {"clblue", 0xFF0000},          {"clyellow", 0x00FFFF},
        {"clnone", kColorNone}, {"clwindow", -0x7FFFFFFB}, {"clwindowtext", -0x7FFFFFF8}, {"clbtnface", -0x7FFFFFF1}};
    int v = 0;
    auto it = named.find(s.trimmed().toLower());
    if (it != named.end())
        v = it.value();
    else
        v = parseInt(s, kColorNone);
    if (v == kColorNone || v == 0x1FFFFFFF)
        return {};
    if (v < 0) {
        switch (v & 0xFF) {
        case 5:
            return Qt::white; // window
        case 8:
            return Qt::black; // window text
        case 15:
            return QColor(0xF0, 0xF0, 0xF0); // button face
        default:
            return Qt::black;
        }
    }
    return QColor(v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF);
}

QString colorText(const QColor& c)
{
    if (!c.isValid())
        return QString::number(kColorNone);
    return QString::number(c.red() | (c.green() << 8) | (c.blue() << 16));
}

QString floatText(double v)
{
    QString s = QString::number(v, 'f', 5);
    while (s.contains(u'.') && (s.endsWith(u'0') || s.endsWith(u'.'))) {
        bool dot = s.endsWith(u'.');
        s.chop(1);
        if (dot)
            break;
    }
    if (s == QLatin1String("-0"))
        s = QStringLiteral("0");
    return s;
}

const char* const kHAlign[] = {"haLeft", "haRight", "haCenter", "haBlock"};
const char* const kVAlign[] = {"vaTop", "vaBottom", "vaCenter"};
const char* const kFrameStyle[] = {"fsSolid", "fsDash", "fsDot", "fsDashDot", "fsDashDotDot", "fsDouble"};
const char* const kShape[] = {"skRectangle", "skRoundRectangle", "skEllipse",  "skTriangle",
                              "skDiamond",   "skDiagonal1",      "skDiagonal2"};
const char* const kFormatKind[] = {"fkText", "fkNumeric", "fkDateTime", "fkBoolean"};

int frameTyp(const QString& s)
{
    bool ok = false;
    int v = s.trimmed().toInt(&ok);
    if (ok)
        return v;
    int typ = 0;
    for (const QString& part : s.split(u',', Qt::SkipEmptyParts)) {
        const QString p = part.trimmed().toLower();
        if (p == QLatin1String("ftleft"))
            typ |= 1;
        else if (p == QLatin1String("ftright"))
            typ |= 2;
        else if (p == QLatin1String("fttop"))
            typ |= 4;
        else if (p == QLatin1String("ftbottom"))
            typ |= 8;
    }
    return typ;
}

// Applies one attribute to a font; false when the name is not a font attribute.
bool fontAttribute(Font& f, const QString& name, const QString& value)
{
    if (name == QLatin1String("Font.Name"))
        f.name = value;
    else if (name == QLatin1String("Font.Height"))
        f.height = parseInt(value, f.height);
    else if (name == QLatin1String("Font.Style"))
        f.style = parseInt(value, f.style);
    else if (name == QLatin1String("Font.Color"))
        f.color = parseColor(value);
    else if (name == QLatin1String("Font.Charset"))
        f.charset = parseInt(value, f.charset);
    else
        return false;
    return true;
}

bool geometryAttribute(double* left, double* top, double* width, double* height, const QString& name,
                       const QString& value)
{
    double* target = nullptr;
    if (name == QLatin1String("Left"))
        target = left;
    else if (name == QLatin1String("Top"))
        target = top;
    else if (name == QLatin1String("Width"))
        target = width;
    else if (name == QLatin1String("Height"))
        target = height;
    if (!target)
        return false;
    parseFloat(value, target);
    return true;
}

bool isObjectClass(const QByteArray& name)
{
    return name.startsWith("Tfrx") && name.endsWith("View");
}

ReportObject readObject(const Element& e, const Font& parentFontValue)
{
    ReportObject o;
    o.className = QString::fromLatin1(e.name);
    if (e.name == "TfrxLineView")
        o.kind = ReportObject::Kind::Line;
    else if (e.name == "TfrxShapeView")
        o.kind = ReportObject::Kind::Shape;
    else if (e.name == "TfrxPictureView")
        o.kind = ReportObject::Kind::Picture;
    if (o.kind == ReportObject::Kind::Line)
        o.frame.typ = 15;
    Font ownFont;
    for (const auto& [rawName, rawValue] : e.attrs) {
        const QString name = QString::fromLatin1(rawName);
        const QString value = decodeText(rawValue);
        if (name == QLatin1String("Name"))
            o.name = value;
        else if (geometryAttribute(&o.left, &o.top, &o.width, &o.height, name, value)) {
        } else if (name == QLatin1String("Visible"))
            o.visible = parseBool(value, true);
        else if (name == QLatin1String("Text") || name == QLatin1String("Memo.UTF8") ||
                 name == QLatin1String("Memo.UTF8W") || name == QLatin1String("Memo.Text"))
            o.text = value;
        else if (name == QLatin1String("DataField"))
            o.dataField = value;
        else if (name == QLatin1String("DataSetName"))
            o.dataSetName = value;
        else if (fontAttribute(ownFont, name, value)) {
        } else if (name == QLatin1String("ParentFont"))
            o.parentFont = parseBool(value, true);
        else if (name == QLatin1String("HAlign"))
            o.hAlign = static_cast<HAlign>(parseEnum(value, {kHAlign[0], kHAlign[1], kHAlign[2], kHAlign[3]}, 0));
        else if (name == QLatin1String("VAlign"))
            o.vAlign = static_cast<VAlign>(parseEnum(value, {kVAlign[0], kVAlign[1], kVAlign[2]}, 0));
        else if (name == QLatin1String("WordWrap"))
            o.wordWrap = parseBool(value, true);
        else if (name == QLatin1String("AllowExpressions"))
            o.allowExpressions = parseBool(value, true);
        else if (name == QLatin1String("HideZeros"))
            o.hideZeros = parseBool(value, false);
        else if (name == QLatin1String("GapX"))
            parseFloat(value, &o.gapX);
        else if (name == QLatin1String("GapY"))
            parseFloat(value, &o.gapY);
        else if (name == QLatin1String("DisplayFormat.Kind"))
            o.displayFormat.kind = static_cast<DisplayFormat::Kind>(
                parseEnum(value, {kFormatKind[0], kFormatKind[1], kFormatKind[2], kFormatKind[3]}, 0));
        else if (name == QLatin1String("DisplayFormat.FormatStr"))
            o.displayFormat.formatStr = value;
        else if (name == QLatin1String("DisplayFormat.DecimalSeparator"))
            o.displayFormat.decimalSeparator = value;
        else if (name == QLatin1String("Color"))
            o.color = parseColor(value);
        else if (name == QLatin1String("Frame.Typ"))
            o.frame.typ = frameTyp(value);
        else if (name == QLatin1String("Frame.Width"))
            parseFloat(value, &o.frame.width);
        else if (name == QLatin1String("Frame.Color"))
            o.frame.color = parseColor(value);
        else if (name == QLatin1String("Frame.Style"))
            o.frame.style = static_cast<Frame::Style>(parseEnum(
                value, {kFrameStyle[0], kFrameStyle[1], kFrameStyle[2], kFrameStyle[3], kFrameStyle[4], kFrameStyle[5]},
                0));
        else if (name == QLatin1String("Diagonal"))
            o.diagonal = parseBool(value, false);
        else if (name == QLatin1String("Shape"))
            o.shape = static_cast<ShapeKind>(
                parseEnum(value, {kShape[0], kShape[1], kShape[2], kShape[3], kShape[4], kShape[5], kShape[6]}, 0));
        else if (name == QLatin1String("Center"))
            o.center = parseBool(value, false);
        else if (name == QLatin1String("Stretched"))
            o.stretched = parseBool(value, true);
        else if (name == QLatin1String("KeepAspectRatio"))
            o.keepAspectRatio = parseBool(value, true);
        else if (name == QLatin1String("FileLink"))
            o.fileLink = value;
        else
            o.extra.append(qMakePair(name, value));
    }
    o.font = o.parentFont ? parentFontValue : ownFont;
    if (o.dataSetName.isEmpty()) // only the component named: its name is the alias
        for (const auto& [n, v] : o.extra)
            if (n == QLatin1String("DataSet"))
                o.dataSetName = v;
    return o;
}

Band readBand(const Element& e, const Font& pageFont)
{
    Band b;
    b.className = QString::fromLatin1(e.name);
    b.kind = Band::kindOf(b.className);
    Font ownFont;
    for (const auto& [rawName, rawValue] : e.attrs) {
        const QString name = QString::fromLatin1(rawName);
        const QString value = decodeText(rawValue);
        if (name == QLatin1String("Name"))
            b.name = value;
        else if (geometryAttribute(&b.left, &b.top, &b.width, &b.height, name, value)) {
        } else if (name == QLatin1String("Visible"))
            b.visible = parseBool(value, true);
        else if (name == QLatin1String("StartNewPage"))
            b.startNewPage = parseBool(value, false);
        else if (name == QLatin1String("Stretched"))
            b.stretched = parseBool(value, false);
        else if (name == QLatin1String("ReprintOnNewPage"))
            b.reprintOnNewPage = parseBool(value, false);
        else if (name == QLatin1String("PrintOnFirstPage"))
            b.printOnFirstPage = parseBool(value, true);
        else if (name == QLatin1String("PrintOnLastPage"))
            b.printOnLastPage = parseBool(value, true);
        else if (name == QLatin1String("DataSetName"))
            b.dataSetName = value;
        else if (name == QLatin1String("RowCount"))
            b.rowCount = parseInt(value, 0);
        else if (name == QLatin1String("Condition"))
            b.condition = value;
        else if (name == QLatin1String("Child"))
            b.child = value;
        else if (fontAttribute(ownFont, name, value)) {
        } else if (name == QLatin1String("ParentFont"))
            b.parentFont = parseBool(value, true);
        else
            b.extra.append(qMakePair(name, value));
    }
    b.font = b.parentFont ? pageFont : ownFont;
    if (b.dataSetName.isEmpty())
        for (const auto& [n, v] : b.extra)
            if (n == QLatin1String("DataSet"))
                b.dataSetName = v;
    for (const auto& c : e.children)
        if (isObjectClass(c.name))
            b.objects.push_back(std::make_unique<ReportObject>(readObject(c, b.font)));
    return b;
}

void readPage(const Element& e, ReportPage& page)
{
    for (const auto& [rawName, rawValue] : e.attrs) {
        const QString name = QString::fromLatin1(rawName);
        const QString value = decodeText(rawValue);
        if (name == QLatin1String("Name"))
            page.name = value;
        else if (name == QLatin1String("PaperWidth"))
            parseFloat(value, &page.paperWidth);
        else if (name == QLatin1String("PaperHeight"))
            parseFloat(value, &page.paperHeight);
        else if (name == QLatin1String("PaperSize"))
            page.paperSize = parseInt(value, page.paperSize);
        else if (name == QLatin1String("LeftMargin"))
            parseFloat(value, &page.leftMargin);
        else if (name == QLatin1String("RightMargin"))
            parseFloat(value, &page.rightMargin);
        else if (name == QLatin1String("TopMargin"))
            parseFloat(value, &page.topMargin);
        else if (name == QLatin1String("BottomMargin"))
            parseFloat(value, &page.bottomMargin);
        else if (name == QLatin1String("Orientation"))
            page.landscape = value.compare(QLatin1String("poLandscape"), Qt::CaseInsensitive) == 0 || value == u'1';
        else if (!fontAttribute(page.font, name, value))
            page.extra.append(qMakePair(name, value));
    }
    for (const auto& c : e.children) {
        if (isObjectClass(c.name))
            page.objects.push_back(std::make_unique<ReportObject>(readObject(c, page.font)));
        else if (c.name.startsWith("Tfrx"))
            page.bands.push_back(std::make_unique<Band>(readBand(c, page.font)));
    }
}

// Attribute text of a list item (` Name="firma" Value="'x'"`) to pairs.
QList<QPair<QString, QString>> itemAttributes(const QByteArray& text)
{
    const QByteArray wrapped = "<TfrxReport><item " + text + "/></TfrxReport>";
    QList<QPair<QString, QString>> out;
    try {
        Tokenizer tokenizer(wrapped, QString());
        Element root = tokenizer.parse();
        if (!root.children.empty())
            for (const auto& [n, v] : root.children.front().attrs)
                out.append({QString::fromLatin1(n), decodeText(v)});
    } catch (const ReportError&) {
        // an unreadable item is left out
    }
    return out;
}

void addListItem(Design& design, const QString& list, const QList<QPair<QString, QString>>& attrs)
{
    auto get = [&](const char* key) {
        for (const auto& a : attrs)
            if (a.first.compare(QLatin1String(key), Qt::CaseInsensitive) == 0)
                return a.second;
        return QString();
    };
    if (list.compare(QLatin1String("Datasets"), Qt::CaseInsensitive) == 0)
        design.datasets.append({get("DataSet"), get("DataSetName")});
    else if (list.compare(QLatin1String("Variables"), Qt::CaseInsensitive) == 0)
        design.variables.append({get("Name"), get("Value")});
}

// --- PropData: a hex-coded stream of named values -------------------------------------------

class PropStream
{
public:
    PropStream(const QByteArray& bytes, const QString& fileName) : m_b(bytes), m_file(fileName) {}

    void read(Design& design)
    {
        while (m_p < m_b.size()) {
            const int len = byte();
            if (len == 0)
                break;
            const QString name = QString::fromLatin1(take(len));
            std::vector<QByteArray> strings;
            readValue(&strings);
            for (const QByteArray& s : strings)
                addListItem(design, name, itemAttributes(s));
        }
    }

private:
    [[noreturn]] void fail()
    {
        throw ReportError(QStringLiteral("Šablonu sestavy „%1“ nelze načíst: poškozená data PropData na pozici %2.")
                              .arg(m_file)
                              .arg(m_p));
    }
    int byte()
    {
        if (m_p >= m_b.size())
            fail();
        return static_cast<unsigned char>(m_b[m_p++]);
    }
    QByteArray take(qint64 n)
    {
        if (n < 0 || m_p + n > m_b.size())
            fail();
        QByteArray r = m_b.mid(m_p, static_cast<int>(n));
        m_p += static_cast<int>(n);
        return r;
    }
    qint64 int32()
    {
        QByteArray b = take(4);
        return static_cast<qint32>(static_cast<quint32>(static_cast<unsigned char>(b[0])) |
                                   (static_cast<quint32>(static_cast<unsigned char>(b[1])) << 8) |
                                   (static_cast<quint32>(static_cast<unsigned char>(b[2])) << 16) |
                                   (static_cast<quint32>(static_cast<unsigned char>(b[3])) << 24));
    }

    // Reads one value; strings found in it (also inside lists) are appended. Returns false at an end marker.
    bool readValue(std::vector<QByteArray>* strings)
    {
        const int type = byte();
        switch (type) {
        case 0x00:
            return false;
        case 0x01: // list
            while (readValue(strings)) {
            }
            return true;
        case 0x02:
            take(1);
            return true;
        case 0x03:
            take(2);
            return true;
        case 0x04:
            take(4);
            return true;
        case 0x05:
            take(10);
            return true;
        case 0x06:
        case 0x07: // short string, identifier
            strings->push_back(take(byte()));
            return true;
        case 0x08:
        case 0x09:
        case 0x0D:
            return true;
        case 0x0A:
            take(int32());
            return true;
        case 0x0B: // set: names until an empty one
            for (int len = byte(); len != 0; len = byte())
                take(len);
            return true;
        case 0x0C:
        case 0x14: // long string, UTF-8 string
            strings->push_back(take(int32()));
            return true;
        case 0x12: { // UTF-16LE, length in characters
            QByteArray raw = take(int32() * 2);
            QString s = QString::fromUtf16(reinterpret_cast<const char16_t*>(raw.constData()), raw.size() / 2);
            strings->push_back(s.toUtf8());
            return true;
        }
        case 0x0E: // collection: items are property lists
            while (m_p < m_b.size() && m_b[m_p] != 0) {
                for (int len = byte(); len != 0; len = byte()) {
                    take(len);
                    readValue(strings);
                }
            }
            byte();
            return true;
        case 0x10:
            take(8);
            return true;
        case 0x11:
            take(8);
            return true;
        default:
            fail();
        }
    }

    const QByteArray m_b;
    QString m_file;
    int m_p = 0;
};

// --- Writer ----------------------------------------------------------------------------------

QString escape(const QString& s)
{
    QString out;
    out.reserve(s.size() + 8);
    for (QChar c : s) {
        switch (c.unicode()) {
        case '&':
            out += QLatin1String("&#38;");
            break;
        case '<':
            out += QLatin1String("&#60;");
            break;
        case '>':
            out += QLatin1String("&#62;");
            break;
        case '"':
            out += QLatin1String("&#34;");
            break;
        case '\r':
            out += QLatin1String("&#13;");
            break;
        case '\n':
            out += QLatin1String("&#10;");
            break;
        default:
            out += c;
        }
    }
    return out;
}

class Writer
{
public:
    QString out;

    void open(int indent, const QString& tag, const Attributes& attrs, bool selfClose)
    {
        out += QString(indent * 2, u' ') + u'<' + tag;
        for (const auto& [n, v] : attrs)
            out += u' ' + n + QLatin1String("=\"") + escape(v) + u'"';
        out += selfClose ? QLatin1String("/>\n") : QLatin1String(">\n");
    }
    void close(int indent, const QString& tag)
    {
        out += QString(indent * 2, u' ') + QLatin1String("</") + tag + QLatin1String(">\n");
    }
};

void put(Attributes& a, const QString& name, const QString& value)
{
    a.append(qMakePair(name, value));
}

// Kept attributes, except those the writer has already written from the design.
void addExtra(Attributes& a, const Attributes& extra)
{
    for (const auto& e : extra) {
        bool written = false;
        for (const auto& w : a)
            if (w.first == e.first)
                written = true;
        if (!written)
            a.append(e);
    }
}

void addFont(Attributes& a, const Font& f)
{
    put(a, "Font.Charset", QString::number(f.charset));
    put(a, "Font.Color", colorText(f.color));
    put(a, "Font.Height", QString::number(f.height));
    put(a, "Font.Name", f.name);
    put(a, "Font.Style", QString::number(f.style));
}

void addGeometry(Attributes& a, double left, double top, double width, double height)
{
    put(a, "Left", floatText(left));
    put(a, "Top", floatText(top));
    put(a, "Width", floatText(width));
    put(a, "Height", floatText(height));
}

void addFrame(Attributes& a, const Frame& f, bool line)
{
    const Frame def;
    if (f.color != def.color)
        put(a, "Frame.Color", colorText(f.color));
    if (f.style != def.style)
        put(a, "Frame.Style", QLatin1String(kFrameStyle[static_cast<int>(f.style)]));
    if ((line && f.typ != 15) || (!line && f.typ != 0))
        put(a, "Frame.Typ", QString::number(f.typ));
    if (f.width != def.width)
        put(a, "Frame.Width", floatText(f.width));
}

void writeObject(Writer& w, const ReportObject& o, int indent)
{
    Attributes a;
    put(a, "Name", o.name);
    addGeometry(a, o.left, o.top, o.width, o.height);
    if (!o.visible)
        put(a, "Visible", "False");
    switch (o.kind) {
    case ReportObject::Kind::Memo: {
        if (o.allowExpressions == false)
            put(a, "AllowExpressions", "False");
        if (o.color.isValid())
            put(a, "Color", colorText(o.color));
        if (!o.dataField.isEmpty())
            put(a, "DataField", o.dataField);
        if (!o.dataSetName.isEmpty()) {
            put(a, "DataSet", o.dataSetName);
            put(a, "DataSetName", o.dataSetName);
        }
        if (o.displayFormat.kind != DisplayFormat::Kind::Text)
            put(a, "DisplayFormat.Kind", QLatin1String(kFormatKind[static_cast<int>(o.displayFormat.kind)]));
        if (!o.displayFormat.formatStr.isEmpty())
            put(a, "DisplayFormat.FormatStr", o.displayFormat.formatStr);
        if (!o.displayFormat.decimalSeparator.isEmpty())
            put(a, "DisplayFormat.DecimalSeparator", o.displayFormat.decimalSeparator);
        if (!o.parentFont)
            addFont(a, o.font);
        addFrame(a, o.frame, false);
        if (o.gapX != 2)
            put(a, "GapX", floatText(o.gapX));
        if (o.gapY != 1)
            put(a, "GapY", floatText(o.gapY));
        if (o.hAlign != HAlign::Left)
            put(a, "HAlign", QLatin1String(kHAlign[static_cast<int>(o.hAlign)]));
        if (o.hideZeros)
            put(a, "HideZeros", "True");
        if (!o.parentFont)
            put(a, "ParentFont", "False");
        if (o.vAlign != VAlign::Top)
            put(a, "VAlign", QLatin1String(kVAlign[static_cast<int>(o.vAlign)]));
        if (!o.wordWrap)
            put(a, "WordWrap", "False");
        put(a, "Text", o.text);
        break;
    }
    case ReportObject::Kind::Line:
        if (o.diagonal)
            put(a, "Diagonal", "True");
        addFrame(a, o.frame, true);
        break;
    case ReportObject::Kind::Shape:
        if (o.color.isValid())
            put(a, "Color", colorText(o.color));
        addFrame(a, o.frame, false);
        if (o.shape != ShapeKind::Rectangle)
            put(a, "Shape", QLatin1String(kShape[static_cast<int>(o.shape)]));
        break;
    case ReportObject::Kind::Picture:
        if (o.center)
            put(a, "Center", "True");
        if (!o.dataField.isEmpty())
            put(a, "DataField", o.dataField);
        if (!o.dataSetName.isEmpty())
            put(a, "DataSetName", o.dataSetName);
        if (!o.fileLink.isEmpty())
            put(a, "FileLink", o.fileLink);
        addFrame(a, o.frame, false);
        if (!o.keepAspectRatio)
            put(a, "KeepAspectRatio", "False");
        if (!o.stretched)
            put(a, "Stretched", "False");
        break;
    }
    addExtra(a, o.extra);
    w.open(indent, o.className, a, true);
}

void writeBand(Writer& w, const Band& b, const Font& pageFont, int indent)
{
    Attributes a;
    put(a, "Name", b.name);
    addGeometry(a, b.left, b.top, b.width, b.height);
    if (!b.visible)
        put(a, "Visible", "False");
    if (!b.child.isEmpty())
        put(a, "Child", b.child);
    if (!b.condition.isEmpty())
        put(a, "Condition", b.condition);
    if (!b.dataSetName.isEmpty()) {
        put(a, "DataSet", b.dataSetName);
        put(a, "DataSetName", b.dataSetName);
    }
    if (!(b.font == pageFont)) {
        addFont(a, b.font);
        put(a, "ParentFont", "False");
    }
    if (!b.printOnFirstPage)
        put(a, "PrintOnFirstPage", "False");
    if (!b.printOnLastPage)
        put(a, "PrintOnLastPage", "False");
    if (b.reprintOnNewPage)
        put(a, "ReprintOnNewPage", "True");
    if (b.rowCount != 0)
        put(a, "RowCount", QString::number(b.rowCount));
    if (b.startNewPage)
        put(a, "StartNewPage", "True");
    if (b.stretched)
        put(a, "Stretched", "True");
    addExtra(a, b.extra);
    const bool empty = b.objects.empty();
    w.open(indent, b.className, a, empty);
    for (const auto& o : b.objects)
        writeObject(w, *o, indent + 1);
    if (!empty)
        w.close(indent, b.className);
}

} // namespace

QString decodeCp1250(const QByteArray& bytes)
{
    return base::fromCp1250(bytes);
}

void readFr3(const QByteArray& data, Design& design, const QString& fileName)
{
    Tokenizer tokenizer(data, fileName);
    Element root = tokenizer.parse();
    design.clear();
    for (const auto& [rawName, rawValue] : root.attrs) {
        const QString name = QString::fromLatin1(rawName);
        if (name == QLatin1String("PropData")) {
            QByteArray hex = rawValue.trimmed();
            hex.replace(' ', QByteArray()).replace('\n', QByteArray()).replace('\r', QByteArray());
            for (char c : hex)
                if (!isxdigit(static_cast<unsigned char>(c)))
                    throw ReportError(
                        QStringLiteral("Šablonu sestavy „%1“ nelze načíst: PropData není šestnáctkový zápis.")
                            .arg(fileName));
            PropStream(QByteArray::fromHex(hex), fileName).read(design);
        } else if (name == QLatin1String("Version")) {
            design.version = decodeText(rawValue);
        } else {
            design.rootExtra.append(qMakePair(name, decodeText(rawValue)));
        }
    }
    for (const auto& c : root.children) {
        if (c.name == "Datasets" || c.name == "Variables") {
            for (const auto& item : c.children) {
                QList<QPair<QString, QString>> attrs;
                for (const auto& [n, v] : item.attrs)
                    attrs.append({QString::fromLatin1(n), decodeText(v)});
                addListItem(design, QString::fromLatin1(c.name), attrs);
            }
        } else if (c.name == "TfrxDataPage") {
            design.hasDataPage = true;
            for (const auto& [n, v] : c.attrs)
                design.dataPageExtra.append({QString::fromLatin1(n), decodeText(v)});
        } else if (c.name == "TfrxReportPage") {
            readPage(c, design.addPage());
        }
    }
}

QByteArray writeFr3(const Design& design)
{
    Writer w;
    w.out = QStringLiteral("<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"no\"?>\n");
    Attributes root;
    put(root, "Version", design.version.isEmpty() ? QStringLiteral("5.0") : design.version);
    addExtra(root, design.rootExtra);
    w.open(0, QStringLiteral("TfrxReport"), root, false);
    if (!design.datasets.isEmpty()) {
        w.open(1, QStringLiteral("Datasets"), {}, false);
        for (const auto& d : design.datasets)
            w.open(2, QStringLiteral("item"), {{"DataSet", d.dataSet}, {"DataSetName", d.dataSetName}}, true);
        w.close(1, QStringLiteral("Datasets"));
    }
    if (!design.variables.isEmpty()) {
        w.open(1, QStringLiteral("Variables"), {}, false);
        for (const auto& v : design.variables) {
            Attributes a{{"Name", v.name}};
            if (!v.isCategory() || !v.value.isEmpty())
                put(a, "Value", v.value);
            w.open(2, QStringLiteral("item"), a, true);
        }
        w.close(1, QStringLiteral("Variables"));
    }
    w.open(1, QStringLiteral("TfrxDataPage"),
           design.hasDataPage ? design.dataPageExtra
                              : Attributes{{"Name", "Data"}, {"Height", "1000"}, {"Width", "1000"}},
           true);
    for (const auto& page : design.pages) {
        Attributes a;
        put(a, "Name", page->name);
        put(a, "PaperWidth", floatText(page->paperWidth));
        put(a, "PaperHeight", floatText(page->paperHeight));
        put(a, "PaperSize", QString::number(page->paperSize));
        put(a, "LeftMargin", floatText(page->leftMargin));
        put(a, "RightMargin", floatText(page->rightMargin));
        put(a, "TopMargin", floatText(page->topMargin));
        put(a, "BottomMargin", floatText(page->bottomMargin));
        if (page->landscape)
            put(a, "Orientation", "poLandscape");
        if (!(page->font == Font()))
            addFont(a, page->font);
        addExtra(a, page->extra);
        w.open(1, QStringLiteral("TfrxReportPage"), a, false);
        for (const auto& o : page->objects)
            writeObject(w, *o, 2);
        for (const auto& b : page->bands)
            writeBand(w, *b, page->font, 2);
        w.close(1, QStringLiteral("TfrxReportPage"));
    }
    w.close(0, QStringLiteral("TfrxReport"));
    return w.out.toUtf8();
}

} // namespace report
