// VisionAccess: reads and writes the registers of every USB3 Vision camera
// attached, by address or by GenICam feature name, through the camera
// maker's SDK (libQrVApi.so).
//
// main reads the command line into the run options, loads the SDK, then
// scans: list the cameras, open each in turn, run its register writes and
// reads, close it.  With -c it scans again after a pause until input is
// pending on stdin.
#include <ctype.h>
#include <errno.h>
#include <fcntl.h>
#include <inttypes.h>
#include <limits.h>
#include <math.h>
#include <stdarg.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <sys/stat.h>
#include <unistd.h>

#include <list>

#include "CameraIdentity.h"
#include "CameraMemory.h"
#include "Features.h"
#include "LinuxUtil.h"
#include "Register.h"
#include "SdkLoader.h"
#include "Selection.h"

// A -r or -w target: a register address, or a GenICam feature by its name.
struct Register {
    uint64_t address;
    const char *feature;  // the name (a word of the command line), or NULL
};
typedef std::list<Register> RegisterList;

// A -w value: the 32-bit pattern for an address, the text for a feature.
struct WriteValue {
    uint32_t bits;
    const char *text;
};
typedef std::list<WriteValue> ValueList;

enum OutputDestination { OUTPUT_CONSOLE, OUTPUT_LOG_FILE };

static const int kDefaultDelayMs = 5000;

// Exit statuses: 0 for a run that went its way (SDK failures included).
static const int kExitRejected = 1;      // the command line was rejected
static const int kExitOutputFailed = 2;  // the output could not be written
static const int kExitNoSdk = 3;         // no usable camera SDK

// The run options: set once by setRunOptions, read-only afterwards.
static bool runOption_continual = false;
static int runOption_delayMs = kDefaultDelayMs;
static bool runOption_decimal = false;
static bool runOption_float = false;
static RegisterList runOption_readRegisters;
static RegisterList runOption_writeRegisters;
static ValueList runOption_writeValues;
static OutputDestination runOption_output = OUTPUT_CONSOLE;
// Added options: -v, -s, -x, -g, -a.
static bool runOption_identity = false;
static SelectionList runOption_selections;
static const char *runOption_saveFolder = NULL;
static const char *runOption_descriptionFile = NULL;
static bool runOption_listFeatures = false;

static time_t sAppStartTime;
// Where standard output goes, for messages: the console or the -l file.
static const char *sOutputName = "standard output";
// Why the command line was rejected: the first reason found, one line.
static char sRejection[512];

// ---------------------------------------------------------------------------
// Command line
// ---------------------------------------------------------------------------

// True when word is exactly "-x" or "-X" for the given lower-case letter.
static bool isOption(const char *word, char letter)
{
    return word[0] == '-' && (word[1] == letter || word[1] == toupper(letter)) && word[2] == '\0';
}

// The words that are a command line of their own.
static const char *const kAloneWords[] = {"--help", "--version", "--sdk"};

// True when word is one of the words that must stand alone.
static bool isAloneWord(const char *word)
{
    for (const char *alone : kAloneWords)
        if (strcmp(word, alone) == 0)
            return true;
    return false;
}

// True when nothing but white space is left of the text: a number must not
// be followed by anything else, so a typo never becomes a register value.
static bool onlySpaceLeft(const char *rest)
{
    while (isspace((unsigned char)*rest))
        rest++;
    return *rest == '\0';
}

// Records why the command line is rejected, unless a reason is recorded
// already, and returns false.  Control characters of the words quoted become
// '?', so the reason stays one line.
static bool reject(const char *format, ...) __attribute__((format(printf, 1, 2)));
static bool reject(const char *format, ...)
{
    if (sRejection[0] != '\0')
        return false;
    va_list args;
    va_start(args, format);
    vsnprintf(sRejection, sizeof sRejection, format, args);
    va_end(args);
    for (char *at = sRejection; *at != '\0'; at++)
        if (iscntrl((unsigned char)*at))
            *at = '?';
    return false;
}

// True when the option has the count of value words it needs after it;
// otherwise rejects the command line, naming what is missing.
static bool hasValues(const char *option, int wordsLeft, int count, const char *what)
{
    return wordsLeft >= count || reject("%s needs %s", option, what);
}

