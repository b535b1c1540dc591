#include "report/expression.h"

#include "report/datasource.h"
#include "report/format.h"

#include <QHash>
#include <QSet>

#include <cmath>

namespace report {

using Op = ExprProgram::Op;
using Node = ExprProgram::Node;

namespace {

enum Sys
{
    SysDate,
    SysTime,
    SysPage,
    SysPageNo,
    SysTotalPages,
    SysLine,
    SysLineNo
};

struct SysName
{
    const char* name;
    Sys sys;
};
constexpr SysName kSysNames[] = {{"DATE", SysDate},
                                 {"TIME", SysTime},
                                 {"PAGE", SysPage},
                                 {"PAGE#", SysPageNo},
                                 {"TOTALPAGES#", SysTotalPages},
                                 {"TOTALPAGES", SysTotalPages},
                                 {"LINE", SysLine},
                                 {"LINE#", SysLineNo}};

enum Func
{
    FnFormatFloat,
    FnFormatDateTime,
    FnIntToStr,
    FnRound,
    FnCopy,
    FnTrim,
    FnUpperCase,
    FnLowerCase,
    FnLength,
    FnFloatToStr,
    FnDateToStr,
    FnTimeToStr,
    FnStrToFloat,
    FnStrToInt,
    FnAbs,
    FnInt,
    FnFrac,
    FnTrunc,
    FnPos,
    FnMin2,
    FnMax2,
    FnFormat
};
struct FuncName
{
    const char* name;
    Func func;
    int minArgs, maxArgs;
};
constexpr FuncName kFuncNames[] = {
    {"FORMATFLOAT", FnFormatFloat, 2, 2},
    {"FORMATDATETIME", FnFormatDateTime, 2, 2},
    {"INTTOSTR", FnIntToStr, 1, 1},
    {"ROUND", FnRound, 1, 1},
    {"COPY", FnCopy, 3, 3},
    {"TRIM", FnTrim, 1, 1},
    {"UPPERCASE", FnUpperCase, 1, 1},
    {"LOWERCASE", FnLowerCase, 1, 1},
    {"LENGTH", FnLength, 1, 1},
    {"FLOATTOSTR", FnFloatToStr, 1, 1},
    {"DATETOSTR", FnDateToStr, 1, 1},
    {"TIMETOSTR", FnTimeToStr, 1, 1},
    {"STRTOFLOAT", FnStrToFloat, 1, 1},
    {"STRTOINT", FnStrToInt, 1, 1},
    {"ABS", FnAbs, 1, 1},
    {"INT", FnInt, 1, 1},
    {"FRAC", FnFrac, 1, 1},
    {"TRUNC", FnTrunc, 1, 1},
    {"POS", FnPos, 2, 2},
    {"FORMAT", FnFormat, 2, 2},
};

enum class Tok
{
    End,
    Number,
    String,
    Name,
    Ref,
    Op,
    LParen,
    RParen,
    LBracket,
    RBracket,
    Comma
};

struct Token
{
    Tok type = Tok::End;
    QString text; // name, reference content, operator, string value
    double number = 0;
    int pos = 0;
};

} // namespace

// Recursive-descent parser over the expression text.
class ExprParser
{
public:
    ExprParser(ExprProgram& prog, Resolver& resolver, const QString& text, QSet<QString>& inProgress)
        : m_prog(prog), m_resolver(resolver), m_text(text), m_inProgress(inProgress)
    {
        next();
    }

    int parseAll()
    {
        if (m_tok.type == Tok::End)
            return constant(Value());
        int n = expr();
        if (m_tok.type != Tok::End)
            fail(QStringLiteral("nečekaný znak „%1“")
                     .arg(m_tok.text.isEmpty() ? QString(m_text[m_tok.pos]) : m_tok.text));
        return n;
    }

private:
    [[noreturn]] void fail(const QString& what)
    {
        throw ExprError{QStringLiteral("%1 ve výrazu „%2“").arg(what, m_text)};
    }

