#include "scan/saneimage.h"

#include <cstring>

namespace scan {

namespace {

// Sample number `index` of a line, scaled to 0..255.
int sample(const uchar* line, int index, int depth)
{
    switch (depth) {
    case 1:
        return (line[index / 8] >> (7 - index % 8)) & 1 ? 255 : 0;
    case 8:
        return line[index];
    case 16: {
        quint16 value; // host byte order
        std::memcpy(&value, line + 2 * index, sizeof value);
        return value >> 8;
    }
    default:
        return 0;
    }
}

int lineCount(const SaneFrame& f)
{
    const int bpl = f.params.bytes_per_line;
    const int available = bpl > 0 ? int(f.data.size() / bpl) : 0;
    return f.params.lines >= 0 ? std::min<int>(f.params.lines, available) : available;
}

int channelOf(SANE_Frame format)
{
    switch (format) {
    case SANE_FRAME_RED:
        return 0;
    case SANE_FRAME_GREEN:
        return 1;
    case SANE_FRAME_BLUE:
        return 2;
    default:
        return -1;
    }
}

QImage fail(QString* error, const QString& text)
{
    if (error)
        *error = text;
    return QImage();
}

} // namespace

QImage imageFromFrames(const std::vector<SaneFrame>& frames, QString* error)
{
    if (frames.empty())
        return fail(error, QStringLiteral("Skener nedodal žádná data."));
    const SANE_Parameters& first = frames.front().params;
    const int width = first.pixels_per_line;
    int height = lineCount(frames.front());
    for (const SaneFrame& f : frames) {
        if (f.params.depth != 1 && f.params.depth != 8 && f.params.depth != 16)
            return fail(error, QStringLiteral("Nepodporovaná barevná hloubka %1 bitů.").arg(f.params.depth));
        if (f.params.pixels_per_line != width)
            return fail(error, QStringLiteral("Části obrazu mají různou šířku."));
        height = std::min(height, lineCount(f));
    }
    if (width <= 0 || height <= 0)
        return fail(error, QStringLiteral("Skener nedodal žádný obraz."));

    if (frames.size() == 1 && first.format == SANE_FRAME_GRAY) {
        QImage image(width, height, QImage::Format_Grayscale8);
        const bool lineart = first.depth == 1;
        for (int y = 0; y < height; ++y) {
            const auto* in =
                reinterpret_cast<const uchar*>(frames.front().data.constData()) + qsizetype(y) * first.bytes_per_line;
            uchar* out = image.scanLine(y);
            for (int x = 0; x < width; ++x)
                out[x] = lineart ? 255 - sample(in, x, 1) : sample(in, x, first.depth);
        }
        return image;
    }

    QImage image(width, height, QImage::Format_RGB888);
    if (frames.size() == 1 && first.format == SANE_FRAME_RGB) {
        for (int y = 0; y < height; ++y) {
            const auto* in =
                reinterpret_cast<const uchar*>(frames.front().data.constData()) + qsizetype(y) * first.bytes_per_line;
            uchar* out = image.scanLine(y);
            for (int i = 0; i < 3 * width; ++i)
                out[i] = sample(in, i, first.depth);
        }
        return image;
    }

    // Three-pass colour: one frame for each channel.
    bool seen[3] = {};
    for (const SaneFrame& f : frames) {
        const int channel = channelOf(f.params.format);
        if (channel < 0)
            return fail(error, QStringLiteral("Nepodporovaný formát obrazu ze skeneru."));
        seen[channel] = true;
        for (int y = 0; y < height; ++y) {
            const auto* in =
                reinterpret_cast<const uchar*>(f.data.constData()) + qsizetype(y) * f.params.bytes_per_line;
            uchar* out = image.scanLine(y);
            for (int x = 0; x < width; ++x)
                out[3 * x + channel] = sample(in, x, f.params.depth);
        }
    }
    if (!(seen[0] && seen[1] && seen[2]))
        return fail(error, QStringLiteral("Skener nedodal všechny barevné složky."));
    return image;
}

} // namespace scan
