#include "report/engine.h"

#include <QFile>
#include <QFontDatabase>
#include <QFontMetricsF>

#include <algorithm>

namespace report {

namespace {

// Tahoma from the Wine fonts when the system has none; Qt falls back to a sans font otherwise.
void ensureFonts()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    if (QFontDatabase::hasFamily(QStringLiteral("Tahoma")))
        return;
    for (const char* file : {"/usr/share/wine/fonts/tahoma.ttf", "/usr/share/wine/fonts/tahomabd.ttf"})
        if (QFile::exists(QLatin1String(file)))
            QFontDatabase::addApplicationFont(QLatin1String(file));
}

QFont makeFont(const Font& f)
{
    QFont font(f.name);
    font.setPixelSize(std::max(1, std::abs(f.height)));
    font.setBold(f.style & 1);
    font.setItalic(f.style & 2);
    font.setUnderline(f.style & 4);
    font.setStrikeOut(f.style & 8);
    font.setHintingPreference(QFont::PreferNoHinting);
    // Letter spacing of its own turns ligatures off: "fi" stays two letters in PDF text.
    font.setLetterSpacing(QFont::AbsoluteSpacing, 1.0 / 64);
    return font;
}

} // namespace

// Resolves names while the texts of one band (or the page objects) are compiled.
class PreparedReport::Compiler : public Resolver
{
public:
    Compiler(PreparedReport& r, const QStringList& aliases) : m_r(r), m_aliases(aliases) {}

    int currentBand = -1;
    int currentDesignPage = 0;

    bool resolveField(const QString& alias, const QString& field, int* dataset, int* index) override
    {
        for (int i = 0; i < m_aliases.size(); ++i) {
            if (m_aliases[i].compare(alias, Qt::CaseInsensitive) != 0)
                continue;
            *dataset = i;
            const DataSource* src = m_r.m_sources[i];
            if (!src) {
                *index = -1; // not bound: reads as null
                return true;
            }
            const QStringList names = src->fieldNames();
            for (int f = 0; f < names.size(); ++f)
                if (names[f].compare(field, Qt::CaseInsensitive) == 0) {
                    *index = f;
                    return true;
                }
            return false;
        }
        return false;
    }

    bool resolveValue(const QString& name, int* index) override
    {
        auto it = m_valueIndex.find(name.toLower());
        if (it == m_valueIndex.end())
            return false;
        *index = it.value();
        return true;
    }

    bool resolveVariable(const QString& name, QString* expression) override
    {
        const VariableItem* v = m_r.m_design.variable(name);
        if (!v)
            return false;
        *expression = v->value;
        return true;
    }

    int resolveBand(const QString& name) override
    {
        for (int i = 0; i < static_cast<int>(m_r.m_bands.size()); ++i) {
            const CompiledBand& cb = m_r.m_bands[i];
            if (name.isEmpty() ? (cb.designPage == currentDesignPage && cb.band->kind == Band::Kind::MasterData)
                               : cb.band->name.compare(name, Qt::CaseInsensitive) == 0)
                return i;
        }
        return -1;
    }

    int addAggregate(int aggregate) override
    {
        if (currentBand < 0)
            return -1;
        auto& reads = m_r.m_bands[currentBand].reads;
        reads.push_back(aggregate);
        return static_cast<int>(reads.size()) - 1;
    }

    void setValues(const QHash<QString, QVariant>& values)
    {
        for (auto it = values.begin(); it != values.end(); ++it) {
            m_valueIndex.insert(it.key().toLower(), static_cast<int>(m_r.m_values.size()));
            m_r.m_values.push_back(Value::fromVariant(it.value()));
        }
    }

    int compile(const QString& text, const QString& where)
    {
        try {
            return m_r.m_program.compile(text, *this);
        } catch (const ExprError& e) {
            throw ReportError(QStringLiteral("Sestavu nelze připravit: %1: %2.").arg(where, e.message));
        }
    }

