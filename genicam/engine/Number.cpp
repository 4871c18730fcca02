#include "Number.h"

#include <math.h>

namespace genicam {

namespace {

// 2^63, the first double beyond the int64 range.
const double kTwoTo63 = 9223372036854775808.0;

bool withinInt64(double value)
{
    return value >= -kTwoTo63 && value < kTwoTo63;
}

} // namespace

Number Number::ofInteger(int64_t value)
{
    Number number;
    number.integer = value;
    return number;
}

Number Number::ofFloat(double value)
{
    Number number;
    number.isFloat = true;
    number.floating = value;
    return number;
}

double Number::asFloat() const
{
    return isFloat ? floating : (double)integer;
}

int64_t Number::asInteger() const
{
    int64_t truncated;
    if (truncateToInteger(*this, &truncated))
        return truncated;
    if (isnan(floating))
        return 0;
    return floating > 0 ? INT64_MAX : INT64_MIN;
}

bool roundToInteger(Number value, int64_t *integer)
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

bool truncateToInteger(Number value, int64_t *integer)
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
