// The GenICam formula language, as SwissKnife, IntSwissKnife and Converter
// nodes use it: parsed once into an expression tree, evaluated as often as
// needed.  No I/O and no knowledge of nodes here: a formula's variables are
// numbered, and the caller gives their values when it evaluates.
#ifndef GENICAM_FORMULA_H
#define GENICAM_FORMULA_H

#include <stddef.h>
#include <stdint.h>

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "numbers/Number.h"

namespace genicam {

// How a formula's result is wanted: IntSwissKnife and IntConverter give an
// integer, SwissKnife and Converter a double.
enum class Arithmetic { Integer, Float };

// Gives the values of a formula's variables while it is evaluated.
class Variables {
public:
    virtual ~Variables() = default;
    // The value of variable k (k indexes the names given to parse).  False
    // with a reason when it cannot be had (a register that cannot be read).
    virtual bool value(size_t k, Number *value, std::string *reason) const = 0;
    // The value of entry entryName of the enumeration that variable k
    // refers to (NAME.Entry.Off in a formula, not the current value of
    // NAME).  False with a reason when there is no such entry.
    virtual bool entryValue(size_t k, const std::string &entryName, Number *value, std::string *reason) const = 0;
};

// A formula's variable names, indexed once for all the formulas of a node
// (a SwissKnife may hold thousands of Expressions over the same names).
class FormulaNames {
public:
    explicit FormulaNames(std::vector<std::string> names);

    const std::vector<std::string> &names() const { return *names_; }
    // The names, for a formula parsed with them to keep (its errors name
    // its variables).
    const std::shared_ptr<const std::vector<std::string>> &shared() const { return names_; }
    // The index of the first variable named name, or false.
    bool find(std::string_view name, size_t *k) const;

private:
    std::shared_ptr<const std::vector<std::string>> names_;
    std::unordered_map<std::string_view, size_t> index_;
};

struct Expression;  // the compiled formula (FormulaProgram.h)

class Formula {
public:
    static const size_t kMaxLength = 64 * 1024;  // characters of formula text
    // Nesting of brackets, function arguments, unary operators, ** and the
    // middle of ?:, and values pending during evaluation.  A chain such as
    // a+b+c... or a?b:c?d:e... nests nothing.
    static const int kMaxDepth = 200;

    Formula();
    ~Formula();
    Formula(Formula &&) noexcept;
    Formula &operator=(Formula &&) noexcept;

    // Parses text.  names are the formula's variables (a SwissKnife's
    // pVariable Name attributes; TO or FROM for a converter); an identifier
    // that is one of them is that variable, even where it is spelled like a
    // function or constant (a variable EXP, a variable E).  NAME.Entry.X is
    // entry X of the enumeration behind the variable named NAME.Entry.X,
    // else behind variable NAME.  Function names are
    // read in any case, PI and E only in capitals.  An identifier that is
    // none of these is an error only where an evaluation reaches it
    // ("unknown name 'Y' at character 5").  False with a reason on a syntax
    // error (an unknown function among them), nesting beyond kMaxDepth or
    // text beyond kMaxLength; the formula is then empty.  The grammar is
    // described in FormulaParser.cpp.
    bool parse(const std::string &text, const std::vector<std::string> &names, std::string *reason);
    // The same, with the names indexed once for many formulas.
    bool parse(const std::string &text, const FormulaNames &names, std::string *reason);

    // Evaluates the parsed formula: an integer result in Integer arithmetic,
    // a double in Float.  Each variable is asked for at most once, and only
    // when a branch taken needs it.  False with a reason (division by zero,
    // a result that is not a finite number, a variable that cannot be read,
    // an unknown name reached, no formula parsed) rather than a made-up
    // value.  What each operator
    // does in each arithmetic is described in FormulaArithmetic.cpp.
    bool evaluate(Arithmetic arithmetic, const Variables &variables, Number *result, std::string *reason) const;

    // Which variables the formula uses (their value, or for NAME.Entry.X
    // their entries), by index, each once, in the order of first use.
    const std::vector<size_t> &usedVariables() const { return used_; }

    // The steps an evaluation runs at most: what it costs (0 when nothing
    // was parsed).
    size_t steps() const;

private:
    std::unique_ptr<Expression> root_;
    std::vector<size_t> used_;
    std::shared_ptr<const std::vector<std::string>> names_;  // for errors
};

} // namespace genicam

#endif