// True unless the other of -i and -f was given already; otherwise rejects
// the command line.
static bool notBoth(bool otherGiven)
{
    return !otherGiven || reject("-i and -f exclude each other");
}

// Hexadecimal text as "%x" reads it (white space, '+', an optional 0x, the
// digits), but refusing text with no digit, any minus sign, anything after
// the number, or a number beyond the bits given: those must never reach a
// camera.  What the text is for (a register address) names it in the reason.
static bool parseHexBits(const char *text, const char *what, int bits, uint64_t *value)
{
    const char *digits = text;
    while (isspace((unsigned char)*digits))
        digits++;
    if (*digits == '+')
        digits++;
    if (!isxdigit((unsigned char)*digits))
        return reject("'%s' is not a hexadecimal %s", text, what);
    char *end;
    errno = 0;
    unsigned long long number = strtoull(digits, &end, 16);
    if (!onlySpaceLeft(end))
        return reject("'%s' is not a hexadecimal %s", text, what);
    if (errno == ERANGE || (bits < 64 && number >> bits != 0))
        return reject("'%s' does not fit in %d bits", text, bits);
    *value = number;
    return true;
}

// A 32-bit hexadecimal value.
static bool parseHex(const char *text, const char *what, unsigned int *value)
{
    uint64_t number;
    if (!parseHexBits(text, what, 32, &number))
        return false;
    *value = (unsigned int)number;
    return true;
}

// True for a GenICam name: a letter, then letters, digits or '_'.
static bool isFeatureName(const char *text)
{
    if (!isalpha((unsigned char)text[0]))
        return false;
    for (const char *at = text + 1; *at != '\0'; at++)
        if (!isalnum((unsigned char)*at) && *at != '_')
            return false;
    return true;
}

// True when text is nothing but hexadecimal digits ("Bad", "Face").
static bool isHexDigits(const char *text)
{
    for (const char *at = text; *at != '\0'; at++)
        if (!isxdigit((unsigned char)*at))
            return false;
    return true;
}

// A -r or -w target: a hexadecimal address of up to 64 bits, or else a
// GenICam feature name.  A name made only of hexadecimal digits is an
// address; anything else that is neither is refused, so a typo never
// reaches a camera.
static bool parseTarget(const char *text, Register *target)
{
    target->address = 0;
    target->feature = NULL;
    if (isFeatureName(text) && !isHexDigits(text)) {
        target->feature = text;
        return true;
    }
    return parseHexBits(text, "register address or a feature name", 64, &target->address);
}

// Decimal text as "%d" reads it, refusing text with no digit, anything after
// the number, or a number outside the int range.  The value kept is the
// int's 32-bit pattern.
static bool parseDecimal(const char *text, const char *what, unsigned int *value)
{
    const char *start = text;
    while (isspace((unsigned char)*start))
        start++;
    const char *digits = (*start == '-' || *start == '+') ? start + 1 : start;
    if (!isdigit((unsigned char)*digits))
        return reject("'%s' is not a decimal %s", text, what);
    char *end;
    errno = 0;
    long long number = strtoll(start, &end, 10);
    if (!onlySpaceLeft(end))
        return reject("'%s' is not a decimal %s", text, what);
    if (errno == ERANGE || number < INT_MIN || number > INT_MAX)
        return reject("'%s' does not fit in a 32-bit int", text);
    *value = (unsigned int)(int)number;
    return true;
}

// Float text as strtof reads it (inf, nan, exponents and hexadecimal floats
// included), refusing text with no number, anything after the number, or
// finite text too large for a float.  The value kept is the float's bit
// pattern.
static bool parseFloat(const char *text, const char *what, unsigned int *value)
{
    char *end;
    errno = 0;
    float number = strtof(text, &end);
    if (end == text || !onlySpaceLeft(end))
        return reject("'%s' is not a float %s", text, what);
    if (errno == ERANGE && isinf(number))
        return reject("'%s' is too large for a float", text);
    memcpy(value, &number, sizeof *value);
    return true;
}

// The delay is decimal, read as strtol reads it ("abc" is 0, "0x10" is 0),
// but a negative delay or one beyond int is refused.
static bool parseDelay(const char *text, int *delayMs)
{
    long number = strtol(text, NULL, 10);
    if (number < 0 || number > INT_MAX)
        return reject("'%s' is not a delay from 0 to %d ms", text, INT_MAX);
    *delayMs = (int)number;
    return true;
}

