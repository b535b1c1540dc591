#pragma once

#include <QString>

#include <cstdint>
#include <functional>

class QIODevice;

namespace xls {

// Writes a compound file (version 3, 512-byte sectors) that holds a single stream.
// The stream lies in consecutive sectors right after the header, followed by the
// directory, the allocation table (FAT) and, for files above about 7 MB, the sectors
// that list the FAT sectors beyond the header's 109 (DIFAT).
class CompoundFileWriter final
{
public:
    static constexpr std::uint64_t maxStreamSize = 0xFFFFFFFFu;
    // Streams shorter than this would belong in the mini stream; they are padded instead.
    static constexpr std::uint64_t minStreamSize = 4096;

    // `writeStream` must write exactly `streamSize` bytes to the device it gets.
    static bool write(QIODevice& out, const QString& streamName, std::uint64_t streamSize,
                      const std::function<bool(QIODevice&)>& writeStream, QString* error);
};

} // namespace xls
