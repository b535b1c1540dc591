#pragma once

#include <QColor>
#include <QGlyphRun>
#include <QImage>
#include <QPainterPath>
#include <QPen>

class QPainter;

namespace report {

// What painting a report page needs; coordinates are pixels at 96 dpi from the paper's corner.
// One implementation paints through QPainter (screen, printer, images), another writes PDF directly.
class Canvas
{
public:
    virtual ~Canvas() = default;
    virtual void fillRect(const QRectF& rect, const QColor& color) = 0;
    virtual void strokeLine(const QLineF& line, const QPen& pen) = 0;
    virtual void drawPath(const QPainterPath& path, const QPen& pen, const QBrush& brush) = 0;
    // The image scaled into target, cut to clip when clip is not empty.
    virtual void drawImage(const QRectF& target, const QImage& image, const QRectF& clip) = 0;
    // Glyphs of one font on a baseline starting at origin; cut to clip when clip is not empty.
    // text is what the glyphs show (for text extraction); italic asks for slanted glyphs when
    // the font has no italic face of its own.
    virtual void drawGlyphs(const QPointF& origin, const QGlyphRun& run, const QString& text, const QColor& color,
                            const QRectF& clip, bool italic = false) = 0;
    // A text laid out in a rectangle (alignment and word wrap from flags).
    virtual void drawText(const QRectF& rect, int flags, const QString& text, const QFont& font,
                          const QColor& color) = 0;
};

class PainterCanvas final : public Canvas
{
public:
    explicit PainterCanvas(QPainter& painter) : m_p(painter) {}
    void fillRect(const QRectF& rect, const QColor& color) override;
    void strokeLine(const QLineF& line, const QPen& pen) override;
    void drawPath(const QPainterPath& path, const QPen& pen, const QBrush& brush) override;
    void drawImage(const QRectF& target, const QImage& image, const QRectF& clip) override;
    void drawGlyphs(const QPointF& origin, const QGlyphRun& run, const QString& text, const QColor& color,
                    const QRectF& clip, bool italic = false) override;
    void drawText(const QRectF& rect, int flags, const QString& text, const QFont& font, const QColor& color) override;

private:
    QPainter& m_p;
};

} // namespace report