// The value of a -w option for an address, read in the mode the flags give
// at the moment the -w is seen.
static bool parseRegisterValue(const char *option, const char *text, bool decimal, bool isFloat, unsigned int *value)
{
    char what[32];
    snprintf(what, sizeof what, "value for %s", option);
    if (decimal)
        return parseDecimal(text, what, value);
    if (isFloat)
        return parseFloat(text, what, value);
    return parseHex(text, what, value);
}

// The value of a -w option: for an address its 32-bit pattern; for a
// feature its text, which the feature reads in its own form at each camera.
static bool parseWriteValue(const char *option, const Register &target, const char *text, bool decimal, bool isFloat,
                            WriteValue *value)
{
    value->bits = 0;
    value->text = text;
    return target.feature != NULL || parseRegisterValue(option, text, decimal, isFloat, &value->bits);
}

// -x: the folder must be there.
static bool parseSaveFolder(const char *folder)
{
    struct stat status;
    if (stat(folder, &status) != 0)
        return reject("cannot save descriptions in '%s': %s", folder, strerror(errno));
    if (!S_ISDIR(status.st_mode))
        return reject("cannot save descriptions in '%s': not a folder", folder);
    return true;
}

// -s: a camera number, serial number or user-defined name, never empty.
static bool parseSelection(const char *value)
{
    return value[0] != '\0' || reject("-s needs a camera number, serial number or name, not an empty word");
}

// -g: the module reads and parses the description at once, so a file that
// cannot be used is refused before any camera is touched.
static bool useDescriptionFile(const char *fileName)
{
    char reason[512];
    if (!startFeatures(fileName, reason, sizeof reason))
        return reject("cannot use the GenICam description '%s': %s", fileName, reason);
    return true;
}

// -l: prints the notice, then points standard output at the file.  The file
// is opened before anything is redirected, so when it cannot be opened the
// output stays where it was and the usage text that follows is seen.
static bool redirectOutput(const char *fileName)
{
    printf("Output directed to %s.  PRESS ANY KEY TO EXIT\n", fileName);
    int fd = open(fileName, O_WRONLY | O_CREAT | O_TRUNC, 0666);
    if (fd < 0)
        return reject("cannot open log file '%s': %s", fileName, strerror(errno));
    fflush(stdout);
    if (fd != STDOUT_FILENO) {
        int moved = dup2(fd, STDOUT_FILENO);
        int error = errno;
        close(fd);
        if (moved < 0)
            return reject("cannot send the output to log file '%s': %s", fileName, strerror(error));
    }
    clearerr(stdout);
    runOption_output = OUTPUT_LOG_FILE;
    sOutputName = fileName;
    return true;
}

