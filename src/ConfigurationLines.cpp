// The configuration lines (ConfigurationLines.h).
#include "ConfigurationLines.h"

#include <stdio.h>

#include "EscapedText.h"

namespace {

// " [A=x, B=y]" after a feature's name, nothing without selectors.
void printSelectors(const Selectors &selectors)
{
    for (size_t k = 0; k < selectors.count; k++) {
        fputs(k == 0 ? " [" : ", ", stdout);
        printEscaped(selectors.settings[k].name);
        putchar('=');
        printEscaped(selectors.settings[k].value);
    }
    if (selectors.count > 0)
        putchar(']');
}

// "        Feature <name>[ [<selectors>]]" of a difference.
void printFeature(const char *name, const Selectors &selectors)
{
    fputs("        Feature ", stdout);
    printEscaped(name);
    printSelectors(selectors);
}

} // namespace

void printConfigurationSavedLine(const char *file, size_t count)
{
    printf("        Configuration saved to %s (%zu values)\n", file, count);
}

void printConfigurationNotSavedLine(const char *reason)
{
    fputs("        Could not save the configuration: ", stdout);
    printEscaped(reason);
    putchar('\n');
}

void printConfigurationAppliedLine(const char *file, size_t count)
{
    printf("        Configuration %s applied: %zu values written and verified\n", file, count);
}

void printValueFailedLine(const char *name, const Selectors &selectors, const char *reason)
{
    fputs("        Could not apply feature ", stdout);
    printEscaped(name);
    printSelectors(selectors);
    fputs(": ", stdout);
    printEscaped(reason);
    putchar('\n');
}

void printConfigurationNotAppliedLine(const char *file, size_t failed, const char *restoreFailure)
{
    printf("        Configuration %s not applied: %zu values failed; ", file, failed);
    if (restoreFailure == NULL) {
        fputs("the previous settings are restored\n", stdout);
        return;
    }
    fputs("restoring the previous settings failed too: ", stdout);
    printEscaped(restoreFailure);
    putchar('\n');
}

void printDifferenceLine(const char *name, const Selectors &selectors, const char *camera, const char *wanted)
{
    printFeature(name, selectors);
    fputs(" is ", stdout);
    printEscaped(camera);
    fputs(", the file has ", stdout);
    printEscaped(wanted);
    putchar('\n');
}

void printUnreadableDifferenceLine(const char *name, const Selectors &selectors, const char *reason,
                                   const char *wanted)
{
    printFeature(name, selectors);
    fputs(" cannot be read (", stdout);
    printEscaped(reason);
    fputs("), the file has ", stdout);
    printEscaped(wanted);
    putchar('\n');
}

void printSelectorsNotPutBackLine(const char *reason)
{
    fputs("        Could not set the selectors back after comparing: ", stdout);
    printEscaped(reason);
    putchar('\n');
}

void printConfigurationMatchesLine(const char *file)
{
    printf("        Configuration matches %s\n", file);
}

void printConfigurationDiffersLine(const char *file, size_t count)
{
    printf("        Configuration differs from %s in %zu values\n", file, count);
}

void printDescriptionUnreadableLine(const char *reason)
{
    fputs("        Could not read the GenICam description: ", stdout);
    printEscaped(reason);
    putchar('\n');
}
