// Text made safe to print (EscapedText.h), each byte as TextRules.h says.
#include "EscapedText.h"

#include <string.h>

#include "TextRules.h"

namespace {

// Bytes of text escaped at a time by writeEscaped.
const size_t kPieceBytes = 64;

} // namespace

void escapeText(const char *text, char *out, size_t size)
{
    if (size == 0)
        return;
    size_t used = 0;
    for (const unsigned char *at = (const unsigned char *)text; *at != '\0'; at++) {
        char piece[PRINTABLE_BYTE_MAX + 1];
        size_t length = printableByte(*at, piece);
        if (used + length >= size)
            break;
        memcpy(out + used, piece, length);
        used += length;
    }
    out[used] = '\0';
}

std::string escapedString(const char *text)
{
    std::string escaped;
    appendPrintable(&escaped, text);
    return escaped;
}

void writeEscaped(FILE *stream, const char *text)
{
    char escaped[kPieceBytes * PRINTABLE_BYTE_MAX + 1];
    const unsigned char *at = (const unsigned char *)text;
    while (*at != '\0') {
        size_t used = 0;
        for (size_t k = 0; k < kPieceBytes && *at != '\0'; k++, at++)
            used += printableByte(*at, escaped + used);
        fwrite(escaped, 1, used, stream);
    }
}

void printEscaped(const char *text)
{
    writeEscaped(stdout, text);
}
