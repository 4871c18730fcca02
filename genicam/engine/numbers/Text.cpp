#include "numbers/Text.h"

#include <errno.h>
#include <math.h>
#include <stdlib.h>

#include <charconv>

namespace genicam {
namespace engine {

namespace {

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

// The value of digit c in base 16 or 10, or -1.
int digitValue(char c, unsigned base)
{
    int value = -1;
    if (c >= '0' && c <= '9')
        value = c - '0';
    else if (c >= 'a' && c <= 'f')
        value = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
        value = c - 'A' + 10;
    return value < (int)base ? value : -1;
}

// An optional sign, then 0x and hexadecimal digits or decimal digits, with
// white space around: the sign and the magnitude, false on anything else or
// a magnitude beyond 64 bits.
bool parseMagnitude(std::string_view text, bool *negative, bool *hex, uint64_t *magnitude)
{
    text = trim(text);
    *negative = !text.empty() && text[0] == '-';
    if (!text.empty() && (text[0] == '-' || text[0] == '+'))
        text.remove_prefix(1);
    *hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    if (*hex)
        text.remove_prefix(2);
    if (text.empty())
        return false;
    unsigned base = *hex ? 16 : 10;
    uint64_t value = 0;
    for (char c : text) {
        int digit = digitValue(c, base);
        if (digit < 0 || value > (UINT64_MAX - (uint64_t)digit) / base)
            return false;
        value = value * base + (uint64_t)digit;
    }
    *magnitude = value;
    return true;
}

// The signed value of a magnitude, when it is within the int64 range
// (or, with patterns, any positive hexadecimal one as its bit pattern).
bool signedValue(bool negative, bool hex, uint64_t magnitude, bool patterns, int64_t *value)
{
    const uint64_t kLimit = (uint64_t)INT64_MAX;
    if (negative) {
        if (magnitude > kLimit + 1)
            return false;
        *value = (int64_t)(0 - magnitude);
        return true;
    }
    if (magnitude > kLimit && !(hex && patterns))
        return false;
    *value = (int64_t)magnitude;
    return true;
}

} // namespace

std::string_view trim(std::string_view text)
{
    while (!text.empty() && isSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isSpace(text.back()))
        text.remove_suffix(1);
    return text;
}

bool parseDescriptionInteger(std::string_view text, int64_t *value)
{
    bool negative, hex;
    uint64_t magnitude;
    return parseMagnitude(text, &negative, &hex, &magnitude) && signedValue(negative, hex, magnitude, true, value);
}

bool parseUserInteger(std::string_view text, int64_t *value)
{
    bool negative, hex;
    uint64_t magnitude;
    return parseMagnitude(text, &negative, &hex, &magnitude) && signedValue(negative, hex, magnitude, false, value);
}

bool parseFloat(std::string_view text, double *value)
{
    std::string copy(text);  // strtod needs the terminating NUL
    const char *start = copy.c_str();
    char *end;
    errno = 0;
    double number = strtod(start, &end);
    if (end == start || (errno == ERANGE && isinf(number)))
        return false;
    if (!trim(std::string_view(end, (size_t)(copy.data() + copy.size() - end))).empty())
        return false;
    *value = number;
    return true;
}

std::string formatFloat(double value)
{
    char text[64];
    std::to_chars_result written = std::to_chars(text, text + sizeof text, value);
    return std::string(text, written.ptr);
}

std::string formatBytes(const uint8_t *bytes, size_t size)
{
    static const char kDigits[] = "0123456789abcdef";
    std::string text;
    text.reserve(size * 3);
    for (size_t i = 0; i < size; i++) {
        if (i > 0)
            text += ' ';
        text += kDigits[bytes[i] >> 4];
        text += kDigits[bytes[i] & 0xF];
    }
    return text;
}

bool parseBytes(std::string_view text, std::vector<uint8_t> *bytes)
{
    text = trim(text);
    if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        text.remove_prefix(2);
    bytes->clear();
    size_t i = 0;
    while (i < text.size()) {
        if (isSpace(text[i])) {
            i++;
            continue;
        }
        if (i + 1 >= text.size())
            return false;
        int high = digitValue(text[i], 16), low = digitValue(text[i + 1], 16);
        if (high < 0 || low < 0)
            return false;
        bytes->push_back((uint8_t)(high << 4 | low));
        i += 2;
    }
    return !bytes->empty();
}

} // namespace engine
} // namespace genicam
