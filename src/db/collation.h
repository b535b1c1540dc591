#pragma once

#include <QByteArray>

#include <cstdint>

// Ordering of cp1250 texts for client-side sorting: letters without regard to case, Czech
// letters with a háček after their base letter (c < č, r < ř, s < š, z < ž), other accented
// letters with their base letter; ties broken by the bytes themselves.
namespace db::collation {

int compare(const char* a, unsigned long alen, const char* b, unsigned long blen);

// The first eight weights packed into a number: comparing prefixes orders most texts
// without touching the texts again.
std::uint64_t prefixKey(const char* text, unsigned long len);

} // namespace db::collation