    // A memo text: literal parts and [...] expressions with optional ' #n…' tags.
    std::vector<TextPart> compileText(const QString& text, const QString& where)
    {
        std::vector<TextPart> parts;
        QString literal;
        int i = 0;
        while (i < text.size()) {
            if (text[i] != u'[') {
                literal += text[i++];
                continue;
            }
            // find the matching ']' (nesting, quotes)
            int depth = 0, j = i;
            QChar quote;
            for (; j < text.size(); ++j) {
                QChar c = text[j];
                if (!quote.isNull()) {
                    if (c == quote)
                        quote = QChar();
                    continue;
                }
                if (c == u'\'' || c == u'"')
                    quote = c;
                else if (c == u'[')
                    ++depth;
                else if (c == u']' && --depth == 0)
                    break;
            }
            if (j >= text.size()) { // unmatched: printed as it is
                literal += text.mid(i);
                break;
            }
            if (!literal.isEmpty()) {
                parts.push_back({literal, -1, QChar(), QString()});
                literal.clear();
            }
            QString inner = text.mid(i + 1, j - i - 1);
            TextPart part;
            // a format tag " #n…", " #d…", " #b…" outside quotes ends the bracket
            QChar q;
            for (int k = 1; k + 1 < inner.size(); ++k) {
                QChar c = inner[k];
                if (!q.isNull()) {
                    if (c == q)
                        q = QChar();
                    continue;
                }
                if (c == u'\'' || c == u'"') {
                    q = c;
                    continue;
                }
                const QChar t = inner[k + 1].toLower();
                if (c == u'#' && inner[k - 1] == u' ' && (t == u'n' || t == u'd' || t == u'b')) {
                    part.tag = t;
                    part.tagFormat = inner.mid(k + 2);
                    inner = inner.left(k - 1);
                    break;
                }
            }
            part.node = compile(inner, where);
            parts.push_back(part);
            i = j + 1;
        }
        if (!literal.isEmpty())
            parts.push_back({literal, -1, QChar(), QString()});
        return parts;
    }

    CompiledObject compileObject(const ReportObject& o, const Font& parentFont)
    {
        CompiledObject co;
        co.obj = &o;
        const Font& f = o.parentFont ? parentFont : o.font;
        co.font = makeFont(f);
        co.rawFont = QRawFont::fromFont(co.font);
        co.ascent = co.rawFont.ascent();
        co.descent = co.rawFont.descent();
        co.textColor = f.color.isValid() ? f.color : QColor(Qt::black);
        switch (o.hAlign) {
        case HAlign::Left:
            co.flags |= Qt::AlignLeft;
            break;
        case HAlign::Right:
            co.flags |= Qt::AlignRight;
            break;
        case HAlign::Center:
            co.flags |= Qt::AlignHCenter;
            break;
        case HAlign::Block:
            co.flags |= Qt::AlignJustify;
            break;
        }
        switch (o.vAlign) {
        case VAlign::Top:
            co.flags |= Qt::AlignTop;
            break;
        case VAlign::Bottom:
            co.flags |= Qt::AlignBottom;
            break;
        case VAlign::Center:
            co.flags |= Qt::AlignVCenter;
            break;
        }
        if (o.wordWrap)
            co.flags |= Qt::TextWordWrap;
        const QString where = o.name.isEmpty() ? o.className : o.name;
        if (o.kind == ReportObject::Kind::Memo || o.kind == ReportObject::Kind::Picture) {
            if (!o.dataField.isEmpty() && !o.dataSetName.isEmpty()) {
                co.isField = true;
                if (!resolveField(o.dataSetName, o.dataField, &co.fieldDataset, &co.fieldIndex))
                    throw ReportError(QStringLiteral("Sestavu nelze připravit: %1: neznámé pole %2.\"%3\".")
                                          .arg(where, o.dataSetName, o.dataField));
            } else if (o.kind == ReportObject::Kind::Memo) {
                QString text = o.text;
                text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
                if (o.allowExpressions)
                    co.parts = compileText(text, where);
                else
                    co.parts.push_back({text, -1, QChar(), QString()});
            }
        }
        if (o.kind == ReportObject::Kind::Picture && !o.fileLink.isEmpty())
            co.fileImage.load(o.fileLink);
        return co;
    }

private:
    PreparedReport& m_r;
    QStringList m_aliases;
    QHash<QString, int> m_valueIndex;
};

