// Reads formula text into steps of the stack machine (FormulaProgram.h): a
// lexer for the language's tokens and a recursive-descent compiler that
// emits steps as it reads.
//
// Grammar, from the loosest binding to the tightest; every binary operator
// groups from the left except ** and ?:, which group from the right:
//   conditional := binary(1) [ '?' conditional ':' conditional ]
//   binary(1..10): || ; && ; | ; ^ ; & ; = <> ; < > <= >= ; << >> ; + - ;
//                  * / %
//   unary       := ( '-' | '+' | '~' | '!' ) unary | power
//   power       := primary [ '**' unary ]
//   primary     := number | variable | NAME.Entry.X | PI | E
//                | function '(' conditional ')' | ROUND '(' conditional
//                  [ ',' conditional ] ')' | '(' conditional ')'
// The order of the binary levels is C's, as the standard's table lists the
// operators and both peers read them.  ** binds tighter than a unary sign
// on its left and takes one on its right: -2 ** 2 is -4 and 2 ** -1 is 0.5,
// as in mathematics (one peer reads -2 ** 2 as 4).  ! (logical not) and a
// unary + are accepted beyond the standard's table.  Decimal literals are
// decimal even with a leading 0 (one peer reads 010 as octal 8).
//
// Recursion is bounded by Formula::kMaxDepth: brackets, function arguments,
// the middle of ?:, unary operators and the right side of ** each count one
// level, and each level recurses through at most the ten binary levels.  A
// chain of ?: in its last operand, or of left-grouping operators (a+b+c...),
// is read in a loop and nests nothing.
#include "formula/FormulaProgram.h"

#include <math.h>
#include <string.h>

#include <charconv>
#include <string_view>
#include <unordered_map>

namespace genicam {

namespace {

enum class Kind { End, Number, Name, Open, Close, Comma, Question, Colon, Operator };

struct BinaryOperator;

struct Token {
    Kind kind = Kind::End;
    size_t start = 0;  // offset in the text
    std::string_view text;
    Number number;     // of a Kind::Number
    const BinaryOperator *binary = nullptr;  // of a Kind::Operator that is one
};

// The operator symbols, longer before their prefixes.
const std::string_view kSymbols[] = {"**", "<<", ">>", "<=", ">=", "<>", "&&", "||", "+", "-", "*", "/",
                                     "%",  "&",  "|",  "^",  "~",  "!",  "=",  "<",  ">"};

struct BinaryOperator {
    std::string_view symbol;  // of a string literal: data() ends in a NUL
    Op op;
    int level;
};

const int kLoosest = 1;
const BinaryOperator kBinary[] = {
    {"||", Op::OrJump, 1},       {"&&", Op::AndJump, 2},       {"|", Op::BitOr, 3},       {"^", Op::BitXor, 4},
    {"&", Op::BitAnd, 5},        {"=", Op::Equal, 6},          {"<>", Op::NotEqual, 6},   {"<", Op::Less, 7},
    {">", Op::Greater, 7},       {"<=", Op::LessEqual, 7},     {">=", Op::GreaterEqual, 7}, {"<<", Op::ShiftLeft, 8},
    {">>", Op::ShiftRight, 8},   {"+", Op::Add, 9},            {"-", Op::Subtract, 9},    {"*", Op::Multiply, 10},
    {"/", Op::Divide, 10},       {"%", Op::Remainder, 10},
};

struct Function {
    const char *name;
    Op op;
};

const Function kFunctions[] = {
    {"SGN", Op::Sgn},     {"NEG", Op::Negate},  {"ATAN", Op::Atan}, {"COS", Op::Cos},     {"SIN", Op::Sin},
    {"TAN", Op::Tan},     {"ABS", Op::Abs},     {"EXP", Op::Exp},   {"LN", Op::Ln},       {"LG", Op::Lg},
    {"SQRT", Op::Sqrt},   {"TRUNC", Op::Trunc}, {"FLOOR", Op::Floor}, {"CEIL", Op::Ceil}, {"ROUND", Op::Round},
    {"ASIN", Op::Asin},   {"ACOS", Op::Acos},
};

// Keeps a helper out of the recursive functions, so that their stack frames
// stay small: under AddressSanitizer a frame holding strings or arrays grows
// by kilobytes, and the parser recurses kMaxDepth levels deep.
#define FORMULA_LEAF __attribute__((noinline))

const std::string_view kEntryInfix = ".Entry.";
const size_t kShownName = 64;  // characters of an unknown name shown in an error
const int kHexDigits = 16;

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool isLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}

// Names may hold dots: NAME.Entry.X, and pVariable names such as X.Min.
bool isNameChar(char c)
{
    return isLetter(c) || isDigit(c) || c == '.';
}

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

int hexValue(char c)
{
    if (isDigit(c))
        return c - '0';
    char lower = (char)(c | 0x20);
    return lower >= 'a' && lower <= 'f' ? lower - 'a' + 10 : -1;
}

// Function names are read in any case, as they are followed by a bracket.
const Function *findFunction(std::string_view name)
{
    for (const Function &function : kFunctions) {
        std::string_view candidate = function.name;
        if (candidate.size() != name.size())
            continue;
        size_t k = 0;
        while (k < name.size() && (name[k] & ~0x20) == candidate[k])
            k++;
        if (k == name.size())
            return &function;
    }
    return nullptr;
}

class Compiler {
public:
    Compiler(const std::string &text, const FormulaNames &names, Expression *program, std::vector<size_t> *used)
        : text_(text), names_(names), program_(*program), used_(*used)
    {
    }

