#include "nodes/Operations.h"

#include "Error.h"
#include "numbers/Text.h"

namespace genicam {
namespace engine {

bool number(Context &context, const Node &node, Number *value, Error *error)
{
    return checked(context, node, false, error, [&] { return node.readNumber(context, value, error); });
}

bool integer(Context &context, const Node &node, int64_t *value, Error *error)
{
    Number held;
    if (!number(context, node, &held, error))
        return false;
    if (!roundToInteger(held, value))
        return fail(error, ErrorKind::FaultyDescription,
                    "its value " + formatFloat(held.floating) + " is no 64-bit integer");
    return true;
}

bool floating(Context &context, const Node &node, double *value, Error *error)
{
    Number held;
    if (!number(context, node, &held, error))
        return false;
    *value = held.asFloat();
    return true;
}

bool setNumber(Context &context, const Node &node, Number value, Error *error)
{
    return checked(context, node, true, error, [&] { return node.writeNumber(context, value, error); });
}

bool text(Context &context, const Node &node, std::string *value, Error *error)
{
    return checked(context, node, false, error, [&] { return node.readText(context, value, error); });
}

bool setText(Context &context, const Node &node, const std::string &value, Error *error)
{
    return checked(context, node, true, error, [&] { return node.writeText(context, value, error); });
}

bool bytes(Context &context, const Node &node, std::vector<uint8_t> *value, Error *error)
{
    return checked(context, node, false, error, [&] { return node.readBytes(context, value, error); });
}

bool setBytes(Context &context, const Node &node, const std::vector<uint8_t> &value, Error *error)
{
    return checked(context, node, true, error, [&] { return node.writeBytes(context, value, error); });
}

bool integerRange(Context &context, const Node &node, size_t chain, IntegerRange *range, Error *error)
{
    *range = IntegerRange{INT64_MIN, INT64_MAX, 1};
    if (!node.fault.empty())
        return faultAt(node, node.fault, error);
    if (formOf(node.kind) != ValueForm::Integer)
        return fail(error, ErrorKind::NoSuchFeature, "not an integer");
    return node.ownRange(context, chain, range, error);
}

bool integral(const Node &node, Number number, Number *value, Error *error)
{
    int64_t integer;
    if (!roundToInteger(number, &integer))
        return faultAt(node, "its value " + formatFloat(number.floating) + " is no 64-bit integer", error);
    *value = Number::ofInteger(integer);
    return true;
}

bool readSource(Context &context, const Node &node, const Source &source, const HostKey &key, Number *value,
                Error *error)
{
    if (source.from == Source::From::Constant) {
        const Number *held = context.held(key);
        *value = held ? *held : source.constant;
        return true;
    }
    const Node *target = context.follow(node, source.ref, error);
    return target && number(context, *target, value, error);
}

bool writeSource(Context &context, const Node &node, const Source &source, const HostKey &key, Number value,
                 Error *error)
{
    if (source.from == Source::From::Constant) {
        context.hold(key, value);
        return true;
    }
    const Node *target = context.follow(node, source.ref, error);
    return target && setNumber(context, *target, value, error);
}

bool sourceNumber(Context &context, const Node &node, const Source &source, Number fallback, Number *value,
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
    const Node *target = context.follow(node, source.ref, error);
    return target && number(context, *target, value, error);
}

} // namespace engine
} // namespace genicam
