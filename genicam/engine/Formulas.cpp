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
    bool evaluate(const FormulaText &text, const char *what, Number *result, std::string *reason) const
    {
        if (!text.given) {
            *reason = Evaluator::faulty(node_, std::string("it has no ") + what);
            return false;
        }
        if (!text.fault.empty()) {
            *reason = Evaluator::faulty(node_, text.fault);
            return false;
        }
        std::string why;
        if (text.formula.evaluate(arithmetic_, *this, result, &why))
            return true;
        // A variable that could not be read says why itself; anything else
        // (a division by zero...) is the formula's fault.
        *reason = failure_.empty() ? Evaluator::faulty(node_, std::string(what) + ": " + why) : failure_;
        return false;
    }

    bool value(size_t k, Number *value, std::string *reason) const override
    {
        if (k >= states_.size())
            return fail(Evaluator::faulty(node_, "its formula uses an unknown variable"), reason);
        if (states_[k] == kKnown) {
            *value = values_[k];
            return true;
        }
        if (states_[k] == kEvaluating)
            return fail(Evaluator::faulty(node_, "its expression " + formulas_.names[k] + " uses itself"), reason);
        size_t variables = formulas_.variables.size(), constants = formulas_.constants.size();
        size_t expressions = formulas_.expressions.size();
        if (k < variables) {
            const Node *target = evaluator_.follow(node_, formulas_.variables[k], reason);
            if (!target || !evaluator_.number(*target, value, reason))
                return fail(*reason, reason);
        } else if (k < variables + constants) {
            *value = formulas_.constants[k - variables];
        } else if (k < variables + constants + expressions) {
            states_[k] = kEvaluating;
            bool evaluated = evaluate(formulas_.expressions[k - variables - constants], "Expression", value, reason);
            states_[k] = kUnknown;
            if (!evaluated)
                return fail(*reason, reason);
        } else {
            return fail(Evaluator::faulty(node_, "this formula cannot use " + formulas_.names[k]), reason);
        }
        set(k, *value);
        return true;
    }

    // NAME.Entry.X: the value of entry X of the Enumeration behind NAME,
    // whatever the Enumeration holds now.
    bool entryValue(size_t k, const std::string &entryName, Number *value, std::string *reason) const override
    {
        if (k >= formulas_.variables.size())
            return fail(Evaluator::faulty(node_, "an entry of something other than a pVariable"), reason);
        const Node *target = evaluator_.follow(node_, formulas_.variables[k], reason);
        if (!target)
            return fail(*reason, reason);
        if (target->kind != Kind::Enumeration)
            return fail(Evaluator::faulty(node_, formulas_.names[k] + " is " + Evaluator::article(target->type) +
                                                     ", not an Enumeration"),
                        reason);
        for (const EnumEntry &entry : target->entries) {
            if (entry.symbolic == entryName || entry.name == entryName) {
                *value = integerNumber(entry.value);
                return true;
            }
        }
        return fail(Evaluator::faulty(node_, std::string(target->name) + " has no entry " + entryName), reason);
    }

private:
    enum State : char { kUnknown, kEvaluating, kKnown };

    bool fail(const std::string &why, std::string *reason) const
    {
        if (failure_.empty())
            failure_ = why;
        *reason = why;
        return false;
    }

    Evaluator &evaluator_;
    const Node &node_;
    const Formulas &formulas_;
    Arithmetic arithmetic_;
    mutable std::vector<Number> values_;
    mutable std::vector<State> states_;
    mutable std::string failure_;  // the first reason a variable could not be had
};

namespace {

bool integerArithmetic(const Node &node)
{
    return node.kind == Kind::IntSwissKnife || node.kind == Kind::IntConverter;
}

} // namespace

bool Evaluator::formulaNumber(const Node &node, Number *value, std::string *reason)
{
    const Formulas &formulas = *node.formulas;
    bool integral = integerArithmetic(node);
    FormulaInputs inputs(*this, node, integral ? Arithmetic::Integer : Arithmetic::Float);
    const char *what = "Formula";
    if (node.kind == Kind::IntConverter || node.kind == Kind::Converter) {
        // A converter's value is FormulaFrom of TO, the value of its pValue.
        const Node *target = follow(node, node.value.ref, reason);
        Number to;
        if (!target || !number(*target, &to, reason))
            return false;
        inputs.set(formulas.toValue, to);
        what = "FormulaFrom";
    }
    Number result;
    if (!inputs.evaluate(formulas.main, what, &result, reason))
        return false;
    if (!integral) {
        *value = floatNumber(toDouble(result));
        return true;
    }
    int64_t integer;
    if (!toInteger(result, &integer)) {
        *reason = faulty(node, std::string(what) + " gives no 64-bit integer");
        return false;
    }
    *value = integerNumber(integer);
    return true;
}

// A converter's write: FormulaTo of FROM, the value written, goes to its
// pValue.
bool Evaluator::setConverter(const Node &node, Number value, std::string *reason)
{
    const Formulas &formulas = *node.formulas;
    bool integral = integerArithmetic(node);
    FormulaInputs inputs(*this, node, integral ? Arithmetic::Integer : Arithmetic::Float);
    inputs.set(formulas.from, value);
    Number raw;
    if (!inputs.evaluate(formulas.to, "FormulaTo", &raw, reason))
        return false;
    const Node *target = follow(node, node.value.ref, reason);
    return target && setNumber(*target, raw, reason);
}

} // namespace engine
} // namespace genicam
