// What SwissKnife, IntSwissKnife, Converter and IntConverter nodes share:
// their formulas, parsed once when the node is built, and their evaluation
// with the values of their variables read as a formula asks for them.  A
// formula's variables are numbered: first the pVariable elements, then the
// Constant elements, then the Expression elements, then FROM and TO for a
// converter.
#ifndef GENICAM_ENGINE_FORMULANODE_H
#define GENICAM_ENGINE_FORMULANODE_H

#include <stdint.h>

#include <memory>
#include <string>
#include <vector>

#include "formula/Formula.h"
#include "nodes/Node.h"

namespace genicam {
namespace engine {

// A formula as parsed once, or why it could not be parsed.
struct ParsedFormula {
    bool given = false;
    Formula formula;
    std::string fault;
};

class FormulaNode : public Node {
public:
    static bool holds(Kind kind)
    {
        return kind == Kind::IntSwissKnife || kind == Kind::SwissKnife || kind == Kind::IntConverter ||
               kind == Kind::Converter;
    }

    explicit FormulaNode(Kind kind) : Node(kind) {}

    // pVariable, Constant, Expression, Formula, FormulaFrom and FormulaTo.
    void parse(NodeParser &parser, Tag tag, pugi::xml_node element) override;

    std::vector<std::string> names;  // every variable's, by number
    std::vector<Ref> variables;      // the pVariable elements
    std::vector<Number> constants;   // the Constant elements
    std::vector<ParsedFormula> expressions;
    ParsedFormula main;             // Formula, or a converter's FormulaFrom
    ParsedFormula to;               // a converter's FormulaTo
    size_t from = SIZE_MAX, toValue = SIZE_MAX;  // the variables FROM and TO of a converter

protected:
    // The variable names in their numbering, to which a converter adds FROM
    // and TO before its formulas are parsed.
    void gatherNames();
    // Parses every formula of the node, once every name is known.
    void parseFormulas();

    // Whether the node computes in integers (IntSwissKnife, IntConverter).
    bool integral() const { return kind == Kind::IntSwissKnife || kind == Kind::IntConverter; }
    // Charges the setting up of the formula's variables to the operation:
    // a step each.
    bool setUp(Context &context, Error *error) const;
    // Evaluates formula (what: its name in faults) with variable preset
    // (FROM or TO; SIZE_MAX: none) holding presetValue.
    bool evaluate(Context &context, const ParsedFormula &formula, const char *what, size_t preset,
                  Number presetValue, Number *result, Error *error) const;
    // A formula's result as the node's value: a double, or for integer
    // arithmetic an integer (a fault beyond the 64-bit range).
    bool valueOf(Number result, const char *what, Number *value, Error *error) const;

private:
    // The pieces of the formulas, collected until every name is known.
    struct Pieces {
        std::vector<std::string> variableNames, constantNames, expressionNames;
        std::vector<pugi::xml_node> expressions;
        pugi::xml_node formula, formulaTo;
    };
    std::unique_ptr<Pieces> pieces_ = std::make_unique<Pieces>();
};

} // namespace engine
} // namespace genicam

#endif
