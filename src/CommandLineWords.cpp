// Numbers and names of the command line (CommandLineWords.h).
#include "CommandLineWords.h"

#include <ctype.h>
#include <errno.h>
#include <limits.h>
#include <math.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "EscapedText.h"
#include "TextRules.h"

namespace {

// True when nothing but white space is left of the text.
bool onlySpaceLeft(const char *rest)
{
    while (isspace((unsigned char)*rest))
        rest++;
    return *rest == '\0';
}

// True when text is nothing but hexadecimal digits ("Bad", "Face").
bool isHexDigits(const char *text)
{
    for (const char *at = text; *at != '\0'; at++)
        if (!isxdigit((unsigned char)*at))
            return false;
    return true;
}

} // namespace

bool refuse(Reason *reason, const char *format, ...)
{
    char text[sizeof reason->text];
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof text, format, args);
    va_end(args);
    escapeText(text, reason->text, sizeof reason->text);
    return false;
}

bool parseHexBits(const char *text, const char *what, int bits, uint64_t *value, Reason *reason)
{
    const char *digits = text;
    while (isspace((unsigned char)*digits))
        digits++;
    if (*digits == '+')
        digits++;
    if (!isxdigit((unsigned char)*digits))
        return refuse(reason, "'%s' is not a hexadecimal %s", text, what);
    char *end;
    errno = 0;
    unsigned long long number = strtoull(digits, &end, 16);
    if (!onlySpaceLeft(end))
        return refuse(reason, "'%s' is not a hexadecimal %s", text, what);
    if (errno == ERANGE || (bits < 64 && number >> bits != 0))
        return refuse(reason, "'%s' does not fit in %d bits", text, bits);
    *value = number;
    return true;
}

bool parseTarget(const char *text, Target *target, Reason *reason)
{
    target->address = 0;
    target->feature = NULL;
    if (isGenicamName(text, strlen(text)) && !isHexDigits(text)) {
        target->feature = text;
        return true;
    }
    return parseHexBits(text, "register address or a feature name", 64, &target->address, reason);
}

bool parseDecimal(const char *text, const char *what, uint32_t *value, Reason *reason)
{
    const char *start = text;
    while (isspace((unsigned char)*start))
        start++;
    const char *digits = (*start == '-' || *start == '+') ? start + 1 : start;
    if (!isdigit((unsigned char)*digits))
        return refuse(reason, "'%s' is not a decimal %s", text, what);
    char *end;
    errno = 0;
    long long number = strtoll(start, &end, 10);
    if (!onlySpaceLeft(end))
        return refuse(reason, "'%s' is not a decimal %s", text, what);
    if (errno == ERANGE || number < INT_MIN || number > INT_MAX)
        return refuse(reason, "'%s' does not fit in a 32-bit int", text);
    *value = (uint32_t)(int32_t)number;
    return true;
}

bool parseFloatBits(const char *text, const char *what, uint32_t *value, Reason *reason)
{
    char *end;
    errno = 0;
    float number = strtof(text, &end);
    if (end == text || !onlySpaceLeft(end))
        return refuse(reason, "'%s' is not a float %s", text, what);
    if (errno == ERANGE && isinf(number))
        return refuse(reason, "'%s' is too large for a float", text);
    memcpy(value, &number, sizeof *value);
    return true;
}

bool parseRegisterValue(const char *option, const char *text, bool decimal, bool isFloat, uint32_t *value,
                        Reason *reason)
{
    char what[32];
    snprintf(what, sizeof what, "value for %s", option);
    if (decimal)
        return parseDecimal(text, what, value, reason);
    if (isFloat)
        return parseFloatBits(text, what, value, reason);
    uint64_t number;
    if (!parseHexBits(text, what, 32, &number, reason))
        return false;
    *value = (uint32_t)number;
    return true;
}

bool parseCameraNumber(const char *text, uint32_t *number)
{
    if (text[0] == '\0')
        return false;
    uint64_t value = 0;
    for (const char *at = text; *at != '\0'; at++) {
        if (*at < '0' || *at > '9')
            return false;
        value = value * 10 + (uint64_t)(*at - '0');
        if (value > UINT32_MAX)
            return false;
    }
    *number = (uint32_t)value;
    return true;
}

bool parseDelay(const char *text, int *delayMs, Reason *reason)
{
    long number = strtol(text, NULL, 10);
    if (number < 0 || number > INT_MAX)
        return refuse(reason, "'%s' is not a delay from 0 to %d ms", text, INT_MAX);
    *delayMs = (int)number;
    return true;
}