    bool compile(std::string *reason)
    {
        bool compiled = advance() && (token_.kind != Kind::End || fail(token_, "empty formula")) && conditional() &&
                        (token_.kind == Kind::End || fail(token_, strayMessage(token_.kind)));
        if (!compiled)
            *reason = error_;
        return compiled;
    }

private:
    // Counts one level of nesting for as long as it lives.
    class Nesting {
    public:
        explicit Nesting(int *depth) : depth_(depth) { ++*depth_; }
        ~Nesting() { --*depth_; }
        bool tooDeep() const { return *depth_ > Formula::kMaxDepth; }

    private:
        int *depth_;
    };

    bool conditional()
    {
        Nesting nesting(&depth_);
        if (nesting.tooDeep())
            return fail(token_, "nested too deeply");
        if (!binary(kLoosest))
            return false;
        size_t ends = ends_.size();  // the Jumps past the last operand, patched at the end
        while (token_.kind == Kind::Question) {
            size_t question = token_.start;
            size_t skip = program_.steps.size();
            if (!advance() || !emit(Op::JumpIfFalse, question))
                return false;
            size_t height = height_;
            if (!conditional() || !expect(Kind::Colon, "expected ':'"))
                return false;
            ends_.push_back(program_.steps.size());
            if (!emit(Op::Jump, question))
                return false;
            patch(skip);
            height_ = height;
            if (!binary(kLoosest))
                return false;
        }
        for (size_t k = ends; k < ends_.size(); k++)
            patch(ends_[k]);
        ends_.resize(ends);
        return true;
    }

    bool binary(int level)
    {
        if (!unary())
            return false;
        for (;;) {
            const BinaryOperator *op = token_.binary;
            if (op == nullptr || op->level < level)
                return true;
            size_t symbol = token_.start;
            if (!advance())
                return false;
            bool shortCircuit = op->op == Op::AndJump || op->op == Op::OrJump;
            size_t jump = program_.steps.size();
            if (shortCircuit && !emit(op->op, symbol))
                return false;
            if (!binary(op->level + 1))
                return false;
            if (!emit(shortCircuit ? Op::Truth : op->op, symbol))
                return false;
            if (shortCircuit)
                patch(jump);
        }
    }

    bool unary()
    {
        if (token_.kind != Kind::Operator || !(isSymbol("-") || isSymbol("+") || isSymbol("~") || isSymbol("!")))
            return power();
        Nesting nesting(&depth_);
        if (nesting.tooDeep())
            return fail(token_, "nested too deeply");
        size_t symbol = token_.start;
        char sign = token_.text[0];
        if (!advance() || !unary())
            return false;
        if (sign == '+')
            return true;
        return emit(sign == '-' ? Op::Negate : sign == '~' ? Op::BitNot : Op::LogicalNot, symbol);
    }

    bool power()
    {
        if (!primary())
            return false;
        if (!isSymbol("**"))
            return true;
        Nesting nesting(&depth_);
        if (nesting.tooDeep())
            return fail(token_, "nested too deeply");
        size_t symbol = token_.start;
        return advance() && unary() && emit(Op::Power, symbol);
    }

