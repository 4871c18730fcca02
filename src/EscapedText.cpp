// Text made safe to print (EscapedText.h).
#include "EscapedText.h"

namespace {

// Bytes of text escaped at a time by writeEscaped.
const size_t kPieceBytes = 64;
// The longest escape of one byte: "\xNN".
const size_t kEscapeLength = 4;

// True for a byte printed as it is.
bool isPrintable(unsigned char byte)
{
    return byte >= 0x20 && byte < 0x7F;
}

} // namespace

void escapeText(const char *text, char *out, size_t size)
{
    if (size == 0)
        return;
    size_t used = 0;
    for (const unsigned char *at = (const unsigned char *)text; *at != '\0'; at++) {
        bool printable = isPrintable(*at);
        size_t length = printable ? 1 : kEscapeLength;
        if (used + length >= size)
            break;
        if (printable)
            out[used] = (char)*at;
        else
            snprintf(out + used, kEscapeLength + 1, "\\x%02X", *at);
        used += length;
    }
    out[used] = '\0';
}

std::string escapedString(const char *text)
{
    std::string escaped;
    for (const unsigned char *at = (const unsigned char *)text; *at != '\0'; at++) {
        if (isPrintable(*at)) {
            escaped += (char)*at;
            continue;
        }
        char code[kEscapeLength + 1];
        snprintf(code, sizeof code, "\\x%02X", *at);
        escaped += code;
    }
    return escaped;
}

void writeEscaped(FILE *stream, const char *text)
{
    char piece[kPieceBytes + 1];
    char escaped[kPieceBytes * kEscapeLength + 1];
    for (const char *at = text; *at != '\0';) {
        size_t length = 0;
        while (length < kPieceBytes && at[length] != '\0') {
            piece[length] = at[length];
            length++;
        }
        piece[length] = '\0';
        escapeText(piece, escaped, sizeof escaped);
        fputs(escaped, stream);
        at += length;
    }
}

void printEscaped(const char *text)
{
    writeEscaped(stdout, text);
}
