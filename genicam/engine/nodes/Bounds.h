// Whether a number written is within a minimum, a maximum and an increment,
// and the error that says which it is not, with the range in force.
#ifndef GENICAM_ENGINE_BOUNDS_H
#define GENICAM_ENGINE_BOUNDS_H

#include <stdint.h>

#include "Error.h"

namespace genicam {
namespace engine {

// Whether value is within low to high, on a step (positive) counted from
// low; BelowMinimum, AboveMaximum or NotOnIncrement, with the range, when
// it is not.
bool inRange(int64_t value, int64_t low, int64_t high, int64_t step, Error *error);

// The same for doubles; a step of 0 or less is none, and a value on a step
// within a relative 1e-9 is on it.
bool inFloatRange(double number, double lowest, double highest, double increment, Error *error);

} // namespace engine
} // namespace genicam

#endif
