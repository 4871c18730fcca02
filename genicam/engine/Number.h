// The engine's numbers: a 64-bit integer or a double, as formulas compute
// them and number-like nodes hold them, and the two ways of making an
// integer of a double.  No knowledge of nodes here.
#ifndef GENICAM_ENGINE_NUMBER_H
#define GENICAM_ENGINE_NUMBER_H

#include <stdint.h>

namespace genicam {

// A 64-bit integer, or (isFloat) a double.
struct Number {
    bool isFloat = false;
    int64_t integer = 0;
    double floating = 0;

    // The integer value as a Number.
    static Number ofInteger(int64_t value);
    // The double value as a Number.
    static Number ofFloat(double value);
    // The value as a double (an integer converted).
    double asFloat() const;
    // A double truncated toward zero, saturated to the int64 range (NaN: 0).
    int64_t asInteger() const;
};

// value as an integer, a double rounded to the nearest (halves away from
// zero), as a node's value becomes an integer; false for NaN or a double
// beyond the int64 range.
bool roundToInteger(Number value, int64_t *integer);

// value as an integer, a double truncated toward zero, as a formula's
// value becomes an integer; false for NaN or a double beyond the int64
// range.
bool truncateToInteger(Number value, int64_t *integer);

} // namespace genicam

#endif
