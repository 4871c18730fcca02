// Lines as text (LineFormat.h): each piece written to standard output as it
// comes, text from outside escaped.
#include <inttypes.h>
#include <stdio.h>
#include <string.h>

#include "EscapedText.h"
#include "LineFormat.h"

namespace {

// The indent of a camera's lines.
const char kIndent[] = "        ";

class TextLines final : public LineFormat {
public:
    void begin(const char *, LineScope scope, int) override
    {
        if (scope == CAMERA_LINE)
            fputs(kIndent, stdout);
    }
    void say(const char *words) override { fputs(words, stdout); }
    void outside(const char *, const char *text, bool shown) override
    {
        if (shown)
            printEscaped(text);
    }
    void sayOutside(const char *text) override { printEscaped(text); }
    void file(const char *, const char *path) override { fputs(path, stdout); }
    void word(const char *, const char *text, bool shown) override
    {
        if (shown)
            fputs(text, stdout);
    }
    void number(const char *, int64_t value) override { printf("%" PRId64, value); }
    void truth(const char *, bool) override {}
    void value(const char *, const VaValue &) override {}
    void selectors(const Selectors &selectors) override
    {
        if (selectors.count == 0)
            return;
        fputs(" [", stdout);
        for (size_t k = 0; k < selectors.count; k++) {
            if (k > 0)
                fputs(", ", stdout);
            printEscaped(selectors.settings[k].name);
            putchar('=');
            printEscaped(selectors.settings[k].value);
        }
        putchar(']');
    }
    void end() override { putchar('\n'); }

    void registerRead(uint64_t address, uint32_t value, RegisterMode mode, int) override
    {
        if (mode == REGISTER_DECIMAL) {
            printf("        Register 0x%" PRIX64 " read as %d\n", address, (int)value);
        } else if (mode == REGISTER_FLOAT) {
            float single;
            memcpy(&single, &value, sizeof single);
            printf("        Register 0x%" PRIX64 " read as %f\n", address, (double)single);
        } else {
            printf("        Register 0x%" PRIX64 " read as 0x%08X\n", address, value);
        }
    }
    void registerWritten(uint64_t address, uint32_t value, int) override
    {
        printf("        Register 0x%" PRIX64 " written with value 0x%08X\n", address, value);
    }
};

// Constant: no code runs at start-up for it.
TextLines sTextLines;

} // namespace

LineFormat &textLines()
{
    return sTextLines;
}
