// A SwissKnife or IntSwissKnife: a value computed by its Formula from its
// variables, in floating or in integer arithmetic.  It is only read.
#ifndef GENICAM_ENGINE_SWISSKNIFENODE_H
#define GENICAM_ENGINE_SWISSKNIFENODE_H

#include "nodes/kinds/FormulaNode.h"

namespace genicam {
namespace engine {

class SwissKnifeNode : public FormulaNode {
public:
    static bool holds(Kind kind) { return kind == Kind::IntSwissKnife || kind == Kind::SwissKnife; }

    explicit SwissKnifeNode(Kind kind) : FormulaNode(kind) {}

    // Parses its formulas, once every element is read.
    void finish(NodeParser &parser) override;
    // A formula is only read.
    Access natureAccess() const override { return Access::RO; }

    // Its Formula's value: a double, or an integer for an IntSwissKnife.
    bool readNumber(Context &context, Number *value, Error *error) const override;
};

} // namespace engine
} // namespace genicam

#endif
