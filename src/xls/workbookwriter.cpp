#include "xls/workbookwriter.h"

#include "xls/biff.h"
#include "xls/compoundfile.h"
#include "xls/sharedstrings.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryFile>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string_view>

namespace xls {

namespace {

// Cell formats (XF records): 0-14 are the style formats every workbook carries, 15 the
// default cell format; the writer adds date formats (with and without time) and a bold
// one for the titles.
constexpr std::uint16_t xfGeneral = 15;
constexpr std::uint16_t xfDate = 16;
constexpr std::uint16_t xfTitle = 17;
constexpr std::uint16_t xfDateTime = 18;
constexpr std::uint16_t formatDate = 164; // first number format index free for own formats
constexpr std::uint16_t formatDateTime = 165;
constexpr std::uint16_t fontBold = 5; // font index 4 does not exist in the format
constexpr std::size_t flushSize = 1 << 20;
constexpr std::size_t sheetTailSize = (4 + 18) + 4; // WINDOW2 and EOF

// Day 1 of the 1900 date system is 1.1.1900, which counts a 29.2.1900 that never was:
// from 1.3.1900 on, a date's serial number is its distance from 30.12.1899.
const QDate serialBase(1899, 12, 30);
const QDate firstSerialDate(1900, 3, 1);

std::uint32_t tenthsFor(double chars)
{
    return static_cast<std::uint32_t>(std::lround(chars * 10));
}

// Characters that the General format needs to show a number: up to 11, as the
// spreadsheet shows no more in a fitted column.
int generalLength(double v)
{
    int sign = v < 0 ? 1 : 0;
    double a = std::fabs(v);
    if (a >= 1e11 || (a != 0 && a < 1e-4))
        return 11;
    int intDigits = 1;
    for (double limit = 10; a >= limit && intDigits < 11; limit *= 10)
        ++intDigits;
    if (a == std::floor(a))
        return sign + intDigits;
    int maxFraction = std::max(1, 10 - intDigits);
    double scaled = a;
    for (int k = 1; k <= maxFraction; ++k) {
        scaled *= 10;
        if (std::fabs(scaled - std::nearbyint(scaled)) <= 1e-9 * std::max(1.0, scaled))
            return sign + intDigits + 1 + k;
    }
    return sign + intDigits + 1 + maxFraction;
}

// The text's width in widths of the digit 0: capitals are wider than the rest.
double textWidth(const QString& text)
{
    double w = 0;
    for (QChar c : text)
        w += c.isUpper() ? 1.25 : 1.0;
    return w;
}

// RK: a compact 30-bit encoding of numbers that are small integers or whose double has
// a short mantissa, either possibly scaled by 100. Returns false when none is exact.
bool encodeRk(double v, std::uint32_t* rk)
{
    auto bitsOf = [](double d) {
        std::uint64_t b;
        std::memcpy(&b, &d, sizeof b);
        return b;
    };
    auto decode = [&](std::uint32_t r) {
        double d;
        if (r & 2) {
            d = static_cast<double>(static_cast<std::int32_t>(r) >> 2);
        } else {
            std::uint64_t b = std::uint64_t(r & 0xFFFFFFFC) << 32;
            std::memcpy(&d, &b, sizeof d);
        }
        return (r & 1) ? d / 100 : d;
    };
    const std::uint64_t want = bitsOf(v);
    for (int scaled = 0; scaled < 2; ++scaled) {
        double s = scaled ? v * 100 : v;
        if (s == std::nearbyint(s) && s >= -(1 << 29) && s < (1 << 29)) {
            auto r = (static_cast<std::uint32_t>(static_cast<std::int32_t>(s)) << 2) | 2u | std::uint32_t(scaled);
            if (bitsOf(decode(r)) == want) {
                *rk = r;
                return true;
            }
        }
        std::uint64_t b = bitsOf(s);
        if ((b & 0x3FFFFFFFFull) == 0) {
            auto r = static_cast<std::uint32_t>(b >> 32) | std::uint32_t(scaled);
            if (bitsOf(decode(r)) == want) {
                *rk = r;
                return true;
            }
        }
    }
    return false;
}

void putBof(std::string& out, std::uint16_t kind)
{
    std::size_t at = biff::beginRecord(out, biff::Bof);
    biff::put16(out, 0x0600); // BIFF8
    biff::put16(out, kind);   // 0x0005 workbook globals, 0x0010 worksheet
    biff::put16(out, 0x0DBB); // build
    biff::put16(out, 0x07CC); // year
    biff::put32(out, 0);      // file history
    biff::put32(out, 0x0006); // lowest version that can read it
    biff::finishRecord(out, at);
}

void putSimple(std::string& out, std::uint16_t type, std::uint16_t value)
{
    std::size_t at = biff::beginRecord(out, type);
    biff::put16(out, value);
    biff::finishRecord(out, at);
}

void putFont(std::string& out, bool bold)
{
    static const char16_t name[] = u"Arial";
    std::size_t at = biff::beginRecord(out, biff::Font);
    biff::put16(out, 200);              // 10 points, in twentieths
    biff::put16(out, bold ? 1 : 0);     // the old bold flag, for older readers; not italic
    biff::put16(out, 0x7FFF);           // automatic colour
    biff::put16(out, bold ? 700 : 400); // weight
    biff::put16(out, 0);                // no super- or subscript
    biff::put8(out, 0);                 // no underline
    biff::put8(out, 2);                 // family: swiss
    biff::put8(out, 0);                 // character set
    biff::put8(out, 0);
    biff::putString(out, name, 5, true);
    biff::finishRecord(out, at);
}

void putXf(std::string& out, std::uint16_t font, std::uint16_t format, bool style, std::uint8_t used)
{
    std::size_t at = biff::beginRecord(out, biff::Xf);
    biff::put16(out, font);
    biff::put16(out, format);
    // Locked; a style format has no parent (0xFFF), a cell format has style 0 as parent.
    biff::put16(out, style ? 0xFFF5 : 0x0001);
    biff::put8(out, 0x20); // aligned to the bottom, general horizontal alignment
    biff::put8(out, 0);    // no rotation
    biff::put8(out, 0);    // no indent
    biff::put8(out, used); // attribute groups that differ from the parent
    biff::put32(out, 0);   // no borders
    biff::put32(out, 0);   // no fill
    biff::put16(out, 0x20C0);
    biff::finishRecord(out, at);
}

} // namespace

Cell Cell::number(double value)
{
    Cell c;
    c.m_kind = Kind::Number;
    c.m_number = value;
    return c;
}

Cell Cell::date(QDate value)
{
    Cell c;
    c.m_kind = Kind::Date;
    c.m_date = value;
    return c;
}

Cell Cell::dateTime(const QDateTime& value)
{
    Cell c;
    c.m_kind = Kind::DateTime;
    c.m_date = value.date();
    c.m_time = value.time();
    return c;
}

Cell Cell::text(QString value)
{
    Cell c;
    c.m_kind = Kind::Text;
    c.m_text = std::move(value);
    return c;
}

WorkbookWriter::WorkbookWriter(QStringList titles) : WorkbookWriter(std::move(titles), Options()) {}

WorkbookWriter::WorkbookWriter(QStringList titles, Options options)
    : m_titles(std::move(titles)), m_options(std::move(options)),
      m_strings(std::make_unique<SharedStrings>(m_options.sharedStringBudget))
{
    if (m_titles.size() > maxColumns)
        fail(QStringLiteral("%1 columns do not fit in a sheet of at most %2 columns")
                 .arg(m_titles.size())
                 .arg(maxColumns));
    m_buffer.reserve(flushSize + 16384);
}

WorkbookWriter::~WorkbookWriter() = default;

int WorkbookWriter::sheetCount() const
{
    return std::max<int>(1, static_cast<int>(m_sheets.size()));
}

void WorkbookWriter::fail(const QString& message)
{
    if (m_error.isEmpty())
        m_error = message;
}

void WorkbookWriter::flushBuffer()
{
    if (m_buffer.empty())
        return;
    if (!m_cellFile) {
        m_cellFile = std::make_unique<QTemporaryFile>(QDir::tempPath() + QStringLiteral("/ledrana-xls-XXXXXX"));
        if (!m_cellFile->open()) {
            fail(QStringLiteral("Cannot create a temporary file in %1: %2")
                     .arg(QDir::tempPath(), m_cellFile->errorString()));
            m_buffer.clear();
            return;
        }
    }
    if (!m_cellFile->seek(static_cast<qint64>(m_written)) ||
        m_cellFile->write(m_buffer.data(), static_cast<qint64>(m_buffer.size())) !=
            static_cast<qint64>(m_buffer.size()))
        fail(QStringLiteral("Cannot write the temporary file %1: %2")
                 .arg(m_cellFile->fileName(), m_cellFile->errorString()));
    m_written += m_buffer.size();
    m_buffer.clear();
}

void WorkbookWriter::noteWidth(std::uint16_t column, std::uint32_t tenths)
{
    Sheet& sheet = m_sheets.back();
    if (column >= sheet.widths.size())
        sheet.widths.resize(column + 1, 0);
    sheet.widths[column] = std::max(sheet.widths[column], tenths);
}

void WorkbookWriter::startSheet()
{
    Sheet sheet;
    sheet.offset = m_written + m_buffer.size();
    m_sheets.push_back(std::move(sheet));
    m_row = 0;
    std::vector<Cell> titles;
    titles.reserve(m_titles.size());
    for (const QString& t : m_titles)
        titles.push_back(Cell::text(t));
    writeRow(titles, true);
}

void WorkbookWriter::writeNumber(std::uint16_t column, std::uint16_t xf, double value)
{
    std::uint32_t rk;
    if (encodeRk(value, &rk)) {
        biff::put16(m_buffer, biff::Rk);
        biff::put16(m_buffer, 10);
        biff::put16(m_buffer, static_cast<std::uint16_t>(m_row));
        biff::put16(m_buffer, column);
        biff::put16(m_buffer, xf);
        biff::put32(m_buffer, rk);
    } else {
        biff::put16(m_buffer, biff::Number);
        biff::put16(m_buffer, 14);
        biff::put16(m_buffer, static_cast<std::uint16_t>(m_row));
        biff::put16(m_buffer, column);
        biff::put16(m_buffer, xf);
        biff::putDouble(m_buffer, value);
    }
}

void WorkbookWriter::writeText(std::uint16_t column, std::uint16_t xf, const QString& text)
{
    // Texts short enough for a LABEL record may go there once the string table is full.
    constexpr qsizetype labelLimit = 255;
    std::uint32_t index = m_strings->indexOf(text, text.size() <= labelLimit);
    if (index != SharedStrings::noIndex) {
        biff::put16(m_buffer, biff::LabelSst);
        biff::put16(m_buffer, 10);
        biff::put16(m_buffer, static_cast<std::uint16_t>(m_row));
        biff::put16(m_buffer, column);
        biff::put16(m_buffer, xf);
        biff::put32(m_buffer, index);
    } else if (text.size() <= labelLimit) {
        std::size_t at = biff::beginRecord(m_buffer, biff::Label);
        biff::put16(m_buffer, static_cast<std::uint16_t>(m_row));
        biff::put16(m_buffer, column);
        biff::put16(m_buffer, xf);
        biff::putString(m_buffer, reinterpret_cast<const char16_t*>(text.utf16()), text.size(), false);
        biff::finishRecord(m_buffer, at);
    } else {
        fail(QStringLiteral("Too many distinct texts for one workbook"));
    }
}

void WorkbookWriter::writeRow(const std::vector<Cell>& row, bool titleRow)
{
    const std::int64_t tableRow = titleRow ? 0 : m_rowCount + 1;
    if (row.size() > static_cast<std::size_t>(maxColumns)) {
        fail(QStringLiteral("Row %1 has %2 cells; a sheet holds at most %3 columns")
                 .arg(tableRow)
                 .arg(row.size())
                 .arg(maxColumns));
        return;
    }
    Sheet& sheet = m_sheets.back();
    for (std::size_t i = 0; i < row.size(); ++i) {
        const Cell& cell = row[i];
        const auto column = static_cast<std::uint16_t>(i);
        switch (cell.kind()) {
        case Cell::Kind::Empty:
            continue;
        case Cell::Kind::Number: {
            double v = cell.numberValue();
            if (!std::isfinite(v))
                continue;
            writeNumber(column, xfGeneral, v);
            noteWidth(column, static_cast<std::uint32_t>(generalLength(v)) * 10);
            break;
        }
        case Cell::Kind::Date:
        case Cell::Kind::DateTime: {
            const QDate d = cell.dateValue();
            const bool withTime = cell.kind() == Cell::Kind::DateTime;
            if (!d.isValid() || (withTime && !cell.timeValue().isValid()))
                continue;
            if (d < firstSerialDate) {
                QString t = d.toString(QStringLiteral("d.M.yyyy"));
                if (withTime)
                    t += cell.timeValue().toString(QStringLiteral(" H:mm:ss"));
                writeText(column, xfGeneral, t);
                noteWidth(column, tenthsFor(t.size()));
            } else if (withTime) {
                const double day = cell.timeValue().msecsSinceStartOfDay() / 86400000.0;
                writeNumber(column, xfDateTime, static_cast<double>(serialBase.daysTo(d)) + day);
                noteWidth(column, 190);
            } else {
                writeNumber(column, xfDate, static_cast<double>(serialBase.daysTo(d)));
                noteWidth(column, 100);
            }
            break;
        }
        case Cell::Kind::Text: {
            const QString& t = cell.textValue();
            if (t.isEmpty())
                continue;
            if (t.size() > maxTextLength) {
                fail(QStringLiteral("Row %1, column %2: a text of %3 characters is longer than a cell holds (%4)")
                         .arg(tableRow)
                         .arg(i + 1)
                         .arg(t.size())
                         .arg(maxTextLength));
                continue;
            }
            writeText(column, titleRow ? xfTitle : xfGeneral, t);
            // Measure only a text that might widen the column (capitals are at most 1.25 wide).
            const double factor = titleRow ? 1.1 : 1.0;
            if (i >= sheet.widths.size() || tenthsFor(t.size() * 1.25 * factor) > sheet.widths[i])
                noteWidth(column, tenthsFor(textWidth(t) * factor));
            break;
        }
        }
        sheet.columns = std::max<std::uint16_t>(sheet.columns, column + 1);
    }
    ++m_row;
    sheet.rows = m_row;
    sheet.size = m_written + m_buffer.size() - sheet.offset;
}

void WorkbookWriter::addRow(const std::vector<Cell>& row)
{
    if (m_sheets.empty() || m_row >= static_cast<std::uint32_t>(maxRowsPerSheet))
        startSheet();
    writeRow(row, false);
    ++m_rowCount;
    if (m_buffer.size() >= flushSize)
        flushBuffer();
}

std::string WorkbookWriter::buildSheetHead(const Sheet& sheet) const
{
    std::string out;
    putBof(out, 0x0010);
    putSimple(out, biff::CalcMode, 1); // automatic
    putSimple(out, biff::CalcCount, 100);
    putSimple(out, biff::RefMode, 1); // A1 references
    putSimple(out, biff::Iteration, 0);
    std::size_t at = biff::beginRecord(out, biff::Delta);
    biff::putDouble(out, 0.001);
    biff::finishRecord(out, at);
    putSimple(out, biff::SaveRecalc, 1);
    putSimple(out, biff::PrintHeaders, 0);
    putSimple(out, biff::PrintGridLines, 0);
    putSimple(out, biff::GridSet, 1);
    at = biff::beginRecord(out, biff::Guts);
    biff::put32(out, 0); // no outline
    biff::put32(out, 0);
    biff::finishRecord(out, at);
    at = biff::beginRecord(out, biff::DefaultRowHeight);
    biff::put16(out, 0);
    biff::put16(out, 255); // twips
    biff::finishRecord(out, at);
    putSimple(out, biff::WsBool, 0x04C1); // automatic page breaks, summaries below and right

    // Page setup: no header or footer, not centred, portrait A4.
    at = biff::beginRecord(out, biff::Header);
    biff::finishRecord(out, at);
    at = biff::beginRecord(out, biff::Footer);
    biff::finishRecord(out, at);
    putSimple(out, biff::HCenter, 0);
    putSimple(out, biff::VCenter, 0);
    at = biff::beginRecord(out, biff::Setup);
    biff::put16(out, 9);      // A4
    biff::put16(out, 100);    // scale in per cent
    biff::put16(out, 1);      // first page number
    biff::put16(out, 1);      // fit to one page wide
    biff::put16(out, 1);      // and one page high (when fitting is chosen)
    biff::put16(out, 0x0002); // portrait; paper, scale and orientation are valid
    biff::put16(out, 600);    // resolution
    biff::put16(out, 600);
    biff::putDouble(out, 0.5); // header margin in inches
    biff::putDouble(out, 0.5); // footer margin
    biff::put16(out, 1);       // copies
    biff::finishRecord(out, at);

    putSimple(out, biff::DefColWidth, 8);

    const std::size_t columns = std::max<std::size_t>(sheet.columns, m_titles.size());
    for (std::size_t c = 0; c < columns; ++c) {
        std::uint32_t tenths = c < sheet.widths.size() ? sheet.widths[c] : 0;
        // Room for the cell margins; at least a narrow column, at most the format's limit.
        double chars = std::clamp(tenths / 10.0 + 1.5, 3.0, 255.0);
        at = biff::beginRecord(out, biff::ColInfo);
        biff::put16(out, static_cast<std::uint16_t>(c));
        biff::put16(out, static_cast<std::uint16_t>(c));
        biff::put16(out, static_cast<std::uint16_t>(std::lround(chars * 256)));
        biff::put16(out, xfGeneral);
        biff::put16(out, 0x0002); // width set by the user, i.e. not the default
        biff::put16(out, 0);
        biff::finishRecord(out, at);
    }

    at = biff::beginRecord(out, biff::Dimensions);
    biff::put32(out, 0);
    biff::put32(out, columns ? sheet.rows : 0); // an empty sheet has an empty range
    biff::put16(out, 0);
    biff::put16(out, static_cast<std::uint16_t>(columns));
    biff::put16(out, 0);
    biff::finishRecord(out, at);
    return out;
}

std::string WorkbookWriter::buildGlobals(const std::vector<std::string>& sheetHeads, std::size_t tailSize) const
{
    std::string out;
    putBof(out, 0x0005);
    putSimple(out, biff::InterfaceHdr, 1200);
    putSimple(out, biff::Mms, 0);
    std::size_t at = biff::beginRecord(out, biff::InterfaceEnd);
    biff::finishRecord(out, at);
    at = biff::beginRecord(out, biff::WriteAccess);
    biff::putString(out, nullptr, 0, false); // no user name, blank-padded
    out.append(112 - 3, ' ');
    biff::finishRecord(out, at);
    putSimple(out, biff::CodePage, 1200); // texts are UTF-16
    putSimple(out, biff::Dsf, 0);
    at = biff::beginRecord(out, biff::RrTabId);
    for (std::size_t i = 0; i < sheetHeads.size(); ++i)
        biff::put16(out, static_cast<std::uint16_t>(i + 1));
    biff::finishRecord(out, at);
    putSimple(out, biff::WindowProtect, 0);
    putSimple(out, biff::Protect, 0);
    putSimple(out, biff::Password, 0);
    putSimple(out, biff::Prot4Rev, 0);
    putSimple(out, biff::Prot4RevPass, 0);

    at = biff::beginRecord(out, biff::Window1);
    biff::put16(out, 0x0168); // window position and size in twips
    biff::put16(out, 0x001E);
    biff::put16(out, 0x4000);
    biff::put16(out, 0x2800);
    biff::put16(out, 0x0038); // scroll bars and sheet tabs shown
    biff::put16(out, 0);      // active sheet
    biff::put16(out, 0);      // first visible tab
    biff::put16(out, 1);      // selected sheets
    biff::put16(out, 600);    // tab bar width ratio, per mille
    biff::finishRecord(out, at);

    putSimple(out, biff::Backup, 0);
    putSimple(out, biff::HideObj, 0);
    putSimple(out, biff::DateMode, 0); // the 1900 date system
    putSimple(out, biff::Precision, 1);
    putSimple(out, biff::RefreshAll, 0);
    putSimple(out, biff::BookBool, 0);

    for (int i = 0; i < 4; ++i)
        putFont(out, false);
    putFont(out, true); // index 5

    const std::pair<std::uint16_t, std::u16string_view> formats[] = {{formatDate, u"d.m.yyyy"},
                                                                     {formatDateTime, u"d.m.yyyy h:mm:ss"}};
    for (const auto& [index, code] : formats) {
        at = biff::beginRecord(out, biff::Format);
        biff::put16(out, index);
        biff::putString(out, code.data(), code.size(), false);
        biff::finishRecord(out, at);
    }

    putXf(out, 0, 0, true, 0x00);
    for (int i = 1; i < 15; ++i)
        putXf(out, 0, 0, true, 0xF4);
    putXf(out, 0, 0, false, 0x00);              // 15: default cell format
    putXf(out, 0, formatDate, false, 0x04);     // 16: date
    putXf(out, fontBold, 0, false, 0x08);       // 17: title
    putXf(out, 0, formatDateTime, false, 0x04); // 18: date with time

    at = biff::beginRecord(out, biff::Style);
    biff::put16(out, 0x8000); // built-in style "Normal" on format 0
    biff::put8(out, 0);
    biff::put8(out, 0xFF);
    biff::finishRecord(out, at);
    putSimple(out, biff::UsesElfs, 0);

    std::vector<std::size_t> positionAt;
    for (std::size_t i = 0; i < sheetHeads.size(); ++i) {
        QString name = m_options.sheetNamePrefix + QString::number(i + 1);
        name.truncate(31);
        at = biff::beginRecord(out, biff::BoundSheet);
        positionAt.push_back(out.size());
        biff::put32(out, 0); // set below, once the globals' size is known
        biff::put8(out, 0);  // visible
        biff::put8(out, 0);  // worksheet
        biff::putString(out, reinterpret_cast<const char16_t*>(name.utf16()), name.size(), true);
        biff::finishRecord(out, at);
    }

    at = biff::beginRecord(out, biff::Country);
    biff::put16(out, 1); // defaults of the United States; the texts themselves are Unicode
    biff::put16(out, 1);
    biff::finishRecord(out, at);

    m_strings->appendRecords(out, out.size());
    at = biff::beginRecord(out, biff::Eof);
    biff::finishRecord(out, at);

    std::uint64_t position = out.size();
    for (std::size_t i = 0; i < sheetHeads.size(); ++i) {
        biff::set32(out, positionAt[i], static_cast<std::uint32_t>(position));
        position += sheetHeads[i].size() + m_sheets[i].size + tailSize;
    }
    return out;
}

bool WorkbookWriter::writeStream(QIODevice& out, const std::string& globals, const std::vector<std::string>& sheetHeads,
                                 QString* error)
{
    auto put = [&](const char* data, std::size_t size) {
        if (out.write(data, static_cast<qint64>(size)) == static_cast<qint64>(size))
            return true;
        *error = out.errorString();
        return false;
    };
    if (!put(globals.data(), globals.size()))
        return false;
    std::string chunk;
    for (std::size_t i = 0; i < m_sheets.size(); ++i) {
        const Sheet& sheet = m_sheets[i];
        if (!put(sheetHeads[i].data(), sheetHeads[i].size()))
            return false;
        // The sheet's cells: flushed ones from the temporary file, the rest from the buffer.
        std::uint64_t from = sheet.offset;
        const std::uint64_t end = sheet.offset + sheet.size;
        if (from < m_written && !m_cellFile->seek(static_cast<qint64>(from))) {
            *error = m_cellFile->errorString();
            return false;
        }
        while (from < std::min(end, m_written)) {
            chunk.resize(static_cast<std::size_t>(std::min<std::uint64_t>(flushSize, std::min(end, m_written) - from)));
            if (m_cellFile->read(chunk.data(), static_cast<qint64>(chunk.size())) !=
                static_cast<qint64>(chunk.size())) {
                *error = QStringLiteral("Cannot read the temporary file %1: %2")
                             .arg(m_cellFile->fileName(), m_cellFile->errorString());
                return false;
            }
            if (!put(chunk.data(), chunk.size()))
                return false;
            from += chunk.size();
        }
        if (from < end && !put(m_buffer.data() + (from - m_written), end - from))
            return false;

        std::string tail;
        std::size_t at = biff::beginRecord(tail, biff::Window2);
        // Grid lines, headings, zeros, automatic grid colour, outline symbols; the first
        // sheet is also selected and shown.
        biff::put16(tail, i == 0 ? 0x06B6 : 0x00B6);
        biff::put16(tail, 0);    // top row shown
        biff::put16(tail, 0);    // left column shown
        biff::put16(tail, 0x40); // heading colour: automatic
        biff::put16(tail, 0);
        biff::put16(tail, 0); // zoom in page break preview: default
        biff::put16(tail, 0); // zoom in normal view: default
        biff::put16(tail, 0);
        biff::put16(tail, 0);
        biff::finishRecord(tail, at);
        at = biff::beginRecord(tail, biff::Eof);
        biff::finishRecord(tail, at);
        if (!put(tail.data(), tail.size()))
            return false;
    }
    return true;
}

bool WorkbookWriter::save(const QString& path, QString* error)
{
    QString ignored;
    if (!error)
        error = &ignored;
    if (m_sheets.empty())
        startSheet();
    if (!m_error.isEmpty()) {
        *error = m_error;
        return false;
    }

    std::vector<std::string> heads;
    std::uint64_t streamSize = 0;
    for (const Sheet& sheet : m_sheets) {
        heads.push_back(buildSheetHead(sheet));
        streamSize += heads.back().size() + sheet.size + sheetTailSize;
    }
    const std::string globals = buildGlobals(heads, sheetTailSize);
    streamSize += globals.size();

    // Clearer reasons than the file layer gives for the common mistakes.
    const QFileInfo target(path);
    if (target.isDir()) {
        *error = QStringLiteral("Cannot write %1: it is a directory").arg(path);
        return false;
    }
    if (!target.absoluteDir().exists()) {
        *error = QStringLiteral("Cannot write %1: the directory %2 does not exist").arg(path, target.absolutePath());
        return false;
    }

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = QStringLiteral("Cannot write %1: %2").arg(path, file.errorString());
        return false;
    }
    QString why;
    bool ok = CompoundFileWriter::write(
        file, QStringLiteral("Workbook"), streamSize,
        [&](QIODevice& out) { return writeStream(out, globals, heads, &why); }, &why);
    if (!ok) {
        file.cancelWriting();
        *error = QStringLiteral("Cannot write %1: %2").arg(path, why);
        return false;
    }
    if (!file.commit()) {
        *error = QStringLiteral("Cannot write %1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}

} // namespace xls
