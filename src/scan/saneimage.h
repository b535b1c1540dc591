#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

#include <sane/sane.h>

#include <vector>

namespace scan {

// The data of one SANE frame as read, with the parameters reported for it.
struct SaneFrame
{
    SANE_Parameters params{};
    QByteArray data;
};

// Builds the page from the frames of one scan: a single gray or RGB frame, or separate red,
// green and blue frames. Gray pages become 8-bit gray, colour pages 24-bit RGB; 16-bit samples
// keep their upper 8 bits; in 1-bit gray a set bit is black. A frame of unknown height (hand
// scanners) has as many lines as its data holds. Returns a null image and *error when the
// frames make no picture.
QImage imageFromFrames(const std::vector<SaneFrame>& frames, QString* error);

} // namespace scan
