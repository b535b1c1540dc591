#include "xls/biff.h"

namespace xls::biff {

bool fitsEightBit(const char16_t* chars, std::size_t count)
{
    char16_t all = 0;
    for (std::size_t i = 0; i < count; ++i)
        all |= chars[i];
    return all < 0x100;
}

void putChars(std::string& out, const char16_t* chars, std::size_t count, bool eightBit)
{
    std::size_t at = out.size();
    if (eightBit) {
        out.resize(at + count);
        char* p = out.data() + at;
        for (std::size_t i = 0; i < count; ++i)
            p[i] = static_cast<char>(chars[i]);
    } else {
        out.resize(at + 2 * count);
        char* p = out.data() + at;
        for (std::size_t i = 0; i < count; ++i) {
            p[2 * i] = static_cast<char>(chars[i] & 0xFF);
            p[2 * i + 1] = static_cast<char>(chars[i] >> 8);
        }
    }
}

void putString(std::string& out, const char16_t* chars, std::size_t count, bool shortLength)
{
    bool eightBit = fitsEightBit(chars, count);
    if (shortLength)
        put8(out, static_cast<std::uint8_t>(count));
    else
        put16(out, static_cast<std::uint16_t>(count));
    put8(out, eightBit ? 0x00 : 0x01);
    putChars(out, chars, count, eightBit);
}

} // namespace xls::biff
