// The arithmetic of the formula language.
//
// Values are 64-bit integers or doubles.  Integers: literals without a point
// or an exponent (decimal, or hexadecimal 0x...), the results of
// comparisons, of && || !, of SGN and of the bitwise and shift operators.
// Doubles: the other literals, PI and E, and the functions other than SGN,
// NEG, ABS, TRUNC, FLOOR, CEIL and ROUND, which keep an integer an integer.
// A variable is what its node gives.  The standard says only that
// IntSwissKnife and IntConverter compute in integers and SwissKnife and
// Converter in floating point; the rules below make that precise and leave
// nothing undefined.
//
// In both arithmetics:
// - An operation on an integer and a double converts the integer to double.
// - Comparisons (= <> < > <= >=) give 1 or 0; two integers are compared
//   exactly, anything else as doubles.
// - && || ! and ?: take any nonzero value as true.  && and || give 1 or 0
//   and evaluate their right operand only when the left one does not decide;
//   ?: evaluates only the branch it takes and gives its value as it is.
// - & | ^ ~ << >> work on integers: a double is truncated toward zero, and
//   one beyond the 64-bit range is an error.  Bits are 64-bit two's
//   complement: << drops the bits it shifts out; >> keeps the sign (x >> n
//   is x / 2**n rounded down).  A shift by 64 or more leaves 0 (-1 for >> of
//   a negative number); a negative amount shifts the other way.
// - % of two integers has the sign of the dividend, as in C; of doubles it
//   is fmod, which does the same.
// - Division or remainder by zero, and 0 ** a negative exponent, are errors,
//   never 0 or infinity made up silently (one peer gives 0).
// - A result that is no number (SQRT(-1), ASIN(2), (-8) ** 0.5) is an error
//   at once.  An infinity (an overflow such as EXP(1000) or 2 ** 5000, and
//   LN(0)) goes on through the formula as the IEEE double it is, so that
//   X / 2 ** 5000 is 0, the value correctly rounded; but a formula whose
//   result is infinite, or that needs a finite number of one (as a bitwise
//   operand, or in an operation with no result), is an error named after
//   the step that overflowed: no feature shows a NaN or an infinity.
// - ROUND rounds halves away from zero; ROUND(x, n), which the standard
//   adds, rounds to n decimals (n < 0: to tens, hundreds...).  TRUNC, FLOOR,
//   CEIL and ROUND of an integer are that integer.  SGN gives -1, 0 or 1.
// - ** of two integers is exact (by squaring); a negative exponent gives the
//   fraction truncated in integer arithmetic (2 ** -1 is 0, (-1) ** -1 is -1).
//
// Integer arithmetic (IntSwissKnife, IntConverter):
// - + - * ** unary - NEG ABS of integers wrap around in 64-bit two's
//   complement: INT64_MAX + 1 is INT64_MIN; -INT64_MIN and INT64_MIN / -1
//   are INT64_MIN; INT64_MIN % -1 is 0.
// - / of two integers truncates toward zero, as in C (7 / 2 is 3, -7 / 2 is
//   -3); with a double operand it divides in double.
// - A double result is truncated toward zero at the end; beyond the 64-bit
//   range it is an error.
//
// Floating arithmetic (SwissKnife, Converter):
// - / always divides in double, since TO / (1 << P1) means a fraction; when
//   two integers divide exactly, the quotient stays an exact integer.
// - + - * ** unary - NEG ABS of integers stay exact integers while the
//   result fits in 64 bits and are computed in double when it would not:
//   they never wrap around.
// - The result is a double.
#include "formula/FormulaArithmetic.h"

#include <math.h>