    int add(Node n)
    {
        m_prog.m_nodes.push_back(std::move(n));
        return static_cast<int>(m_prog.m_nodes.size()) - 1;
    }
    int constant(const Value& v)
    {
        Node n;
        n.op = Op::Const;
        n.constant = v;
        return add(std::move(n));
    }
    int binary(Op op, int a, int b)
    {
        Node n;
        n.op = op;
        n.a = a;
        n.b = b;
        return add(std::move(n));
    }

    bool lastWasOperand() const
    {
        switch (m_tok.type) {
        case Tok::Name:
            // an operator word is not an operand: "and <x>" opens a reference
            for (const char* kw : {"and", "or", "xor", "not", "div", "mod"})
                if (m_tok.text.compare(QLatin1String(kw), Qt::CaseInsensitive) == 0)
                    return false;
            return true;
        case Tok::Number:
        case Tok::String:
        case Tok::Ref:
        case Tok::RParen:
        case Tok::RBracket:
            return true;
        default:
            return false;
        }
    }

    void next()
    {
        const bool operand = m_started && lastWasOperand();
        m_started = true;
        int& p = m_pos;
        while (p < m_text.size() && m_text[p].isSpace())
            ++p;
        m_tok = Token();
        m_tok.pos = p;
        if (p >= m_text.size())
            return;
        const QChar c = m_text[p];
        if (c.isDigit() || (c == u'.' && p + 1 < m_text.size() && m_text[p + 1].isDigit())) {
            int s = p;
            while (p < m_text.size() && (m_text[p].isDigit() || m_text[p] == u'.'))
                ++p;
            if (p < m_text.size() && (m_text[p] == u'e' || m_text[p] == u'E')) {
                int q = p + 1;
                if (q < m_text.size() && (m_text[q] == u'+' || m_text[q] == u'-'))
                    ++q;
                if (q < m_text.size() && m_text[q].isDigit()) {
                    p = q;
                    while (p < m_text.size() && m_text[p].isDigit())
                        ++p;
                }
            }
            m_tok.type = Tok::Number;
            m_tok.text = m_text.mid(s, p - s);
            bool ok = false;
            m_tok.number = m_tok.text.toDouble(&ok);
            if (!ok)
                fail(QStringLiteral("chybné číslo „%1“").arg(m_tok.text));
            return;
        }
        if (c == u'$') { // hexadecimal constant
            int s = ++p;
            while (p < m_text.size() && isxdigit(m_text[p].toLatin1()))
                ++p;
            m_tok.type = Tok::Number;
            m_tok.number = static_cast<double>(m_text.mid(s, p - s).toLongLong(nullptr, 16));
            return;
        }
        if (c == u'\'') {
            QString s;
            ++p;
            for (;;) {
                if (p >= m_text.size())
                    fail(QStringLiteral("neukončený text"));
                if (m_text[p] == u'\'') {
                    if (p + 1 < m_text.size() && m_text[p + 1] == u'\'') {
                        s += u'\'';
                        p += 2;
                        continue;
                    }
                    ++p;
                    break;
                }
                s += m_text[p++];
            }
            m_tok.type = Tok::String;
            m_tok.text = s;
            return;
        }
        if (c == u'#' && p + 1 < m_text.size() && m_text[p + 1].isDigit()) { // #13 character constant
            int s = ++p;
            while (p < m_text.size() && m_text[p].isDigit())
                ++p;
            m_tok.type = Tok::String;
            m_tok.text = QString(QChar(m_text.mid(s, p - s).toInt()));
            return;
        }
        if (c.isLetter() || c == u'_') {
            m_tok.type = Tok::Name;
            m_tok.text = readName();
            return;
        }
        if (c == u'<' && !operand) {
            // A reference: <Alias."Field"> or <Variable>
            int s = ++p;
            QChar quote;
            while (p < m_text.size()) {
                const QChar d = m_text[p];
                if (!quote.isNull()) {
                    if (d == quote)
                        quote = QChar();
                } else if (d == u'"' || d == u'\'') {
                    quote = d;
                } else if (d == u'>') {
                    break;
                }
                ++p;
            }
            if (p >= m_text.size())
                fail(QStringLiteral("neukončený odkaz <…>"));
            m_tok.type = Tok::Ref;
            m_tok.text = m_text.mid(s, p - s).trimmed();
            ++p;
            return;
        }
        ++p;
        switch (c.unicode()) {
        case '(':
            m_tok.type = Tok::LParen;
            return;
        case ')':
            m_tok.type = Tok::RParen;
            return;
        case '[':
            m_tok.type = Tok::LBracket;
            return;
        case ']':
            m_tok.type = Tok::RBracket;
            return;
        case ',':
            m_tok.type = Tok::Comma;
            return;
        case '<':
            m_tok.type = Tok::Op;
            if (p < m_text.size() && (m_text[p] == u'=' || m_text[p] == u'>'))
                m_tok.text = QString(u'<') + m_text[p++];
            else
                m_tok.text = QStringLiteral("<");
            return;
        case '>':
            m_tok.type = Tok::Op;
            if (p < m_text.size() && m_text[p] == u'=') {
                ++p;
                m_tok.text = QStringLiteral(">=");
            } else {
                m_tok.text = QStringLiteral(">");
            }
            return;
        case '+':
        case '-':
        case '*':
        case '/':
        case '=':
            m_tok.type = Tok::Op;
            m_tok.text = QString(c);
            return;
        default:
            m_tok.text = QString(c);
            fail(QStringLiteral("nečekaný znak „%1“").arg(c));
        }
    }

