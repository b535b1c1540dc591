// Painting of laid-out pages with QPainter.
#include "report/engine.h"

#include <QFontMetricsF>
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
            p.setFont(co.font);
            p.setPen(co.textColor);
            const QRectF inner = rect.adjusted(o.gapX, o.gapY, -o.gapX, -o.gapY);
            if (!(co.flags & Qt::TextWordWrap) && !text.contains(u'\n') && (co.flags & Qt::AlignTop) &&
                !(co.flags & Qt::AlignJustify)) {
                // One line, top aligned: place the baseline directly (much cheaper than a layout).
                QFontMetricsF fm(co.font);
                const double w = fm.horizontalAdvance(text);
                double x = inner.left();
                if (co.flags & Qt::AlignRight)
                    x = inner.right() - w;
                else if (co.flags & Qt::AlignHCenter)
                    x = inner.left() + (inner.width() - w) / 2;
                const bool clip = w > inner.width() + 0.5;
                if (clip) {
                    p.save();
                    p.setClipRect(rect);
                }
                p.drawText(QPointF(x, inner.top() + fm.ascent()), text);
                if (clip)
                    p.restore();
            } else {
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