    bool primary()
    {
        switch (token_.kind) {
        case Kind::Number:
            return emitConstant(token_.start, token_.number) && advance();
        case Kind::Open:
            return advance() && conditional() && expect(Kind::Close, "expected ')'");
        case Kind::Name: {
            size_t start = token_.start;
            if (!name())
                return false;
            const Function *function = call_;
            call_ = nullptr;
            return function == nullptr || call(start, *function);
        }
        default:
            return fail(token_, "expected a number, a name or '('");
        }
    }

    // Reads the current name: a variable, an entry or a constant, or into
    // call_ a function followed by its bracket.
    FORMULA_LEAF bool name()
    {
        Token name = token_;
        if (!advance())
            return false;
        if (entryReference(name))
            return true;
        size_t variable;
        if (names_.find(name.text, &variable))
            return emit(Op::Variable, name.start, slot(variable));
        const Function *function = findFunction(name.text);
        if (function != nullptr && token_.kind == Kind::Open) {
            call_ = function;
            return true;
        }
        if (name.text == "PI")
            return emitConstant(name.start, Number::ofFloat(M_PI));
        if (name.text == "E")
            return emitConstant(name.start, Number::ofFloat(M_E));
        if (function != nullptr)
            return failAt(name.start, "expected '(' after " + std::string(name.text));
        std::string shown = "'" + std::string(name.text.substr(0, kShownName)) +
                            (name.text.size() > kShownName ? "...'" : "'");
        if (token_.kind == Kind::Open)  // a function the language does not have
            return failAt(name.start, "unknown name " + shown);
        // A variable the node does not define (a maker's slip) is an error
        // only where an evaluation reaches it: A && (UNDEFINED || B) is 0
        // while A is.
        program_.unknowns.push_back(std::move(shown));
        return emit(Op::Unknown, name.start, (uint32_t)(program_.unknowns.size() - 1));
    }

    // NAME.Entry.X where the variable is NAME.Entry.X itself (as descriptions
    // declare entries: pVariable Name="NAME.Entry.X", whose value is the
    // entry's, not the enumeration's current one) or NAME: X has no dot, so
    // the split is unique.
    FORMULA_LEAF bool entryReference(const Token &name)
    {
        std::string_view text = name.text;
        size_t dot = text.rfind('.');
        if (dot == std::string_view::npos || dot + 1 == text.size() || dot + 1 <= kEntryInfix.size())
            return false;
        size_t infix = dot + 1 - kEntryInfix.size();
        if (text.substr(infix, kEntryInfix.size()) != kEntryInfix)
            return false;
        size_t variable;
        if (!names_.find(text, &variable) && !names_.find(text.substr(0, infix), &variable))
            return false;
        slot(variable);
        program_.entries.push_back({variable, std::string(text.substr(dot + 1))});
        return emit(Op::Entry, name.start, (uint32_t)(program_.entries.size() - 1));
    }

    // FUNCTION(...), at its bracket; the name was at offset start.
    bool call(size_t start, const Function &function)
    {
        if (!advance() || !conditional())
            return false;
        Op op = function.op;
        if (op == Op::Round && token_.kind == Kind::Comma) {
            op = Op::RoundTo;
            if (!advance() || !conditional())
                return false;
        }
        return expect(Kind::Close, "expected ')'") && emit(op, start, 0, true);
    }

    // The slot of variable k, given on its first use.
    FORMULA_LEAF uint32_t slot(size_t k)
    {
        auto found = slots_.find(k);
        if (found != slots_.end())
            return found->second;
        used_.push_back(k);
        uint32_t slot = (uint32_t)(used_.size() - 1);
        slots_.emplace(k, slot);
        return slot;
    }

    // A constant step, its value kept once however often it is written.
    FORMULA_LEAF bool emitConstant(size_t offset, const Number &value)
    {
        uint64_t bits;
        if (value.isFloat)
            memcpy(&bits, &value.floating, sizeof bits);
        else
            bits = (uint64_t)value.integer;
        auto &known = value.isFloat ? floats_ : integers_;
        auto found = known.emplace(bits, (uint32_t)program_.constants.size());
        if (found.second)
            program_.constants.push_back(value);
        return emit(Op::Constant, offset, found.first->second);
    }

