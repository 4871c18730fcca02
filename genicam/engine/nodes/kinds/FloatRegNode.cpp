#include "nodes/kinds/FloatRegNode.h"

#include <float.h>
#include <math.h>
#include <string.h>

#include "Error.h"

namespace genicam {
namespace engine {

bool FloatRegNode::place(Context &context, uint64_t *at, uint64_t *length, Error *error) const
{
    return locate(context, at, length, error) && sized(*length == 4 || *length == 8, *length, error);
}

bool FloatRegNode::readNumber(Context &context, Number *value, Error *error) const
{
    uint64_t at, length;
    if (!place(context, &at, &length, error))
        return false;
    std::vector<uint8_t> bytes(length);
    if (!readAt(context, at, &bytes, error))
        return false;
    uint64_t raw = decode(bytes);
    if (length == 4) {
        uint32_t pattern = (uint32_t)raw;
        float single;
        memcpy(&single, &pattern, sizeof single);
        *value = Number::ofFloat(single);
    } else {
        double twice;
        memcpy(&twice, &raw, sizeof twice);
        *value = Number::ofFloat(twice);
    }
    return true;
}

bool FloatRegNode::writeNumber(Context &context, Number value, Error *error) const
{
    uint64_t at, length;
    if (!place(context, &at, &length, error))
        return false;
    std::vector<uint8_t> bytes(length);
    double number = value.asFloat();
    if (length == 4) {
        if (isfinite(number) && fabs(number) > FLT_MAX)
            return fail(error, number > 0 ? ErrorKind::AboveMaximum : ErrorKind::BelowMinimum,
                        "beyond a 4-byte float");
        float single = (float)number;
        // A number too small for a float would be written as 0.
        if (single == 0 && number != 0)
            return fail(error, ErrorKind::BadValueText, "too close to 0 for a 4-byte float");
        uint32_t pattern;
        memcpy(&pattern, &single, sizeof pattern);
        encode(pattern, &bytes);
    } else {
        uint64_t pattern;
        memcpy(&pattern, &number, sizeof pattern);
        encode(pattern, &bytes);
    }
    return writeAt(context, at, bytes, error);
}

} // namespace engine
} // namespace genicam