    // A name with an optional trailing '#', and Alias."Field" / Alias.Field written bare.
    QString readName()
    {
        int& p = m_pos;
        int s = p;
        while (p < m_text.size() && (m_text[p].isLetterOrNumber() || m_text[p] == u'_'))
            ++p;
        if (p < m_text.size() && m_text[p] == u'#')
            ++p;
        if (p + 1 < m_text.size() && m_text[p] == u'.' && m_text[p + 1] == u'"') {
            int end = m_text.indexOf(u'"', p + 2);
            if (end < 0)
                fail(QStringLiteral("neukončený název pole"));
            p = end + 1;
        } else if (p + 1 < m_text.size() && m_text[p] == u'.' && (m_text[p + 1].isLetter() || m_text[p + 1] == u'_')) {
            ++p;
            while (p < m_text.size() && (m_text[p].isLetterOrNumber() || m_text[p] == u'_'))
                ++p;
        }
        return m_text.mid(s, p - s);
    }

    bool isKeyword(const char* kw) const
    {
        return m_tok.type == Tok::Name && m_tok.text.compare(QLatin1String(kw), Qt::CaseInsensitive) == 0;
    }

    int expr()
    {
        int left = simple();
        if (m_tok.type == Tok::Op) {
            static const QHash<QString, Op> rel = {{"=", Op::Eq},  {"<>", Op::Ne}, {"<", Op::Lt},
                                                   {"<=", Op::Le}, {">", Op::Gt},  {">=", Op::Ge}};
            auto it = rel.find(m_tok.text);
            if (it != rel.end()) {
                next();
                left = binary(it.value(), left, simple());
            }
        }
        return left;
    }

    int simple()
    {
        int left;
        if (m_tok.type == Tok::Op && (m_tok.text == u'-' || m_tok.text == u'+')) {
            bool neg = m_tok.text == u'-';
            next();
            left = term();
            if (neg) {
                Node n;
                n.op = Op::Neg;
                n.a = left;
                left = add(std::move(n));
            }
        } else {
            left = term();
        }
        for (;;) {
            Op op;
            if (m_tok.type == Tok::Op && m_tok.text == u'+')
                op = Op::Add;
            else if (m_tok.type == Tok::Op && m_tok.text == u'-')
                op = Op::Sub;
            else if (isKeyword("or"))
                op = Op::Or;
            else if (isKeyword("xor"))
                op = Op::Xor;
            else
                return left;
            next();
            left = binary(op, left, term());
        }
    }

