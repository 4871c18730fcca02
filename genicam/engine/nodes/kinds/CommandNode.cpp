#include "nodes/kinds/CommandNode.h"

#include "nodes/NodeParser.h"
#include "nodes/Operations.h"

namespace genicam {
namespace engine {

void CommandNode::parse(NodeParser &parser, Tag tag, pugi::xml_node element)
{
    switch (tag) {
    case Tag::Value:
    case Tag::pValue:
        parser.source(&value, element, false);
        break;
    case Tag::CommandValue:
    case Tag::pCommandValue:
        parser.source(&commandValue, element, false);
        break;
    default:
        Node::parse(parser, tag, element);
        break;
    }
}

void CommandNode::finish(NodeParser &parser)
{
    if (!value.given())
        parser.fault("it has no Value or pValue");
    if (!commandValue.given())
        parser.fault("it has no CommandValue or pCommandValue");
}

bool CommandNode::execute(Context &context, Error *error) const
{
    return checked(context, *this, true, error, [&] {
        Number command;
        return sourceNumber(context, *this, commandValue, Number::ofInteger(0), &command, error) &&
               writeSource(context, *this, value, HostKey(this, kValueSlot, 0), command, error);
    });
}

} // namespace engine
} // namespace genicam
