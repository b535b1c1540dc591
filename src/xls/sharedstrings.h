#pragma once

#include <QString>

#include <cstdint>
#include <string>
#include <vector>

namespace xls {

// The workbook's shared string table: each distinct text once, cells refer to it by index.
// Texts are kept encoded in one block with an open-addressing index over it, so a large
// table costs little more than its characters.
class SharedStrings final
{
public:
    static constexpr std::uint32_t noIndex = UINT32_MAX;

    explicit SharedStrings(std::size_t budget);

    // The index of `text`, added when new, and one more reference counted. When the budget
    // (bytes of texts and index together) is spent and `mayRefuse` is set, a new text is not
    // added and noIndex is returned.
    std::uint32_t indexOf(const QString& text, bool mayRefuse);

    std::uint32_t uniqueCount() const { return m_count; }

    // Appends the SST record (continued in CONTINUE records as needed) and the EXTSST record
    // that indexes it. `streamPos` is where the end of `out` lies in the workbook stream.
    void appendRecords(std::string& out, std::uint64_t streamPos) const;

private:
    struct Slot
    {
        std::uint64_t offset = 0; // of the text in m_block, kept here to spare a lookup
        std::uint32_t index = noIndex;
        std::uint32_t hash = 0;
    };

    std::size_t entrySize(std::uint64_t offset) const;
    std::size_t memoryUsed() const;
    void grow();

    std::size_t m_budget;
    std::string m_block;                  // encoded strings: character count, flags, characters
    std::vector<std::uint64_t> m_offsets; // of each string in m_block, in index order
    std::vector<Slot> m_slots;
    std::uint32_t m_count = 0;
    std::uint32_t m_references = 0;
    std::string m_scratch;
};

} // namespace xls