// Walks the data and places bands on pages; measures, does not paint.
class PreparedReport::Layout
{
public:
    explicit Layout(PreparedReport& r) : m_r(r), m_acc(r.m_program.aggregates().size()) {}

    void run()
    {
        for (int dp = 0; dp < static_cast<int>(m_r.m_design.pages.size()); ++dp)
            layoutDesignPage(dp);
        if (m_r.m_pages.empty())
            m_r.m_pages.push_back(Page()); // an empty report still shows one blank page
    }

private:
    void layoutDesignPage(int dp)
    {
        const ReportPage& page = *m_r.m_design.pages[dp];
        m_dp = dp;
        m_title = m_pageHeader = m_pageFooter = m_summary = -1;
        std::vector<int> masters;
        for (int i = 0; i < static_cast<int>(m_r.m_bands.size()); ++i) {
            const CompiledBand& cb = m_r.m_bands[i];
            if (cb.designPage != dp || !cb.band->visible)
                continue;
            switch (cb.band->kind) {
            case Band::Kind::ReportTitle:
                m_title = i;
                break;
            case Band::Kind::PageHeader:
                m_pageHeader = i;
                break;
            case Band::Kind::PageFooter:
                m_pageFooter = i;
                break;
            case Band::Kind::ReportSummary:
                m_summary = i;
                break;
            case Band::Kind::MasterData:
                masters.push_back(i);
                break;
            default:
                break;
            }
        }
        m_usable = mm(page.paperHeight - page.topMargin - page.bottomMargin);
        m_limit = m_usable - (m_pageFooter >= 0 ? m_r.m_bands[m_pageFooter].band->height : 0);
        m_firstPageOfDesign = static_cast<int>(m_r.m_pages.size());
        m_reprint.clear();
        m_ds = -1;
        m_row = 0;
        newPage();
        std::sort(masters.begin(), masters.end(),
                  [&](int a, int b) { return m_r.m_bands[a].band->top < m_r.m_bands[b].band->top; });
        for (int m : masters)
            runMaster(m);
        if (m_summary >= 0)
            place(m_summary, false);
        endPage(true);
    }

    void runMaster(int m)
    {
        const CompiledBand& cb = m_r.m_bands[m];
        const DataSource* src = cb.dataset >= 0 ? m_r.m_sources[cb.dataset] : nullptr;
        const int rows = cb.dataset >= 0 ? (src ? src->rowCount() : 0) : cb.band->rowCount;
        if (rows <= 0)
            return;
        m_ds = cb.dataset;
        const size_t groups = cb.groupHeaders.size();
        std::vector<QString> keys(groups);
        int line = 0;
        for (int r = 0; r < rows; ++r) {
            m_row = r;
            size_t changed = groups;
            if (r == 0) {
                for (int h : cb.headers) {
                    place(h, m_r.m_bands[h].band->startNewPage);
                    if (m_r.m_bands[h].band->reprintOnNewPage)
                        m_reprint.push_back(h);
                }
                changed = 0;
                for (size_t g = 0; g < groups; ++g)
                    keys[g] = groupKey(cb.groupHeaders[g]);
            } else {
                for (size_t g = 0; g < groups; ++g) {
                    QString k = groupKey(cb.groupHeaders[g]);
                    if (k != keys[g] && changed == groups)
                        changed = g;
                    keys[g] = k;
                }
                if (changed < groups) {
                    m_row = r - 1;
                    closeGroups(cb, changed);
                    m_row = r;
                    line = 0;
                }
            }
            for (size_t g = changed; g < groups; ++g) {
                const int gh = cb.groupHeaders[g];
                place(gh, m_r.m_bands[gh].band->startNewPage);
                if (m_r.m_bands[gh].band->reprintOnNewPage)
                    m_reprint.push_back(gh);
            }
            ++line;
            accumulate(m);
            m_line = line;
            m_lineThrough = r + 1;
            place(m, cb.band->startNewPage);
        }
        m_row = rows - 1;
        closeGroups(cb, 0);
        for (int f : cb.footers)
            place(f, false);
        m_reprint.clear();
    }

