// The lines -o, -p and -m print on standard output (the console, or the -l
// file), one function per kind of line, taking the line's fields.  Whatever
// came from outside (a camera, a description, a file's values, a reason) is
// escaped as EscapedText.h says; file and folder names stand as given on
// the command line.
#ifndef CONFIGURATIONLINES_H
#define CONFIGURATIONLINES_H

#include <stddef.h>

// A selector and the value it stands at for a value of a configuration.
struct SelectorSetting {
    const char *name, *value;
};
// The selectors of a value, in the order they select it (count 0: none).
struct Selectors {
    const SelectorSetting *settings;
    size_t count;
};

//         Configuration saved to <file> (<count> values)
void printConfigurationSavedLine(const char *file, size_t count);
//         Could not save the configuration: <reason>
void printConfigurationNotSavedLine(const char *reason);
//         Configuration <file> applied: <count> values written and verified
void printConfigurationAppliedLine(const char *file, size_t count);
//         Could not apply feature <name>[ [<selectors>]]: <reason>
void printValueFailedLine(const char *name, const Selectors &selectors, const char *reason);
//         Configuration <file> not applied: <failed> values failed; the previous settings are restored
// or ...; restoring the previous settings failed too: <restoreFailure>
// (restoreFailure NULL when they were restored)
void printConfigurationNotAppliedLine(const char *file, size_t failed, const char *restoreFailure);
//         Feature <name>[ [<selectors>]] is <camera value>, the file has <wanted>
void printDifferenceLine(const char *name, const Selectors &selectors, const char *camera, const char *wanted);
//         Feature <name>[ [<selectors>]] cannot be read (<reason>), the file has <wanted>
void printUnreadableDifferenceLine(const char *name, const Selectors &selectors, const char *reason,
                                   const char *wanted);
//         Could not set the selectors back after comparing: <reason>
void printSelectorsNotPutBackLine(const char *reason);
//         Configuration matches <file>
void printConfigurationMatchesLine(const char *file);
//         Configuration differs from <file> in <count> values
void printConfigurationDiffersLine(const char *file, size_t count);
//         Could not read the GenICam description: <reason>
void printDescriptionUnreadableLine(const char *reason);

#endif
