#include "nodes/kinds/IntRegNode.h"

#include "Error.h"
#include "nodes/Bounds.h"
#include "nodes/Context.h"
#include "nodes/NodeParser.h"
#include "numbers/Text.h"

namespace genicam {
namespace engine {

namespace {

const uint64_t kMaxNumberBytes = 8;

uint64_t lowBits(uint64_t width)
{
    return width >= 64 ? UINT64_MAX : (UINT64_C(1) << width) - 1;
}

// The value of the low width bits of raw, sign-extended when signed.
int64_t fieldValue(uint64_t raw, uint64_t width, bool isSigned)
{
    raw &= lowBits(width);
    if (isSigned && width < 64 && (raw >> (width - 1)) & 1)
        raw |= ~lowBits(width);
    return (int64_t)raw;
}

// The values a field of width bits holds.
void fieldRange(uint64_t width, bool isSigned, int64_t *low, int64_t *high)
{
    if (isSigned) {
        *high = (int64_t)lowBits(width - 1);
        *low = -*high - 1;
    } else {
        *low = 0;
        *high = (int64_t)lowBits(width < 64 ? width : 63);
    }
}

} // namespace

void IntRegNode::parse(NodeParser &parser, Tag tag, pugi::xml_node element)
{
    if (tag != Tag::Sign) {
        RegisterNode::parse(parser, tag, element);
        return;
    }
    std::string_view sign = trim(elementText(element));
    if (sign == "Signed")
        isSigned = true;
    else if (sign != "Unsigned")
        parser.fault("Sign is neither Signed nor Unsigned: '" + std::string(sign) + "'");
}

uint64_t IntRegNode::fixedWidth() const
{
    int64_t bytes;
    if (length.from != Source::From::Constant || !roundToInteger(length.constant, &bytes) || bytes <= 0 ||
        bytes > (int64_t)kMaxNumberBytes)
        return 0;
    return 8 * (uint64_t)bytes;
}

bool IntRegNode::ownRange(Context &, size_t, IntegerRange *range, Error *) const
{
    uint64_t width = fixedWidth();
    if (width != 0 && width <= 64)
        fieldRange(width, isSigned, &range->min, &range->max);
    return true;
}

bool IntRegNode::field(uint64_t length, uint64_t *low, uint64_t *width, Error *) const
{
    *low = 0;
    *width = 8 * length;
    return true;
}

bool IntRegNode::merge(Context &, uint64_t, uint64_t, uint64_t, std::vector<uint8_t> *, uint64_t *, Error *) const
{
    return true;
}

bool IntRegNode::place(Context &context, uint64_t *at, uint64_t *length, uint64_t *low, uint64_t *width,
                       Error *error) const
{
    return locate(context, at, length, error) && sized(*length <= kMaxNumberBytes, *length, error) &&
           field(*length, low, width, error);
}

bool IntRegNode::readNumber(Context &context, Number *value, Error *error) const
{
    uint64_t at, length, low, width;
    if (!place(context, &at, &length, &low, &width, error))
        return false;
    std::vector<uint8_t> bytes(length);
    if (!readAt(context, at, &bytes, error))
        return false;
    *value = Number::ofInteger(fieldValue(decode(bytes) >> low, width, isSigned));
    return true;
}

bool IntRegNode::writeNumber(Context &context, Number value, Error *error) const
{
    uint64_t at, length, low, width;
    if (!place(context, &at, &length, &low, &width, error))
        return false;
    int64_t integer, lowest, highest;
    if (!roundToInteger(value, &integer))
        return fail(error, ErrorKind::BadValueText, "not a 64-bit integer");
    fieldRange(width, isSigned, &lowest, &highest);
    if (!inRange(integer, lowest, highest, 1, error))
        return false;
    std::vector<uint8_t> bytes(length);
    uint64_t raw = (uint64_t)integer & lowBits(width);
    if (!merge(context, at, low, width, &bytes, &raw, error))
        return false;
    encode(raw, &bytes);
    return writeAt(context, at, bytes, error);
}

void MaskedIntRegNode::parse(NodeParser &parser, Tag tag, pugi::xml_node element)
{
    switch (tag) {
    case Tag::Bit:
        parser.bit(element, &lsb);
        msb = lsb;
        hasLsb_ = hasMsb_ = true;
        break;
    case Tag::LSB:
        parser.bit(element, &lsb);
        hasLsb_ = true;
        break;
    case Tag::MSB:
        parser.bit(element, &msb);
        hasMsb_ = true;
        break;
    default:
        IntRegNode::parse(parser, tag, element);
        break;
    }
}

void MaskedIntRegNode::finish(NodeParser &parser)
{
    IntRegNode::finish(parser);
    if (!(hasLsb_ && hasMsb_))
        parser.fault("it has no Bit, or no LSB and MSB");
}

// In a big-endian register bit 0 is the most significant, so there LSB >
// MSB.
bool MaskedIntRegNode::field(uint64_t length, uint64_t *low, uint64_t *width, Error *error) const
{
    uint64_t bits = 8 * length, first = lsb, last = msb;
    bool fits = first < bits && last < bits;
    if (fits && bigEndian) {
        first = bits - 1 - first;
        last = bits - 1 - last;
    }
    if (!fits || last < first)
        return faultAt(*this,
                     "LSB " + std::to_string(lsb) + " and MSB " + std::to_string(msb) + " are no field of a " +
                         std::to_string(length) + "-byte " + (bigEndian ? "big" : "little") + "-endian register",
                     error);
    *low = first;
    *width = last - first + 1;
    return true;
}

// The rest of the register keeps its bits: read, change the field, write
// back (a write-only register's other bits are written as 0).
bool MaskedIntRegNode::merge(Context &context, uint64_t at, uint64_t low, uint64_t width,
                             std::vector<uint8_t> *bytes, uint64_t *raw, Error *error) const
{
    if ((int)access & (int)Access::RO) {
        if (!reachable(context, ErrorKind::NotWritable, error) || !readAt(context, at, bytes, error))
            return false;
    }
    uint64_t mask = lowBits(width) << low;
    *raw = (decode(*bytes) & ~mask) | (*raw << low);
    return true;
}

} // namespace engine
} // namespace genicam