    void closeGroups(const CompiledBand& cb, size_t from)
    {
        for (size_t g = cb.groupHeaders.size(); g-- > from;) {
            if (cb.groupFooters[g] >= 0)
                place(cb.groupFooters[g], false);
            auto it = std::find(m_reprint.begin(), m_reprint.end(), cb.groupHeaders[g]);
            if (it != m_reprint.end())
                m_reprint.erase(it);
        }
    }

    QString groupKey(int gh)
    {
        const CompiledBand& cb = m_r.m_bands[gh];
        if (cb.conditionNode < 0)
            return {};
        EvalEnv e = m_r.env(m_ds, m_row, pageNo());
        return m_r.m_program.eval(cb.conditionNode, e).toString(m_r.m_fs);
    }

    void accumulate(int band)
    {
        const CompiledBand& cb = m_r.m_bands[band];
        if (cb.accumulates.empty())
            return;
        EvalEnv e = m_r.env(m_ds, m_row, pageNo());
        // the aggregates of one row read the same few fields: read each once
        for (auto& slot : m_rowCache)
            slot.first = false;
        e.rowCache = &m_rowCache;
        const auto& aggs = m_r.m_program.aggregates();
        for (int id : cb.accumulates) {
            const AggregateCall& a = aggs[id];
            if (!cb.band->visible && !(a.flags & 1))
                continue;
            if (a.arg < 0)
                m_acc[id].add(Value::fromNumber(1));
            else
                m_acc[id].add(m_r.m_program.eval(a.arg, e));
        }
    }

    int pageNo() const { return static_cast<int>(m_r.m_pages.size()); }

    void newPage()
    {
        Page p;
        p.designPage = m_dp;
        p.first = static_cast<int>(m_r.m_placed.size());
        const bool first = static_cast<int>(m_r.m_pages.size()) == m_firstPageOfDesign;
        p.pageObjects = first;
        m_r.m_pages.push_back(p);
        m_y = 0;
        m_content = false;
        m_dataOnPage = false;
        if (first && m_title >= 0)
            placeRaw(m_title);
        if (m_pageHeader >= 0 && (!first || m_r.m_bands[m_pageHeader].band->printOnFirstPage))
            placeRaw(m_pageHeader);
        if (!first)
            for (int h : m_reprint)
                placeRaw(h);
    }

    void endPage(bool last)
    {
        const bool first = static_cast<int>(m_r.m_pages.size()) - 1 == m_firstPageOfDesign;
        if (m_pageFooter >= 0) {
            const Band& b = *m_r.m_bands[m_pageFooter].band;
            if ((!first || b.printOnFirstPage) && (!last || b.printOnLastPage)) {
                m_y = m_usable - b.height;
                placeRaw(m_pageFooter);
            }
        }
        m_r.m_pages.back().count = static_cast<int>(m_r.m_placed.size()) - m_r.m_pages.back().first;
    }

    void place(int band, bool startNewPage)
    {
        const CompiledBand& cb = m_r.m_bands[band];
        if (!cb.band->visible)
            return;
        const Band::Kind kind = cb.band->kind;
        const bool data = kind == Band::Kind::MasterData;
        EvalEnv e = m_r.env(m_ds, m_row, pageNo());
        const int snap = snapshot(cb);
        e.aggregates = snap >= 0 ? &m_r.m_snapshots[snap] : nullptr;
        const double h = m_r.bandHeight(cb, e);
        if ((startNewPage && m_dataOnPage) || (m_y + h > m_limit && m_content)) {
            endPage(false);
            newPage();
        }
        push(band, h, snap);
        m_content = true;
        if (data)
            m_dataOnPage = true;
        resetAfterRead(cb);
        placeChild(cb, false);
    }

