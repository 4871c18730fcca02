// The run options: what the command line asks of a run, read once by
// setRunOptions and passed along to the scan and each camera's turn.
#ifndef RUNOPTIONS_H
#define RUNOPTIONS_H

#include <stddef.h>
#include <stdint.h>

#include <list>

#include "Selection.h"

// A configuration file read and checked for the run (the GenICam module's).
struct VaConfiguration;

// A -r or -w target: a register address, or a GenICam feature by its name.
struct Target {
    uint64_t address;
    const char *feature;  // the name (a word of the command line), or NULL
};

// A -w: where, and what: the 32-bit pattern for an address, the text for a
// feature (read in the feature's own form at each camera).
struct TargetWrite {
    Target target;
    uint32_t bits;
    const char *text;
};

enum OutputDestination { OUTPUT_CONSOLE, OUTPUT_LOG_FILE };

const int kDefaultDelayMs = 5000;

struct RunOptions {
    bool continual = false;         // -c
    int delayMs = kDefaultDelayMs;  // -d
    bool decimal = false;           // -i
    bool isFloat = false;           // -f
    std::list<Target> reads;        // -r, in command-line order
    std::list<TargetWrite> writes;  // -w, in command-line order
    // -l: where standard output goes, and its name for messages.
    OutputDestination output = OUTPUT_CONSOLE;
    const char *outputName = "standard output";
    bool identity = false;               // -v
    SelectionList selections;            // -s
    const char *saveFolder = NULL;       // -x
    const char *descriptionFile = NULL;  // -g
    bool listFeatures = false;           // -a
    bool jsonLines = false;              // -j
    const char *configurationFolder = NULL;  // -o
    // -p and -m: the file as given, and as read once for the run.
    const char *applyFile = NULL;
    const VaConfiguration *applyConfiguration = NULL;
    const char *compareFile = NULL;
    const VaConfiguration *compareConfiguration = NULL;
};

#endif
