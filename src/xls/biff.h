#pragma once

// Little-endian building blocks of BIFF8 records, shared by the workbook writer and the
// shared string table.

#include <cstdint>
#include <cstring>
#include <string>

namespace xls::biff {

// Record types used by the writer.
enum RecordType : std::uint16_t
{
    Bof = 0x0809,
    Eof = 0x000A,
    Continue = 0x003C,
    CodePage = 0x0042,
    Window1 = 0x003D,
    DateMode = 0x0022,
    Precision = 0x000E,
    Font = 0x0031,
    Format = 0x041E,
    Xf = 0x00E0,
    Style = 0x0293,
    BoundSheet = 0x0085,
    Sst = 0x00FC,
    ExtSst = 0x00FF,
    Setup = 0x00A1,
    DefColWidth = 0x0055,
    ColInfo = 0x007D,
    Dimensions = 0x0200,
    Window2 = 0x023E,
    LabelSst = 0x00FD,
    Label = 0x0204,
    Number = 0x0203,
    Rk = 0x027E,
    // Settings that the format's grammar expects in every workbook or sheet.
    InterfaceHdr = 0x00E1,
    Mms = 0x00C1,
    InterfaceEnd = 0x00E2,
    WriteAccess = 0x005C,
    Dsf = 0x0161,
    RrTabId = 0x013D,
    WindowProtect = 0x0019,
    Protect = 0x0012,
    Password = 0x0013,
    Prot4Rev = 0x01AF,
    Prot4RevPass = 0x01BC,
    Backup = 0x0040,
    HideObj = 0x008D,
    RefreshAll = 0x01B7,
    BookBool = 0x00DA,
    UsesElfs = 0x0160,
    Country = 0x008C,
    CalcMode = 0x000D,
    CalcCount = 0x000C,
    RefMode = 0x000F,
    Iteration = 0x0011,
    Delta = 0x0010,
    SaveRecalc = 0x005F,
    PrintHeaders = 0x002A,
    PrintGridLines = 0x002B,
    GridSet = 0x0082,
    Guts = 0x0080,
    DefaultRowHeight = 0x0225,
    WsBool = 0x0081,
    Header = 0x0014,
    Footer = 0x0015,
    HCenter = 0x0083,
    VCenter = 0x0084,
};

// Largest data part of one record; longer contents go on in CONTINUE records.
constexpr std::size_t maxRecordData = 8224;

inline void put8(std::string& out, std::uint8_t v)
{
    out.push_back(static_cast<char>(v));
}

inline void put16(std::string& out, std::uint16_t v)
{
    char b[2] = {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
    out.append(b, 2);
}

inline void put32(std::string& out, std::uint32_t v)
{
    char b[4] = {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF), static_cast<char>((v >> 16) & 0xFF),
                 static_cast<char>(v >> 24)};
    out.append(b, 4);
}

inline void putDouble(std::string& out, double v)
{
    std::uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    put32(out, static_cast<std::uint32_t>(bits));
    put32(out, static_cast<std::uint32_t>(bits >> 32));
}

inline void set16(std::string& out, std::size_t at, std::uint16_t v)
{
    out[at] = static_cast<char>(v & 0xFF);
    out[at + 1] = static_cast<char>(v >> 8);
}

inline void set32(std::string& out, std::size_t at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

// Writes a record header; returns the position of its length field for finishRecord().
inline std::size_t beginRecord(std::string& out, std::uint16_t type)
{
    put16(out, type);
    std::size_t at = out.size();
    put16(out, 0);
    return at;
}

inline void finishRecord(std::string& out, std::size_t lengthAt)
{
    set16(out, lengthAt, static_cast<std::uint16_t>(out.size() - lengthAt - 2));
}

// True when every character fits in one byte (the "compressed" 8-bit form of BIFF8 strings).
bool fitsEightBit(const char16_t* chars, std::size_t count);

// Appends the characters of a string in the chosen form (8-bit or UTF-16LE).
void putChars(std::string& out, const char16_t* chars, std::size_t count, bool eightBit);

// Appends a BIFF8 Unicode string: its character count (one byte when `shortLength`, else
// two), the option flags and the characters.
void putString(std::string& out, const char16_t* chars, std::size_t count, bool shortLength);

} // namespace xls::biff