    // A child band follows its parent; a chain of children ends where it would loop.
    void placeChild(const CompiledBand& parent, bool raw)
    {
        if (parent.child < 0 || !m_r.m_bands[parent.child].band->visible || ++m_childDepth > 16) {
            m_childDepth = 0;
            return;
        }
        if (raw)
            placeRaw(parent.child);
        else
            place(parent.child, false);
        m_childDepth = 0;
    }

    void placeRaw(int band)
    {
        const CompiledBand& cb = m_r.m_bands[band];
        EvalEnv e = m_r.env(m_ds, m_row, pageNo());
        const int snap = snapshot(cb);
        e.aggregates = snap >= 0 ? &m_r.m_snapshots[snap] : nullptr;
        push(band, m_r.bandHeight(cb, e), snap);
        resetAfterRead(cb);
        placeChild(cb, true);
    }

    void push(int band, double h, int snap)
    {
        m_r.m_placed.push_back(
            {band, static_cast<float>(m_y), static_cast<float>(h), m_row, m_ds, m_line, m_lineThrough, snap});
        m_y += h;
    }

    int snapshot(const CompiledBand& cb)
    {
        if (cb.reads.empty())
            return -1;
        const int at = static_cast<int>(m_r.m_snapshots.size());
        const auto& aggs = m_r.m_program.aggregates();
        for (int id : cb.reads)
            m_r.m_snapshots.push_back(m_acc[id].result(aggs[id].func));
        return at;
    }

    // Group, page and data footers show totals of what they close; running totals go on.
    void resetAfterRead(const CompiledBand& cb)
    {
        const Band::Kind k = cb.band->kind;
        if (k != Band::Kind::GroupFooter && k != Band::Kind::Footer && k != Band::Kind::PageFooter)
            return;
        const auto& aggs = m_r.m_program.aggregates();
        for (int id : cb.reads)
            if (!(aggs[id].flags & 2))
                m_acc[id].reset();
    }

    PreparedReport& m_r;
    std::vector<Accumulator> m_acc;
    int m_dp = 0;
    int m_title = -1, m_pageHeader = -1, m_pageFooter = -1, m_summary = -1;
    double m_usable = 0, m_limit = 0, m_y = 0;
    int m_firstPageOfDesign = 0;
    bool m_content = false, m_dataOnPage = false;
    std::vector<int> m_reprint;
    std::vector<std::pair<bool, Value>> m_rowCache;
    int m_childDepth = 0;
    int m_ds = -1, m_row = 0, m_line = 1, m_lineThrough = 1;
};

