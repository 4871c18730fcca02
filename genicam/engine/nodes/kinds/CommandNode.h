// A Command: executed by writing its CommandValue (or pCommandValue's
// value) to its Value (held by the host) or pValue.  It is never read.
#ifndef GENICAM_ENGINE_COMMANDNODE_H
#define GENICAM_ENGINE_COMMANDNODE_H

#include "nodes/Node.h"

namespace genicam {
namespace engine {

class CommandNode : public Node {
public:
    static bool holds(Kind kind) { return kind == Kind::Command; }

    CommandNode() : Node(Kind::Command) {}

    // Value, pValue, CommandValue and pCommandValue.
    void parse(NodeParser &parser, Tag tag, pugi::xml_node element) override;
    // It needs a Value or pValue, and a CommandValue or pCommandValue.
    void finish(NodeParser &parser) override;
    // Its pValue.
    const Ref *standsFor() const override { return value.node(); }

    // Executes the command: entered and checked as a write.
    bool execute(Context &context, Error *error) const;

    Source value;
    Source commandValue;
};

} // namespace engine
} // namespace genicam

#endif
