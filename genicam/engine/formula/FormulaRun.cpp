// Formula (Formula.h): a formula compiled, and run (the steps of
// FormulaProgram.h, the arithmetic of FormulaArithmetic.cpp).
#include "formula/FormulaArithmetic.h"

#include <math.h>

#include <algorithm>
#include <type_traits>

namespace genicam {

namespace {

const size_t kLocalValues = 16;  // stack values most formulas fit in
const size_t kLocalSlots = 8;    // variables most formulas use

// Room for n values of an evaluation, left uninitialized: on the C++ stack
// for most formulas, on the heap for the rare one that needs more.
template <typename T, size_t kLocal>
class Scratch {
    static_assert(std::is_trivially_copyable<T>::value && std::is_trivially_destructible<T>::value,
                  "values are written before they are read, never constructed");

public:
    explicit Scratch(size_t n) : data_(reinterpret_cast<T *>(local_))
    {
        if (n > kLocal) {
            heap_.reset(new T[n]);
            data_ = heap_.get();
        }
    }
    T &operator[](size_t k) { return data_[k]; }

private:
    alignas(T) unsigned char local_[kLocal * sizeof(T)];
    std::unique_ptr<T[]> heap_;
    T *data_;
};

bool isFinite(const Number &value)
{
    return !value.isFloat || isfinite(value.floating);
}

const char *const kOutOfRange = "result out of range";

bool fail(const std::string &what, std::string *reason)
{
    *reason = what;
    return false;
}

// "'/' at character 7: division by zero", "SQRT at character 1: ...".
bool failAt(const Step &step, const char *fault, std::string *reason)
{
    const char *written = stepSymbol(step);
    written = written != nullptr ? written : "?";
    bool function = written[0] >= 'A' && written[0] <= 'Z';
    std::string symbol = function ? std::string(written) : "'" + std::string(written) + "'";
    return fail(symbol + " at character " + std::to_string(step.position()) + ": " + fault, reason);
}

class Run {
public:
    Run(const Expression &program, const std::vector<size_t> &used, const std::vector<std::string> &names,
        Arithmetic arithmetic, const Variables &variables)
        : program_(program), used_(used), names_(names), arithmetic_(arithmetic), variables_(variables),
          stack_(program.maxHeight), slots_(used.size()), fetched_(used.size())
    {
        for (size_t k = 0; k < used.size(); k++)
            fetched_[k] = false;
    }

    bool result(Number *result, std::string *reason)
    {
        const Step *steps = program_.steps.data();
        size_t count = program_.steps.size();
        size_t top = 0;  // values on the stack
        size_t next = 0;
        while (next < count) {
            const Step &step = steps[next++];
            switch (step.op()) {
            case Op::Constant:
                stack_[top++] = program_.constants[step.index()];
                break;
            case Op::Variable:
                if (!fetched_[step.index()] && !fetch(step.index(), reason))
                    return false;
                stack_[top++] = slots_[step.index()];
                break;
            case Op::Entry:
                if (!entry(program_.entries[step.index()], &stack_[top++], reason))
                    return false;
                break;
            case Op::Unknown:
                return fail("unknown name " + program_.unknowns[step.index()] + " at character " +
                                std::to_string(step.position()),
                            reason);
            case Op::AndJump:
            case Op::OrJump:
                if (isTrue(stack_[top - 1]) == (step.op() == Op::OrJump)) {
                    stack_[top - 1] = Number::ofInteger(step.op() == Op::OrJump);
                    next = step.index();
                } else {
                    top--;
                }
                break;
            case Op::Truth:
                stack_[top - 1] = Number::ofInteger(isTrue(stack_[top - 1]));
                break;
            case Op::JumpIfFalse:
                if (!isTrue(stack_[--top]))
                    next = step.index();
                break;
            case Op::Jump:
                next = step.index();
                break;
            default: {
                const char *fault = nullptr;
                bool infinite = !isFinite(stack_[top - 1]);  // an operand overflowed before
                if (isBinary(step.op())) {
                    top--;
                    infinite |= !isFinite(stack_[top - 1]);
                    fault = applyBinary(step.op(), arithmetic_, &stack_[top - 1], stack_[top]);
                } else {
                    fault = applyUnary(step.op(), arithmetic_, &stack_[top - 1]);
                }
                // What an infinity operand makes fail is the overflow's fault.
                if (fault != nullptr)
                    return infinite ? overflowed(reason) : failAt(step, fault, reason);
                if (!infinite && overflow_ == nullptr && !isFinite(stack_[top - 1]))
                    overflow_ = &step;
            }
            }
        }
        return finish(stack_[0], result, reason);
    }

private:
    // An infinity reached the result or an operation it cannot take part in.
    bool overflowed(std::string *reason) const
    {
        return overflow_ != nullptr ? failAt(*overflow_, kOutOfRange, reason) : fail(kOutOfRange, reason);
    }

