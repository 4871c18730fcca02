// A Category: the features it groups (its pFeature elements), which the
// walk over the description's tree follows.  It holds no value.
#ifndef GENICAM_ENGINE_CATEGORYNODE_H
#define GENICAM_ENGINE_CATEGORYNODE_H

#include <vector>

#include "nodes/Node.h"

namespace genicam {
namespace engine {

class CategoryNode : public Node {
public:
    static bool holds(Kind kind) { return kind == Kind::Category; }

    CategoryNode() : Node(Kind::Category) {}

    // pFeature elements.
    void parse(NodeParser &parser, Tag tag, pugi::xml_node element) override;
    // A category is only read.
    Access natureAccess() const override { return Access::RO; }

    std::vector<Ref> features;  // its pFeature elements, in order
};

} // namespace engine
} // namespace genicam

#endif
