// Every line a run prints on standard output (the console, or the -l file),
// one function per kind of line, taking the line's fields: each prints the
// text line, or with -j the same line as one JSON object on a line of its
// own (JSON Lines, doc/visionaccess-jsonl.5), in the format the run chose
// once (LineFormat.h).  Whatever came from outside
// (a camera, a description, a file) is escaped as EscapedText.h says, in
// both; file and folder names stand as given on the command line in a text
// line, escaped in JSON.  A camera's lines belong to the camera of the last
// heading (printCameraLine).
#ifndef LINES_H
#define LINES_H

#include <stddef.h>
#include <stdint.h>

#include "GenicamModule.h"

// The run starts: elapsed times count from here.
void startLineClock();

// Text lines (false, the default) or JSON Lines (-j) from now on.
void printLinesAsJson(bool json);

// --- The run and its scans ---

// Output directed to <file>.  PRESS ANY KEY TO EXIT
void printLogFileLine(const char *file);
// HH:MM:SS Camera scan .... (the text's time stamp: elapsedSeconds)
void printScanLine(int64_t elapsedSeconds);
//     No cameras found !!
void printNoCamerasLine();
//     Out of memory error.
void printOutOfMemoryLine();
//     Unable to read camera id info (Error 0x8000F00B)
void printRecordsFailedLine(int32_t status);
//     Camera <camera>: the heading, whose camera the lines after it belong to
void printCameraLine(int camera);
//     No camera matches <selection>
void printNoMatchLine(const char *selection);
// PRESS ANY KEY TO EXIT (after <delayMs> ms delay)
void printPromptLine(int delayMs);

// --- A camera's lines ---

//         <label>: <text> (label as -v shows it, "Vendor"; field as JSON
// names it, "vendor"; "Serial:" alone when text is empty)
void printIdentityLine(const char *label, const char *field, const char *text);
//         Could not read the camera's <name> (name "user name", field "user-name")
void printIdentityFailedLine(const char *name, const char *field);

// How -r shows a register: hexadecimal, decimal (-i) or a float (-f).
enum RegisterMode { REGISTER_HEX, REGISTER_DECIMAL, REGISTER_FLOAT };

//         Register 0x<address> read as <value in the mode>
void printRegisterReadLine(uint64_t address, uint32_t value, RegisterMode mode);
//         Register 0x<address> written with value 0x<value, 8 digits>
void printRegisterWrittenLine(uint64_t address, uint32_t value);
//         Could not <operation> register 0x<address>[: <reason>] (operation
// "read" or "write"; reason NULL for none)
void printRegisterFailedLine(const char *operation, uint64_t address, const char *reason);

//         Feature <name> read as <value>
void printFeatureReadLine(const char *name, const VaValue &value);
//         Feature <name> written with value <given> (written: the value as
// the feature took it, for its type)
void printFeatureWrittenLine(const char *name, const char *given, const VaValue &written);
//         Could not <operation> feature <name>: <reason>
void printFeatureFailedLine(const char *operation, const char *name, const char *reason);

//         GenICam description saved to <file>
void printDescriptionSavedLine(const char *file);
//         Could not save the GenICam description to <file>: <reason>
void printDescriptionFailedLine(const char *file, const char *reason);
//         Could not read the GenICam description: <reason>
void printDescriptionUnreadableLine(const char *reason);

// One feature of -a: its category path below Root ("" for Root itself),
// name, node type and access ("RW").
struct ListedFeature {
    const char *path, *name, *type, *access;
};
//         Feature [<path>/]<name> (<type>, <access>) read as <value>
void printListedFeatureLine(const ListedFeature &feature, const VaValue &value);
//         Feature [<path>/]<name> (<type>, <access>) cannot be read: <reason>
void printUnreadableListedFeatureLine(const ListedFeature &feature, const char *reason);
//         Could not list the features: <reason>
void printListingFailedLine(const char *reason);

// --- Configurations (-o, -p, -m) ---

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
void printDifferenceLine(const char *name, const Selectors &selectors, const VaValue &camera,
                         const char *wanted);
//         Feature <name>[ [<selectors>]] cannot be read (<reason>), the file has <wanted>
void printUnreadableDifferenceLine(const char *name, const Selectors &selectors, const char *reason,
                                   const char *wanted);
//         Could not set the selectors back after comparing: <reason>
void printSelectorsNotSetBackLine(const char *reason);
//         Configuration matches <file>
void printConfigurationMatchesLine(const char *file);
//         Configuration differs from <file> in <count> values
void printConfigurationDiffersLine(const char *file, size_t count);

#endif
