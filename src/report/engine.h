#pragma once

#include "report/datasource.h"
#include "report/design.h"
#include "report/expression.h"

#include <QFont>
#include <QHash>
#include <QRawFont>
#include <QSizeF>

#include <vector>

class QPainter;

namespace report {

class Canvas;

// A design compiled against its data and laid out into pages. Pages are only measured here;
// each is painted when it is shown, printed or exported.
class PreparedReport
{
public:
    struct Source
    {
        QString alias;
        const DataSource* source = nullptr;
    };

    // Compiles every text and lays out all pages; throws ReportError naming the object at fault.
    PreparedReport(const Design& design, const std::vector<Source>& sources, const QHash<QString, QVariant>& values);

    int pageCount() const { return static_cast<int>(m_pages.size()); }
    QSizeF pageSizeMm(int page) const;
    // Paints one page; the painter works in pixels at 96 dpi with the paper's corner at (0,0).
    void paintPage(int page, QPainter& painter) const;
    void paintPage(int page, Canvas& canvas) const;
    // The texts of a page's memos in print order (for checks and search).
    QStringList pageTexts(int page) const;

private:
    struct TextPart
    {
        QString literal;
        int node = -1;
        QChar tag;         // 'n', 'd', 'b' or null
        QString tagFormat; // what follows the tag letter
    };
    struct CompiledObject
    {
        const ReportObject* obj = nullptr;
        QFont font;
        QRawFont rawFont; // for one-line texts drawn as glyph runs
        double ascent = 0, descent = 0;
        QColor textColor;
        int flags = 0;
        std::vector<TextPart> parts;
        int fieldDataset = -1, fieldIndex = -1;
        bool isField = false;
        QImage fileImage;
    };
    struct CompiledBand
    {
        const Band* band = nullptr;
        int designPage = 0;
        std::vector<CompiledObject> objects;
        std::vector<int> reads;       // aggregate ids read here; position = snapshot slot
        std::vector<int> accumulates; // aggregate ids accumulated when this band prints
        int dataset = -1;
        int conditionNode = -1;
        int child = -1; // the child band printed after this one
        // data band structure
        std::vector<int> headers, footers, groupHeaders, groupFooters;
    };
    struct Placed
    {
        int band;
        float y;
        float height;
        int row;
        int dataset; // whose row is current
        int line, lineThrough;
        int snapshot; // offset in m_snapshots or -1
    };
    struct Page
    {
        int designPage = -1;
        int first = 0, count = 0;
        bool pageObjects = false;
    };
    class Compiler;
    class Layout;

    EvalEnv env(int rowDataset, int row, int page) const;
    QString memoText(const CompiledObject& co, const EvalEnv& env) const;
    double bandHeight(const CompiledBand& cb, const EvalEnv& env) const;
    void paintObject(Canvas& p, const CompiledObject& co, const QRectF& rect, const EvalEnv& env,
                     bool stretchedBand) const;
    bool drawSingleLine(Canvas& p, const CompiledObject& co, const QRectF& inner, const QString& text) const;

    const Design& m_design;
    std::vector<const DataSource*> m_sources;
    std::vector<Value> m_values;
    ExprProgram m_program;
    std::vector<CompiledBand> m_bands;
    std::vector<std::vector<CompiledObject>> m_pageObjects; // per design page
    std::vector<Placed> m_placed;
    std::vector<Value> m_snapshots;
    std::vector<Page> m_pages;
    FormatSettings m_fs;
    QDateTime m_now;
};

} // namespace report
