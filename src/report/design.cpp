#include "report/design.h"

namespace report {

namespace {

ReportObject& addObject(Band& band, ReportObject::Kind kind, const QString& className, const QString& name,
                        const QRectF& rect)
{
    auto obj = std::make_unique<ReportObject>();
    obj->kind = kind;
    obj->className = className;
    obj->name = name;
    obj->left = rect.left();
    obj->top = rect.top();
    obj->width = rect.width();
    obj->height = rect.height();
    band.objects.push_back(std::move(obj));
    return *band.objects.back();
}

struct KindName
{
    Band::Kind kind;
    const char* name;
};

constexpr KindName kBandNames[] = {
    {Band::Kind::ReportTitle, "TfrxReportTitle"}, {Band::Kind::PageHeader, "TfrxPageHeader"},
    {Band::Kind::Header, "TfrxHeader"},           {Band::Kind::MasterData, "TfrxMasterData"},
    {Band::Kind::Footer, "TfrxFooter"},           {Band::Kind::GroupHeader, "TfrxGroupHeader"},
    {Band::Kind::GroupFooter, "TfrxGroupFooter"}, {Band::Kind::ReportSummary, "TfrxReportSummary"},
    {Band::Kind::PageFooter, "TfrxPageFooter"},   {Band::Kind::Child, "TfrxChild"},
};

} // namespace

ReportObject& Band::addMemo(const QString& name, const QRectF& rect, const QString& text)
{
    ReportObject& m = addObject(*this, ReportObject::Kind::Memo, QStringLiteral("TfrxMemoView"), name, rect);
    m.text = text;
    return m;
}

ReportObject& Band::addLine(const QString& name, const QRectF& rect)
{
    ReportObject& l = addObject(*this, ReportObject::Kind::Line, QStringLiteral("TfrxLineView"), name, rect);
    l.frame.typ = 15;
    return l;
}

ReportObject& Band::addShape(const QString& name, const QRectF& rect, ShapeKind shape)
{
    ReportObject& s = addObject(*this, ReportObject::Kind::Shape, QStringLiteral("TfrxShapeView"), name, rect);
    s.shape = shape;
    return s;
}

ReportObject& Band::addPicture(const QString& name, const QRectF& rect)
{
    return addObject(*this, ReportObject::Kind::Picture, QStringLiteral("TfrxPictureView"), name, rect);
}

QString Band::classNameOf(Kind kind)
{
    for (const auto& kn : kBandNames)
        if (kn.kind == kind)
            return QLatin1String(kn.name);
    return QStringLiteral("TfrxBand");
}

Band::Kind Band::kindOf(const QString& className)
{
    for (const auto& kn : kBandNames)
        if (className.compare(QLatin1String(kn.name), Qt::CaseInsensitive) == 0)
            return kn.kind;
    return Kind::Other;
}

Band& ReportPage::addBand(Band::Kind kind, const QString& name, double height)
{
    auto band = std::make_unique<Band>();
    band->kind = kind;
    band->className = Band::classNameOf(kind);
    band->name = name;
    band->height = height;
    band->width = bandWidth();
    // Designer order: each new band sits under the previous one.
    double top = 0;
    for (const auto& b : bands)
        top = std::max(top, b->top + b->height + mm(5));
    band->top = bands.empty() ? mm(5) : top;
    bands.push_back(std::move(band));
    return *bands.back();
}

void Design::clear()
{
    version.clear();
    rootExtra.clear();
    dataPageExtra.clear();
    hasDataPage = false;
    datasets.clear();
    variables.clear();
    pages.clear();
}

ReportPage& Design::addPage(const QString& name)
{
    auto page = std::make_unique<ReportPage>();
    page->name = name.isEmpty() ? QStringLiteral("Page%1").arg(pages.size() + 1) : name;
    pages.push_back(std::move(page));
    return *pages.back();
}

ReportObject* Design::findObject(const QString& name) const
{
    for (const auto& page : pages) {
        for (const auto& obj : page->objects)
            if (obj->name.compare(name, Qt::CaseInsensitive) == 0)
                return obj.get();
        for (const auto& band : page->bands)
            for (const auto& obj : band->objects)
                if (obj->name.compare(name, Qt::CaseInsensitive) == 0)
                    return obj.get();
    }
    return nullptr;
}

Band* Design::findBand(const QString& name) const
{
    for (const auto& page : pages)
        for (const auto& band : page->bands)
            if (band->name.compare(name, Qt::CaseInsensitive) == 0)
                return band.get();
    return nullptr;
}

void Design::setVariable(const QString& name, const QString& expression)
{
    for (auto& v : variables) {
        if (!v.isCategory() && v.name.compare(name, Qt::CaseInsensitive) == 0) {
            v.value = expression;
            return;
        }
    }
    variables.append({name, expression});
}

const VariableItem* Design::variable(const QString& name) const
{
    for (const auto& v : variables)
        if (!v.isCategory() && v.name.compare(name, Qt::CaseInsensitive) == 0)
            return &v;
    return nullptr;
}

void Design::addDataset(const QString& dataSetName, const QString& dataSet)
{
    for (const auto& d : datasets)
        if (d.dataSetName.compare(dataSetName, Qt::CaseInsensitive) == 0)
            return;
    datasets.append({dataSet.isEmpty() ? dataSetName : dataSet, dataSetName});
}

} // namespace report
