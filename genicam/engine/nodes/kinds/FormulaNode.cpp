#include "nodes/kinds/FormulaNode.h"

#include "Error.h"
#include "nodes/Context.h"
#include "nodes/kinds/EnumerationNode.h"
#include "nodes/NodeParser.h"
#include "nodes/Operations.h"
#include "numbers/Text.h"

namespace genicam {
namespace engine {

namespace {

// Parses element's formula, if the node has it, with names.
void parseFormula(ParsedFormula *parsed, pugi::xml_node element, const FormulaNames &names)
{
    if (!element)
        return;
    parsed->given = true;
    std::string reason;
    if (!parsed->formula.parse(fullElementText(element), names, &reason))
        parsed->fault = std::string(element.name()) + ": " + reason;
}

// The variables of one evaluation of a node's formula.  Each is read at
// most once per evaluation, when the formula first needs it.
class FormulaInputs : public Variables {
public:
    FormulaInputs(Context &context, const FormulaNode &node, Arithmetic arithmetic)
        : context_(context), node_(node), arithmetic_(arithmetic), values_(node.names.size()),
          states_(node.names.size(), kUnknown)
    {
    }

    // Gives variable k (FROM or TO) its value.
    void set(size_t k, Number value) const
    {
        values_[k] = value;
        states_[k] = kKnown;
    }

    // Evaluates one of the node's formulas, called what in its faults.
    bool evaluate(const ParsedFormula &parsed, const char *what, Number *result, Error *error) const
    {
        if (!parsed.given)
            return faultAt(node_, std::string("it has no ") + what, error);
        if (!parsed.fault.empty())
            return faultAt(node_, parsed.fault, error);
        if (!context_.charge(node_, parsed.formula.steps(), error))
            return false;
        std::string why;
        if (parsed.formula.evaluate(arithmetic_, *this, result, &why))
            return true;
        // A variable that could not be read says why itself, with its kind;
        // anything else (a division by zero...) is the formula's fault.
        if (failure_.kind == ErrorKind::None)
            return faultAt(node_, std::string(what) + ": " + why, error);
        *error = failure_;
        if (error->text.empty())
            error->text = why;
        return false;
    }

    bool value(size_t k, Number *value, std::string *reason) const override
    {
        Error error;
        if (k >= states_.size()) {
            faultAt(node_, "its formula uses an unknown variable", &error);
            return refuse(error, reason);
        }
        if (states_[k] == kKnown) {
            *value = values_[k];
            return true;
        }
        if (states_[k] == kEvaluating) {
            faultAt(node_, "its expression " + node_.names[k] + " uses itself", &error);
            return refuse(error, reason);
        }
        size_t variables = node_.variables.size(), constants = node_.constants.size();
        size_t expressions = node_.expressions.size();
        if (k < variables) {
            const Node *target = context_.follow(node_, node_.variables[k], &error);
            if (!target || !number(context_, *target, value, &error))
                return refuse(error, reason);
        } else if (k < variables + constants) {
            *value = node_.constants[k - variables];
        } else if (k < variables + constants + expressions) {
            // An Expression inside another counts as one more level and visit.
            if (!context_.enterExpression(node_, &error))
                return refuse(error, reason);
            states_[k] = kEvaluating;
            bool evaluated = evaluate(node_.expressions[k - variables - constants], "Expression", value, &error);
            states_[k] = kUnknown;
            context_.leaveExpression();
            if (!evaluated)
                return refuse(error, reason);
        } else {
            faultAt(node_, "this formula cannot use " + node_.names[k], &error);
            return refuse(error, reason);
        }
        set(k, *value);
        return true;
    }

