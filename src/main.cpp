// VisionAccess: reads and writes the registers of every USB3 Vision camera
// attached, by address or by GenICam feature name, through the camera
// maker's SDK (libQrVApi.so).
//
// main reads the command line into the run options (CommandLine.h), loads
// the SDK, then scans (Scan.h): list the cameras, open each in turn, give it
// its turn (CameraTurn.h), close it.  With -c it scans again after a pause
// until input is pending on standard input.
#include <errno.h>
#include <limits.h>
#include <stdio.h>
#include <string.h>
#include <time.h>

#include "CommandLine.h"
#include "ConfigurationSteps.h"
#include "Lines.h"
#include "LinuxUtil.h"
#include "RunOptions.h"
#include "Scan.h"
#include "SdkLoader.h"
#include "Usage.h"

namespace {

// Exit statuses: 0 for a run that went its way (SDK failures included).
const int kExitRejected = 1;      // the command line was rejected
const int kExitOutputFailed = 2;  // the output could not be written
const int kExitNoSdk = 3;         // no usable camera SDK
// With -o, -p or -m: some camera's save or apply failed, or a camera differs
// from the file.
const int kExitConfiguration = 4;

// Flushes standard output and tells whether everything printed so far got
// there; if not, says on standard error where (outputName) it could not be
// written.
bool outputWritten(const char *outputName)
{
    errno = 0;
    if (fflush(stdout) == 0 && !ferror(stdout))
        return true;
    fprintf(stderr, "VisionAccess: cannot write to %s: %s\n", outputName, strerror(errno != 0 ? errno : EIO));
    return false;
}

// Loads the camera SDK.  When there is none that can be used, says so on
// standard error, with the loader's reason and the ways to get one.
bool sdkLoaded()
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
int showSdk()
{
    if (!sdkLoaded())
        return kExitNoSdk;
    char path[PATH_MAX];
    if (!loadedSdkPath(path, sizeof path))
        snprintf(path, sizeof path, "%s (its file cannot be told)", kSdkLibrary);
    printf("%s\n", path);
    printf("QrVReadMemory: %s\n", sdk.ReadMemory != NULL ? "yes" : "no");
    printf("QrVWriteMemory: %s\n", sdk.WriteMemory != NULL ? "yes" : "no");
    return outputWritten("standard output") ? 0 : kExitOutputFailed;
}

// The words that are a command line of their own: --help, --version, --sdk.
// Returns -1 when argv is none of them, else the exit status.
int answerAloneWord(int argc, char **argv)
{
    if (argc != 2)
        return -1;
    if (strcmp(argv[1], "--help") == 0) {
        usage(argv);
        usageOfAddedOptions();
        return outputWritten("standard output") ? 0 : kExitOutputFailed;
    }
    if (strcmp(argv[1], "--version") == 0) {
        printf("VisionAccess %s\n", VISIONACCESS_VERSION);
        return outputWritten("standard output") ? 0 : kExitOutputFailed;
    }
    if (strcmp(argv[1], "--sdk") == 0)
        return showSdk();
    return -1;
}

// Scans until the run is over: once, or with -c until input is pending.
int runScans(const RunOptions &options, time_t startTime)
{
    for (;;) {
        bool scanAgain = scanCameras(options, startTime) && options.continual;
        if (scanAgain && options.output == OUTPUT_CONSOLE)
            printPromptLine(options.delayMs);
        // Each finished scan reaches the console or log file now, so a run
        // stopped with Ctrl-C keeps it, and output that is lost ends the run.
        if (!outputWritten(options.outputName))
            return kExitOutputFailed;
        if (!scanAgain)
            break;
        if (kbhit()) {
            discardPendingTerminalInput();  // the line that stopped the run
            break;
        }
        sleepMilliseconds(options.delayMs);
    }
    return configurationFailed() ? kExitConfiguration : 0;
}

} // namespace

int main(int argc, char **argv)
{
    time_t startTime = time(NULL);
    startLineClock();
    holdClosedStandardDescriptors();
    int status = answerAloneWord(argc, argv);
    if (status >= 0)
        return status;
    RunOptions options;
    Reason reason;
    if (setRunOptions(argc, argv, &options, &reason) != 0) {
        fprintf(stderr, "VisionAccess: %s\n", reason.text);
        usage(argv);
        outputWritten(options.outputName);
        return kExitRejected;
    }
    if (!sdkLoaded())
        return kExitNoSdk;
    return runScans(options, startTime);
}
