// What each operator and function of the formula language computes, in
// integer and in floating arithmetic.  The rules are written out once, at
// the top of FormulaArithmetic.cpp.
#ifndef GENICAM_FORMULAARITHMETIC_H
#define GENICAM_FORMULAARITHMETIC_H

#include "formula/FormulaProgram.h"

namespace genicam {

// Applies a unary operator or one-argument function to *value, in place.
// Null, or what went wrong ("division by zero").
const char *applyUnary(Op op, Arithmetic arithmetic, Number *value);

// Applies a binary operator to *left and right, leaving the result in *left.
// Null, or what went wrong.
const char *applyBinary(Op op, Arithmetic arithmetic, Number *left, const Number &right);

// The truth of a value in && || ! and ?: (not zero).
bool isTrue(const Number &value);

} // namespace genicam

#endif