PreparedReport::PreparedReport(const Design& design, const std::vector<Source>& sources,
                               const QHash<QString, QVariant>& values)
    : m_design(design), m_fs(FormatSettings::current()), m_now(QDateTime::currentDateTime())
{
    ensureFonts();
    // Aliases: those bound by the program, then those the design lists but nobody bound.
    QStringList aliases;
    for (const auto& s : sources) {
        aliases << s.alias;
        m_sources.push_back(s.source);
    }
    for (const auto& d : design.datasets) {
        if (!d.dataSetName.isEmpty() && !aliases.contains(d.dataSetName, Qt::CaseInsensitive)) {
            aliases << d.dataSetName;
            m_sources.push_back(nullptr);
        }
    }
    auto aliasIndex = [&](const QString& name) {
        for (int i = 0; i < aliases.size(); ++i)
            if (aliases[i].compare(name, Qt::CaseInsensitive) == 0)
                return i;
        return -1;
    };

    // Bands first, so that aggregates can name any band.
    for (int dp = 0; dp < static_cast<int>(design.pages.size()); ++dp) {
        for (const auto& b : design.pages[dp]->bands) {
            if (b->kind == Band::Kind::Other)
                continue; // band kinds this engine does not print
            CompiledBand cb;
            cb.band = b.get();
            cb.designPage = dp;
            if (b->kind == Band::Kind::MasterData && !b->dataSetName.isEmpty()) {
                cb.dataset = aliasIndex(b->dataSetName);
                if (cb.dataset < 0) { // named but unknown: no rows
                    aliases << b->dataSetName;
                    m_sources.push_back(nullptr);
                    cb.dataset = static_cast<int>(aliases.size()) - 1;
                }
            }
            m_bands.push_back(std::move(cb));
        }
    }
    Compiler compiler(*this, aliases);
    compiler.setValues(values);

    // Child bands, named by their parents.
    for (auto& cb : m_bands) {
        if (cb.band->child.isEmpty())
            continue;
        for (int i = 0; i < static_cast<int>(m_bands.size()); ++i)
            if (m_bands[i].band->kind == Band::Kind::Child && m_bands[i].designPage == cb.designPage &&
                m_bands[i].band->name.compare(cb.band->child, Qt::CaseInsensitive) == 0 && &m_bands[i] != &cb)
                cb.child = i;
    }

    // Structure: headers, group headers, footers and group footers of each data band, by Top.
    for (int dp = 0; dp < static_cast<int>(design.pages.size()); ++dp) {
        std::vector<int> order;
        for (int i = 0; i < static_cast<int>(m_bands.size()); ++i) {
            const Band::Kind k = m_bands[i].band->kind;
            if (m_bands[i].designPage == dp &&
                (k == Band::Kind::Header || k == Band::Kind::GroupHeader || k == Band::Kind::MasterData ||
                 k == Band::Kind::GroupFooter || k == Band::Kind::Footer))
                order.push_back(i);
        }
        std::stable_sort(order.begin(), order.end(),
                         [&](int a, int b) { return m_bands[a].band->top < m_bands[b].band->top; });
        std::vector<int> pendingHeaders, pendingGroups;
        int master = -1;
        for (int i : order) {
            switch (m_bands[i].band->kind) {
            case Band::Kind::Header:
                pendingHeaders.push_back(i);
                master = -1;
                break;
            case Band::Kind::GroupHeader:
                pendingGroups.push_back(i);
                master = -1;
                break;
            case Band::Kind::MasterData:
                master = i;
                m_bands[i].headers = pendingHeaders;
                m_bands[i].groupHeaders = pendingGroups;
                pendingHeaders.clear();
                pendingGroups.clear();
                break;
            case Band::Kind::GroupFooter:
                if (master >= 0)
                    m_bands[master].groupFooters.push_back(i);
                break;
            case Band::Kind::Footer:
                if (master >= 0)
                    m_bands[master].footers.push_back(i);
                break;
            default:
                break;
            }
        }
    }
    // The footer nearest the data band closes the innermost group.
    for (auto& cb : m_bands) {
        std::vector<int> byLevel(cb.groupHeaders.size(), -1);
        for (size_t k = 0; k < cb.groupFooters.size() && k < byLevel.size(); ++k)
            byLevel[byLevel.size() - 1 - k] = cb.groupFooters[k];
        cb.groupFooters = byLevel;
    }

    // Texts and conditions.
    for (int i = 0; i < static_cast<int>(m_bands.size()); ++i) {
        CompiledBand& cb = m_bands[i];
        const ReportPage& page = *design.pages[cb.designPage];
        const Font bandFont = cb.band->parentFont ? page.font : cb.band->font;
        compiler.currentBand = i;
        compiler.currentDesignPage = cb.designPage;
        if (cb.band->kind == Band::Kind::GroupHeader && !cb.band->condition.isEmpty())
            cb.conditionNode = compiler.compile(cb.band->condition, cb.band->name);
        for (const auto& o : cb.band->objects)
            if (o->visible)
                cb.objects.push_back(compiler.compileObject(*o, bandFont));
    }
    m_pageObjects.resize(design.pages.size());
    for (int dp = 0; dp < static_cast<int>(design.pages.size()); ++dp) {
        compiler.currentBand = -1;
        compiler.currentDesignPage = dp;
        for (const auto& o : design.pages[dp]->objects)
            if (o->visible)
                m_pageObjects[dp].push_back(compiler.compileObject(*o, design.pages[dp]->font));
    }
    // Which data band accumulates which aggregate.
    const auto& aggs = m_program.aggregates();
    for (int id = 0; id < static_cast<int>(aggs.size()); ++id)
        if (aggs[id].band >= 0)
            m_bands[aggs[id].band].accumulates.push_back(id);

    Layout(*this).run();
}

