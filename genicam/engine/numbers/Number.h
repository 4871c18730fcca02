// The engine's numbers: a 64-bit integer or a double, as formulas compute
// them and number-like nodes hold them, and the two ways of making an
// integer of a double.  No knowledge of nodes here.
#ifndef GENICAM_ENGINE_NUMBER_H
#define GENICAM_ENGINE_NUMBER_H

#include <math.h>
#include <stdint.h>

namespace genicam {

// A 64-bit integer, or (isFloat) a double.
struct Number {
    bool isFloat = false;
    int64_t integer = 0;
    double floating = 0;

    // The integer value as a Number.
    static Number ofInteger(int64_t value)
    {
        Number number;
        number.integer = value;
        return number;
    }
    // The double value as a Number.
    static Number ofFloat(double value)
    {
        Number number;
        number.isFloat = true;
        number.floating = value;
        return number;
    }
    // The value as a double (an integer converted).
    double asFloat() const { return isFloat ? floating : (double)integer; }
    // A double truncated toward zero, saturated to the int64 range (NaN: 0).
    int64_t asInteger() const;
};

// Whether a double lies within the int64 range: at least -2^63, below 2^63
// (false for NaN).
inline bool withinInt64(double value)
{
    const double kTwoTo63 = 9223372036854775808.0;
    return value >= -kTwoTo63 && value < kTwoTo63;
}

// value as an integer, a double rounded to the nearest (halves away from
// zero), as a node's value becomes an integer; false for NaN or a double
// beyond the int64 range.
inline bool roundToInteger(Number value, int64_t *integer)
{
    if (!value.isFloat) {
        *integer = value.integer;
        return true;
    }
    double rounded = round(value.floating);
    if (!withinInt64(rounded))
        return false;
    *integer = (int64_t)rounded;
    return true;
}

// value as an integer, a double truncated toward zero, as a formula's
// value becomes an integer; false for NaN or a double beyond the int64
// range.
inline bool truncateToInteger(Number value, int64_t *integer)
{
    if (!value.isFloat) {
        *integer = value.integer;
        return true;
    }
    if (!withinInt64(value.floating))
        return false;
    *integer = (int64_t)value.floating;
    return true;
}

} // namespace genicam

#endif
