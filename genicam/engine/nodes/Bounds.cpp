#include "nodes/Bounds.h"

#include <math.h>

#include <algorithm>
#include <string>

#include "Error.h"
#include "numbers/Text.h"

namespace genicam {
namespace engine {

namespace {

std::string rangeText(const std::string &low, const std::string &high, const std::string &step)
{
    std::string text = "(" + low + " to " + high;
    if (!step.empty())
        text += " in steps of " + step;
    return text + ")";
}

} // namespace

bool inRange(int64_t value, int64_t low, int64_t high, int64_t step, Error *error)
{
    std::string steps = step != 1 ? std::to_string(step) : "";
    std::string range = rangeText(std::to_string(low), std::to_string(high), steps);
    if (value < low)
        return fail(error, ErrorKind::BelowMinimum, "below the minimum " + range);
    if (value > high)
        return fail(error, ErrorKind::AboveMaximum, "above the maximum " + range);
    // value - low as unsigned is exact: value >= low.
    if (((uint64_t)value - (uint64_t)low) % (uint64_t)step != 0)
        return fail(error, ErrorKind::NotOnIncrement, "not on the increment " + range);
    return true;
}

bool inFloatRange(double number, double lowest, double highest, double increment, Error *error)
{
    std::string stepText = increment > 0 ? formatFloat(increment) : "";
    std::string range = rangeText(formatFloat(lowest), formatFloat(highest), stepText);
    if (number < lowest)
        return fail(error, ErrorKind::BelowMinimum, "below the minimum " + range);
    if (number > highest)
        return fail(error, ErrorKind::AboveMaximum, "above the maximum " + range);
    if (increment > 0) {
        double steps = (number - lowest) / increment;
        if (fabs(steps - round(steps)) > 1e-9 * std::max(1.0, fabs(steps)))
            return fail(error, ErrorKind::NotOnIncrement, "not on the increment " + range);
    }
    return true;
}

} // namespace engine
} // namespace genicam
