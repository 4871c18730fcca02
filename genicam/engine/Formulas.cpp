// SwissKnife, IntSwissKnife, Converter and IntConverter nodes: their
// formulas, parsed once when the node was built, evaluated with the values
// of their variables read as the formula asks for them.
#include "Evaluator.h"

namespace genicam {
namespace engine {

// The variables of one evaluation of a node's formula.  Each is read at
// most once per evaluation, when the formula first needs it.
class FormulaInputs : public Variables {
public:
    FormulaInputs(Evaluator &evaluator, const Node &node, Arithmetic arithmetic)
        : evaluator_(evaluator), node_(node), formulas_(*node.formulas), arithmetic_(arithmetic),
          values_(formulas_.names.size()), states_(formulas_.names.size(), kUnknown)
    {
    }

    // Gives variable k (FROM or TO) its value.
    void set(size_t k, Number value) const
    {
        values_[k] = value;
        states_[k] = kKnown;
    }

    // Evaluates one of the node's formulas, called what in its faults.
    bool evaluate(const FormulaText &text, const char *what, Number *result, Error *error) const
    {
        if (!text.given)
            return Evaluator::fault(node_, std::string("it has no ") + what, error);
        if (!text.fault.empty())
            return Evaluator::fault(node_, text.fault, error);
        if (!evaluator_.charge(node_, text.formula.steps(), error))
            return false;
        std::string why;
        if (text.formula.evaluate(arithmetic_, *this, result, &why))
            return true;
        // A variable that could not be read says why itself, with its kind;
        // anything else (a division by zero...) is the formula's fault.
        if (failure_.kind == ErrorKind::None)
            return Evaluator::fault(node_, std::string(what) + ": " + why, error);
        *error = failure_;
        if (error->text.empty())
            error->text = why;
        return false;
    }

    bool value(size_t k, Number *value, std::string *reason) const override
    {
        Error error;
        if (k >= states_.size()) {
            Evaluator::fault(node_, "its formula uses an unknown variable", &error);
            return fail(error, reason);
        }
        if (states_[k] == kKnown) {
            *value = values_[k];
            return true;
        }
        if (states_[k] == kEvaluating) {
            Evaluator::fault(node_, "its expression " + formulas_.names[k] + " uses itself", &error);
            return fail(error, reason);
        }
        size_t variables = formulas_.variables.size(), constants = formulas_.constants.size();
        size_t expressions = formulas_.expressions.size();
        if (k < variables) {
            const Node *target = evaluator_.follow(node_, formulas_.variables[k], &error);
            if (!target || !evaluator_.number(*target, value, &error))
                return fail(error, reason);
        } else if (k < variables + constants) {
            *value = formulas_.constants[k - variables];
        } else if (k < variables + constants + expressions) {
            // An Expression inside another counts as one more level and visit.
            if (!evaluator_.enterExpression(node_, &error))
                return fail(error, reason);
            states_[k] = kEvaluating;
            bool evaluated = evaluate(formulas_.expressions[k - variables - constants], "Expression", value, &error);
            states_[k] = kUnknown;
            evaluator_.leaveExpression();
            if (!evaluated)
                return fail(error, reason);
        } else {
            Evaluator::fault(node_, "this formula cannot use " + formulas_.names[k], &error);
            return fail(error, reason);
        }
        set(k, *value);
        return true;
    }

    // NAME.Entry.X: the value of entry X of the Enumeration behind NAME,
    // whatever the Enumeration holds now.
    bool entryValue(size_t k, const std::string &entryName, Number *value, std::string *reason) const override
    {
        Error error;
        if (k >= formulas_.variables.size()) {
            Evaluator::fault(node_, "an entry of something other than a pVariable", &error);
            return fail(error, reason);
        }
        const Node *target = evaluator_.follow(node_, formulas_.variables[k], &error);
        if (!target)
            return fail(error, reason);
        if (target->kind != Kind::Enumeration) {
            Evaluator::fault(node_,
                             formulas_.names[k] + " is " + Evaluator::article(target->type) + ", not an Enumeration",
                             &error);
            return fail(error, reason);
        }
        if (!evaluator_.charge(node_, target->entries.size(), &error))
            return fail(error, reason);
        for (const EnumEntry &entry : target->entries) {
            if (entry.symbolic == entryName || entry.name == entryName) {
                *value = integerNumber(entry.value);
                return true;
            }
        }
        Evaluator::fault(node_, std::string(target->name) + " has no entry " + entryName, &error);
        return fail(error, reason);
    }

private:
    enum State : char { kUnknown, kEvaluating, kKnown };

    // Keeps the first error of a variable, for the evaluation's result, and
    // gives its text to the formula.
    bool fail(const Error &error, std::string *reason) const
    {
        if (failure_.kind == ErrorKind::None)
            failure_ = error;
        *reason = error.text;
        return false;
    }

    Evaluator &evaluator_;
    const Node &node_;
    const Formulas &formulas_;
    Arithmetic arithmetic_;
    mutable std::vector<Number> values_;
    mutable std::vector<State> states_;
    mutable Error failure_;  // the first error of a variable that could not be had
};

namespace {

bool integerArithmetic(const Node &node)
{
    return node.kind == Kind::IntSwissKnife || node.kind == Kind::IntConverter;
}

} // namespace

bool Evaluator::formulaNumber(const Node &node, Number *value, Error *error)
{
    const Formulas &formulas = *node.formulas;
    bool integral = integerArithmetic(node);
    // Setting up the variables costs a step each.
    if (!charge(node, formulas.names.size(), error))
        return false;
    FormulaInputs inputs(*this, node, integral ? Arithmetic::Integer : Arithmetic::Float);
    const char *what = "Formula";
    if (node.kind == Kind::IntConverter || node.kind == Kind::Converter) {
        // A converter's value is FormulaFrom of TO, the value of its pValue.
        const Node *target = follow(node, node.value.ref, error);
        Number to;
        if (!target || !number(*target, &to, error))
            return false;
        inputs.set(formulas.toValue, to);
        what = "FormulaFrom";
    }
    Number result;
    if (!inputs.evaluate(formulas.main, what, &result, error))
        return false;
    if (!integral) {
        *value = floatNumber(toDouble(result));
        return true;
    }
    int64_t integer;
    if (!toInteger(result, &integer))
        return fault(node, std::string(what) + " gives no 64-bit integer", error);
    *value = integerNumber(integer);
    return true;
}

// A converter's write: FormulaTo of FROM, the value written, goes to its
// pValue.
bool Evaluator::setConverter(const Node &node, Number value, Error *error)
{
    const Formulas &formulas = *node.formulas;
    bool integral = integerArithmetic(node);
    // Setting up the variables costs a step each.
    if (!charge(node, formulas.names.size(), error))
        return false;
    FormulaInputs inputs(*this, node, integral ? Arithmetic::Integer : Arithmetic::Float);
    inputs.set(formulas.from, value);
    Number raw;
    if (!inputs.evaluate(formulas.to, "FormulaTo", &raw, error))
        return false;
    const Node *target = follow(node, node.value.ref, error);
    return target && setNumber(*target, raw, error);
}

} // namespace engine
} // namespace genicam
