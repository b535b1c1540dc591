// Painting of laid-out pages with QPainter.
#include "report/canvas.h"
#include "report/engine.h"

#include <QFontMetricsF>
#include <QGlyphRun>
#include <QPainter>
#include <QPainterPath>

namespace report {

namespace {

QPen framePen(const Frame& f)
{
    QPen pen(f.color.isValid() ? f.color : QColor(Qt::black));
    pen.setWidthF(f.width);
    switch (f.style) {
    case Frame::Style::Solid:
    case Frame::Style::Double:
        pen.setStyle(Qt::SolidLine);
        break;
    case Frame::Style::Dash:
        pen.setStyle(Qt::DashLine);
        break;
    case Frame::Style::Dot:
        pen.setStyle(Qt::DotLine);
        break;
    case Frame::Style::DashDot:
        pen.setStyle(Qt::DashDotLine);
        break;
    case Frame::Style::DashDotDot:
        pen.setStyle(Qt::DashDotDotLine);
        break;
    }
    pen.setCapStyle(Qt::SquareCap);
    return pen;
}

void drawFrameLine(Canvas& p, const Frame& f, const QLineF& line, const QPointF& inward)
{
    if (f.style == Frame::Style::Double) {
        QPen pen = framePen(f);
        const double w = std::max(0.5, f.width / 3);
        pen.setWidthF(w);
        p.strokeLine(line, pen);
        p.strokeLine(line.translated(inward * (f.width > 1 ? f.width : 2)), pen);
        return;
    }
    p.strokeLine(line, framePen(f));
}

void drawFrame(Canvas& p, const Frame& f, const QRectF& r)
{
    if (f.typ == 0)
        return;
    if (f.typ & 1)
        drawFrameLine(p, f, QLineF(r.topLeft(), r.bottomLeft()), QPointF(1, 0));
    if (f.typ & 2)
        drawFrameLine(p, f, QLineF(r.topRight(), r.bottomRight()), QPointF(-1, 0));
    if (f.typ & 4)
        drawFrameLine(p, f, QLineF(r.topLeft(), r.topRight()), QPointF(0, 1));
    if (f.typ & 8)
        drawFrameLine(p, f, QLineF(r.bottomLeft(), r.bottomRight()), QPointF(0, -1));
}

void drawPicture(Canvas& p, const QImage& img, const ReportObject& o, const QRectF& r)
{
    if (img.isNull())
        return;
    QRectF target;
    if (o.stretched) {
        QSizeF size = r.size();
        if (o.keepAspectRatio)
            size = QSizeF(img.size()).scaled(r.size(), Qt::KeepAspectRatio);
        target = QRectF(r.topLeft(), size);
    } else {
        target = QRectF(r.topLeft(), QSizeF(img.size())); // one image pixel = one pixel at 96 dpi
    }
    if (o.center)
        target.moveCenter(r.center());
    p.drawImage(target, img, o.stretched ? QRectF() : r);
}

} // namespace

// A text that fits on one line is drawn as a run of glyphs straight from the font's character
// map: no shaping, which is what makes long lists export quickly. Texts with characters the
// font lacks, more lines, or justification go through QPainter's text layout instead.
bool PreparedReport::drawSingleLine(Canvas& p, const CompiledObject& co, const QRectF& inner, const QString& text) const
{
    if (!co.rawFont.isValid() || (co.flags & Qt::AlignJustify) || text.contains(u'\n'))
        return false;
    const QList<quint32> glyphs = co.rawFont.glyphIndexesForString(text);
    if (glyphs.isEmpty() || glyphs.contains(0))
        return false;
    QList<QPointF> advances = co.rawFont.advancesForGlyphIndexes(glyphs);
    double width = 0;
    QList<QPointF> positions;
    positions.reserve(advances.size());
    for (const QPointF& a : advances) {
        positions.append(QPointF(width, 0));
        width += a.x();
    }
    if (width > inner.width() + 0.5 && (co.flags & Qt::TextWordWrap))
        return false; // wraps onto more lines
    double x = inner.left();
    if (co.flags & Qt::AlignRight)
        x = inner.right() - width;
    else if (co.flags & Qt::AlignHCenter)
        x = inner.left() + (inner.width() - width) / 2;
    double y = inner.top() + co.ascent;
    if (co.flags & Qt::AlignBottom)
        y = inner.bottom() - co.descent;
    else if (co.flags & Qt::AlignVCenter)
        y = inner.top() + (inner.height() - co.ascent - co.descent) / 2 + co.ascent;
    QGlyphRun run;
    run.setRawFont(co.rawFont);
    run.setGlyphIndexes(glyphs);
    run.setPositions(positions);
    run.setUnderline(co.font.underline());
    run.setStrikeOut(co.font.strikeOut());
    const bool clip = width > inner.width() + 0.5 || co.ascent + co.descent > inner.height() + 2;
    p.drawGlyphs(QPointF(x, y), run, text, co.textColor, clip ? inner.adjusted(-1, -1, 1, 1) : QRectF(),
                 co.font.italic());
    return true;
}

void PreparedReport::paintObject(Canvas& p, const CompiledObject& co, const QRectF& rectIn, const EvalEnv& e,
                                 bool stretchedBand) const
{
    const ReportObject& o = *co.obj;
    QRectF rect = rectIn;
    switch (o.kind) {
    case ReportObject::Kind::Memo: {
        const QString text = memoText(co, e);
        if (stretchedBand && !text.isEmpty()) {
            QFontMetricsF fm(co.font);
            QRectF need = fm.boundingRect(QRectF(0, 0, std::max(1.0, rect.width() - 2 * o.gapX), 1e6),
                                          co.flags | Qt::AlignTop, text);
            rect.setHeight(std::max(rect.height(), need.height() + 2 * o.gapY));
        }
        if (o.color.isValid())
            p.fillRect(rect, o.color);
        if (!text.isEmpty()) {
            const QRectF inner = rect.adjusted(o.gapX, o.gapY, -o.gapX, -o.gapY);
            if (!drawSingleLine(p, co, inner, text))
                p.drawText(inner, co.flags, text, co.font, co.textColor);
        }
        drawFrame(p, o.frame, rect);
        break;
    }
    case ReportObject::Kind::Line: {
        const QPen pen = framePen(o.frame);
        if (o.diagonal)
            p.strokeLine(QLineF(rect.topLeft(), rect.bottomRight()), pen);
        else if (o.width >= o.height)
            p.strokeLine(QLineF(rect.left(), rect.top(), rect.right(), rect.top()), pen);
        else
            p.strokeLine(QLineF(rect.left(), rect.top(), rect.left(), rect.bottom()), pen);
        break;
    }
    case ReportObject::Kind::Shape: {
        QPen pen = framePen(o.frame);
        pen.setCapStyle(Qt::FlatCap);
        const QBrush brush = o.color.isValid() ? QBrush(o.color) : QBrush(Qt::NoBrush);
        QPainterPath path;
        switch (o.shape) {
        case ShapeKind::Rectangle:
            path.addRect(rect);
            break;
        case ShapeKind::RoundRectangle: {
            const double radius = std::min(rect.width(), rect.height()) / 8;
            path.addRoundedRect(rect, radius, radius);
            break;
        }
        case ShapeKind::Ellipse:
            path.addEllipse(rect);
            break;
        case ShapeKind::Triangle:
            path.addPolygon(QPolygonF({QPointF(rect.center().x(), rect.top()), rect.bottomRight(), rect.bottomLeft(),
                                       QPointF(rect.center().x(), rect.top())}));
            break;
        case ShapeKind::Diamond:
            path.addPolygon(
                QPolygonF({QPointF(rect.center().x(), rect.top()), QPointF(rect.right(), rect.center().y()),
                           QPointF(rect.center().x(), rect.bottom()), QPointF(rect.left(), rect.center().y()),
                           QPointF(rect.center().x(), rect.top())}));
            break;
        case ShapeKind::Diagonal1:
            p.strokeLine(QLineF(rect.bottomLeft(), rect.topRight()), pen);
            break;
        case ShapeKind::Diagonal2:
            p.strokeLine(QLineF(rect.topLeft(), rect.bottomRight()), pen);
            break;
        }
        if (!path.isEmpty())
            p.drawPath(path, pen, brush);
        break;
    }
    case ReportObject::Kind::Picture: {
        if (co.isField) {
            if (co.fieldIndex >= 0 && m_sources[co.fieldDataset]) {
                const DataSource* src = m_sources[co.fieldDataset];
                const int row = co.fieldDataset == e.rowDataset ? e.row : 0;
                if (row >= 0 && row < src->rowCount())
                    drawPicture(p, QImage::fromData(src->value(row, co.fieldIndex).toByteArray()), o, rect);
            }
        } else {
            drawPicture(p, o.picture.isNull() ? co.fileImage : o.picture, o, rect);
        }
        drawFrame(p, o.frame, rect);
        break;
    }
    }
}

void PreparedReport::paintPage(int page, QPainter& painter) const
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    PainterCanvas canvas(painter);
    paintPage(page, canvas);
    painter.restore();
}

