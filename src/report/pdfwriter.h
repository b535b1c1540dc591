#pragma once

#include "report/canvas.h"

#include <QFile>
#include <QHash>
#include <QRawFont>

#include <map>
#include <memory>
#include <vector>

namespace report {

// Writes report pages straight to a PDF file: texts as runs of glyphs of embedded TrueType
// subsets (one text operator per run), lines, rectangles, paths and images.
class PdfWriter final : public Canvas
{
public:
    // info: document information entries (Title, Author, Subject, Creator); empty ones are left out.
    PdfWriter(const QString& path, const QList<QPair<QByteArray, QString>>& info);
    ~PdfWriter() override;

    // False when the file cannot be written; errorString() says why.
    bool open();
    QString errorString() const { return m_file.errorString(); }
    void beginPage(const QSizeF& sizeMm);
    void endPage();
    // Writes fonts, page tree and cross-reference table; false on a write error.
    bool finish();
    // A font the writer cannot embed (not TrueType) was met; the file is then incomplete.
    bool unsupportedFont() const { return m_unsupportedFont; }

    void fillRect(const QRectF& rect, const QColor& color) override;
    void strokeLine(const QLineF& line, const QPen& pen) override;
    void drawPath(const QPainterPath& path, const QPen& pen, const QBrush& brush) override;
    void drawImage(const QRectF& target, const QImage& image, const QRectF& clip) override;
    void drawGlyphs(const QPointF& origin, const QGlyphRun& run, const QString& text, const QColor& color,
                    const QRectF& clip, bool italic = false) override;
    void drawText(const QRectF& rect, int flags, const QString& text, const QFont& font, const QColor& color) override;

private:
    struct FontEntry
    {
        int number = 0; // /F<number>
        int objectId = 0;
        QRawFont raw;
        bool italicFace = false;
        std::map<quint32, QString> glyphText; // used glyph -> text it shows
    };

    int newObject();
    void startObject(int id);
    void writeStream(int id, const QByteArray& dict, const QByteArray& data, bool compress);
    FontEntry& font(const QRawFont& raw);
    void writeFont(const FontEntry& f);
    void setStroke(const QPen& pen);
    void clipTo(const QRectF& clip);
    void pathOps(const QPainterPath& path);
    void restore(); // Q, forgetting the state it restores

    QFile m_file;
    QList<QPair<QByteArray, QString>> m_info;
    std::vector<qint64> m_offsets; // by object id (index 0 unused)
    std::vector<int> m_pages;
    QByteArray m_content;
    QSizeF m_pageSizePt;
    int m_pagesId = 0, m_resourcesId = 0;
    std::vector<std::unique_ptr<FontEntry>> m_fonts;
    QHash<QString, FontEntry*> m_fontByKey;
    FontEntry* m_lastFont = nullptr;
    QHash<qint64, int> m_images;                     // image cache key -> XObject number
    std::vector<std::pair<int, int>> m_imageObjects; // XObject number, object id
    bool m_unsupportedFont = false;
    // graphics state already set in the page's content
    QRgb m_fill = 0xFF000000;
    int m_textFont = 0;
    double m_textSize = 0;
};

} // namespace report