    // Appends a step for the token at offset; function: it was written as
    // a function.
    FORMULA_LEAF bool emit(Op op, size_t offset, uint32_t index = 0, bool function = false)
    {
        program_.steps.emplace_back(op, function, index, (uint32_t)(offset + 1));
        if (op == Op::Constant || op == Op::Variable || op == Op::Entry || op == Op::Unknown) {
            if (++height_ > (size_t)Formula::kMaxDepth)
                return failAt(offset, "nested too deeply");
            program_.maxHeight = std::max(program_.maxHeight, height_);
        } else if (isBinary(op) || op == Op::AndJump || op == Op::OrJump || op == Op::JumpIfFalse) {
            height_--;
        }
        return true;
    }

    // Makes the jump at step k land after the last step so far.
    void patch(size_t k) { program_.steps[k].setIndex((uint32_t)program_.steps.size()); }

    static const char *strayMessage(Kind kind)
    {
        switch (kind) {
        case Kind::Close: return "')' without '('";
        case Kind::Colon: return "':' without '?'";
        case Kind::Comma: return "',' outside ROUND(x, n)";
        default: return "expected an operator";
        }
    }

    static const BinaryOperator *findBinary(std::string_view symbol)
    {
        for (const BinaryOperator &binary : kBinary)
            if (symbol[0] == binary.symbol[0] && symbol == binary.symbol)
                return &binary;
        return nullptr;
    }

    bool isSymbol(std::string_view symbol) const { return token_.kind == Kind::Operator && token_.text == symbol; }

    bool expect(Kind kind, const char *what)
    {
        if (token_.kind != kind)
            return fail(token_, what);
        return advance();
    }

    FORMULA_LEAF bool fail(const Token &at, const char *what)
    {
        return failAt(at.kind == Kind::End ? text_.size() : at.start, what);
    }

    FORMULA_LEAF bool failAt(size_t offset, const std::string &what)
    {
        if (error_.empty())
            error_ = what + (offset >= text_.size() ? " at the end" : " at character " + std::to_string(offset + 1));
        return false;
    }

    // Reads the next token into token_.
    FORMULA_LEAF bool advance()
    {
        size_t at = position_;
        while (at < text_.size() && isSpace(text_[at]))
            at++;
        token_ = Token();
        token_.start = at;
        if (at == text_.size()) {
            position_ = at;
            return true;
        }
        char c = text_[at];
        if (isDigit(c) || (c == '.' && at + 1 < text_.size() && isDigit(text_[at + 1])))
            return number(at);
        if (isLetter(c)) {
            size_t end = at;
            while (end < text_.size() && isNameChar(text_[end]))
                end++;
            return take(Kind::Name, at, end);
        }
        switch (c) {
        case '(': return take(Kind::Open, at, at + 1);
        case ')': return take(Kind::Close, at, at + 1);
        case ',': return take(Kind::Comma, at, at + 1);
        case '?': return take(Kind::Question, at, at + 1);
        case ':': return take(Kind::Colon, at, at + 1);
        default: break;
        }
        std::string_view rest = std::string_view(text_).substr(at);
        if (rest.substr(0, 2) == "==")
            return failAt(at, "'==' is not an operator (equality is '=')");
        if (rest.substr(0, 2) == "!=")
            return failAt(at, "'!=' is not an operator (inequality is '<>')");
        for (std::string_view symbol : kSymbols) {
            if (rest[0] == symbol[0] && rest.substr(0, symbol.size()) == symbol) {
                token_.binary = findBinary(symbol);
                return take(Kind::Operator, at, at + symbol.size());
            }
        }
        char shown[32];
        if (c >= ' ' && c <= '~')
            snprintf(shown, sizeof shown, "unexpected character '%c'", c);
        else
            snprintf(shown, sizeof shown, "unexpected byte 0x%02X", (unsigned char)c);
        return failAt(at, shown);
    }

    bool take(Kind kind, size_t start, size_t end)
    {
        token_.kind = kind;
        token_.text = std::string_view(text_).substr(start, end - start);
        position_ = end;
        return true;
    }