    int term()
    {
        int left = factor();
        for (;;) {
            Op op;
            if (m_tok.type == Tok::Op && m_tok.text == u'*')
                op = Op::Mul;
            else if (m_tok.type == Tok::Op && m_tok.text == u'/')
                op = Op::Div;
            else if (isKeyword("div"))
                op = Op::IntDiv;
            else if (isKeyword("mod"))
                op = Op::Mod;
            else if (isKeyword("and"))
                op = Op::And;
            else
                return left;
            next();
            left = binary(op, left, factor());
        }
    }

    void expect(Tok type, const char* what)
    {
        if (m_tok.type != type)
            fail(QStringLiteral("chybí „%1“").arg(QLatin1String(what)));
        next();
    }

    int factor()
    {
        switch (m_tok.type) {
        case Tok::Number: {
            double d = m_tok.number;
            next();
            return constant(Value::fromNumber(d));
        }
        case Tok::String: {
            QString s = m_tok.text;
            next();
            return constant(Value::fromString(s));
        }
        case Tok::LParen: {
            next();
            int n = expr();
            expect(Tok::RParen, ")");
            return n;
        }
        case Tok::LBracket: { // a nested [...] is a sub-expression
            next();
            int n = expr();
            expect(Tok::RBracket, "]");
            return n;
        }
        case Tok::Op:
            if (m_tok.text == u'-' || m_tok.text == u'+') {
                bool neg = m_tok.text == u'-';
                next();
                int a = factor();
                if (!neg)
                    return a;
                Node n;
                n.op = Op::Neg;
                n.a = a;
                return add(std::move(n));
            }
            break;
        case Tok::Ref: {
            QString name = m_tok.text;
            next();
            return reference(name);
        }
        case Tok::Name: {
            if (isKeyword("not")) {
                next();
                Node n;
                n.op = Op::Not;
                n.a = factor();
                return add(std::move(n));
            }
            if (isKeyword("true") || isKeyword("false")) {
                bool b = isKeyword("true");
                next();
                return constant(Value::fromBool(b));
            }
            QString name = m_tok.text;
            next();
            if (m_tok.type == Tok::LParen)
                return call(name);
            return reference(name);
        }
        default:
            break;
        }
        if (m_tok.type == Tok::End)
            fail(QStringLiteral("neúplný výraz"));
        fail(QStringLiteral("nečekaný znak „%1“").arg(m_tok.text));
    }

    int reference(const QString& name)
    {
        // Alias."Field" or Alias.Field
        int dot = name.indexOf(QLatin1String(".\""));
        QString alias, field;
        if (dot > 0 && name.endsWith(u'"')) {
            alias = name.left(dot).trimmed();
            field = name.mid(dot + 2, name.size() - dot - 3);
        } else if ((dot = name.indexOf(u'.')) > 0) {
            alias = name.left(dot).trimmed();
            field = name.mid(dot + 1).trimmed();
        }
        if (!alias.isEmpty()) {
            int ds = -1, index = -1;
            if (m_resolver.resolveField(alias, field, &ds, &index)) {
                Node n;
                n.op = Op::Field;
                n.dataset = ds;
                n.index = index;
                return add(std::move(n));
            }
            fail(QStringLiteral("neznámé pole %1.\"%2\"").arg(alias, field));
        }
        const QString upper = name.toUpper();
        for (const auto& s : kSysNames) {
            if (upper == QLatin1String(s.name)) {
                Node n;
                n.op = Op::Sys;
                n.index = s.sys;
                return add(std::move(n));
            }
        }
        int valueIndex = -1;
        if (m_resolver.resolveValue(name, &valueIndex)) {
            Node n;
            n.op = Op::ProgValue;
            n.index = valueIndex;
            return add(std::move(n));
        }
        QString expression;
        if (m_resolver.resolveVariable(name, &expression)) {
            const QString key = name.toLower();
            if (m_inProgress.contains(key))
                fail(QStringLiteral("proměnná „%1“ odkazuje sama na sebe").arg(name));
            m_inProgress.insert(key);
            ExprParser inner(m_prog, m_resolver, expression, m_inProgress);
            int n;
            try {
                n = inner.parseAll();
            } catch (const ExprError& e) {
                m_inProgress.remove(key);
                throw ExprError{QStringLiteral("proměnná „%1“: %2").arg(name, e.message)};
            }
            m_inProgress.remove(key);
            return n;
        }
        fail(QStringLiteral("neznámý název „%1“").arg(name));
    }

