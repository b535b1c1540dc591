#include "xls/compoundfile.h"

#include "xls/biff.h"

#include <QIODevice>

#include <string>
#include <vector>

namespace xls {

namespace {

constexpr std::uint32_t sectorSize = 512;
constexpr std::uint32_t entriesPerSector = sectorSize / 4;
constexpr std::uint32_t headerFatEntries = 109;
constexpr std::uint32_t difatEntriesPerSector = entriesPerSector - 1; // the last one chains
constexpr std::uint32_t difSect = 0xFFFFFFFC;
constexpr std::uint32_t fatSect = 0xFFFFFFFD;
constexpr std::uint32_t endOfChain = 0xFFFFFFFE;
constexpr std::uint32_t freeSect = 0xFFFFFFFF;
constexpr std::uint32_t noStream = 0xFFFFFFFF;

struct Layout
{
    std::uint64_t streamSize = 0;
    std::uint32_t streamSectors = 0;
    std::uint32_t directorySector = 0;
    std::uint32_t firstFatSector = 0;
    std::uint32_t fatSectors = 0;
    std::uint32_t firstDifatSector = 0;
    std::uint32_t difatSectors = 0;
};

Layout makeLayout(std::uint64_t streamSize)
{
    Layout l;
    l.streamSize = std::max(streamSize, CompoundFileWriter::minStreamSize);
    l.streamSectors = static_cast<std::uint32_t>((l.streamSize + sectorSize - 1) / sectorSize);
    l.directorySector = l.streamSectors;
    l.firstFatSector = l.directorySector + 1;
    // The FAT must cover every sector, its own and the DIFAT sectors included.
    std::uint64_t fat = 1;
    for (;;) {
        std::uint64_t difat =
            fat > headerFatEntries ? (fat - headerFatEntries + difatEntriesPerSector - 1) / difatEntriesPerSector : 0;
        std::uint64_t total = std::uint64_t(l.streamSectors) + 1 + fat + difat;
        if (fat * entriesPerSector >= total) {
            l.fatSectors = static_cast<std::uint32_t>(fat);
            l.difatSectors = static_cast<std::uint32_t>(difat);
            break;
        }
        fat = (total + entriesPerSector - 1) / entriesPerSector;
    }
    l.firstDifatSector = l.firstFatSector + l.fatSectors;
    return l;
}

void putDirectoryEntry(std::string& out, const QString& name, std::uint8_t type, std::uint32_t child,
                       std::uint32_t start, std::uint32_t size)
{
    std::size_t at = out.size();
    out.append(128, '\0');
    if (type == 0) {
        biff::set32(out, at + 68, noStream);
        biff::set32(out, at + 72, noStream);
        biff::set32(out, at + 76, noStream);
        return;
    }
    for (int i = 0; i < name.size() && i < 31; ++i)
        biff::set16(out, at + 2 * i, name.at(i).unicode());
    biff::set16(out, at + 64, static_cast<std::uint16_t>(2 * (std::min<qsizetype>(name.size(), 31) + 1)));
    out[at + 66] = static_cast<char>(type);
    out[at + 67] = 1; // black: a one-entry tree is trivially balanced
    biff::set32(out, at + 68, noStream);
    biff::set32(out, at + 72, noStream);
    biff::set32(out, at + 76, child);
    biff::set32(out, at + 116, start);
    biff::set32(out, at + 120, size);
}

bool writeAll(QIODevice& out, const std::string& bytes, QString* error)
{
    if (out.write(bytes.data(), static_cast<qint64>(bytes.size())) == static_cast<qint64>(bytes.size()))
        return true;
    *error = out.errorString();
    return false;
}

} // namespace

bool CompoundFileWriter::write(QIODevice& out, const QString& streamName, std::uint64_t streamSize,
                               const std::function<bool(QIODevice&)>& writeStream, QString* error)
{
    if (streamSize > maxStreamSize) {
        *error = QStringLiteral("the workbook is too large for the file format (%1 bytes)").arg(streamSize);
        return false;
    }
    const Layout l = makeLayout(streamSize);

    std::string header;
    header.reserve(sectorSize);
    header.append("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
    header.append(16, '\0');     // class id
    biff::put16(header, 0x003E); // minor version
    biff::put16(header, 0x0003); // major version 3
    biff::put16(header, 0xFFFE); // little-endian byte order mark
    biff::put16(header, 9);      // sectors of 2^9 bytes
    biff::put16(header, 6);      // mini sectors of 2^6 bytes
    header.append(6, '\0');      // reserved
    biff::put32(header, 0);      // directory sector count: unused in version 3
    biff::put32(header, l.fatSectors);
    biff::put32(header, l.directorySector);
    biff::put32(header, 0);          // transaction signature
    biff::put32(header, 4096);       // mini stream cut-off
    biff::put32(header, endOfChain); // no mini FAT
    biff::put32(header, 0);
    biff::put32(header, l.difatSectors ? l.firstDifatSector : endOfChain);
    biff::put32(header, l.difatSectors);
    for (std::uint32_t i = 0; i < headerFatEntries; ++i)
        biff::put32(header, i < l.fatSectors ? l.firstFatSector + i : freeSect);
    if (!writeAll(out, header, error))
        return false;

    const qint64 streamStart = out.pos();
    if (!writeStream(out))
        return false;
    if (static_cast<std::uint64_t>(out.pos() - streamStart) != streamSize) {
        *error = QStringLiteral("internal error: the workbook stream has %1 bytes instead of %2")
                     .arg(out.pos() - streamStart)
                     .arg(streamSize);
        return false;
    }

    std::string tail(std::uint64_t(l.streamSectors) * sectorSize - streamSize, '\0');
    putDirectoryEntry(tail, QStringLiteral("Root Entry"), 5, 1, endOfChain, 0);
    putDirectoryEntry(tail, streamName, 2, noStream, 0, static_cast<std::uint32_t>(l.streamSize));
    putDirectoryEntry(tail, QString(), 0, 0, 0, 0);
    putDirectoryEntry(tail, QString(), 0, 0, 0, 0);

    std::uint64_t fatEntries = std::uint64_t(l.fatSectors) * entriesPerSector;
    tail.reserve(tail.size() + fatEntries * 4 + std::uint64_t(l.difatSectors) * sectorSize);
    for (std::uint32_t s = 0; s < l.streamSectors; ++s)
        biff::put32(tail, s + 1 < l.streamSectors ? s + 1 : endOfChain);
    biff::put32(tail, endOfChain); // the directory's single sector
    for (std::uint32_t s = 0; s < l.fatSectors; ++s)
        biff::put32(tail, fatSect);
    for (std::uint32_t s = 0; s < l.difatSectors; ++s)
        biff::put32(tail, difSect);
    for (std::uint64_t n = std::uint64_t(l.streamSectors) + 1 + l.fatSectors + l.difatSectors; n < fatEntries; ++n)
        biff::put32(tail, freeSect);

    std::uint32_t listed = headerFatEntries;
    for (std::uint32_t d = 0; d < l.difatSectors; ++d) {
        for (std::uint32_t i = 0; i < difatEntriesPerSector; ++i, ++listed)
            biff::put32(tail, listed < l.fatSectors ? l.firstFatSector + listed : freeSect);
        biff::put32(tail, d + 1 < l.difatSectors ? l.firstDifatSector + d + 1 : endOfChain);
    }
    return writeAll(out, tail, error);
}

} // namespace xls