// Reads the command line into the run options.  Returns 0 when it is
// accepted, 1 at the first word that is rejected, with the reason in
// sRejection; the run options then stay as they were, apart from a -l
// already carried out.
static int setRunOptions(int argc, char **argv)
{
    sRejection[0] = '\0';
    if (argc < 2) {
        runOption_continual = false;
        runOption_delayMs = kDefaultDelayMs;
        runOption_decimal = false;
        runOption_float = false;
        return 0;
    }

    bool continual = false;
    int delayMs = kDefaultDelayMs;
    bool decimal = false;
    bool isFloat = false;
    RegisterList readRegisters;
    RegisterList writeRegisters;
    ValueList writeValues;
    bool identity = false;
    SelectionList selections;
    const char *saveFolder = NULL;
    const char *descriptionFile = NULL;
    bool listFeatures = false;

    int i = 1;
    while (i < argc) {
        const char *option = argv[i];
        int wordsLeft = argc - i - 1;
        if (isOption(option, 'c')) {
            continual = true;
            i += 1;
        } else if (isOption(option, 'd')) {
            if (!hasValues(option, wordsLeft, 1, "a delay in milliseconds") || !parseDelay(argv[i + 1], &delayMs))
                return 1;
            i += 2;
        } else if (isOption(option, 'r')) {
            Register target;
            if (!hasValues(option, wordsLeft, 1, "a register address") || !parseTarget(argv[i + 1], &target))
                return 1;
            readRegisters.push_back(target);
            i += 2;
        } else if (isOption(option, 'w')) {
            Register target;
            WriteValue value;
            if (!hasValues(option, wordsLeft, 2, "a register address and a value") ||
                !parseTarget(argv[i + 1], &target) ||
                !parseWriteValue(option, target, argv[i + 2], decimal, isFloat, &value))
                return 1;
            writeRegisters.push_back(target);
            writeValues.push_back(value);
            i += 3;
        } else if (isOption(option, 'i')) {
            if (!notBoth(isFloat))
                return 1;
            decimal = true;
            i += 1;
        } else if (isOption(option, 'f')) {
            if (!notBoth(decimal))
                return 1;
            isFloat = true;
            i += 1;
        } else if (isOption(option, 'l')) {
            if (!hasValues(option, wordsLeft, 1, "a file name") || !redirectOutput(argv[i + 1]))
                return 1;
            i += 2;
        } else if (isOption(option, 'v')) {
            identity = true;
            i += 1;
        } else if (isOption(option, 's')) {
            if (!hasValues(option, wordsLeft, 1, "a camera number, serial number or name") ||
                !parseSelection(argv[i + 1]))
                return 1;
            selections.push_back(Selection(argv[i + 1]));
            i += 2;
        } else if (isOption(option, 'x')) {
            if (!hasValues(option, wordsLeft, 1, "a folder") || !parseSaveFolder(argv[i + 1]))
                return 1;
            saveFolder = argv[i + 1];
            i += 2;
        } else if (isOption(option, 'g')) {
            if (descriptionFile != NULL) {
                reject("%s may be given once: one description serves every camera", option);
                return 1;
            }
            if (!hasValues(option, wordsLeft, 1, "a GenICam description file") || !useDescriptionFile(argv[i + 1]))
                return 1;
            descriptionFile = argv[i + 1];
            i += 2;
        } else if (isOption(option, 'a')) {
            listFeatures = true;
            i += 1;
        } else if (isAloneWord(option)) {
            reject("%s must be the only argument", option);
            return 1;
        } else {
            reject("unknown option '%s'", option);
            return 1;
        }
    }

    runOption_continual = continual;
    runOption_delayMs = delayMs;
    runOption_decimal = decimal;
    runOption_float = isFloat;
    runOption_readRegisters.splice(runOption_readRegisters.end(), readRegisters);
    runOption_writeRegisters.splice(runOption_writeRegisters.end(), writeRegisters);
    runOption_writeValues.splice(runOption_writeValues.end(), writeValues);
    runOption_identity = identity;
    runOption_selections.splice(runOption_selections.end(), selections);
    runOption_saveFolder = saveFolder;
    runOption_descriptionFile = descriptionFile;
    runOption_listFeatures = listFeatures;
    return 0;
}

static void usage(char **argv)
{
    const char *name = argv[0];
    printf("\n"
           "Prints info on all Quorvane USB3 Vision cameras (via USB3)\n"
           "       usage: %s options \n"
           "    where options are: \n"
           "       -c           Runs continually, and must be stopped with a <ctrl>C\n"
           "       -d time      Delays time milliseconds between scans (only used\n"
           "                    with -c option\n"
           "       -r reg       For each camera found, reads the specified Vision register.\n"
           "                    Specify values in hex\n"
           "\n"
           "       -w reg value For each camera found, writes the specified Vision register.\n"
           "                    with the specified value.  Specify values in hex, unless\n"
           "                    you specify -i or -f option.\n"
           "\n"
           "       -i           All reg values are expressed in decimal (base 10) format.\n"
           "                    This applies to reads and writes.\n"
           "\n"
           "       -f           All reg values are expressed as floats.  This applies to\n"
           "                    reads and writes.\n"
           "\n"
           "       -l fileName  Log the output to fileName\n"
           " Examples:\n",
           name);
    printf("     %s -r 60018 -r 6001C \n"
           "             Displays the Vision Width and Height registers (in hex).\n"
           "\n",
           name);
    printf("     %s -c -d 5000 -i -r 60028 -r 6002C -l foundCameras.txt \n"
           "             Displays the BinningHorizontal and BinningVertical registers,\n"
           "             every 5 seconds (in decimal), and puts the output in the\n"
           "             file foundCamera.txt.\n"
           "\n",
           name);
    printf("     %s -f -w 60050 20.0 \n"
           "             Writes the AcquisitionFrameRate to 20.0 fps.\n"
           "\n",
           name);
}