namespace genicam {

namespace {

const char *const kDivisionByZero = "division by zero";
const char *const kNoRealResult = "no real result";
const char *const kBeyondInteger = "a value beyond the 64-bit integer range";

const int64_t kBits = 64;

// The int64 whose two's complement bits are bits.
int64_t fromBits(uint64_t bits)
{
    return bits <= (uint64_t)INT64_MAX ? (int64_t)bits : -(int64_t)~bits - 1;
}

// Sets *value to a double result, which must be a number (an infinity is
// judged by the run, FormulaRun.cpp).
const char *setFloat(Number *value, double result)
{
    if (isnan(result))
        return kNoRealResult;
    *value = Number::ofFloat(result);
    return nullptr;
}

// Sets *value to an integer operation's result: wrapped is its 64-bit
// two's complement value, exact the same computed in double.  Integer
// arithmetic wraps around; floating arithmetic never does.
const char *setInteger(Number *value, Arithmetic arithmetic, bool overflowed, int64_t wrapped, double exact)
{
    if (overflowed && arithmetic == Arithmetic::Float)
        return setFloat(value, exact);
    *value = Number::ofInteger(wrapped);
    return nullptr;
}

const char *negate(Number *value, Arithmetic arithmetic)
{
    if (value->isFloat)
        return setFloat(value, -value->floating);
    int64_t a = value->integer;
    return setInteger(value, arithmetic, a == INT64_MIN, fromBits(0 - (uint64_t)a), -(double)a);
}

// base ** exponent for exponent >= 0, by squaring; false when it overflowed,
// *result then holding the result wrapped to 64 bits.
bool exactPower(int64_t base, int64_t exponent, int64_t *result)
{
    bool overflowed = false;
    int64_t power = 1;
    while (exponent > 0) {
        if (exponent & 1)
            overflowed |= __builtin_mul_overflow(power, base, &power);
        exponent >>= 1;
        if (exponent > 0)
            overflowed |= __builtin_mul_overflow(base, base, &base);
    }
    *result = power;
    return !overflowed;
}

const char *integerPower(Number *left, Arithmetic arithmetic, int64_t base, int64_t exponent)
{
    if (exponent >= 0) {
        int64_t power;
        bool exact = exactPower(base, exponent, &power);
        return setInteger(left, arithmetic, !exact, power, pow((double)base, (double)exponent));
    }
    if (base == 0)
        return kDivisionByZero;
    if (arithmetic == Arithmetic::Float)
        return setFloat(left, pow((double)base, (double)exponent));
    int64_t fraction = base == 1 ? 1 : base == -1 ? (exponent % 2 == 0 ? 1 : -1) : 0;
    *left = Number::ofInteger(fraction);
    return nullptr;
}

int64_t shift(int64_t value, int64_t amount, bool left)
{
    if (amount < 0) {
        left = !left;
        amount = amount < -kBits ? kBits : -amount;
    }
    if (amount >= kBits)
        return left || value >= 0 ? 0 : -1;
    if (left)
        return fromBits((uint64_t)value << amount);
    return value < 0 ? ~(~value >> amount) : value >> amount;
}

// x rounded to decimals places after the point (before it when negative).
double roundTo(double x, int64_t decimals)
{
    const int64_t kPointless = 400;  // beyond any double's digits
    if (decimals > kPointless)
        return x;
    if (decimals < -kPointless)
        return 0;
    if (decimals >= 0) {
        double scale = pow(10, (double)decimals);
        double scaled = x * scale;
        return isfinite(scaled) ? round(scaled) / scale : x;
    }
    double scale = pow(10, (double)-decimals);
    return isfinite(scale) ? round(x / scale) * scale : 0;
}

const char *bitwise(Op op, Number *left, const Number &right)
{
    int64_t a, b;
    if (!truncateToInteger(*left, &a) || !truncateToInteger(right, &b))
        return kBeyondInteger;
    int64_t result = 0;
    switch (op) {
    case Op::BitAnd: result = a & b; break;
    case Op::BitOr: result = a | b; break;
    case Op::BitXor: result = a ^ b; break;
    case Op::ShiftLeft: result = shift(a, b, true); break;
    default: result = shift(a, b, false); break;
    }
    *left = Number::ofInteger(result);
    return nullptr;
}

// -1, 0 or 1 as a is below, equal to or above b (values are never NaN).
int compare(const Number &a, const Number &b)
{
    if (!a.isFloat && !b.isFloat)
        return (a.integer > b.integer) - (a.integer < b.integer);
    double x = a.asFloat(), y = b.asFloat();
    return (x > y) - (x < y);
}

bool holds(Op op, int order)
{
    switch (op) {
    case Op::Less: return order < 0;
    case Op::Greater: return order > 0;
    case Op::LessEqual: return order <= 0;
    case Op::GreaterEqual: return order >= 0;
    case Op::Equal: return order == 0;
    default: return order != 0;
    }
}

// + - * / % ** of two integers.
const char *integerArithmetic(Op op, Arithmetic arithmetic, Number *left, int64_t a, int64_t b)
{
    int64_t result;
    bool overflowed;
    switch (op) {
    case Op::Add:
        overflowed = __builtin_add_overflow(a, b, &result);
        return setInteger(left, arithmetic, overflowed, result, (double)a + (double)b);
    case Op::Subtract:
        overflowed = __builtin_sub_overflow(a, b, &result);
        return setInteger(left, arithmetic, overflowed, result, (double)a - (double)b);
    case Op::Multiply:
        overflowed = __builtin_mul_overflow(a, b, &result);
        return setInteger(left, arithmetic, overflowed, result, (double)a * (double)b);
    case Op::Power:
        return integerPower(left, arithmetic, a, b);
    case Op::Remainder:
        if (b == 0)
            return kDivisionByZero;
        *left = Number::ofInteger(b == -1 ? 0 : a % b);
        return nullptr;
    default:  // Divide
        if (b == 0)
            return kDivisionByZero;
        if (a == INT64_MIN && b == -1)
            return setInteger(left, arithmetic, true, INT64_MIN, -(double)a);
        if (arithmetic == Arithmetic::Float && a % b != 0)
            return setFloat(left, (double)a / (double)b);
        *left = Number::ofInteger(a / b);
        return nullptr;
    }
}

// + - * / % ** with a double operand.
const char *floatArithmetic(Op op, Number *left, double x, double y)
{
    switch (op) {
    case Op::Add: return setFloat(left, x + y);
    case Op::Subtract: return setFloat(left, x - y);
    case Op::Multiply: return setFloat(left, x * y);
    case Op::Power: return x == 0 && y < 0 ? kDivisionByZero : setFloat(left, pow(x, y));
    case Op::Remainder: return y == 0 ? kDivisionByZero : setFloat(left, fmod(x, y));
    default: return y == 0 ? kDivisionByZero : setFloat(left, x / y);  // Divide
    }
}

} // namespace

bool isTrue(const Number &value)
{
    return value.isFloat ? value.floating != 0 : value.integer != 0;
}

const char *applyUnary(Op op, Arithmetic arithmetic, Number *value)
{
    bool integer = !value->isFloat;
    double x = value->asFloat();
    switch (op) {
    case Op::Negate: return negate(value, arithmetic);
    case Op::Abs:
        if (!integer)
            return setFloat(value, fabs(x));
        return value->integer < 0 ? negate(value, arithmetic) : nullptr;
    case Op::LogicalNot: *value = Number::ofInteger(!isTrue(*value)); return nullptr;
    case Op::Sgn: *value = Number::ofInteger(compare(*value, Number::ofInteger(0))); return nullptr;
    case Op::BitNot: {
        int64_t a;
        if (!truncateToInteger(*value, &a))
            return kBeyondInteger;
        *value = Number::ofInteger(~a);
        return nullptr;
    }
    case Op::Trunc: return integer ? nullptr : setFloat(value, trunc(x));
    case Op::Floor: return integer ? nullptr : setFloat(value, floor(x));
    case Op::Ceil: return integer ? nullptr : setFloat(value, ceil(x));
    case Op::Round: return integer ? nullptr : setFloat(value, round(x));
    case Op::Sin: return setFloat(value, sin(x));
    case Op::Cos: return setFloat(value, cos(x));
    case Op::Tan: return setFloat(value, tan(x));
    case Op::Asin: return setFloat(value, asin(x));
    case Op::Acos: return setFloat(value, acos(x));
    case Op::Atan: return setFloat(value, atan(x));
    case Op::Exp: return setFloat(value, exp(x));
    case Op::Ln: return setFloat(value, log(x));
    case Op::Lg: return setFloat(value, log10(x));
    default: return setFloat(value, sqrt(x));  // Sqrt
    }
}

const char *applyBinary(Op op, Arithmetic arithmetic, Number *left, const Number &right)
{
    switch (op) {
    case Op::BitAnd:
    case Op::BitOr:
    case Op::BitXor:
    case Op::ShiftLeft:
    case Op::ShiftRight:
        return bitwise(op, left, right);
    case Op::Less:
    case Op::Greater:
    case Op::LessEqual:
    case Op::GreaterEqual:
    case Op::Equal:
    case Op::NotEqual:
        *left = Number::ofInteger(holds(op, compare(*left, right)));
        return nullptr;
    case Op::RoundTo: {
        int64_t decimals;
        if (!truncateToInteger(right, &decimals))
            return kBeyondInteger;
        if (!left->isFloat && decimals >= 0)
            return nullptr;
        return setFloat(left, roundTo(left->asFloat(), decimals));
    }
    default:
        if (!left->isFloat && !right.isFloat)
            return integerArithmetic(op, arithmetic, left, left->integer, right.integer);
        return floatArithmetic(op, left, left->asFloat(), right.asFloat());
    }
}

} // namespace genicam
