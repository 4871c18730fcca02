// Registers: where they are, and the numbers they hold as bytes.  Every read
// is one Port call for the whole register, whatever its length (the Port
// decides how it reaches the camera); nothing is cached.
#include <float.h>
#include <math.h>
#include <string.h>

#include "Evaluator.h"

namespace genicam {
namespace engine {

namespace {

const uint64_t kMaxNumberBytes = 8;

// The unsigned value of size bytes in the given byte order.
uint64_t load(const uint8_t *bytes, size_t size, bool bigEndian)
{
    uint64_t value = 0;
    for (size_t i = 0; i < size; i++)
        value |= (uint64_t)bytes[bigEndian ? size - 1 - i : i] << (8 * i);
    return value;
}

void store(uint64_t value, uint8_t *bytes, size_t size, bool bigEndian)
{
    for (size_t i = 0; i < size; i++)
        bytes[bigEndian ? size - 1 - i : i] = (uint8_t)(value >> (8 * i));
}

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

bool Evaluator::location(const Node &node, uint64_t *address, uint64_t *length, Error *error)
{
    const RegisterPart &reg = *node.reg;
    uint64_t at = reg.address;
    int64_t value;
    for (const Ref &ref : reg.addresses) {
        const Node *target = follow(node, ref, error);
        if (!target || !integer(*target, &value, error))
            return false;
        at += (uint64_t)value;
    }
    for (const RegisterPart::Knife &knife : reg.knives) {
        const Node *target = knife.own ? knife.own.get() : follow(node, knife.ref, error);
        if (!target || !integer(*target, &value, error))
            return false;
        at += (uint64_t)value;
    }
    Number size;
    int64_t bytes;
    if (!sourceNumber(node, reg.length, integerNumber(0), &size, error))
        return false;
    if (!toInteger(size, &bytes) || bytes <= 0)
        return fault(node, "its length is " + std::to_string(size.integer) + " bytes", error);
    if ((uint64_t)bytes > kMaxBytes)
        return fault(node,
                     "a register of " + std::to_string(bytes) + " bytes, beyond the " + std::to_string(kMaxBytes) +
                         " this tool reads",
                     error);
    // Each pIndex adds its index times its offset, by default the length.
    for (const RegisterPart::IndexTerm &term : reg.indexes) {
        const Node *selector = follow(node, term.index, error);
        Number offset;
        int64_t index, step;
        if (!selector || !integer(*selector, &index, error) ||
            !sourceNumber(node, term.offset, integerNumber(bytes), &offset, error))
            return false;
        if (!toInteger(offset, &step))
            return fault(node, "its pIndex offset is no integer", error);
        at += (uint64_t)index * (uint64_t)step;
    }
    *address = at;
    *length = (uint64_t)bytes;
    return true;
}

// Whether the register is on the device's Port: one for chunk data is not
// (refused, of the kind given: NotReadable or NotWritable).
bool Evaluator::reachable(const Node &node, ErrorKind refused, Error *error)
{
    if (!node.reg->port.given())
        return true;
    const Node *port = follow(node, node.reg->port, error);
    if (!port)
        return false;
    if (port->kind != Kind::Port)
        return fault(node, "its pPort " + std::string(port->name) + " is not a Port", error);
    if (port->chunkPort)
        return fail(error, refused, "only in an image's chunk data");
    return true;
}

bool Evaluator::readRegister(const Node &node, uint64_t address, std::vector<uint8_t> *bytes, Error *error)
{
    // The Port's reason is the user's: passed on as it is.
    if (!reachable(node, ErrorKind::NotReadable, error))
        return false;
    if (port_.read(address, bytes->data(), bytes->size(), &error->text))
        return true;
    error->kind = ErrorKind::RegisterIo;
    return false;
}

bool Evaluator::writeRegister(const Node &node, uint64_t address, const std::vector<uint8_t> &bytes,
                              Error *error)
{
    if (!reachable(node, ErrorKind::NotWritable, error))
        return false;
    if (port_.write(address, bytes.data(), bytes.size(), &error->text))
        return true;
    error->kind = ErrorKind::RegisterIo;
    return false;
}

bool Evaluator::readBytes(const Node &node, std::vector<uint8_t> *bytes, Error *error)
{
    if (!node.reg)
        return fault(node, "it is " + article(node.type) + " where a register is needed", error);
    uint64_t address, length;
    if (!location(node, &address, &length, error))
        return false;
    bytes->assign(length, 0);
    return readRegister(node, address, bytes, error);
}

// Where a field lies in a register of length bytes: its lowest bit counted
// from the least significant one, and its width.  In a big-endian register
// bit 0 is the most significant, so there LSB > MSB.
static bool fieldOf(const Node &node, uint64_t length, uint64_t *low, uint64_t *width, Error *error)
{
    uint64_t bits = 8 * length, lsb = node.lsb, msb = node.msb;
    bool fits = lsb < bits && msb < bits;
    if (fits && node.reg->bigEndian) {
        lsb = bits - 1 - lsb;
        msb = bits - 1 - msb;
    }
    if (!fits || msb < lsb)
        return Evaluator::fault(node,
                                "LSB " + std::to_string(node.lsb) + " and MSB " + std::to_string(node.msb) +
                                    " are no field of a " + std::to_string(length) + "-byte " +
                                    (node.reg->bigEndian ? "big" : "little") + "-endian register",
                                error);
    *low = lsb;
    *width = msb - lsb + 1;
    return true;
}

static bool numberLength(const Node &node, uint64_t length, Error *error)
{
    bool fits = node.kind == Kind::FloatReg ? (length == 4 || length == 8) : length <= kMaxNumberBytes;
    if (!fits)
        return Evaluator::fault(node, "it is " + Evaluator::article(node.type) + " of " + std::to_string(length) +
                                          " bytes",
                                error);
    return true;
}

bool Evaluator::registerNumber(const Node &node, Number *value, Error *error)
{
    uint64_t address, length, low, width = 0;
    if (!location(node, &address, &length, error) || !numberLength(node, length, error) ||
        (node.masked && !fieldOf(node, length, &low, &width, error)))
        return false;
    std::vector<uint8_t> bytes(length);
    if (!readRegister(node, address, &bytes, error))
        return false;
    uint64_t raw = load(bytes.data(), length, node.reg->bigEndian);
    if (node.kind == Kind::FloatReg) {
        if (length == 4) {
            uint32_t pattern = (uint32_t)raw;
            float single;
            memcpy(&single, &pattern, sizeof single);
            *value = floatNumber(single);
        } else {
            double twice;
            memcpy(&twice, &raw, sizeof twice);
            *value = floatNumber(twice);
        }
        return true;
    }
    if (node.masked)
        *value = integerNumber(fieldValue(raw >> low, width, node.isSigned));
    else
        *value = integerNumber(fieldValue(raw, 8 * length, node.isSigned));
    return true;
}

bool Evaluator::setRegisterNumber(const Node &node, Number value, Error *error)
{
    uint64_t address, length, low = 0, width;
    if (!location(node, &address, &length, error) || !numberLength(node, length, error) ||
        (node.masked && !fieldOf(node, length, &low, &width, error)))
        return false;
    std::vector<uint8_t> bytes(length);
    bool bigEndian = node.reg->bigEndian;
    if (node.kind == Kind::FloatReg) {
        double number = toDouble(value);
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
            store(pattern, bytes.data(), length, bigEndian);
        } else {
            uint64_t pattern;
            memcpy(&pattern, &number, sizeof pattern);
            store(pattern, bytes.data(), length, bigEndian);
        }
        return writeRegister(node, address, bytes, error);
    }
    int64_t integer, lowest, highest;
    if (!toInteger(value, &integer))
        return fail(error, ErrorKind::BadValueText, "not a 64-bit integer");
    if (!node.masked)
        width = 8 * length;
    fieldRange(width, node.isSigned, &lowest, &highest);
    if (!inRange(integer, lowest, highest, 1, error))
        return false;
    uint64_t raw = (uint64_t)integer & lowBits(width);
    if (node.masked) {
        // The rest of the register keeps its bits: read, change the field,
        // write back (a write-only register's other bits are written as 0).
        if ((int)node.reg->access & (int)Access::RO) {
            if (!reachable(node, ErrorKind::NotWritable, error) || !readRegister(node, address, &bytes, error))
                return false;
        }
        uint64_t mask = lowBits(width) << low;
        raw = (load(bytes.data(), length, bigEndian) & ~mask) | (raw << low);
    }
    store(raw, bytes.data(), length, bigEndian);
    return writeRegister(node, address, bytes, error);
}

} // namespace engine
} // namespace genicam