// --help: the options added to the usage text above, under their own heading.
static void usageOfAddedOptions()
{
    printf(" Added options (each also in upper case):\n"
           "       -r and -w    Also take addresses of up to 64 bits, and GenICam feature\n"
           "                    names (Width, PixelFormat, ExposureTime), whose values are\n"
           "                    read and written in the feature's own form.\n"
           "       -v           Shows each camera's vendor, model, family, version,\n"
           "                    serial number and user-defined name.\n"
           "       -s camera    Only the cameras with this number, serial number or\n"
           "                    user-defined name; may be repeated.\n"
           "       -x folder    Saves each camera's GenICam description as\n"
           "                    folder/<camera number>.xml.\n"
           "       -g file      Uses this GenICam description (XML or ZIP) for every camera.\n"
           "       -a           Lists every feature of each camera, with its value.\n"
           "       --sdk        Shows which camera SDK is loaded.\n"
           "\n");
}

// ---------------------------------------------------------------------------
// Cameras
// ---------------------------------------------------------------------------

// True when the run needs the GenICam module: feature names, -x, -g or -a.
static bool runUsesFeatures()
{
    if (runOption_saveFolder != NULL || runOption_descriptionFile != NULL || runOption_listFeatures)
        return true;
    for (const RegisterList *targets : {&runOption_readRegisters, &runOption_writeRegisters})
        for (const Register &target : *targets)
            if (target.feature != NULL)
                return true;
    return false;
}

// Prints a register's value in the display mode of the run.
static void printRegisterRead(uint64_t address, uint32_t value)
{
    if (runOption_decimal) {
        printf("        Register 0x%" PRIX64 " read as %d\n", address, (int)value);
    } else if (runOption_float) {
        float number;
        memcpy(&number, &value, sizeof number);
        printf("        Register 0x%" PRIX64 " read as %f\n", address, (double)number);
    } else {
        printf("        Register 0x%" PRIX64 " read as 0x%08X\n", address, value);
    }
}

// Writes a register above 32-bit addresses, through the SDK's memory calls.
static void writeWideRegister(void *camera, uint64_t address, uint32_t value)
{
    uint8_t bytes[4];
    bytesFromWord(value, bytes);
    int32_t status = 0;
    MemoryResult result = writeCameraMemory(camera, address, bytes, sizeof bytes, &status);
    if (result == MEMORY_OUT_OF_REACH)
        printf("        Could not write register 0x%" PRIX64 ": the SDK reaches only 32-bit addresses\n", address);
    else if (result != MEMORY_DONE)
        printf("        Could not write register 0x%" PRIX64 "\n", address);
    else
        printf("        Register 0x%" PRIX64 " written with value 0x%08X\n", address, value);
}

// Reads a register above 32-bit addresses, through the SDK's memory calls.
static void readWideRegister(void *camera, uint64_t address)
{
    uint8_t bytes[4];
    int32_t status = 0;
    MemoryResult result = readCameraMemory(camera, address, bytes, sizeof bytes, &status);
    if (result == MEMORY_OUT_OF_REACH)
        printf("        Could not read register 0x%" PRIX64 ": the SDK reaches only 32-bit addresses\n", address);
    else if (result != MEMORY_DONE)
        printf("        Could not read register 0x%" PRIX64 "\n", address);
    else
        printRegisterRead(address, wordFromBytes(bytes));
}

static void writeNamedFeature(const char *name, const char *value)
{
    const char *reason;
    if (writeFeature(name, value, &reason))
        printf("        Feature %s written with value %s\n", name, value);
    else
        printf("        Could not write feature %s: %s\n", name, reason);
}

static void readNamedFeature(const char *name)
{
    const char *text;
    if (readFeature(name, &text))
        printf("        Feature %s read as %s\n", name, text);
    else
        printf("        Could not read feature %s: %s\n", name, text);
}