EvalEnv PreparedReport::env(int rowDataset, int row, int page) const
{
    EvalEnv e;
    e.sources = &m_sources;
    e.rowDataset = rowDataset;
    e.row = row;
    e.page = page;
    e.totalPages = static_cast<int>(m_pages.size());
    e.values = &m_values;
    e.now = m_now;
    e.fs = &m_fs;
    return e;
}

double PreparedReport::bandHeight(const CompiledBand& cb, const EvalEnv& e) const
{
    double h = cb.band->height;
    if (!cb.band->stretched)
        return h;
    for (const CompiledObject& co : cb.objects) {
        const ReportObject& o = *co.obj;
        if (o.kind != ReportObject::Kind::Memo)
            continue;
        const QString text = memoText(co, e);
        if (text.isEmpty())
            continue;
        QFontMetricsF fm(co.font);
        QRectF r =
            fm.boundingRect(QRectF(0, 0, std::max(1.0, o.width - 2 * o.gapX), 1e6), co.flags | Qt::AlignTop, text);
        h = std::max(h, o.top + r.height() + 2 * o.gapY);
    }
    return h;
}

QSizeF PreparedReport::pageSizeMm(int page) const
{
    if (page < 0 || page >= pageCount())
        return {210, 297};
    const int dp = m_pages[page].designPage;
    if (dp < 0)
        return {210, 297};
    const ReportPage& p = *m_design.pages[dp];
    return {p.paperWidth, p.paperHeight};
}

QString PreparedReport::memoText(const CompiledObject& co, const EvalEnv& e) const
{
    const ReportObject& o = *co.obj;
    auto show = [&](const Value& v) -> QString {
        if (o.hideZeros && v.isNumeric() && v.toNumber() == 0)
            return {};
        return formatValue(o.displayFormat, v, m_fs);
    };
    if (co.isField) {
        if (co.fieldIndex < 0)
            return {};
        const DataSource* src = m_sources[co.fieldDataset];
        const int row = co.fieldDataset == e.rowDataset ? e.row : 0;
        if (!src || row < 0 || row >= src->rowCount())
            return {};
        return show(Value::fromVariant(src->value(row, co.fieldIndex)));
    }
    if (co.parts.size() == 1 && co.parts[0].node < 0)
        return co.parts[0].literal;
    QString out;
    for (const TextPart& part : co.parts) {
        if (part.node < 0) {
            out += part.literal;
            continue;
        }
        const Value v = m_program.eval(part.node, e);
        if (part.tag.isNull()) {
            out += show(v);
        } else if (part.tag == u'n') {
            out += formatNumeric(part.tagFormat, v, m_fs);
        } else if (part.tag == u'd') {
            out += formatDateTime(part.tagFormat, v.toDateTime(), m_fs);
        } else {
            const QString no = part.tagFormat.section(u',', 0, 0);
            const QString yes = part.tagFormat.section(u',', 1);
            out += v.toBool() ? yes : no;
        }
    }
    return out;
}

QStringList PreparedReport::pageTexts(int page) const
{
    QStringList out;
    if (page < 0 || page >= pageCount())
        return out;
    const Page& p = m_pages[page];
    if (p.pageObjects && p.designPage >= 0) {
        EvalEnv e = env(-1, 0, page + 1);
        for (const CompiledObject& co : m_pageObjects[p.designPage])
            if (co.obj->kind == ReportObject::Kind::Memo)
                out << memoText(co, e);
    }
    for (int i = p.first; i < p.first + p.count; ++i) {
        const Placed& pl = m_placed[i];
        const CompiledBand& cb = m_bands[pl.band];
        EvalEnv e = env(pl.dataset, pl.row, page + 1);
        e.line = pl.line;
        e.lineThrough = pl.lineThrough;
        e.aggregates = pl.snapshot >= 0 ? &m_snapshots[pl.snapshot] : nullptr;
        for (const CompiledObject& co : cb.objects)
            if (co.obj->kind == ReportObject::Kind::Memo)
                out << memoText(co, e);
    }
    return out;
}

} // namespace report
