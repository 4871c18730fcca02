// The command line (CommandLine.h): each option is a row of one table, with
// the count of words that follow it and the parser that reads them.  The
// parsers only read; what an option does to the world (-l, -x, -g, -o, -p, -m) is its
// row's step, carried out once the whole command line is read.
#include "CommandLine.h"

#include <ctype.h>
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <list>

#include "ModuleCalls.h"
#include "Lines.h"

namespace {

// One option as it stands on the command line: the word as typed, and the
// words of its values.
struct OptionWords {
    const char *option;
    char *const *values;
};

// What reading a command line keeps beside the options: the -i or -f word
// as typed, for the reason when the other follows.
struct Reading {
    RunOptions *options;
    const char *decimalWord;
    const char *floatWord;
};

// Reads an option's values into the options, or refuses them; no side
// effect.
typedef bool (*ParseOption)(const OptionWords &words, Reading *reading, Reason *reason);
// Carries an option out once the command line is read.
typedef bool (*CarryOutOption)(const OptionWords &words, RunOptions *options, Reason *reason);

// One option of the table.
struct OptionRow {
    char letter;           // lower case; the upper case is the same option
    int valueCount;        // words after it that are its values, whatever they look like
    const char *needs;     // what its values are, for "-d needs ..."
    const char *onlyOnce;  // why it may be given once, or NULL when it may be repeated
    ParseOption parse;
    CarryOutOption carryOut;  // NULL when reading it is all
};

bool parseContinual(const OptionWords &, Reading *reading, Reason *)
{
    reading->options->continual = true;
    return true;
}

bool parseDelayOption(const OptionWords &words, Reading *reading, Reason *reason)
{
    return parseDelay(words.values[0], &reading->options->delayMs, reason);
}

bool parseRead(const OptionWords &words, Reading *reading, Reason *reason)
{
    Target target;
    if (!parseTarget(words.values[0], &target, reason))
        return false;
    reading->options->reads.push_back(target);
    return true;
}

// -w: for an address its 32-bit pattern, in the mode in force where the -w
// stands; for a feature its text, which the feature reads in its own form at
// each camera.
bool parseWrite(const OptionWords &words, Reading *reading, Reason *reason)
{
    const RunOptions &options = *reading->options;
    TargetWrite write = {{0, NULL}, 0, words.values[1]};
    if (!parseTarget(words.values[0], &write.target, reason))
        return false;
    if (write.target.feature == NULL &&
        !parseRegisterValue(words.option, write.text, options.decimal, options.isFloat, &write.bits, reason))
        return false;
    reading->options->writes.push_back(write);
    return true;
}

bool parseDecimalMode(const OptionWords &words, Reading *reading, Reason *reason)
{
    if (reading->floatWord != NULL)
        return refuse(reason, "%s and %s exclude each other", words.option, reading->floatWord);
    reading->options->decimal = true;
    reading->decimalWord = words.option;
    return true;
}

bool parseFloatMode(const OptionWords &words, Reading *reading, Reason *reason)
{
    if (reading->decimalWord != NULL)
        return refuse(reason, "%s and %s exclude each other", words.option, reading->decimalWord);
    reading->options->isFloat = true;
    reading->floatWord = words.option;
    return true;
}

// -l is carried out only: its file is opened once the command line is read.
bool parseLogFile(const OptionWords &, Reading *, Reason *)
{
    return true;
}

bool parseIdentity(const OptionWords &, Reading *reading, Reason *)
{
    reading->options->identity = true;
    return true;
}

// -s: a camera number, serial number or user-defined name, never empty.
bool parseSelection(const OptionWords &words, Reading *reading, Reason *reason)
{
    if (words.values[0][0] == '\0')
        return refuse(reason, "%s needs a camera number, serial number or name, not an empty word", words.option);
    reading->options->selections.push_back(Selection(words.values[0]));
    return true;
}

bool parseSaveFolder(const OptionWords &words, Reading *reading, Reason *)
{
    reading->options->saveFolder = words.values[0];
    return true;
}

bool parseDescriptionFile(const OptionWords &words, Reading *reading, Reason *)
{
    reading->options->descriptionFile = words.values[0];
    return true;
}

bool parseListFeatures(const OptionWords &, Reading *reading, Reason *)
{
    reading->options->listFeatures = true;
    return true;
}

bool parseJsonLines(const OptionWords &, Reading *reading, Reason *)
{
    reading->options->jsonLines = true;
    return true;
}

bool parseConfigurationFolder(const OptionWords &words, Reading *reading, Reason *)
{
    reading->options->configurationFolder = words.values[0];
    return true;
}

// -p and -m are read once the command line is read (readApplyFile,
// readCompareFile).
bool parseApplyFile(const OptionWords &words, Reading *reading, Reason *)
{
    reading->options->applyFile = words.values[0];
    return true;
}

bool parseCompareFile(const OptionWords &words, Reading *reading, Reason *)
{
    reading->options->compareFile = words.values[0];
    return true;
}

// -l: prints the notice where the output goes now, then points standard
// output at the file.  The file is opened before anything is redirected, so
// when it cannot be opened the output stays where it was and the usage text
// that follows is seen.
bool redirectOutput(const OptionWords &words, RunOptions *options, Reason *reason)
{
    const char *fileName = words.values[0];
    printLogFileLine(fileName);
    int fd = open(fileName, O_WRONLY | O_CREAT | O_TRUNC, 0666);
    if (fd < 0)
        return refuse(reason, "cannot open log file '%s': %s", fileName, strerror(errno));
    fflush(stdout);
    if (fd != STDOUT_FILENO) {
        int moved = dup2(fd, STDOUT_FILENO);
        int error = errno;
        close(fd);
        if (moved < 0)
            return refuse(reason, "cannot send the output to log file '%s': %s", fileName, strerror(error));
    }
    clearerr(stdout);
    options->output = OUTPUT_LOG_FILE;
    options->outputName = fileName;
    return true;
}

// The folder of -x or -o must be there, as the command line leaves the
// world at this word (an earlier -l may have made a file of its name).
bool checkFolder(const char *folder, const char *what, Reason *reason)
{
    struct stat status;
    if (stat(folder, &status) != 0)
        return refuse(reason, "cannot save %s in '%s': %s", what, folder, strerror(errno));
    if (!S_ISDIR(status.st_mode))
        return refuse(reason, "cannot save %s in '%s': not a folder", what, folder);
    return true;
}

bool checkSaveFolder(const OptionWords &words, RunOptions *, Reason *reason)
{
    return checkFolder(words.values[0], "descriptions", reason);
}

bool checkConfigurationFolder(const OptionWords &words, RunOptions *, Reason *reason)
{
    return checkFolder(words.values[0], "configurations", reason);
}

// -p and -m: the module reads and checks the file at once, so a file that
// cannot be used is refused before any camera is touched, naming the line
// at fault.
bool readConfiguration(const char *fileName, const VaConfiguration **file, Reason *reason)
{
    char why[512];
    size_t line = 0;
    if (readConfigurationFile(fileName, file, &line, why, sizeof why))
        return true;
    if (line > 0)
        return refuse(reason, "cannot use the configuration file '%s': line %zu: %s", fileName, line, why);
    return refuse(reason, "cannot use the configuration file '%s': %s", fileName, why);
}

bool readApplyFile(const OptionWords &words, RunOptions *options, Reason *reason)
{
    return readConfiguration(words.values[0], &options->applyConfiguration, reason);
}

bool readCompareFile(const OptionWords &words, RunOptions *options, Reason *reason)
{
    return readConfiguration(words.values[0], &options->compareConfiguration, reason);
}

// -g: the module reads and parses the description at once, so a file that
// cannot be used is refused before any camera is touched.
bool useDescriptionFile(const OptionWords &words, RunOptions *, Reason *reason)
{
    const char *fileName = words.values[0];
    char why[512];
    if (!startGenicamRun(fileName, why, sizeof why))
        return refuse(reason, "cannot use the GenICam description '%s': %s", fileName, why);
    return true;
}

// Every option, in the order of the usage text.
const OptionRow kOptions[] = {
    {'c', 0, NULL, NULL, parseContinual, NULL},
    {'d', 1, "a delay in milliseconds", NULL, parseDelayOption, NULL},
    {'r', 1, "a register address", NULL, parseRead, NULL},
    {'w', 2, "a register address and a value", NULL, parseWrite, NULL},
    {'i', 0, NULL, NULL, parseDecimalMode, NULL},
    {'f', 0, NULL, NULL, parseFloatMode, NULL},
    {'l', 1, "a file name", NULL, parseLogFile, redirectOutput},
    {'v', 0, NULL, NULL, parseIdentity, NULL},
    {'s', 1, "a camera number, serial number or name", NULL, parseSelection, NULL},
    {'x', 1, "a folder", "one folder holds every camera's description", parseSaveFolder, checkSaveFolder},
    {'g', 1, "a GenICam description file", "one description serves every camera", parseDescriptionFile,
     useDescriptionFile},
    {'a', 0, NULL, NULL, parseListFeatures, NULL},
    {'j', 0, NULL, NULL, parseJsonLines, NULL},
    {'o', 1, "a folder", "one folder holds every camera's configuration", parseConfigurationFolder,
     checkConfigurationFolder},
    {'p', 1, "a configuration file", "one configuration is applied to every camera", parseApplyFile,
     readApplyFile},
    {'m', 1, "a configuration file", "every camera is compared with one configuration", parseCompareFile,
     readCompareFile},
};
const size_t kOptionCount = sizeof kOptions / sizeof kOptions[0];

// The words that are a command line of their own.
const char *const kAloneWords[] = {"--help", "--version", "--sdk"};

// The row of an option word ("-x" or "-X"), or NULL.
const OptionRow *findOption(const char *word)
{
    if (word[0] != '-' || word[1] == '\0' || word[2] != '\0')
        return NULL;
    for (const OptionRow &row : kOptions)
        if (word[1] == row.letter || word[1] == toupper(row.letter))
            return &row;
    return NULL;
}

// Refuses a word that is no option.
bool refuseUnknown(const char *word, Reason *reason)
{
    for (const char *alone : kAloneWords)
        if (strcmp(word, alone) == 0)
            return refuse(reason, "%s must be the only argument", word);
    return refuse(reason, "unknown option '%s'", word);
}

// An option read whose row has a step to carry out.
struct PendingStep {
    const OptionRow *row;
    OptionWords words;
};

// Reads the words up to the first one rejected, noting the steps to carry
// out; false with the reason at that word.
bool readWords(int argc, char **argv, Reading *reading, std::list<PendingStep> *steps, Reason *reason)
{
    int given[kOptionCount] = {};
    for (int i = 1; i < argc;) {
        const OptionRow *row = findOption(argv[i]);
        if (row == NULL)
            return refuseUnknown(argv[i], reason);
        OptionWords words = {argv[i], argv + i + 1};
        int &count = given[row - kOptions];
        if (row->onlyOnce != NULL && count > 0)
            return refuse(reason, "%s may be given once: %s", words.option, row->onlyOnce);
        if (argc - i - 1 < row->valueCount)
            return refuse(reason, "%s needs %s", words.option, row->needs);
        if (!row->parse(words, reading, reason))
            return false;
        count++;
        if (row->carryOut != NULL)
            steps->push_back(PendingStep{row, words});
        i += 1 + row->valueCount;
    }
    return true;
}

} // namespace

int setRunOptions(int argc, char **argv, RunOptions *options, Reason *reason)
{
    *options = RunOptions();
    Reading reading = {options, NULL, NULL};
    std::list<PendingStep> steps;
    Reason rejection;
    bool accepted = readWords(argc, argv, &reading, &steps, &rejection);
    // -j counts for the whole of a command line whose words are accepted,
    // the notices of -l included; a rejected one prints as ever.
    printLinesAsJson(accepted && options->jsonLines);
    // Every step stands before the rejected word, so one that fails comes
    // first on the command line.
    for (const PendingStep &step : steps)
        if (!step.row->carryOut(step.words, options, reason))
            return 1;
    if (!accepted) {
        *reason = rejection;
        return 1;
    }
    return 0;
}
