// Painting of laid-out pages with QPainter.
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

void drawFrameLine(QPainter& p, const Frame& f, const QLineF& line, const QPointF& inward)
{
    if (f.style == Frame::Style::Double) {
        QPen pen = framePen(f);
        const double w = std::max(0.5, f.width / 3);
        pen.setWidthF(w);
        p.setPen(pen);
        p.drawLine(line);
        p.drawLine(line.translated(inward * (f.width > 1 ? f.width : 2)));
        return;
    }
    p.setPen(framePen(f));
    p.drawLine(line);
}

void drawFrame(QPainter& p, const Frame& f, const QRectF& r)
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

void drawPicture(QPainter& p, const QImage& img, const ReportObject& o, const QRectF& r)
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
    p.save();
    if (!o.stretched)
        p.setClipRect(r);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(target, img);
    p.restore();
}

} // namespace

// A text that fits on one line is drawn as a run of glyphs straight from the font's character
// map: no shaping, which is what makes long lists export quickly. Texts with characters the
// font lacks, more lines, or justification go through QPainter's text layout instead.
bool PreparedReport::drawSingleLine(QPainter& p, const CompiledObject& co, const QRectF& inner,
                                    const QString& text) const
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
    if (clip) {
        p.save();
        p.setClipRect(inner.adjusted(-1, -1, 1, 1));
    }
    p.setPen(co.textColor);
    p.drawGlyphRun(QPointF(x, y), run);
    if (clip)
        p.restore();
    return true;
}

void PreparedReport::paintObject(QPainter& p, const CompiledObject& co, const QRectF& rectIn, const EvalEnv& e,
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
            if (!drawSingleLine(p, co, inner, text)) {
                p.setFont(co.font);
                p.setPen(co.textColor);
                p.drawText(inner, co.flags, text);
            }
        }
        drawFrame(p, o.frame, rect);
        break;
    }
    case ReportObject::Kind::Line: {
        p.setPen(framePen(o.frame));
        if (o.diagonal)
            p.drawLine(rect.topLeft(), rect.bottomRight());
        else if (o.width >= o.height)
            p.drawLine(QPointF(rect.left(), rect.top()), QPointF(rect.right(), rect.top()));
        else
            p.drawLine(QPointF(rect.left(), rect.top()), QPointF(rect.left(), rect.bottom()));
        break;
    }
    case ReportObject::Kind::Shape: {
        p.setPen(framePen(o.frame));
        p.setBrush(o.color.isValid() ? QBrush(o.color) : QBrush(Qt::NoBrush));
        switch (o.shape) {
        case ShapeKind::Rectangle:
            p.drawRect(rect);
            break;
        case ShapeKind::RoundRectangle: {
            const double radius = std::min(rect.width(), rect.height()) / 8;
            p.drawRoundedRect(rect, radius, radius);
            break;
        }
        case ShapeKind::Ellipse:
            p.drawEllipse(rect);
            break;
        case ShapeKind::Triangle: {
            const QPointF pts[] = {QPointF(rect.center().x(), rect.top()), rect.bottomRight(), rect.bottomLeft()};
            p.drawPolygon(pts, 3);
            break;
        }
        case ShapeKind::Diamond: {
            const QPointF pts[] = {QPointF(rect.center().x(), rect.top()), QPointF(rect.right(), rect.center().y()),
                                   QPointF(rect.center().x(), rect.bottom()), QPointF(rect.left(), rect.center().y())};
            p.drawPolygon(pts, 4);
            break;
        }
        case ShapeKind::Diagonal1:
            p.drawLine(rect.bottomLeft(), rect.topRight());
            break;
        case ShapeKind::Diagonal2:
            p.drawLine(rect.topLeft(), rect.bottomRight());
            break;
        }
        p.setBrush(Qt::NoBrush);
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

void PreparedReport::paintPage(int page, QPainter& p) const
{
    if (page < 0 || page >= pageCount())
        return;
    const Page& pg = m_pages[page];
    if (pg.designPage < 0)
        return;
    const ReportPage& dp = *m_design.pages[pg.designPage];
    const QPointF origin(mm(dp.leftMargin), mm(dp.topMargin));
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
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
    p.restore();
}

} // namespace report