    QList<int> arguments()
    {
        QList<int> args;
        expect(Tok::LParen, "(");
        if (m_tok.type == Tok::RParen) {
            next();
            return args;
        }
        for (;;) {
            args << expr();
            if (m_tok.type == Tok::Comma) {
                next();
                continue;
            }
            expect(Tok::RParen, ")");
            return args;
        }
    }

    int aggregate(AggregateFunc func, const QString& name)
    {
        expect(Tok::LParen, "(");
        AggregateCall agg;
        agg.func = func;
        if (func != AggregateFunc::Count) {
            agg.arg = expr();
            for (int i = agg.arg; i < static_cast<int>(m_prog.m_nodes.size()); ++i)
                if (m_prog.m_nodes[i].op == Op::Aggregate)
                    fail(QStringLiteral("vnořená agregační funkce"));
            if (m_tok.type == Tok::Comma)
                next();
        }
        QString bandName;
        if (m_tok.type == Tok::Name) {
            bandName = m_tok.text;
            next();
        }
        agg.band = m_resolver.resolveBand(bandName);
        if (agg.band < 0)
            fail(bandName.isEmpty() ? QStringLiteral("%1 bez datového pásu").arg(name)
                                    : QStringLiteral("neznámý pás „%1“").arg(bandName));
        if (m_tok.type == Tok::Comma) {
            next();
            if (m_tok.type != Tok::Number)
                fail(QStringLiteral("příznaky funkce %1 musí být číslo").arg(name));
            agg.flags = static_cast<int>(m_tok.number);
            next();
        }
        expect(Tok::RParen, ")");
        const int id = static_cast<int>(m_prog.m_aggregates.size());
        agg.slot = m_resolver.addAggregate(id);
        m_prog.m_aggregates.push_back(agg);
        Node n;
        n.op = Op::Aggregate;
        n.index = id;
        return add(std::move(n));
    }

    // MIN/MAX are aggregates when their second argument names a band, else of two values.
    bool secondArgIsBand()
    {
        int depth = 0;
        int p = m_tok.pos + 1; // after '('
        QChar quote;
        for (; p < m_text.size(); ++p) {
            QChar c = m_text[p];
            if (!quote.isNull()) {
                if (c == quote)
                    quote = QChar();
                continue;
            }
            if (c == u'\'' || c == u'"')
                quote = c;
            else if (c == u'(' || c == u'[' || c == u'<')
                ++depth;
            else if (c == u')' || c == u']' || c == u'>')
                --depth;
            else if (c == u',' && depth == 0)
                break;
        }
        if (p >= m_text.size())
            return true; // one argument: MIN(expr) over the default band
        int s = p + 1;
        while (s < m_text.size() && m_text[s].isSpace())
            ++s;
        int e = s;
        while (e < m_text.size() && (m_text[e].isLetterOrNumber() || m_text[e] == u'_'))
            ++e;
        if (e == s)
            return false;
        return m_resolver.resolveBand(m_text.mid(s, e - s)) >= 0;
    }

