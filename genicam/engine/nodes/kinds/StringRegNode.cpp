#include "nodes/kinds/StringRegNode.h"

#include <algorithm>

#include "Error.h"

namespace genicam {
namespace engine {

bool StringRegNode::readText(Context &context, std::string *value, Error *error) const
{
    std::vector<uint8_t> bytes;
    if (!readAll(context, &bytes, error))
        return false;
    // The text ends at the first NUL, if any.
    auto end = std::find(bytes.begin(), bytes.end(), 0);
    value->assign(bytes.begin(), end);
    return true;
}

bool StringRegNode::writeText(Context &context, const std::string &value, Error *error) const
{
    uint64_t at, length;
    if (!locate(context, &at, &length, error))
        return false;
    if (value.size() > length)
        return fail(error, ErrorKind::BadValueText, "longer than the register's " + std::to_string(length) + " bytes");
    // The rest of the register is filled with NULs.
    std::vector<uint8_t> bytes(value.begin(), value.end());
    bytes.resize(length, 0);
    return writeAt(context, at, bytes, error);
}

} // namespace engine
} // namespace genicam
