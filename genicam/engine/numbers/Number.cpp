#include "numbers/Number.h"

namespace genicam {

int64_t Number::asInteger() const
{
    int64_t truncated;
    if (truncateToInteger(*this, &truncated))
        return truncated;
    if (isnan(floating))
        return 0;
    return floating > 0 ? INT64_MAX : INT64_MIN;
}

} // namespace genicam