void PreparedReport::paintPage(int page, Canvas& p) const
{
    if (page < 0 || page >= pageCount())
        return;
    const Page& pg = m_pages[page];
    if (pg.designPage < 0)
        return;
    const ReportPage& dp = *m_design.pages[pg.designPage];
    const QPointF origin(mm(dp.leftMargin), mm(dp.topMargin));
    if (pg.pageObjects) {
        EvalEnv e = env(-1, 0, page + 1);
        for (const CompiledObject& co : m_pageObjects[pg.designPage])
            paintObject(p, co, co.obj->rect().translated(origin), e, false);
    }
    for (int i = pg.first; i < pg.first + pg.count; ++i) {
        const Placed& pl = m_placed[i];
        const CompiledBand& cb = m_bands[pl.band];
        EvalEnv e = env(pl.dataset, pl.row, page + 1);
        e.line = pl.line;
        e.lineThrough = pl.lineThrough;
        e.aggregates = pl.snapshot >= 0 ? &m_snapshots[pl.snapshot] : nullptr;
        const QPointF bandOrigin = origin + QPointF(cb.band->left, pl.y);
        for (const CompiledObject& co : cb.objects)
            paintObject(p, co, co.obj->rect().translated(bandOrigin), e, cb.band->stretched);
    }
}

