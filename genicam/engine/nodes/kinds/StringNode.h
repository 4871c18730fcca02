// A String: text held by the host (its Value) or another node's (pValue).
#ifndef GENICAM_ENGINE_STRINGNODE_H
#define GENICAM_ENGINE_STRINGNODE_H

#include "nodes/Node.h"

namespace genicam {
namespace engine {

class StringNode : public Node {
public:
    static bool holds(Kind kind) { return kind == Kind::String; }

    StringNode() : Node(Kind::String) {}

    // Value (as it is written, white space and all) and pValue.
    void parse(NodeParser &parser, Tag tag, pugi::xml_node element) override;
    // It needs a Value or pValue.
    void finish(NodeParser &parser) override;
    // Its pValue.
    const Ref *standsFor() const override { return value.node(); }

    // The host's text (as last written, else the Value), or its pValue's.
    bool readText(Context &context, std::string *result, Error *error) const override;
    bool writeText(Context &context, const std::string &written, Error *error) const override;

    Source value;
};

} // namespace engine
} // namespace genicam

#endif
