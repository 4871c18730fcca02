// Text from outside (what a camera sends, a description, a word of the
// command line) made safe to print: every byte outside printable ASCII
// (below 0x20, 0x7F and above) becomes \xNN, so that nothing it holds can
// move the cursor, change the terminal or forge a line of output.
#ifndef ESCAPEDTEXT_H
#define ESCAPEDTEXT_H

#include <stddef.h>
#include <stdio.h>

#include <string>

// Writes text, escaped, into out (size bytes, NUL-terminated), cut before
// the first byte whose escape would not fit whole.
void escapeText(const char *text, char *out, size_t size);

// Text, escaped, whole.
std::string escapedString(const char *text);

// Writes text, escaped, to stream.
void writeEscaped(FILE *stream, const char *text);

// Writes text, escaped, to standard output (the console or the -l file).
void printEscaped(const char *text);

#endif
