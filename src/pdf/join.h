#pragma once

#include <QString>

namespace pdf {

// Appends the pages of pageFile behind the pages of target.
//
// When target does not exist yet, pageFile (which must be a readable PDF) is moved to target.
// Otherwise the joined document is written beside target under a temporary name and renamed
// over it, so target is either the complete joined document or exactly what it was before.
// On success pageFile is gone (its pages now live in target). On failure target and pageFile
// are left as they were, no temporary file remains, and *error (when given) says why.
bool appendPages(const QString& target, const QString& pageFile, QString* error = nullptr);

} // namespace pdf
