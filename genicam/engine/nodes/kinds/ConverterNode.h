// A Converter or IntConverter: the value of its pValue (TO) converted by
// FormulaFrom when read, and a value written (FROM) converted by FormulaTo
// before it is written to its pValue; in floating or integer arithmetic.
#ifndef GENICAM_ENGINE_CONVERTERNODE_H
#define GENICAM_ENGINE_CONVERTERNODE_H

#include "nodes/kinds/FormulaNode.h"

namespace genicam {
namespace engine {

class ConverterNode : public FormulaNode {
public:
    static bool holds(Kind kind) { return kind == Kind::IntConverter || kind == Kind::Converter; }

    explicit ConverterNode(Kind kind) : FormulaNode(kind) {}

    // pValue, and the formula elements.
    void parse(NodeParser &parser, Tag tag, pugi::xml_node element) override;
    // It needs a pValue; its formulas know FROM and TO besides its variables.
    void finish(NodeParser &parser) override;
    // Its pValue.
    const Ref *standsFor() const override { return value.node(); }

    // FormulaFrom of TO, the value of its pValue.
    bool readNumber(Context &context, Number *result, Error *error) const override;
    // FormulaTo of FROM, the value written, written to its pValue.
    bool writeNumber(Context &context, Number written, Error *error) const override;

    Source value;
};

} // namespace engine
} // namespace genicam

#endif