// -x: writes the camera's description to <folder>/<camera number>.xml, the
// number unsigned as the SDK gives it, where the heading shows it as an int.
static void saveDescription(uint32_t cameraNumber)
{
    const char *xml;
    size_t size = 0;
    if (!cameraDescription(&xml, &size)) {
        printf("        Could not read the GenICam description: %s\n", xml);
        return;
    }
    char path[PATH_MAX];
    snprintf(path, sizeof path, "%s/%" PRIu32 ".xml", runOption_saveFolder, cameraNumber);
    FILE *file = fopen(path, "w");
    bool saved = file != NULL && fwrite(xml, 1, size, file) == size;
    int error = errno;
    if (file != NULL && fclose(file) != 0 && saved) {
        saved = false;
        error = errno;
    }
    if (saved)
        printf("        GenICam description saved to %s\n", path);
    else
        printf("        Could not save the GenICam description to %s: %s\n", path, strerror(error));
}

// -a: one line per feature, by its category path below Root.
static void printListedFeature(const FeatureLine &feature)
{
    const char *path = feature.path;
    if (strncmp(path, "Root", 4) == 0 && (path[4] == '/' || path[4] == '\0'))
        path += path[4] == '/' ? 5 : 4;
    printf("        Feature %s%s%s (%s, %s) %s %s\n", path, path[0] != '\0' ? "/" : "", feature.name, feature.type,
           feature.access, feature.readable ? "read as" : "cannot be read:", feature.value);
}

static void listCameraFeatures()
{
    const char *reason;
    if (!listFeatures(printListedFeature, &reason))
        printf("        Could not list the features: %s\n", reason);
}

// Prints the camera's heading and what the added options ask of it, then
// writes every -w register and reads every -r register on it, one line
// each.  A failed register never stops the rest.
static void processCamera(_CAMERA_ID_INFO *info, void *camera)
{
    printf("    Camera %d\n", (int)info->cameraNumber);
    bool features = runUsesFeatures();
    if (features)
        beginCameraFeatures(camera, info->cameraNumber);
    if (runOption_identity)
        printIdentity(camera);
    if (runOption_saveFolder != NULL)
        saveDescription(info->cameraNumber);
    if (runOption_listFeatures)
        listCameraFeatures();
    RegisterCommand command;

    command.opcode = CMD_WRITE_REGISTER;
    ValueList::const_iterator value = runOption_writeValues.begin();
    for (const Register &target : runOption_writeRegisters) {
        const WriteValue &written = *value++;
        if (target.feature != NULL) {
            writeNamedFeature(target.feature, written.text);
            continue;
        }
        if (target.address > kMaxPrivateAddress) {
            writeWideRegister(camera, target.address, written.bits);
            continue;
        }
        command.address = (uint32_t)target.address;
        command.value = written.bits;
        if (sdk.PrivateCmd(camera, sizeof command, &command) < 0)
            printf("        Could not write register 0x%X\n", command.address);
        else
            printf("        Register 0x%X written with value 0x%08X\n", command.address, command.value);
    }

    command.opcode = CMD_READ_REGISTER;
    for (const Register &target : runOption_readRegisters) {
        if (target.feature != NULL) {
            readNamedFeature(target.feature);
            continue;
        }
        if (target.address > kMaxPrivateAddress) {
            readWideRegister(camera, target.address);
            continue;
        }
        command.address = (uint32_t)target.address;
        command.value = kReadPreset;
        if (sdk.PrivateCmd(camera, sizeof command, &command) < 0)
            printf("        Could not read register 0x%X\n", command.address);
        else
            printRegisterRead(command.address, command.value);
    }
    if (features)
        endCameraFeatures();
}

