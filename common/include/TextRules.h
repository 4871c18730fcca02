/* What every part of VisionAccess agrees on about text: how bytes that came
 * from outside (a camera, a description, a file, the command line) are made
 * safe to print, and what a GenICam name is.  A header only, for C and C++. */
#ifndef VISIONACCESS_TEXTRULES_H
#define VISIONACCESS_TEXTRULES_H

#include <stddef.h>

/* The longest form of one byte made printable: "\xNN". */
#define PRINTABLE_BYTE_MAX 4

/* Writes byte as it is printed: itself when it is printable ASCII (0x20 to
 * 0x7E), else \xNN in capitals.  Returns how many characters it wrote into
 * out (room for PRINTABLE_BYTE_MAX and a NUL), NUL-terminated. */
static inline size_t printableByte(unsigned char byte, char *out)
{
    static const char kDigits[] = "0123456789ABCDEF";
    if (byte >= 0x20 && byte < 0x7F) {
        out[0] = (char)byte;
        out[1] = '\0';
        return 1;
    }
    out[0] = '\\';
    out[1] = 'x';
    out[2] = kDigits[byte >> 4];
    out[3] = kDigits[byte & 0xF];
    out[4] = '\0';
    return PRINTABLE_BYTE_MAX;
}

/* A letter of a name: ASCII only, whatever the locale. */
static inline int isNameLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

/* True for a GenICam name (a feature's, a node's): a letter, then letters,
 * digits or '_'; size bytes of text, which need not end in a NUL. */
static inline int isGenicamName(const char *text, size_t size)
{
    if (size == 0 || !isNameLetter(text[0]))
        return 0;
    for (size_t k = 1; k < size; k++)
        if (!isNameLetter(text[k]) && !(text[k] >= '0' && text[k] <= '9') && text[k] != '_')
            return 0;
    return 1;
}

#ifdef __cplusplus
#include <string>
#include <string_view>

/* Appends text to out, each byte as printableByte writes it. */
inline void appendPrintable(std::string *out, std::string_view text)
{
    char piece[PRINTABLE_BYTE_MAX + 1];
    for (char c : text)
        out->append(piece, printableByte((unsigned char)c, piece));
}

/* True for a GenICam name, as isGenicamName above. */
inline bool isGenicamName(std::string_view text)
{
    return isGenicamName(text.data(), text.size()) != 0;
}
#endif

#endif
