#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class QIODevice;
class QTemporaryFile;

namespace xls {

class SharedStrings;

// One cell of a data row: a number, a date or a date with time of day (numbers shown
// through a date format), a text or nothing.
class Cell final
{
public:
    enum class Kind
    {
        Empty,
        Number,
        Date,
        DateTime,
        Text
    };

    static Cell number(double value);
    static Cell date(QDate value);
    static Cell dateTime(const QDateTime& value); // its date and time as they read
    static Cell text(QString value);
    static Cell empty() { return Cell(); }

    Kind kind() const { return m_kind; }
    double numberValue() const { return m_number; }
    QDate dateValue() const { return m_date; }
    QTime timeValue() const { return m_time; }
    const QString& textValue() const { return m_text; }

private:
    Kind m_kind = Kind::Empty;
    double m_number = 0;
    QDate m_date;
    QTime m_time;
    QString m_text;
};

// Writes one logical table (a title row and data rows) into a legacy .xls workbook
// (BIFF8 records in a compound file). Rows are streamed into a temporary file as they
// come, so the memory used does not grow with the row count beyond the table of
// distinct texts. A sheet holds at most 65,536 rows; the table continues on further
// sheets ("List1", "List2", ...), each starting with the title row again.
//
// Kinds of cell values: a number is written as is (not-a-number and infinities become
// empty cells, the format has no place for them); a date from 1.3.1900 on becomes a date
// cell shown as d.m.yyyy (with time: d.m.yyyy h:mm:ss), an earlier date becomes its text
// (the format counts days from 1900 with a leap day that never was), an invalid date an
// empty cell; an empty text is an empty cell. A text longer than 32,767 characters or a row wider than
// 256 columns cannot be held by the format: save() then fails and names the cell.
class WorkbookWriter final
{
public:
    struct Options
    {
        // Sheet names are this text followed by 1, 2, ...
        QString sheetNamePrefix = QStringLiteral("List");
        // Bytes of distinct texts kept in the shared string table; once it is full, new short
        // texts are written into their cells directly, so memory stays bounded on huge tables.
        std::size_t sharedStringBudget = 64u << 20;
    };

    static constexpr int maxRowsPerSheet = 65536;
    static constexpr int maxColumns = 256;
    static constexpr int maxTextLength = 32767;

    explicit WorkbookWriter(QStringList titles);
    WorkbookWriter(QStringList titles, Options options);
    ~WorkbookWriter();
    WorkbookWriter(const WorkbookWriter&) = delete;
    WorkbookWriter& operator=(const WorkbookWriter&) = delete;

    // Appends one data row; cell i goes under title i (a row may be shorter or longer).
    void addRow(const std::vector<Cell>& row);

    // Writes the workbook to a temporary file beside `path` and renames it over `path`
    // (an existing file is replaced). On failure nothing is left under `path`'s name (an
    // existing file stays as it was), false is returned and *error says why.
    bool save(const QString& path, QString* error);

    // Data rows added so far, and the sheets they need (at least one).
    std::int64_t rowCount() const { return m_rowCount; }
    int sheetCount() const;

private:
    struct Sheet
    {
        std::uint64_t offset = 0; // of its cell records in the temporary file
        std::uint64_t size = 0;
        std::uint32_t rows = 0;
        std::uint16_t columns = 0;
        std::vector<std::uint32_t> widths; // widest content per column, tenths of a character
    };

    void startSheet();
    void writeRow(const std::vector<Cell>& row, bool titleRow);
    void writeNumber(std::uint16_t column, std::uint16_t xf, double value);
    void writeText(std::uint16_t column, std::uint16_t xf, const QString& text);
    void noteWidth(std::uint16_t column, std::uint32_t tenths);
    void flushBuffer();
    void fail(const QString& message);

    std::string buildGlobals(const std::vector<std::string>& sheetHeads, std::size_t tailSize) const;
    std::string buildSheetHead(const Sheet& sheet) const;
    bool writeStream(QIODevice& out, const std::string& globals, const std::vector<std::string>& sheetHeads,
                     QString* error);

    QStringList m_titles;
    Options m_options;
    std::unique_ptr<SharedStrings> m_strings;
    std::unique_ptr<QTemporaryFile> m_cellFile;
    std::string m_buffer;
    std::vector<Sheet> m_sheets;
    std::uint32_t m_row = 0; // row index inside the current sheet
    std::int64_t m_rowCount = 0;
    std::uint64_t m_written = 0; // bytes of cell records flushed to the temporary file
    QString m_error;
};

} // namespace xls