    int call(const QString& name)
    {
        const QString upper = name.toUpper();
        if (upper == QLatin1String("SUM"))
            return aggregate(AggregateFunc::Sum, upper);
        if (upper == QLatin1String("AVG"))
            return aggregate(AggregateFunc::Avg, upper);
        if (upper == QLatin1String("COUNT"))
            return aggregate(AggregateFunc::Count, upper);
        if ((upper == QLatin1String("MIN") || upper == QLatin1String("MAX")) && secondArgIsBand())
            return aggregate(upper == QLatin1String("MIN") ? AggregateFunc::Min : AggregateFunc::Max, upper);
        if (upper == QLatin1String("IIF")) {
            QList<int> args = arguments();
            if (args.size() != 3)
                fail(QStringLiteral("IIF potřebuje tři argumenty"));
            Node n;
            n.op = Op::Iif;
            n.a = args[0];
            n.b = args[1];
            n.c = args[2];
            return add(std::move(n));
        }
        int func = -1, minArgs = 0, maxArgs = 0;
        for (const auto& f : kFuncNames) {
            if (upper == QLatin1String(f.name)) {
                func = f.func;
                minArgs = f.minArgs;
                maxArgs = f.maxArgs;
            }
        }
        if (upper == QLatin1String("MIN") || upper == QLatin1String("MAX")) {
            func = upper == QLatin1String("MIN") ? FnMin2 : FnMax2;
            minArgs = maxArgs = 2;
        }
        if (func < 0)
            fail(QStringLiteral("neznámá funkce „%1“").arg(name));
        QList<int> args = arguments();
        if (args.size() < minArgs || args.size() > maxArgs)
            fail(QStringLiteral("funkce %1 má chybný počet argumentů").arg(name));
        Node n;
        n.op = Op::Call;
        n.index = func;
        n.args.assign(args.begin(), args.end());
        return add(std::move(n));
    }

