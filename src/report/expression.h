#pragma once

#include "report/value.h"

#include <QString>

#include <vector>

namespace report {

class DataSource;

// A failure to compile an expression; the message says what is wrong.
struct ExprError
{
    QString message;
};

enum class AggregateFunc
{
    Sum,
    Min,
    Max,
    Avg,
    Count
};

// One aggregate call in a compiled expression.
struct AggregateCall
{
    AggregateFunc func = AggregateFunc::Sum;
    int arg = -1;  // node of the accumulated expression (-1 for COUNT)
    int band = -1; // the data band whose printing accumulates it (resolver's numbering)
    int flags = 0; // 1 invisible bands too, 2 running total
    int slot = -1; // place of its value in the reading band's snapshot
};

// Running value of one aggregate.
struct Accumulator
{
    double sum = 0;
    int count = 0;
    Value min, max;
    bool any = false;

    void add(const Value& v);
    Value result(AggregateFunc func) const;
    void reset() { *this = Accumulator(); }
};

// Names an expression may use, resolved while compiling.
class Resolver
{
public:
    virtual ~Resolver() = default;
    // A dataset field Alias."Field": the dataset's and the field's index.
    virtual bool resolveField(const QString& alias, const QString& field, int* dataset, int* index) = 0;
    // A value supplied by the program.
    virtual bool resolveValue(const QString& name, int* index) = 0;
    // A report variable: its expression.
    virtual bool resolveVariable(const QString& name, QString* expression) = 0;
    // A band named in an aggregate; -1 when unknown. An empty name asks for the default data band.
    virtual int resolveBand(const QString& name) = 0;
    // Registers an aggregate read by the expression being compiled; returns its snapshot slot.
    virtual int addAggregate(int aggregate) = 0;
};

// Everything an expression reads while it is evaluated.
struct EvalEnv
{
    const std::vector<const DataSource*>* sources = nullptr;
    int rowDataset = -1; // the dataset whose row is current
    int row = 0;
    int page = 1;
    int totalPages = 1;
    int line = 1;                      // within the current group
    int lineThrough = 1;               // within the band's whole run
    const Value* aggregates = nullptr; // the reading band's snapshot, by slot
    // Fields of the current row already read (by field index of rowDataset); may be null.
    std::vector<std::pair<bool, Value>>* rowCache = nullptr;
    const std::vector<Value>* values = nullptr;
    QDateTime now;
    const FormatSettings* fs = nullptr;
};

// Compiled expressions of one prepared report, as a pool of nodes.
class ExprProgram
{
public:
    // Compiles an expression (the inside of a [...] or a variable's value); throws ExprError.
    int compile(const QString& text, Resolver& resolver);
    // Evaluation never throws: impossible operations give null.
    Value eval(int node, const EvalEnv& env) const;

    const std::vector<AggregateCall>& aggregates() const { return m_aggregates; }
    void clear();

    enum class Op : unsigned char
    {
        Const,
        Field,
        Sys,
        ProgValue,
        Neg,
        Not,
        Add,
        Sub,
        Mul,
        Div,
        IntDiv,
        Mod,
        And,
        Or,
        Xor,
        Eq,
        Ne,
        Lt,
        Le,
        Gt,
        Ge,
        Call,
        Iif,
        Aggregate
    };
    struct Node
    {
        Op op = Op::Const;
        int a = -1, b = -1, c = -1;
        int index = 0; // field, system variable, program value, function or aggregate
        int dataset = -1;
        Value constant;
        std::vector<int> args;
    };

private:
    friend class ExprParser;
    std::vector<Node> m_nodes;
    std::vector<AggregateCall> m_aggregates;
};

// Compares two values as the expression language does (numbers, texts, dates).
int compareValues(const Value& a, const Value& b, const FormatSettings& fs);

} // namespace report