    // A literal: 0x and up to 16 hexadecimal digits, or a decimal number,
    // read as the nearest double when it has a point or an exponent (or is
    // too large for 64 bits).
    FORMULA_LEAF bool number(size_t start)
    {
        const std::string &t = text_;
        size_t end = start;
        if (t[start] == '0' && start + 1 < t.size() && (t[start + 1] | 0x20) == 'x') {
            end = start + 2;
            uint64_t value = 0;
            int digits = 0;
            for (; end < t.size() && hexValue(t[end]) >= 0; end++) {
                digits += digits > 0 || t[end] != '0';
                value = value << 4 | (uint64_t)hexValue(t[end]);
            }
            if (end == start + 2)
                return failAt(start, "hexadecimal number without digits");
            if (digits > kHexDigits)
                return failAt(start, "hexadecimal number beyond 64 bits");
            token_.number = Number::ofInteger(value <= (uint64_t)INT64_MAX ? (int64_t)value : -(int64_t)~value - 1);
        } else {
            bool integer = true;
            while (end < t.size() && isDigit(t[end]))
                end++;
            if (end < t.size() && t[end] == '.') {
                integer = false;
                end++;
                while (end < t.size() && isDigit(t[end]))
                    end++;
            }
            if (end + 1 < t.size() && (t[end] | 0x20) == 'e') {
                size_t digit = end + 1 + (t[end + 1] == '+' || t[end + 1] == '-');
                if (digit < t.size() && isDigit(t[digit])) {
                    integer = false;
                    end = digit;
                    while (end < t.size() && isDigit(t[end]))
                        end++;
                }
            }
            if (!decimal(start, end, integer))
                return false;
        }
        if (end < t.size() && isNameChar(t[end]))
            return failAt(start, "malformed number");
        return take(Kind::Number, start, end);
    }

    // The decimal literal text_[start, end), correctly rounded by from_chars
    // (locale-independent); an integer too large for 64 bits becomes a double.
    FORMULA_LEAF bool decimal(size_t start, size_t end, bool integer)
    {
        const char *first = text_.data() + start, *last = text_.data() + end;
        if (integer) {
            int64_t value;
            std::from_chars_result read = std::from_chars(first, last, value);
            if (read.ec == std::errc() && read.ptr == last) {
                token_.number = Number::ofInteger(value);
                return true;
            }
        }
        double value;
        std::from_chars_result read = std::from_chars(first, last, value);
        if (read.ec != std::errc() || read.ptr != last || !isfinite(value))
            return failAt(start, "number out of range");
        token_.number = Number::ofFloat(value);
        return true;
    }

    const std::string &text_;
    const FormulaNames &names_;
    Expression &program_;
    std::vector<size_t> &used_;
    std::unordered_map<size_t, uint32_t> slots_;
    std::unordered_map<uint64_t, uint32_t> integers_, floats_;  // constants by their bits
    std::vector<size_t> ends_;
    const Function *call_ = nullptr;
    Token token_;
    size_t position_ = 0;
    size_t height_ = 0;
    int depth_ = 0;
    std::string error_;
};

} // namespace

const char *stepSymbol(const Step &step)
{
    if (step.function()) {
        if (step.op() == Op::RoundTo)
            return "ROUND";
        for (const Function &function : kFunctions)
            if (function.op == step.op())
                return function.name;
        return nullptr;
    }
    switch (step.op()) {
    case Op::Negate: return "-";
    case Op::BitNot: return "~";
    case Op::LogicalNot: return "!";
    case Op::Power: return "**";
    default:
        for (const BinaryOperator &binary : kBinary)
            if (binary.op == step.op())
                return binary.symbol.data();
        return nullptr;
    }
}

FormulaNames::FormulaNames(std::vector<std::string> names)
    : names_(std::make_shared<const std::vector<std::string>>(std::move(names)))
{
    for (size_t k = 0; k < names_->size(); k++)
        index_.emplace((*names_)[k], k);  // the first of equal names
}

bool FormulaNames::find(std::string_view name, size_t *k) const
{
    auto found = index_.find(name);
    if (found == index_.end())
        return false;
    *k = found->second;
    return true;
}

bool compileFormula(const std::string &text, const FormulaNames &names, Expression *program,
                    std::vector<size_t> *used, std::string *reason)
{
    if (text.size() > Formula::kMaxLength) {
        *reason = "formula of " + std::to_string(text.size()) + " characters (at most " +
                  std::to_string(Formula::kMaxLength) + ")";
        return false;
    }
    // Never more steps than characters: room for all at once, and no more
    // kept than used.
    program->steps.reserve(text.size());
    Compiler compiler(text, names, program, used);
    bool compiled = compiler.compile(reason);
    program->steps.shrink_to_fit();
    return compiled;
}

} // namespace genicam