    ExprProgram& m_prog;
    Resolver& m_resolver;
    const QString& m_text;
    QSet<QString>& m_inProgress;
    int m_pos = 0;
    bool m_started = false;
    Token m_tok;
};

void Accumulator::add(const Value& v)
{
    ++count;
    if (v.isNull())
        return;
    sum += v.toNumber();
    if (!any) {
        min = max = v;
        any = true;
        return;
    }
    static const FormatSettings fs;
    if (compareValues(v, min, fs) < 0)
        min = v;
    if (compareValues(v, max, fs) > 0)
        max = v;
}

Value Accumulator::result(AggregateFunc func) const
{
    switch (func) {
    case AggregateFunc::Sum:
        return Value::fromNumber(sum);
    case AggregateFunc::Count:
        return Value::fromNumber(count);
    case AggregateFunc::Avg:
        return count > 0 ? Value::fromNumber(sum / count) : Value::fromNumber(0);
    case AggregateFunc::Min:
        return any ? min : Value::fromNumber(0);
    case AggregateFunc::Max:
        return any ? max : Value::fromNumber(0);
    }
    return {};
}

int compareValues(const Value& a, const Value& b, const FormatSettings& fs)
{
    using T = Value::Type;
    auto cmpNum = [](double x, double y) { return x < y ? -1 : (x > y ? 1 : 0); };
    if (a.type() == T::DateTime || b.type() == T::DateTime) {
        if (a.isNull() || b.isNull())
            return a.isNull() ? (b.isNull() ? 0 : -1) : 1;
        return cmpNum(a.toSerialDate(), b.toSerialDate());
    }
    if (a.isString() || b.isString()) {
        double x = 0, y = 0;
        // A number against a text that reads as a number compares as numbers.
        if (a.isNumeric() && parseNumber(b.toString(fs), &y))
            return cmpNum(a.toNumber(), y);
        if (b.isNumeric() && parseNumber(a.toString(fs), &x))
            return cmpNum(x, b.toNumber());
        int c = QString::compare(a.toString(fs), b.toString(fs), Qt::CaseSensitive);
        return c < 0 ? -1 : (c > 0 ? 1 : 0);
    }
    return cmpNum(a.toNumber(), b.toNumber());
}

void ExprProgram::clear()
{
    m_nodes.clear();
    m_aggregates.clear();
}

int ExprProgram::compile(const QString& text, Resolver& resolver)
{
    QSet<QString> inProgress;
    ExprParser parser(*this, resolver, text, inProgress);
    return parser.parseAll();
}

Value ExprProgram::eval(int index, const EvalEnv& env) const
{
    const Node& n = m_nodes[index];
    static const FormatSettings defaultFs;
    const FormatSettings& fs = env.fs ? *env.fs : defaultFs;
    switch (n.op) {
    case Op::Const:
        return n.constant;
    case Op::Field: {
        if (!env.sources || n.dataset < 0 || n.dataset >= static_cast<int>(env.sources->size()))
            return {};
        const DataSource* src = (*env.sources)[n.dataset];
        if (!src)
            return {};
        const int row = n.dataset == env.rowDataset ? env.row : 0;
        if (row < 0 || row >= src->rowCount() || n.index < 0)
            return {};
        if (env.rowCache && n.dataset == env.rowDataset) {
            auto& cache = *env.rowCache;
            if (static_cast<size_t>(n.index) >= cache.size())
                cache.resize(n.index + 1);
            auto& slot = cache[n.index];
            if (!slot.first)
                slot = {true, Value::fromVariant(src->value(row, n.index))};
            return slot.second;
        }
        return Value::fromVariant(src->value(row, n.index));
    }
    case Op::Sys:
        switch (n.index) {
        case SysDate:
            return Value::fromDateTime(QDateTime(env.now.date(), QTime(0, 0), Qt::UTC));
        case SysTime:
            return Value::fromDateTime(QDateTime(QDate(1899, 12, 30), env.now.time(), Qt::UTC));
        case SysPage:
        case SysPageNo:
            return Value::fromNumber(env.page);
        case SysTotalPages:
            return Value::fromNumber(env.totalPages);
        case SysLine:
            return Value::fromNumber(env.line);
        case SysLineNo:
            return Value::fromNumber(env.lineThrough);
        }
        return {};
    case Op::ProgValue:
        if (env.values && n.index < static_cast<int>(env.values->size()))
            return (*env.values)[n.index];
        return {};
    case Op::Aggregate: {
        const AggregateCall& agg = m_aggregates[n.index];
        if (!env.aggregates || agg.slot < 0)
            return Value::fromNumber(0);
        return env.aggregates[agg.slot];
    }
    case Op::Iif:
        return eval(eval(n.a, env).toBool() ? n.b : n.c, env);
    case Op::Neg: {
        Value v = eval(n.a, env);
        return Value::fromNumber(-v.toNumber());
    }
    case Op::Not: {
        Value v = eval(n.a, env);
        if (v.type() == Value::Type::Number)
            return Value::fromNumber(static_cast<double>(~static_cast<qint64>(v.toNumber())));
        return Value::fromBool(!v.toBool());
    }
    case Op::And:
    case Op::Or:
    case Op::Xor: {
        Value a = eval(n.a, env), b = eval(n.b, env);
        if (a.type() == Value::Type::Number && b.type() == Value::Type::Number) {
            auto x = static_cast<qint64>(a.toNumber()), y = static_cast<qint64>(b.toNumber());
            return Value::fromNumber(static_cast<double>(n.op == Op::And  ? (x & y)
                                                         : n.op == Op::Or ? (x | y)
                                                                          : (x ^ y)));
        }
        bool x = a.toBool(), y = b.toBool();
        return Value::fromBool(n.op == Op::And ? (x && y) : n.op == Op::Or ? (x || y) : (x != y));
    }
    case Op::Add: {
        Value a = eval(n.a, env), b = eval(n.b, env);
        if (a.isString() || b.isString())
            return Value::fromString(a.toString(fs) + b.toString(fs));
        if (a.type() == Value::Type::DateTime || b.type() == Value::Type::DateTime)
            return Value::fromDateTime(Value::fromSerialDate(a.toNumber() + b.toNumber()));
        return Value::fromNumber(a.toNumber() + b.toNumber());
    }
    case Op::Sub: {
        Value a = eval(n.a, env), b = eval(n.b, env);
        if (a.type() == Value::Type::DateTime && b.type() != Value::Type::DateTime)
            return Value::fromDateTime(Value::fromSerialDate(a.toNumber() - b.toNumber()));
        return Value::fromNumber(a.toNumber() - b.toNumber());
    }
    case Op::Mul:
        return Value::fromNumber(eval(n.a, env).toNumber() * eval(n.b, env).toNumber());
    case Op::Div: {
        double d = eval(n.b, env).toNumber();
        if (d == 0)
            return {};
        return Value::fromNumber(eval(n.a, env).toNumber() / d);
    }
    case Op::IntDiv:
    case Op::Mod: {
        auto x = static_cast<qint64>(eval(n.a, env).toNumber());
        auto y = static_cast<qint64>(eval(n.b, env).toNumber());
        if (y == 0)
            return {};
        return Value::fromNumber(static_cast<double>(n.op == Op::IntDiv ? x / y : x % y));
    }
    case Op::Eq:
    case Op::Ne:
    case Op::Lt:
    case Op::Le:
    case Op::Gt:
    case Op::Ge: {
        int c = compareValues(eval(n.a, env), eval(n.b, env), fs);
        bool r = false;
        switch (n.op) {
        case Op::Eq:
            r = c == 0;
            break;
        case Op::Ne:
            r = c != 0;
            break;
        case Op::Lt:
            r = c < 0;
            break;
        case Op::Le:
            r = c <= 0;
            break;
        case Op::Gt:
            r = c > 0;
            break;
        default:
            r = c >= 0;
            break;
        }
        return Value::fromBool(r);
    }
    case Op::Call: {
        auto arg = [&](int i) { return eval(n.args[i], env); };
        switch (n.index) {
        case FnFormatFloat:
            return Value::fromString(formatFloat(arg(0).toString(fs), arg(1).toNumber(), fs));
        case FnFormatDateTime:
            return Value::fromString(formatDateTime(arg(0).toString(fs), arg(1).toDateTime(), fs));
        case FnFormat:
            return Value::fromString(formatPattern(arg(0).toString(fs), arg(1), fs));
        case FnIntToStr:
            return Value::fromString(QString::number(static_cast<qint64>(std::nearbyint(arg(0).toNumber()))));
        case FnRound:
            return Value::fromNumber(std::nearbyint(arg(0).toNumber())); // halves to even
        case FnTrunc:
        case FnInt:
            return Value::fromNumber(std::trunc(arg(0).toNumber()));
        case FnFrac: {
            double d = arg(0).toNumber();
            return Value::fromNumber(d - std::trunc(d));
        }
        case FnAbs:
            return Value::fromNumber(std::fabs(arg(0).toNumber()));
        case FnCopy: {
            QString s = arg(0).toString(fs);
            int from = static_cast<int>(arg(1).toNumber());
            int count = static_cast<int>(arg(2).toNumber());
            if (from < 1)
                from = 1;
            if (count < 0 || from > s.size())
                return Value::fromString(QString());
            return Value::fromString(s.mid(from - 1, count));
        }
        case FnTrim:
            return Value::fromString(arg(0).toString(fs).trimmed());
        case FnUpperCase:
            return Value::fromString(arg(0).toString(fs).toUpper());
        case FnLowerCase:
            return Value::fromString(arg(0).toString(fs).toLower());
        case FnLength:
            return Value::fromNumber(arg(0).toString(fs).size());
        case FnPos:
            return Value::fromNumber(arg(1).toString(fs).indexOf(arg(0).toString(fs)) + 1);
        case FnFloatToStr:
            return Value::fromString(numberText(arg(0).toNumber(), fs));
        case FnDateToStr:
            return Value::fromString(formatDateTime(fs.shortDateFormat, arg(0).toDateTime(), fs));
        case FnTimeToStr:
            return Value::fromString(formatDateTime(fs.longTimeFormat, arg(0).toDateTime(), fs));
        case FnStrToFloat:
        case FnStrToInt: {
            double d = 0;
            parseNumber(arg(0).toString(fs), &d);
            return Value::fromNumber(n.index == FnStrToInt ? std::trunc(d) : d);
        }
        case FnMin2:
        case FnMax2: {
            Value a = arg(0), b = arg(1);
            int c = compareValues(a, b, fs);
            return (n.index == FnMin2) == (c <= 0) ? a : b;
        }
        }
        return {};
    }
    }
    return {};
}

} // namespace report
