#pragma once

#include "report/format.h"

#include <QColor>
#include <QImage>
#include <QList>
#include <QPair>
#include <QRectF>
#include <QString>

#include <memory>
#include <stdexcept>
#include <vector>

namespace report {

// A template that cannot be read or a design that cannot be prepared; the message is for the user.
class ReportError : public std::runtime_error
{
public:
    explicit ReportError(const QString& message) : std::runtime_error(message.toStdString()), m_message(message) {}
    const QString& message() const { return m_message; }

private:
    QString m_message;
};

// Pixels at 96 dpi per millimetre: band and object geometry is in pixels, pages in mm.
constexpr double kPxPerMm = 96.0 / 25.4;
inline double mm(double millimetres)
{
    return millimetres * kPxPerMm;
}

// Attributes a template carries that the engine does not use; written back unchanged.
using Attributes = QList<QPair<QString, QString>>;

struct Font
{
    QString name = QStringLiteral("Arial");
    int height = -13; // negative: pixels at 96 dpi
    int style = 0;    // 1 bold, 2 italic, 4 underline, 8 strikeout
    QColor color = Qt::black;
    int charset = 1;

    bool operator==(const Font&) const = default;
};

struct Frame
{
    enum class Style
    {
        Solid,
        Dash,
        Dot,
        DashDot,
        DashDotDot,
        Double
    };
    int typ = 0; // 1 left, 2 right, 4 top, 8 bottom
    double width = 1;
    QColor color = Qt::black;
    Style style = Style::Solid;
};

enum class HAlign
{
    Left,
    Right,
    Center,
    Block
};
enum class VAlign
{
    Top,
    Bottom,
    Center
};
enum class ShapeKind
{
    Rectangle,
    RoundRectangle,
    Ellipse,
    Triangle,
    Diamond,
    Diagonal1,
    Diagonal2
};

class ReportObject
{
public:
    enum class Kind
    {
        Memo,
        Line,
        Shape,
        Picture
    };

    Kind kind = Kind::Memo;
    QString className; // TfrxMemoView, TfrxSysMemoView, TfrxLineView, TfrxShapeView, TfrxPictureView
    QString name;
    double left = 0, top = 0, width = 0, height = 0;
    bool visible = true;

    // memo
    QString text;
    QString dataSetName;
    QString dataField;
    Font font;
    bool parentFont = true;
    HAlign hAlign = HAlign::Left;
    VAlign vAlign = VAlign::Top;
    bool wordWrap = true;
    bool allowExpressions = true;
    bool hideZeros = false;
    double gapX = 2, gapY = 1;
    DisplayFormat displayFormat;

    // fill (memo, shape) and frame (all)
    QColor color; // invalid = none
    Frame frame;

    // line
    bool diagonal = false;
    // shape
    ShapeKind shape = ShapeKind::Rectangle;
    // picture
    QImage picture;
    bool center = false;
    bool stretched = true;
    bool keepAspectRatio = true;
    QString fileLink;

    Attributes extra;

    QRectF rect() const { return {left, top, width, height}; }
};

class Band
{
public:
    enum class Kind
    {
        ReportTitle,
        PageHeader,
        Header,
        MasterData,
        Footer,
        GroupHeader,
        GroupFooter,
        ReportSummary,
        PageFooter,
        Child, // printed right after the band that names it in Child
        Other
    };

    Kind kind = Kind::MasterData;
    QString className;
    QString name;
    double left = 0, top = 0, width = 0, height = 0;
    bool visible = true;
    bool startNewPage = false;
    bool stretched = false;
    bool reprintOnNewPage = false;
    bool printOnFirstPage = true;
    bool printOnLastPage = true;
    QString dataSetName;
    int rowCount = 0;
    QString condition;
    QString child;
    Font font;
    bool parentFont = true;
    Attributes extra;
    std::vector<std::unique_ptr<ReportObject>> objects;

    // Design helpers: add an object of this band (geometry in pixels, relative to the band).
    ReportObject& addMemo(const QString& name, const QRectF& rect, const QString& text);
    ReportObject& addLine(const QString& name, const QRectF& rect);
    ReportObject& addShape(const QString& name, const QRectF& rect, ShapeKind shape = ShapeKind::Rectangle);
    ReportObject& addPicture(const QString& name, const QRectF& rect);

    static QString classNameOf(Kind kind);
    static Kind kindOf(const QString& className);
};

class ReportPage
{
public:
    QString name;
    double paperWidth = 210, paperHeight = 297; // mm
    int paperSize = 9;
    double leftMargin = 10, rightMargin = 10, topMargin = 10, bottomMargin = 10;
    bool landscape = false;
    Font font;
    Attributes extra;
    std::vector<std::unique_ptr<Band>> bands;
    std::vector<std::unique_ptr<ReportObject>> objects; // placed on the page: first page only

    Band& addBand(Band::Kind kind, const QString& name, double height);
    // Width available to bands in pixels.
    double bandWidth() const { return mm(paperWidth - leftMargin - rightMargin); }
};

struct DatasetItem
{
    QString dataSet;
    QString dataSetName;
};

struct VariableItem
{
    QString name;
    QString value; // an expression
    bool isCategory() const { return name.startsWith(u' '); }
};

// A report design: what a .fr3 template holds.
class Design
{
public:
    Design() = default;
    Design(const Design&) = delete;
    Design& operator=(const Design&) = delete;

    void clear();
    ReportPage& addPage(const QString& name = QString());

    ReportObject* findObject(const QString& name) const;
    Band* findBand(const QString& name) const;
    // Sets a variable's expression, adding it when missing.
    void setVariable(const QString& name, const QString& expression);
    const VariableItem* variable(const QString& name) const;
    void addDataset(const QString& dataSetName, const QString& dataSet = QString());

    QString version;
    Attributes rootExtra;
    Attributes dataPageExtra; // the TfrxDataPage element, kept for writing back
    bool hasDataPage = false;
    QList<DatasetItem> datasets;
    QList<VariableItem> variables;
    std::vector<std::unique_ptr<ReportPage>> pages;
};

} // namespace report