void PainterCanvas::fillRect(const QRectF& rect, const QColor& color)
{
    m_p.fillRect(rect, color);
}

void PainterCanvas::strokeLine(const QLineF& line, const QPen& pen)
{
    m_p.setPen(pen);
    m_p.drawLine(line);
}

void PainterCanvas::drawPath(const QPainterPath& path, const QPen& pen, const QBrush& brush)
{
    m_p.setPen(pen);
    m_p.setBrush(brush);
    m_p.drawPath(path);
    m_p.setBrush(Qt::NoBrush);
}

void PainterCanvas::drawImage(const QRectF& target, const QImage& image, const QRectF& clip)
{
    if (!clip.isEmpty()) {
        m_p.save();
        m_p.setClipRect(clip);
    }
    m_p.drawImage(target, image);
    if (!clip.isEmpty())
        m_p.restore();
}

void PainterCanvas::drawGlyphs(const QPointF& origin, const QGlyphRun& run, const QString&, const QColor& color,
                               const QRectF& clip, bool italic)
{
    if (!clip.isEmpty()) {
        m_p.save();
        m_p.setClipRect(clip);
    }
    m_p.setPen(color);
    // Raw fonts of a synthesized italic are slanted by their engine already.
    if (italic && run.rawFont().style() == QFont::StyleNormal) {
        m_p.save();
        m_p.translate(origin);
        m_p.shear(-0.2, 0);
        m_p.drawGlyphRun(QPointF(), run);
        m_p.restore();
    } else {
        m_p.drawGlyphRun(origin, run);
    }
    if (!clip.isEmpty())
        m_p.restore();
}

void PainterCanvas::drawText(const QRectF& rect, int flags, const QString& text, const QFont& font, const QColor& color)
{
    m_p.setFont(font);
    m_p.setPen(color);
    m_p.drawText(rect, flags, text);
}

} // namespace report
