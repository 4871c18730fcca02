#include "Evaluator.h"

#include <float.h>
#include <math.h>
#include <string.h>

#include <algorithm>

#include "Text.h"

namespace genicam {
namespace engine {

namespace {

const int kRead = 1, kWrite = 2;  // the bits of an Access

// The access two restrictions leave together.
Access intersect(Access a, Access b)
{
    if (a == Access::NI || b == Access::NI)
        return Access::NI;
    return (Access)((int)a & (int)b);
}

// What a node allows by itself, before its conditions: a register its
// AccessMode, a formula only reading, and every other node both (the nodes
// it stands for restrict it further).
Access ownAccess(const Node &node)
{
    Access base = Access::RW;
    if (node.reg)
        base = node.reg->access;
    else if (node.kind == Kind::IntSwissKnife || node.kind == Kind::SwissKnife || node.kind == Kind::Category)
        base = Access::RO;
    return intersect(base, node.imposed);
}

std::string rangeText(const std::string &low, const std::string &high, const std::string &step)
{
    std::string text = "(" + low + " to " + high;
    if (!step.empty())
        text += " in steps of " + step;
    return text + ")";
}

} // namespace

Number integerNumber(int64_t value)
{
    Number number;
    number.integer = value;
    return number;
}

Number floatNumber(double value)
{
    Number number;
    number.isFloat = true;
    number.floating = value;
    return number;
}

double toDouble(Number value)
{
    return value.isFloat ? value.floating : (double)value.integer;
}

bool toInteger(Number value, int64_t *integer)
{
    if (!value.isFloat) {
        *integer = value.integer;
        return true;
    }
    double rounded = round(value.floating);
    // 2^63 is the first double beyond the int64 range.
    if (!(rounded >= -9223372036854775808.0 && rounded < 9223372036854775808.0))
        return false;
    *integer = (int64_t)rounded;
    return true;
}

const char *accessName(Access access)
{
    switch (access) {
    case Access::RO:
        return "RO";
    case Access::WO:
        return "WO";
    case Access::RW:
        return "RW";
    case Access::NI:
        return "NI";
    default:
        return "NA";
    }
}

std::string Evaluator::faulty(const Node &node, const std::string &what)
{
    return "the description is faulty at " + std::string(node.name) + ": " + what;
}

bool Evaluator::fault(const Node &node, const std::string &what, Error *error)
{
    return fail(error, ErrorKind::FaultyDescription, faulty(node, what));
}

bool fail(Error *error, ErrorKind kind, std::string text)
{
    error->kind = kind;
    error->text = std::move(text);
    return false;
}

std::string Evaluator::article(std::string_view type)
{
    bool vowel = !type.empty() && strchr("AEIOU", type[0]) != nullptr;
    return (vowel ? "an " : "a ") + std::string(type);
}

void Evaluator::start()
{
    chain_.clear();
    steps_ = 0;
    expressionDepth_ = 0;
    expressionsVisited_ = 0;
    formulaSteps_ = 0;
}

// What exceeded the depth or the visits: nodes alone, or with Expressions.
static std::string tooMany(const char *what, size_t limit, bool expressions)
{
    return what + std::to_string(limit) + (expressions ? " nodes and expressions" : " nodes");
}

bool Evaluator::enter(const Node &node, Error *error)
{
    if (++steps_ > kMaxSteps)
        return fault(node, tooMany("reaching it visits more than ", kMaxSteps, expressionsVisited_ > 0), error);
    if (chain_.size() + expressionDepth_ >= kMaxDepth) {
        bool cycle = std::find(chain_.begin(), chain_.end(), &node) != chain_.end();
        return fault(node,
                     cycle ? "its references form a cycle"
                           : tooMany("its references nest deeper than ", kMaxDepth, expressionDepth_ > 0),
                     error);
    }
    if (!node.fault.empty())
        return fault(node, node.fault, error);
    chain_.push_back(&node);
    return true;
}

bool Evaluator::enterExpression(const Node &node, Error *error)
{
    expressionsVisited_++;
    if (++steps_ > kMaxSteps)
        return fault(node, tooMany("reaching it visits more than ", kMaxSteps, true), error);
    if (chain_.size() + expressionDepth_ >= kMaxDepth)
        return fault(node, tooMany("its references nest deeper than ", kMaxDepth, true), error);
    expressionDepth_++;
    return true;
}

bool Evaluator::charge(const Node &node, size_t count, Error *error)
{
    formulaSteps_ += count;
    if (formulaSteps_ <= kMaxFormulaSteps)
        return true;
    return fault(node, "reaching it runs more than " + std::to_string(kMaxFormulaSteps) + " formula steps", error);
}

const Node *Evaluator::follow(const Node &from, const Ref &ref, Error *error)
{
    if (ref.index >= kMissing) {
        fault(from, "it refers to '" + std::string(ref.name) + "', which is not in the description", error);
        return nullptr;
    }
    return &nodes_.node(ref.index);
}

bool Evaluator::condition(const Node &node, const Ref &ref, bool *value, Error *error)
{
    const Node *target = follow(node, ref, error);
    int64_t number;
    if (!target || !integer(*target, &number, error))
        return false;
    *value = number != 0;
    return true;
}

bool Evaluator::presence(const Node &node, const Ref &implemented, const Ref &available, Access *state, Error *error)
{
    bool holds = true;
    *state = Access::RW;
    if (implemented.given() && !condition(node, implemented, &holds, error))
        return false;
    if (!holds) {
        *state = Access::NI;
        return true;
    }
    if (available.given() && !condition(node, available, &holds, error))
        return false;
    if (!holds)
        *state = Access::NA;
    return true;
}

bool Evaluator::check(const Node &node, bool write, Error *error)
{
    Access state;
    if (!presence(node, node.isImplemented, node.isAvailable, &state, error))
        return false;
    if (state == Access::NI)
        return fail(error, ErrorKind::NotImplemented, "not implemented");
    if (state == Access::NA)
        return fail(error, ErrorKind::NotAvailable, "not available now");
    bool holds;
    if (write && node.isLocked.given()) {
        if (!condition(node, node.isLocked, &holds, error))
            return false;
        if (holds)
            return fail(error, ErrorKind::Locked, "locked");
    }
    int own = (int)ownAccess(node);
    if (write && !(own & kWrite))
        return fail(error, ErrorKind::NotWritable, "not writable");
    if (!write && !(own & kRead))
        return fail(error, ErrorKind::NotReadable, "not readable");
    return true;
}

Access accessWord(const FeatureAccess &state)
{
    if (!state.implemented)
        return Access::NI;
    if (!state.available)
        return Access::NA;
    return (Access)((state.readable ? kRead : 0) | (state.writable ? kWrite : 0));
}

bool Evaluator::access(const Node &node, Access *value, Error *error)
{
    FeatureAccess now;
    if (!state(node, &now, error))
        return false;
    *value = accessWord(now);
    return true;
}

bool Evaluator::state(const Node &node, FeatureAccess *value, Error *error)
{
    Visit visit(*this, node, error);
    Access here;
    if (!visit.entered() || !presence(node, node.isImplemented, node.isAvailable, &here, error))
        return false;
    *value = FeatureAccess();
    value->implemented = here != Access::NI;
    value->available = here == Access::RW;
    if (here != Access::RW)
        return true;
    Access own = ownAccess(node);
    if (node.kind == Kind::Other)
        own = Access::NA;
    // A node that stands for another allows what that one allows.
    if (node.value.from == Source::From::Node && !node.index.given()) {
        const Node *target = follow(node, node.value.ref, error);
        FeatureAccess through;
        if (!target || !state(*target, &through, error))
            return false;
        value->implemented = through.implemented;
        value->available = through.available;
        value->locked = through.locked;
        own = intersect(own, accessWord(through));
    }
    if ((int)own & kWrite && node.isLocked.given()) {
        bool holds;
        if (!condition(node, node.isLocked, &holds, error))
            return false;
        value->locked = holds;  // what it stands for was writable, so not locked
        if (holds)
            own = intersect(own, Access::RO);
    }
    value->readable = (int)own & kRead;
    value->writable = (int)own & kWrite;
    return true;
}

// number as the integer an integer node holds.
static bool integral(const Node &node, Number number, Number *value, Error *error)
{
    int64_t integer;
    if (!toInteger(number, &integer))
        return Evaluator::fault(node, "its value " + formatFloat(number.floating) + " is no 64-bit integer", error);
    *value = integerNumber(integer);
    return true;
}

bool Evaluator::number(const Node &node, Number *value, Error *error)
{
    Visit visit(*this, node, error);
    if (!visit.entered() || !check(node, false, error))
        return false;
    switch (node.kind) {
    case Kind::Integer:
    case Kind::Float: {
        const Source *source;
        HostKey key;
        Number number;
        if (!select(node, &source, &key, error) || !readSource(node, *source, key, &number, error))
            return false;
        if (node.kind == Kind::Float) {
            *value = floatNumber(toDouble(number));
            return true;
        }
        return integral(node, number, value, error);
    }
    case Kind::Enumeration: {
        Number number;
        return readSource(node, node.value, HostKey(&node, kValue, 0), &number, error) &&
               integral(node, number, value, error);
    }
    case Kind::Boolean: {
        bool truth;
        if (!readBoolean(node, &truth, error))
            return false;
        *value = integerNumber(truth);
        return true;
    }
    case Kind::IntReg:
    case Kind::MaskedIntReg:
    case Kind::StructEntry:
    case Kind::FloatReg:
        return registerNumber(node, value, error);
    case Kind::IntSwissKnife:
    case Kind::SwissKnife:
    case Kind::IntConverter:
    case Kind::Converter:
        return formulaNumber(node, value, error);
    default:
        return fault(node, "it is " + article(node.type) + " where a number is needed", error);
    }
}

bool Evaluator::integer(const Node &node, int64_t *value, Error *error)
{
    Number held;
    if (!number(node, &held, error))
        return false;
    if (!toInteger(held, value))
        return fail(error, ErrorKind::FaultyDescription, "its value " + formatFloat(held.floating) +
                                                             " is no 64-bit integer");
    return true;
}

bool Evaluator::floating(const Node &node, double *value, Error *error)
{
    Number held;
    if (!number(node, &held, error))
        return false;
    *value = toDouble(held);
    return true;
}

bool Evaluator::select(const Node &node, const Source **source, HostKey *key, Error *error)
{
    if (!node.index.given()) {
        *source = &node.value;
        *key = HostKey(&node, kValue, 0);
        return true;
    }
    const Node *selector = follow(node, node.index, error);
    int64_t index;
    if (!selector || !integer(*selector, &index, error))
        return false;
    for (const IndexedValue &indexed : node.indexed) {
        if (indexed.index == index) {
            *source = &indexed.source;
            *key = HostKey(&node, kIndexed, index);
            return true;
        }
    }
    if (!node.valueDefault.given())
        return fault(node, "it has no value for index " + std::to_string(index) + " and no default", error);
    *source = &node.valueDefault;
    *key = HostKey(&node, kDefault, 0);
    return true;
}

bool Evaluator::readSource(const Node &node, const Source &source, const HostKey &key, Number *value,
                           Error *error)
{
    if (source.from == Source::From::Constant) {
        auto held = numbers_.find(key);
        *value = held != numbers_.end() ? held->second : source.constant;
        return true;
    }
    const Node *target = follow(node, source.ref, error);
    return target && number(*target, value, error);
}

bool Evaluator::writeSource(const Node &node, const Source &source, const HostKey &key, Number value,
                            Error *error)
{
    if (source.from == Source::From::Constant) {
        numbers_[key] = value;
        return true;
    }
    const Node *target = follow(node, source.ref, error);
    return target && setNumber(*target, value, error);
}

bool Evaluator::sourceNumber(const Node &node, const Source &source, Number fallback, Number *value,
                             Error *error)
{
    if (source.from == Source::From::None) {
        *value = fallback;
        return true;
    }
    if (source.from == Source::From::Constant) {
        *value = source.constant;
        return true;
    }
    const Node *target = follow(node, source.ref, error);
    return target && number(*target, value, error);
}

bool Evaluator::inRange(int64_t value, int64_t low, int64_t high, int64_t step, Error *error)
{
    std::string steps = step != 1 ? std::to_string(step) : "";
    std::string range = rangeText(std::to_string(low), std::to_string(high), steps);
    if (value < low)
        return fail(error, ErrorKind::BelowMinimum, "below the minimum " + range);
    if (value > high)
        return fail(error, ErrorKind::AboveMaximum, "above the maximum " + range);
    // value - low as unsigned is exact: value >= low.
    if (((uint64_t)value - (uint64_t)low) % (uint64_t)step != 0)
        return fail(error, ErrorKind::NotOnIncrement, "not on the increment " + range);
    return true;
}

// Whether value (an integer for an Integer) is within the node's Min, Max
// and Inc.
bool Evaluator::inBounds(const Node &node, Number value, Error *error)
{
    Number low, high, step;
    if (node.kind == Kind::Integer) {
        int64_t lowest, highest, increment;
        if (!sourceNumber(node, node.min, integerNumber(INT64_MIN), &low, error) ||
            !sourceNumber(node, node.max, integerNumber(INT64_MAX), &high, error) ||
            !sourceNumber(node, node.inc, integerNumber(1), &step, error))
            return false;
        if (!toInteger(low, &lowest) || !toInteger(high, &highest) || !toInteger(step, &increment) ||
            increment <= 0)
            return fault(node, "its bounds are not integers, or its increment is not positive", error);
        return inRange(value.integer, lowest, highest, increment, error);
    }
    if (!sourceNumber(node, node.min, floatNumber(-DBL_MAX), &low, error) ||
        !sourceNumber(node, node.max, floatNumber(DBL_MAX), &high, error) ||
        !sourceNumber(node, node.inc, floatNumber(0), &step, error))
        return false;
    double number = toDouble(value), lowest = toDouble(low), highest = toDouble(high), increment = toDouble(step);
    std::string steps = increment > 0 ? formatFloat(increment) : "";
    std::string range = rangeText(formatFloat(lowest), formatFloat(highest), steps);
    if (number < lowest)
        return fail(error, ErrorKind::BelowMinimum, "below the minimum " + range);
    if (number > highest)
        return fail(error, ErrorKind::AboveMaximum, "above the maximum " + range);
    if (increment > 0) {
        double steps = (number - lowest) / increment;
        if (fabs(steps - round(steps)) > 1e-9 * std::max(1.0, fabs(steps)))
            return fail(error, ErrorKind::NotOnIncrement, "not on the increment " + range);
    }
    return true;
}

bool Evaluator::setNumber(const Node &node, Number value, Error *error)
{
    Visit visit(*this, node, error);
    if (!visit.entered() || !check(node, true, error))
        return false;
    switch (node.kind) {
    case Kind::Integer:
    case Kind::Float:
        return setValue(node, value, error);
    case Kind::Enumeration: {
        int64_t integer;
        if (!toInteger(value, &integer))
            return fail(error, ErrorKind::NotAnEntry,
                        "not an entry of " + std::string(node.name) + ": " + formatFloat(value.floating));
        for (const EnumEntry &entry : node.entries)
            if (entry.value == integer)
                return writeEntry(node, entry, error);
        return fail(error, ErrorKind::NotAnEntry, "not an entry of " + std::string(node.name) + ": " +
                                                      std::to_string(integer));
    }
    case Kind::Boolean: {
        int64_t integer;
        if (!toInteger(value, &integer))
            return fail(error, ErrorKind::BadValueText, "not a boolean: " + formatFloat(value.floating));
        return writeBoolean(node, integer != 0, error);
    }
    case Kind::IntReg:
    case Kind::MaskedIntReg:
    case Kind::StructEntry:
    case Kind::FloatReg:
        return setRegisterNumber(node, value, error);
    case Kind::IntConverter:
    case Kind::Converter:
        return setConverter(node, value, error);
    default:
        return fault(node, "it is " + article(node.type) + " where a number is needed", error);
    }
}

// An Integer's or Float's write: within its bounds, to whatever gives its
// value now, and to its pValueCopy nodes.
bool Evaluator::setValue(const Node &node, Number value, Error *error)
{
    if (node.kind == Kind::Integer) {
        int64_t integer;
        if (!toInteger(value, &integer))
            return fail(error, ErrorKind::BadValueText, "not a 64-bit integer: " + formatFloat(value.floating));
        value = integerNumber(integer);
    } else {
        value = floatNumber(toDouble(value));
    }
    const Source *source;
    HostKey key;
    if (!inBounds(node, value, error) || !select(node, &source, &key, error) ||
        !writeSource(node, *source, key, value, error))
        return false;
    for (const Ref &copy : node.valueCopies) {
        const Node *target = follow(node, copy, error);
        if (!target || !setNumber(*target, value, error))
            return false;
    }
    return true;
}

} // namespace engine
} // namespace genicam
