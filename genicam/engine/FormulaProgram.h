// The compiled form of a formula: steps of a stack machine, run from first
// to last.  Jumps only go forward, so an evaluation is one pass over the
// steps, without recursion, however the formula was nested.
#ifndef GENICAM_FORMULAPROGRAM_H
#define GENICAM_FORMULAPROGRAM_H

#include "Formula.h"

namespace genicam {

enum class Op : uint8_t {
    // Operands: push one value.
    Constant,  // step.value
    Variable,  // the variable in slot step.index (Formula::usedVariables)
    Entry,     // entry step.index of Expression::entries

    // Unary operators and one-argument functions: replace the top value.
    Negate,  // unary - and NEG
    BitNot,
    LogicalNot,
    Sgn,
    Abs,
    Sin,
    Cos,
    Tan,
    Asin,
    Acos,
    Atan,
    Exp,
    Ln,
    Lg,
    Sqrt,
    Trunc,
    Floor,
    Ceil,
    Round,

    // Binary operators (and ROUND with a precision): replace the top two
    // values, left below right, by one.
    RoundTo,
    Power,
    Multiply,
    Divide,
    Remainder,
    Add,
    Subtract,
    ShiftLeft,
    ShiftRight,
    Less,
    Greater,
    LessEqual,
    GreaterEqual,
    Equal,
    NotEqual,
    BitAnd,
    BitXor,
    BitOr,

    // Control, for && || and ?:, which evaluate only the operands they need.
    AndJump,      // top false: replace it by 0 and jump to step.index; else pop it
    OrJump,       // top true: replace it by 1 and jump to step.index; else pop it
    Truth,        // replace the top by 1 when it is true, else by 0
    JumpIfFalse,  // pop the top; jump to step.index when it was false
    Jump,         // jump to step.index
};

// True for the operators that take two values.
inline bool isBinary(Op op)
{
    return op >= Op::RoundTo && op <= Op::BitOr;
}

struct Step {
    Op op;
    uint32_t index;     // slot, entry or jump target, by op
    uint32_t position;  // 1-based character of the formula text, for errors
    const char *symbol; // how the formula wrote the operator, for errors
    Number value;       // of a Constant
};

// NAME.Entry.X: entry X of the enumeration behind variable NAME.Entry.X or
// NAME.
struct EntryReference {
    size_t variable;
    std::string entry;
};

struct Expression {
    std::vector<Step> steps;
    std::vector<EntryReference> entries;
    std::vector<std::string> variableNames;  // by slot, for errors
    size_t maxHeight = 0;  // values on the stack at most, at most Formula::kMaxDepth
};

// Compiles formula text into *program; *used receives the variables it
// refers to, by index into names, in the order of their first use (slot k of
// Op::Variable is variable (*used)[k]).  False with a reason when the text
// is not a formula (see Formula::parse).
bool compileFormula(const std::string &text, const std::vector<std::string> &names, Expression *program,
                    std::vector<size_t> *used, std::string *reason);

} // namespace genicam

#endif
