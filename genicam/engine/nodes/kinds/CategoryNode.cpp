#include "nodes/kinds/CategoryNode.h"

#include "nodes/NodeParser.h"

namespace genicam {
namespace engine {

void CategoryNode::parse(NodeParser &parser, Tag tag, pugi::xml_node element)
{
    if (tag == Tag::pFeature)
        features.push_back(parser.ref(element));
    else
        Node::parse(parser, tag, element);
}

} // namespace engine
} // namespace genicam
