#include "nodes/kinds/ConverterNode.h"

#include "nodes/Context.h"
#include "nodes/NodeParser.h"
#include "nodes/Operations.h"

namespace genicam {
namespace engine {

void ConverterNode::parse(NodeParser &parser, Tag tag, pugi::xml_node element)
{
    if (tag == Tag::pValue)
        parser.pointer(&value, element);
    else
        FormulaNode::parse(parser, tag, element);
}

void ConverterNode::finish(NodeParser &parser)
{
    if (value.from != Source::From::Node)
        parser.fault("it has no pValue");
    gatherNames();
    from = names.size();
    names.push_back("FROM");
    toValue = names.size();
    names.push_back("TO");
    parseFormulas();
}

bool ConverterNode::readNumber(Context &context, Number *result, Error *error) const
{
    if (!setUp(context, error))
        return false;
    const Node *target = context.follow(*this, value.ref, error);
    Number raw, converted;
    return target && number(context, *target, &raw, error) &&
           evaluate(context, main, "FormulaFrom", toValue, raw, &converted, error) &&
           valueOf(converted, "FormulaFrom", result, error);
}

bool ConverterNode::writeNumber(Context &context, Number written, Error *error) const
{
    Number raw;
    if (!setUp(context, error) || !evaluate(context, to, "FormulaTo", from, written, &raw, error))
        return false;
    const Node *target = context.follow(*this, value.ref, error);
    return target && setNumber(context, *target, raw, error);
}

} // namespace engine
} // namespace genicam
