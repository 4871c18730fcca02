// The words of the command line read as numbers and names: pure functions,
// each returning false with a one-line reason for text it refuses, so that
// a typo never becomes a register value.
#ifndef COMMANDLINEWORDS_H
#define COMMANDLINEWORDS_H

#include <stdint.h>

#include "RunOptions.h"

// Why a word was refused: one line of text.
struct Reason {
    char text[512];
};

// Formats the reason, escaped (EscapedText.h) so that it stays one line of
// printable text, and returns false.
bool refuse(Reason *reason, const char *format, ...) __attribute__((format(printf, 2, 3)));

// Hexadecimal text as "%x" reads it (white space, '+', an optional 0x, the
// digits), refusing text with no digit, a minus sign, anything but white
// space after the number, or a number beyond the bits given.  What names
// what the text is for ("register address") in the reason.
bool parseHexBits(const char *text, const char *what, int bits, uint64_t *value, Reason *reason);

// A -r or -w target: a hexadecimal address of up to 64 bits, or else a
// feature name (a GenICam name, TextRules.h); a name made only of
// hexadecimal digits ("Face") is an address.
bool parseTarget(const char *text, Target *target, Reason *reason);

// Decimal text as "%d" reads it, within the int range; the value kept is the
// int's 32-bit pattern.
bool parseDecimal(const char *text, const char *what, uint32_t *value, Reason *reason);

// Float text as strtof reads it (inf, nan, exponents, hexadecimal floats),
// refusing finite text too large for a float; the value kept is the float's
// bit pattern.
bool parseFloatBits(const char *text, const char *what, uint32_t *value, Reason *reason);

// The value -w writes to an address, in the mode in force where the -w
// stands: hexadecimal, decimal (-i) or float (-f).  option is the -w as
// typed, for the reason.
bool parseRegisterValue(const char *option, const char *text, bool decimal, bool isFloat, uint32_t *value,
                        Reason *reason);

// True when text is an -s camera number: decimal digits only (no sign, no
// white space) of a value up to 4294967295, which *number then holds.  Any
// other word is a serial number or user-defined name.
bool parseCameraNumber(const char *text, uint32_t *number);

// A -d delay, read as strtol reads it ("abc" is 0, "0x10" is 0), refusing a
// negative one or one beyond int.
bool parseDelay(const char *text, int *delayMs, Reason *reason);

#endif
