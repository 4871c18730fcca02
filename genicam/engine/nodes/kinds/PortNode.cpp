#include "nodes/kinds/PortNode.h"

#include "nodes/NodeParser.h"

namespace genicam {
namespace engine {

void PortNode::parse(NodeParser &parser, Tag tag, pugi::xml_node element)
{
    if (tag == Tag::ChunkID || tag == Tag::pChunkID)
        chunkPort = true;
    else
        Node::parse(parser, tag, element);
}

} // namespace engine
} // namespace genicam
