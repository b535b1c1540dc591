#include "xls/sharedstrings.h"

#include "xls/biff.h"

#include <algorithm>
#include <functional>
#include <string_view>

namespace xls {

namespace {

constexpr std::size_t stringHeaderSize = 3; // character count (2) and option flags (1)

} // namespace

// Sized for a few ten thousand texts from the start: rehashing a table is its costliest part.
SharedStrings::SharedStrings(std::size_t budget) : m_budget(budget), m_slots(1 << 16)
{
    m_block.reserve(1 << 20);
}

std::size_t SharedStrings::entrySize(std::uint64_t offset) const
{
    auto p = reinterpret_cast<const unsigned char*>(m_block.data() + offset);
    std::size_t count = p[0] | (p[1] << 8);
    return stringHeaderSize + count * ((p[2] & 1) ? 2 : 1);
}

std::size_t SharedStrings::memoryUsed() const
{
    // The texts, their offsets and, at the table's load of at most a half, two slots each.
    return m_block.size() + std::size_t(m_count) * (sizeof(std::uint64_t) + 2 * sizeof(Slot));
}

void SharedStrings::grow()
{
    std::vector<Slot> table(m_slots.size() * 2);
    std::size_t mask = table.size() - 1;
    for (const Slot& s : m_slots) {
        if (s.index == noIndex)
            continue;
        std::size_t i = s.hash & mask;
        while (table[i].index != noIndex)
            i = (i + 1) & mask;
        table[i] = s;
    }
    m_slots.swap(table);
}

std::uint32_t SharedStrings::indexOf(const QString& text, bool mayRefuse)
{
    m_scratch.clear();
    biff::putString(m_scratch, reinterpret_cast<const char16_t*>(text.utf16()), text.size(), false);
    std::string_view key(m_scratch);
    auto hash = static_cast<std::uint32_t>(std::hash<std::string_view>{}(key));

    std::size_t mask = m_slots.size() - 1;
    std::size_t i = hash & mask;
    while (m_slots[i].index != noIndex) {
        const Slot& s = m_slots[i];
        if (s.hash == hash && entrySize(s.offset) == key.size() &&
            std::string_view(m_block.data() + s.offset, key.size()) == key) {
            if (m_references != UINT32_MAX)
                ++m_references;
            return s.index;
        }
        i = (i + 1) & mask;
    }

    if (mayRefuse && memoryUsed() + key.size() > m_budget)
        return noIndex;
    if (m_count == noIndex - 1)
        return noIndex;

    Slot& s = m_slots[i];
    s.offset = m_block.size();
    s.index = m_count++;
    s.hash = hash;
    m_offsets.push_back(m_block.size());
    m_block.append(key);
    if (m_references != UINT32_MAX)
        ++m_references;
    if (2 * static_cast<std::size_t>(m_count) > m_slots.size())
        grow();
    return m_count - 1;
}

void SharedStrings::appendRecords(std::string& out, std::uint64_t streamPos) const
{
    const std::size_t start = out.size();
    auto positionOf = [&](std::size_t at) { return streamPos + (at - start); };

    // One EXTSST entry per bucket of strings: where the bucket's first string starts.
    const std::uint32_t perBucket = std::max<std::uint32_t>(8, (m_count + 127) / 128);
    std::vector<std::pair<std::uint32_t, std::uint16_t>> buckets;

    std::size_t recordAt = out.size();
    std::size_t lengthAt = biff::beginRecord(out, biff::Sst);
    biff::put32(out, m_references);
    biff::put32(out, m_count);
    auto room = [&]() { return biff::maxRecordData - (out.size() - recordAt - 4); };
    auto nextRecord = [&]() {
        biff::finishRecord(out, lengthAt);
        recordAt = out.size();
        lengthAt = biff::beginRecord(out, biff::Continue);
    };

    for (std::uint32_t n = 0; n < m_count; ++n) {
        const char* entry = m_block.data() + m_offsets[n];
        auto p = reinterpret_cast<const unsigned char*>(entry);
        const std::size_t charSize = (p[2] & 1) ? 2 : 1;
        std::size_t left = (p[0] | (p[1] << 8)) * charSize;
        // The header and the first character stay together in one record.
        if (room() < stringHeaderSize + std::min(left, charSize))
            nextRecord();
        if (n % perBucket == 0)
            buckets.emplace_back(static_cast<std::uint32_t>(positionOf(out.size())),
                                 static_cast<std::uint16_t>(out.size() - recordAt));
        out.append(entry, stringHeaderSize);
        const char* chars = entry + stringHeaderSize;
        for (;;) {
            std::size_t take = std::min(left, room() / charSize * charSize);
            out.append(chars, take);
            chars += take;
            left -= take;
            if (left == 0)
                break;
            // A string split across records goes on with its option flags repeated.
            nextRecord();
            biff::put8(out, charSize == 2 ? 0x01 : 0x00);
        }
    }
    biff::finishRecord(out, lengthAt);

    lengthAt = biff::beginRecord(out, biff::ExtSst);
    biff::put16(out, static_cast<std::uint16_t>(perBucket));
    for (const auto& [position, inRecord] : buckets) {
        biff::put32(out, position);
        biff::put16(out, inRecord);
        biff::put16(out, 0);
    }
    biff::finishRecord(out, lengthAt);
}

} // namespace xls