// One pass over the attached cameras.  Returns false when the run must end:
// the record array could not be allocated or the records could not be read.
static bool scanCameras()
{
    char elapsed[48];
    formatElapsed((int64_t)time(NULL) - (int64_t)sAppStartTime, elapsed, sizeof elapsed);
    printf("%s Camera scan ....\n", elapsed);
    startScanFeatures();

    uint32_t count = 0;
    if (sdk.GetNumberCamerasEx(NULL, &count) < 0 || count == 0) {
        printf("    No cameras found !!\n");
        printUnmatchedSelections(runOption_selections);
        return true;
    }

    // Zeroed, so that records the SDK claims but did not fill hold no
    // leftover bytes; calloc also refuses a size that would overflow.
    _CAMERA_ID_INFO *cameras = (_CAMERA_ID_INFO *)calloc(count, sizeof(_CAMERA_ID_INFO));
    if (cameras == NULL) {
        printf("    Out of memory error.\n");
        return false;
    }
    cameras[0].recordSize = sizeof(_CAMERA_ID_INFO);

    uint32_t capacity = count;
    int32_t status = sdk.GetNumberCamerasEx(cameras, &count);
    if (status < 0) {
        printf("    Unable to read camera id info (Error 0x%8.8X)\n", (unsigned int)status);
        free(cameras);
        return false;
    }
    if (count > capacity)
        count = capacity;  // never walk past the records we handed over

    for (uint32_t k = 0; k < count; k++) {
        // -s: a camera that no number selects is opened only to be told by
        // its serial or name, when some -s gives one.
        bool selected = selectedByNumber(runOption_selections, cameras[k].cameraNumber);
        if (!selected && !selectsByIdentity(runOption_selections))
            continue;
        void *camera = NULL;
        if (sdk.InitializeEx(cameras[k].cameraNumber, &camera, 0) < 0)
            continue;
        if (selectedByIdentity(runOption_selections, camera) || selected)
            processCamera(&cameras[k], camera);
        sdk.Uninitialize(camera);
    }
    free(cameras);
    printUnmatchedSelections(runOption_selections);
    return true;
}

// Flushes standard output and tells whether everything printed so far got
// there; if not, says on standard error where it could not be written.
static bool outputWritten()
{
    errno = 0;
    if (fflush(stdout) == 0 && !ferror(stdout))
        return true;
    fprintf(stderr, "VisionAccess: cannot write to %s: %s\n", sOutputName, strerror(errno != 0 ? errno : EIO));
    return false;
}

// Loads the camera SDK.  When there is none that can be used, says so on
// standard error, with the loader's reason and the ways to get one.
static bool sdkLoaded()
{
    char reason[512];
    if (loadSdk(reason, sizeof reason))
        return true;
    fprintf(stderr,
            "VisionAccess: cannot load the camera SDK %s (%s): install the camera maker's SDK or the package "
            "visionaccess-u3v (any USB3 Vision camera); the package visionaccess-sim runs the tool on simulated "
            "cameras as visionaccess-sim\n",
            kSdkLibrary, reason);
    return false;
}

// --sdk: prints the file of the SDK in use, then whether it has each
// optional call.
static int showSdk()
{
    if (!sdkLoaded())
        return kExitNoSdk;
    char path[PATH_MAX];
    if (!loadedSdkPath(path, sizeof path))
        snprintf(path, sizeof path, "%s (its file cannot be told)", kSdkLibrary);
    printf("%s\n", path);
    printf("QrVReadMemory: %s\n", sdk.ReadMemory != NULL ? "yes" : "no");
    printf("QrVWriteMemory: %s\n", sdk.WriteMemory != NULL ? "yes" : "no");
    return outputWritten() ? 0 : kExitOutputFailed;
}

int main(int argc, char **argv)
{
    sAppStartTime = time(NULL);
    holdClosedStandardDescriptors();
    if (argc == 2 && strcmp(argv[1], "--help") == 0) {
        usage(argv);
        usageOfAddedOptions();
        return outputWritten() ? 0 : kExitOutputFailed;
    }
    if (argc == 2 && strcmp(argv[1], "--version") == 0) {
        printf("VisionAccess %s\n", VISIONACCESS_VERSION);
        return outputWritten() ? 0 : kExitOutputFailed;
    }
    if (argc == 2 && strcmp(argv[1], "--sdk") == 0)
        return showSdk();
    if (setRunOptions(argc, argv) != 0) {
        fprintf(stderr, "VisionAccess: %s\n", sRejection);
        usage(argv);
        outputWritten();
        return kExitRejected;
    }
    if (!sdkLoaded())
        return kExitNoSdk;

    for (;;) {
        bool scanAgain = scanCameras() && runOption_continual;
        if (scanAgain && runOption_output == OUTPUT_CONSOLE)
            printf("PRESS ANY KEY TO EXIT (after %d ms delay)\n", runOption_delayMs);
        // Each finished scan reaches the console or log file now, so a run
        // stopped with Ctrl-C keeps it, and output that is lost ends the run.
        if (!outputWritten())
            return kExitOutputFailed;
        if (!scanAgain)
            return 0;
        if (kbhit()) {
            discardPendingTerminalInput();  // the line that stopped the run
            return 0;
        }
        sleepMilliseconds(runOption_delayMs);
    }
}