    // NAME.Entry.X: the value of entry X of the Enumeration behind NAME,
    // whatever the Enumeration holds now.
    bool entryValue(size_t k, const std::string &entryName, Number *value, std::string *reason) const override
    {
        Error error;
        if (k >= node_.variables.size()) {
            faultAt(node_, "an entry of something other than a pVariable", &error);
            return refuse(error, reason);
        }
        const Node *target = context_.follow(node_, node_.variables[k], &error);
        if (!target)
            return refuse(error, reason);
        const EnumerationNode *enumeration = target->as<EnumerationNode>();
        if (!enumeration) {
            faultAt(node_, node_.names[k] + " is " + article(target->type) + ", not an Enumeration", &error);
            return refuse(error, reason);
        }
        if (!context_.charge(node_, enumeration->entries.size(), &error))
            return refuse(error, reason);
        for (const EnumEntry &entry : enumeration->entries) {
            if (entry.symbolic == entryName || entry.name == entryName) {
                *value = Number::ofInteger(entry.value);
                return true;
            }
        }
        faultAt(node_, std::string(target->name) + " has no entry " + entryName, &error);
        return refuse(error, reason);
    }

private:
    enum State : char { kUnknown, kEvaluating, kKnown };

    // Keeps the first error of a variable, for the evaluation's result, and
    // gives its text to the formula.
    bool refuse(const Error &error, std::string *reason) const
    {
        if (failure_.kind == ErrorKind::None)
            failure_ = error;
        *reason = error.text;
        return false;
    }

    Context &context_;
    const FormulaNode &node_;
    Arithmetic arithmetic_;
    mutable std::vector<Number> values_;
    mutable std::vector<State> states_;
    mutable Error failure_;  // the first error of a variable that could not be had
};

} // namespace

void FormulaNode::parse(NodeParser &parser, Tag tag, pugi::xml_node element)
{
    switch (tag) {
    case Tag::pVariable:
        pieces_->variableNames.push_back(element.attribute("Name").value());
        variables.push_back(parser.ref(element));
        break;
    case Tag::Constant: {
        // An integer constant stays an integer, even in a SwissKnife.
        pieces_->constantNames.push_back(element.attribute("Name").value());
        Number number;
        if (!parseDescriptionInteger(elementText(element), &number.integer)) {
            number.isFloat = true;
            if (!parseFloat(elementText(element), &number.floating))
                parser.fault("Constant is not a number: '" + std::string(trim(elementText(element))) + "'");
        }
        constants.push_back(number);
        break;
    }
    case Tag::Expression:
        pieces_->expressionNames.push_back(element.attribute("Name").value());
        pieces_->expressions.push_back(element);
        break;
    case Tag::Formula:
    case Tag::FormulaFrom:
        pieces_->formula = element;
        break;
    case Tag::FormulaTo:
        pieces_->formulaTo = element;
        break;
    default:
        Node::parse(parser, tag, element);
        break;
    }
}

void FormulaNode::gatherNames()
{
    for (auto *part : {&pieces_->variableNames, &pieces_->constantNames, &pieces_->expressionNames})
        names.insert(names.end(), part->begin(), part->end());
}

void FormulaNode::parseFormulas()
{
    // The names are indexed once for all the node's formulas.
    FormulaNames indexed(names);
    parseFormula(&main, pieces_->formula, indexed);
    parseFormula(&to, pieces_->formulaTo, indexed);
    expressions.resize(pieces_->expressions.size());
    for (size_t i = 0; i < pieces_->expressions.size(); i++)
        parseFormula(&expressions[i], pieces_->expressions[i], indexed);
    pieces_.reset();
}

bool FormulaNode::setUp(Context &context, Error *error) const
{
    return context.charge(*this, names.size(), error);
}

bool FormulaNode::evaluate(Context &context, const ParsedFormula &formula, const char *what, size_t preset,
                           Number presetValue, Number *result, Error *error) const
{
    FormulaInputs inputs(context, *this, integral() ? Arithmetic::Integer : Arithmetic::Float);
    if (preset != SIZE_MAX)
        inputs.set(preset, presetValue);
    return inputs.evaluate(formula, what, result, error);
}

bool FormulaNode::valueOf(Number result, const char *what, Number *value, Error *error) const
{
    if (!integral()) {
        *value = Number::ofFloat(result.asFloat());
        return true;
    }
    int64_t integer;
    if (!roundToInteger(result, &integer))
        return faultAt(*this, std::string(what) + " gives no 64-bit integer", error);
    *value = Number::ofInteger(integer);
    return true;
}

} // namespace engine
} // namespace genicam
