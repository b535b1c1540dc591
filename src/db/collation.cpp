#include "db/collation.h"

#include <array>
#include <cstring>

namespace db::collation {
namespace {

struct Weights
{
    std::array<unsigned char, 256> w{};
    Weights()
    {
        // Controls and punctuation keep low weights in byte order; digits follow; letters last.
        for (int i = 0; i < 256; ++i)
            w[i] = static_cast<unsigned char>(i < 0x30 ? i + 1 : 0x30);
        for (int d = 0; d < 10; ++d)
            w['0' + d] = static_cast<unsigned char>(0x31 + d);
        for (int i = 0x3A; i < 0x41; ++i)
            w[i] = static_cast<unsigned char>(0x3C + (i - 0x3A));
        // Letters: a base weight per letter, with room for the háček letters right after.
        const char* order = "abc*defghijklmnopqr*s*tuvwxyz*";
        int next = 0x50;
        std::array<int, 26> base{};
        for (const char* p = order; *p; ++p) {
            if (*p == '*') {
                ++next;
                continue;
            }
            base[*p - 'a'] = next;
            next += 2;
        }
        for (int c = 0; c < 26; ++c) {
            w['a' + c] = static_cast<unsigned char>(base[c]);
            w['A' + c] = static_cast<unsigned char>(base[c]);
        }
        auto same = [&](unsigned char ch, char letter) { w[ch] = static_cast<unsigned char>(base[letter - 'a']); };
        auto after = [&](unsigned char ch, char letter) { w[ch] = static_cast<unsigned char>(base[letter - 'a'] + 1); };
        // cp1250 accented letters (lower and upper case).
        for (unsigned char ch : {0xE1, 0xC1, 0xE4, 0xC4, 0xE2, 0xC2, 0xE3, 0xC3, 0xB9, 0xA5})
            same(ch, 'a');
        for (unsigned char ch : {0xE8, 0xC8})
            after(ch, 'c');
        for (unsigned char ch : {0xE6, 0xC6, 0xE7, 0xC7})
            same(ch, 'c');
        for (unsigned char ch : {0xEF, 0xCF, 0xF0, 0xD0})
            same(ch, 'd');
        for (unsigned char ch : {0xE9, 0xC9, 0xEC, 0xCC, 0xEB, 0xCB, 0xEA, 0xCA})
            same(ch, 'e');
        for (unsigned char ch : {0xED, 0xCD, 0xEE, 0xCE})
            same(ch, 'i');
        for (unsigned char ch : {0xE5, 0xC5, 0xBE, 0xBC, 0xB3, 0xA3})
            same(ch, 'l');
        for (unsigned char ch : {0xF2, 0xD2, 0xF1, 0xD1})
            same(ch, 'n');
        for (unsigned char ch : {0xF3, 0xD3, 0xF6, 0xD6, 0xF4, 0xD4, 0xF5, 0xD5})
            same(ch, 'o');
        for (unsigned char ch : {0xF8, 0xD8})
            after(ch, 'r');
        for (unsigned char ch : {0xE0, 0xC0})
            same(ch, 'r');
        for (unsigned char ch : {0x9A, 0x8A})
            after(ch, 's');
        for (unsigned char ch : {0x9C, 0x8C, 0xBA, 0xAA, 0xDF})
            same(ch, 's');
        for (unsigned char ch : {0x9D, 0x8D, 0xFE, 0xDE})
            same(ch, 't');
        for (unsigned char ch : {0xFA, 0xDA, 0xF9, 0xD9, 0xFC, 0xDC, 0xFB, 0xDB})
            same(ch, 'u');
        for (unsigned char ch : {0xFD, 0xDD})
            same(ch, 'y');
        for (unsigned char ch : {0x9E, 0x8E})
            after(ch, 'z');
        for (unsigned char ch : {0x9F, 0x8F, 0xBF, 0xAF})
            same(ch, 'z');
    }
};

const Weights& weights()
{
    static const Weights w;
    return w;
}

} // namespace

int compare(const char* a, unsigned long alen, const char* b, unsigned long blen)
{
    const auto& w = weights().w;
    const unsigned long n = alen < blen ? alen : blen;
    for (unsigned long i = 0; i < n; ++i) {
        const int d = int(w[static_cast<unsigned char>(a[i])]) - int(w[static_cast<unsigned char>(b[i])]);
        if (d != 0)
            return d;
    }
    if (alen != blen)
        return alen < blen ? -1 : 1;
    const int raw = std::memcmp(a, b, n);
    return raw < 0 ? -1 : raw > 0 ? 1 : 0;
}

std::uint64_t prefixKey(const char* text, unsigned long len)
{
    const auto& w = weights().w;
    std::uint64_t key = 0;
    for (unsigned long i = 0; i < 8; ++i)
        key = (key << 8) | (i < len ? w[static_cast<unsigned char>(text[i])] : 0);
    return key;
}

} // namespace db::collation
