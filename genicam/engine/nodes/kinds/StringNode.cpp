#include "nodes/kinds/StringNode.h"

#include "nodes/Context.h"
#include "nodes/NodeParser.h"
#include "nodes/Operations.h"

namespace genicam {
namespace engine {

void StringNode::parse(NodeParser &parser, Tag tag, pugi::xml_node element)
{
    switch (tag) {
    case Tag::Value:
        value.from = Source::From::Constant;
        value.text = elementText(element);
        break;
    case Tag::pValue:
        parser.pointer(&value, element);
        break;
    default:
        Node::parse(parser, tag, element);
        break;
    }
}

void StringNode::finish(NodeParser &parser)
{
    if (!value.given())
        parser.fault("it has no Value or pValue");
}

bool StringNode::readText(Context &context, std::string *result, Error *error) const
{
    if (value.from == Source::From::Constant) {
        const std::string *held = context.heldText(*this);
        *result = held ? *held : std::string(value.text);
        return true;
    }
    const Node *target = context.follow(*this, value.ref, error);
    return target && text(context, *target, result, error);
}

bool StringNode::writeText(Context &context, const std::string &written, Error *error) const
{
    if (value.from == Source::From::Constant) {
        context.holdText(*this, written);
        return true;
    }
    const Node *target = context.follow(*this, value.ref, error);
    return target && setText(context, *target, written, error);
}

} // namespace engine
} // namespace genicam
