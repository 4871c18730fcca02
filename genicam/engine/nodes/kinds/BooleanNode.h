// A Boolean: true or false, held by the host (a Value of true, false, 1
// or 0) or another node's value compared with its OnValue and OffValue.
#ifndef GENICAM_ENGINE_BOOLEANNODE_H
#define GENICAM_ENGINE_BOOLEANNODE_H

#include "nodes/Node.h"

namespace genicam {
namespace engine {

class BooleanNode : public Node {
public:
    static bool holds(Kind kind) { return kind == Kind::Boolean; }

    BooleanNode() : Node(Kind::Boolean) {}

    // Value, pValue, OnValue and OffValue.
    void parse(NodeParser &parser, Tag tag, pugi::xml_node element) override;
    // It needs a Value or pValue.
    void finish(NodeParser &parser) override;
    // Its pValue.
    const Ref *standsFor() const override { return value.node(); }

    // 1 or 0.  What it stands for must hold its OnValue or its OffValue,
    // compared on the whole 64-bit value; anything else is an error, never
    // quietly false.
    bool readNumber(Context &context, Number *result, Error *error) const override;
    // Writes true for any value other than 0 (a double rounded to the
    // nearest): OnValue or OffValue to what it stands for.
    bool writeNumber(Context &context, Number written, Error *error) const override;

    Source value;
    int64_t onValue = 1, offValue = 0;
};

} // namespace engine
} // namespace genicam

#endif