    // Reads variable slot k, once per evaluation: a formula that names a
    // register twice reads it once, and never on a branch not taken.
    bool fetch(uint32_t k, std::string *reason)
    {
        const std::string &name = names_[used_[k]];
        reason->clear();
        if (!variables_.value(used_[k], &slots_[k], reason))
            return fail(reason->empty() ? "variable " + name + " could not be read" : *reason, reason);
        if (!isFinite(slots_[k]))
            return fail("variable " + name + " is not a finite number", reason);
        fetched_[k] = true;
        return true;
    }

    bool entry(const EntryReference &entry, Number *value, std::string *reason)
    {
        reason->clear();
        if (!variables_.entryValue(entry.variable, entry.entry, value, reason))
            return fail(reason->empty() ? "no entry " + entry.entry : *reason, reason);
        if (!isFinite(*value))
            return fail("entry " + entry.entry + " is not a finite number", reason);
        return true;
    }

    bool finish(const Number &value, Number *result, std::string *reason)
    {
        if (!isFinite(value))
            return overflowed(reason);
        if (arithmetic_ == Arithmetic::Float) {
            *result = Number::ofFloat(value.asFloat());
            return true;
        }
        int64_t integer;
        if (!truncateToInteger(value, &integer))
            return fail("result beyond the 64-bit integer range", reason);
        *result = Number::ofInteger(integer);
        return true;
    }

    const Expression &program_;
    const std::vector<size_t> &used_;
    const std::vector<std::string> &names_;
    Arithmetic arithmetic_;
    const Variables &variables_;
    Scratch<Number, kLocalValues> stack_;
    Scratch<Number, kLocalSlots> slots_;
    Scratch<bool, kLocalSlots> fetched_;
    const Step *overflow_ = nullptr;  // the first step whose result was infinite
};

} // namespace

Formula::Formula() = default;
Formula::~Formula() = default;
Formula::Formula(Formula &&) noexcept = default;
Formula &Formula::operator=(Formula &&) noexcept = default;

bool Formula::parse(const std::string &text, const std::vector<std::string> &names, std::string *reason)
{
    return parse(text, FormulaNames(names), reason);
}

bool Formula::parse(const std::string &text, const FormulaNames &names, std::string *reason)
{
    root_.reset();
    used_.clear();
    names_.reset();
    auto program = std::make_unique<Expression>();
    if (!compileFormula(text, names, program.get(), &used_, reason)) {
        used_.clear();
        return false;
    }
    root_ = std::move(program);
    names_ = names.shared();
    return true;
}

size_t Formula::steps() const
{
    return root_ ? root_->steps.size() : 0;
}

bool Formula::evaluate(Arithmetic arithmetic, const Variables &variables, Number *result, std::string *reason) const
{
    if (!root_)
        return fail("no formula", reason);
    Run run(*root_, used_, *names_, arithmetic, variables);
    return run.result(result, reason);
}

} // namespace genicam
