// The compiled form of a formula: steps of a stack machine, run from first
// to last.  Jumps only go forward, so an evaluation is one pass over the
// steps, without recursion, however the formula was nested.
#ifndef GENICAM_FORMULAPROGRAM_H
#define GENICAM_FORMULAPROGRAM_H

#include "formula/Formula.h"

namespace genicam {

enum class Op : uint8_t {
    // Operands: push one value.
    Constant,  // constant step.index of Expression::constants
    Variable,  // the variable in slot step.index (Formula::usedVariables)
    Entry,     // entry step.index of Expression::entries
    Unknown,   // a name no variable has (Expression::unknowns[step.index]): an error when reached

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

// One step, in 8 bytes: a formula's steps are at most as many as its
// characters (at most Formula::kMaxLength), so that a compiled formula
// stays a small multiple of its text.
class Step {
public:
    // index is a slot, entry, constant or jump target, by op; position the
    // 1-based character of the formula text, for errors; function: the
    // operator was written as a function (NEG, ROUND), for errors too.
    Step(Op op, bool function, uint32_t index, uint32_t position)
        : code_((uint32_t)op | (function ? kFunction : 0) | index << kIndexShift), position_(position)
    {
    }

    Op op() const { return (Op)(code_ & kOpMask); }
    bool function() const { return (code_ & kFunction) != 0; }
    uint32_t index() const { return code_ >> kIndexShift; }
    void setIndex(uint32_t index) { code_ = (code_ & (kOpMask | kFunction)) | index << kIndexShift; }
    uint32_t position() const { return position_; }

private:
    static const uint32_t kOpMask = 0x7F, kFunction = 0x80, kIndexShift = 8;

    uint32_t code_;
    uint32_t position_;
};

static_assert(sizeof(Step) == 8, "a step stays small: compiled formulas are a small multiple of their text");
static_assert((uint32_t)Op::Jump < 0x80, "an Op fits the 7 bits a step keeps for it");
static_assert(Formula::kMaxLength < (1u << 24), "every index of a formula's steps fits the 24 bits a step keeps");

// How the formula wrote a step's operator, for errors: "-", "NEG", "ROUND".
const char *stepSymbol(const Step &step);

// NAME.Entry.X: entry X of the enumeration behind variable NAME.Entry.X or
// NAME.
struct EntryReference {
    size_t variable;
    std::string entry;
};

struct Expression {
    std::vector<Step> steps;
    std::vector<Number> constants;  // each value once
    std::vector<EntryReference> entries;
    std::vector<std::string> unknowns;  // names as errors show them, quoted
    size_t maxHeight = 0;  // values on the stack at most, at most Formula::kMaxDepth
};

// Compiles formula text into *program; *used receives the variables it
// refers to, by index into names, in the order of their first use (slot k of
// Op::Variable is variable (*used)[k]).  False with a reason when the text
// is not a formula (see Formula::parse).
bool compileFormula(const std::string &text, const FormulaNames &names, Expression *program,
                    std::vector<size_t> *used, std::string *reason);

} // namespace genicam

#endif
