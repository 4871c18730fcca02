#include "nodes/kinds/NumberNode.h"

#include <float.h>

#include "Error.h"
#include "nodes/Bounds.h"
#include "nodes/Context.h"
#include "nodes/NodeParser.h"
#include "nodes/Operations.h"
#include "numbers/Text.h"

namespace genicam {
namespace engine {

namespace {

// Integers whose bounds come through their pValue, one after another, at
// most.
const size_t kMaxBoundsChain = 16;

} // namespace

void NumberNode::parse(NodeParser &parser, Tag tag, pugi::xml_node element)
{
    switch (tag) {
    case Tag::Value:
    case Tag::pValue:
        parser.source(&value, element, isFloat());
        break;
    case Tag::pValueCopy:
        valueCopies.push_back(parser.ref(element));
        break;
    case Tag::Min:
    case Tag::pMin:
        parser.source(&min, element, isFloat());
        break;
    case Tag::Max:
    case Tag::pMax:
        parser.source(&max, element, isFloat());
        break;
    case Tag::Inc:
    case Tag::pInc:
        parser.source(&inc, element, isFloat());
        break;
    case Tag::pIndex:
        index = parser.ref(element);
        break;
    case Tag::ValueIndexed:
    case Tag::pValueIndexed: {
        IndexedValue choice;
        pugi::xml_attribute at = element.attribute("Index");
        if (!parseDescriptionInteger(at.value(), &choice.index))
            parser.fault(std::string(element.name()) + " has no integer Index: '" + at.value() + "'");
        parser.source(&choice.source, element, isFloat());
        indexed.push_back(choice);
        break;
    }
    case Tag::ValueDefault:
    case Tag::pValueDefault:
        parser.source(&valueDefault, element, isFloat());
        break;
    default:
        Node::parse(parser, tag, element);
        break;
    }
}

void NumberNode::finish(NodeParser &parser)
{
    if (!value.given() && !index.given())
        parser.fault("it has no Value, pValue or pIndex");
}

bool NumberNode::select(Context &context, const Source **source, HostKey *key, Error *error) const
{
    if (!index.given()) {
        *source = &value;
        *key = HostKey(this, kValueSlot, 0);
        return true;
    }
    const Node *selector = context.follow(*this, index, error);
    int64_t chosen;
    if (!selector || !integer(context, *selector, &chosen, error))
        return false;
    for (const IndexedValue &choice : indexed) {
        if (choice.index == chosen) {
            *source = &choice.source;
            *key = HostKey(this, kIndexedSlot, chosen);
            return true;
        }
    }
    if (!valueDefault.given())
        return faultAt(*this, "it has no value for index " + std::to_string(chosen) + " and no default", error);
    *source = &valueDefault;
    *key = HostKey(this, kDefaultSlot, 0);
    return true;
}

bool NumberNode::readNumber(Context &context, Number *result, Error *error) const
{
    const Source *source;
    HostKey key;
    Number number;
    if (!select(context, &source, &key, error) || !readSource(context, *this, *source, key, &number, error))
        return false;
    if (isFloat()) {
        *result = Number::ofFloat(number.asFloat());
        return true;
    }
    return integral(*this, number, result, error);
}

bool NumberNode::inBounds(Context &context, Number written, Error *error) const
{
    Number low, high, step;
    if (!isFloat()) {
        int64_t lowest, highest, increment;
        if (!sourceNumber(context, *this, min, Number::ofInteger(INT64_MIN), &low, error) ||
            !sourceNumber(context, *this, max, Number::ofInteger(INT64_MAX), &high, error) ||
            !sourceNumber(context, *this, inc, Number::ofInteger(1), &step, error))
            return false;
        if (!roundToInteger(low, &lowest) || !roundToInteger(high, &highest) || !roundToInteger(step, &increment) ||
            increment <= 0)
            return faultAt(*this, "its bounds are not integers, or its increment is not positive", error);
        return inRange(written.integer, lowest, highest, increment, error);
    }
    if (!sourceNumber(context, *this, min, Number::ofFloat(-DBL_MAX), &low, error) ||
        !sourceNumber(context, *this, max, Number::ofFloat(DBL_MAX), &high, error) ||
        !sourceNumber(context, *this, inc, Number::ofFloat(0), &step, error))
        return false;
    return inFloatRange(written.asFloat(), low.asFloat(), high.asFloat(), step.asFloat(), error);
}

bool NumberNode::writeNumber(Context &context, Number written, Error *error) const
{
    if (!isFloat()) {
        int64_t integer;
        if (!roundToInteger(written, &integer))
            return fail(error, ErrorKind::BadValueText, "not a 64-bit integer: " + formatFloat(written.floating));
        written = Number::ofInteger(integer);
    } else {
        written = Number::ofFloat(written.asFloat());
    }
    const Source *source;
    HostKey key;
    if (!inBounds(context, written, error) || !select(context, &source, &key, error) ||
        !writeSource(context, *this, *source, key, written, error))
        return false;
    for (const Ref &copy : valueCopies) {
        const Node *target = context.follow(*this, copy, error);
        if (!target || !setNumber(context, *target, written, error))
            return false;
    }
    return true;
}

bool NumberNode::ownRange(Context &context, size_t chain, IntegerRange *range, Error *error) const
{
    if (isFloat())
        return true;
    if (standsFor() && (!min.given() || !max.given() || !inc.given())) {
        if (chain == kMaxBoundsChain)
            return faultAt(*this, "its bounds come through more than " + std::to_string(kMaxBoundsChain) + " nodes",
                           error);
        const Node *target = context.follow(*this, value.ref, error);
        if (!target)
            return false;
        IntegerRange through;
        if (formOf(target->kind) == ValueForm::Integer) {
            if (!integerRange(context, *target, chain + 1, &through, error))
                return false;
            *range = through;
        }
    }
    int64_t *bounds[] = {&range->min, &range->max, &range->inc};
    const Source *sources[] = {&min, &max, &inc};
    for (size_t k = 0; k < 3; k++) {
        Number bound;
        if (!sourceNumber(context, *this, *sources[k], Number::ofInteger(*bounds[k]), &bound, error))
            return false;
        if (!roundToInteger(bound, bounds[k]))
            return faultAt(*this, "its bounds are not integers", error);
    }
    if (range->inc <= 0)
        return faultAt(*this, "its increment is not positive", error);
    return true;
}

} // namespace engine
} // namespace genicam
