#include "nodes/kinds/BooleanNode.h"

#include "Error.h"
#include "nodes/Context.h"
#include "nodes/NodeParser.h"
#include "nodes/Operations.h"
#include "numbers/Text.h"

namespace genicam {
namespace engine {

void BooleanNode::parse(NodeParser &parser, Tag tag, pugi::xml_node element)
{
    switch (tag) {
    case Tag::Value: {
        // A host-side Boolean's value is true or false itself.
        std::string_view text = trim(elementText(element));
        value.from = Source::From::Constant;
        value.constant.integer = text == "true" || text == "1";
        if (text != "true" && text != "1" && text != "false" && text != "0")
            parser.fault("Value is not a boolean: '" + std::string(text) + "'");
        break;
    }
    case Tag::pValue:
        parser.pointer(&value, element);
        break;
    case Tag::OnValue:
        parser.integer(element, &onValue);
        break;
    case Tag::OffValue:
        parser.integer(element, &offValue);
        break;
    default:
        Node::parse(parser, tag, element);
        break;
    }
}

void BooleanNode::finish(NodeParser &parser)
{
    if (!value.given())
        parser.fault("it has no Value or pValue");
}

bool BooleanNode::readNumber(Context &context, Number *result, Error *error) const
{
    if (value.from == Source::From::Constant) {
        const Number *held = context.held(HostKey(this, kValueSlot, 0));
        *result = Number::ofInteger((held ? *held : value.constant).integer != 0);
        return true;
    }
    const Node *target = context.follow(*this, value.ref, error);
    int64_t held;
    if (!target || !integer(context, *target, &held, error))
        return false;
    if (held != onValue && held != offValue)
        return fail(error, ErrorKind::FaultyDescription,
                    std::string(name) + " holds " + std::to_string(held) + ", neither its OnValue " +
                        std::to_string(onValue) + " nor its OffValue " + std::to_string(offValue));
    *result = Number::ofInteger(held == onValue);
    return true;
}

bool BooleanNode::writeNumber(Context &context, Number written, Error *error) const
{
    int64_t truth;
    if (!roundToInteger(written, &truth))
        return fail(error, ErrorKind::BadValueText, "not a boolean: " + formatFloat(written.floating));
    if (value.from == Source::From::Constant) {
        context.hold(HostKey(this, kValueSlot, 0), Number::ofInteger(truth != 0));
        return true;
    }
    const Node *target = context.follow(*this, value.ref, error);
    return target && setNumber(context, *target, Number::ofInteger(truth != 0 ? onValue : offValue), error);
}

} // namespace engine
} // namespace genicam
