// Numbers and bytes as text: as a description writes them, as a user writes
// them, and as a read shows them.  Nothing but white space may follow a
// number: a typo never becomes a value.
#ifndef GENICAM_ENGINE_TEXT_H
#define GENICAM_ENGINE_TEXT_H

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <string_view>
#include <vector>

namespace genicam {
namespace engine {

// text without white space at either end.
std::string_view trim(std::string_view text);

// An integer as a description writes it: decimal or 0x hexadecimal, an
// optional sign, white space around.  Hexadecimal up to 64 bits is kept as
// its bit pattern (0xFFFFFFFFFFFFFFFF is -1), as a 64-bit register holds it.
bool parseDescriptionInteger(std::string_view text, int64_t *value);

// An integer as a user writes it: decimal or 0x hexadecimal, an optional
// sign, within the 64-bit signed range.
bool parseUserInteger(std::string_view text, int64_t *value);

// A floating-point number as strtod reads it (inf, nan, exponents and
// hexadecimal included), refusing finite text too large for a double.
bool parseFloat(std::string_view text, double *value);

// The shortest text that strtod reads back as the same double.
std::string formatFloat(double value);

// Bytes as hexadecimal pairs separated by spaces ("0a ff 10").
std::string formatBytes(const uint8_t *bytes, size_t size);

// Hexadecimal pairs, with or without spaces between them and an optional
// leading 0x; false on anything else or an odd number of digits.
bool parseBytes(std::string_view text, std::vector<uint8_t> *bytes);

} // namespace engine
} // namespace genicam

#endif
